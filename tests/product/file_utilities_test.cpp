#include "product/FileUtilities.h"

#include "HomeFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void WriteRaw(const std::string& path, const std::string& content)
{
  std::ofstream(path, std::ios::binary) << content;
}

int CountEntries(const std::string& dir)
{
  int n = 0;
  for (auto& e : std::filesystem::directory_iterator(dir))
  {
    (void) e;
    ++n;
  }
  return n;
}

} // namespace

TEST(FileUtilities, ExpandPathReplacesOnlyALeadingTilde)
{
  TempHome home;
  EXPECT_EQ(ExpandPath("~/Music/x.json"), home.Path() + "/Music/x.json");
  EXPECT_EQ(ExpandPath("~/Music/x.json"), home.Path() + "/Music/x.json"); // same again
  EXPECT_EQ(ExpandPath("~"), home.Path());
  EXPECT_EQ(ExpandPath("~bob/x"), home.Path() + "bob/x"); // no lookup of other users
  EXPECT_EQ(ExpandPath("/abs/~/x"), "/abs/~/x");
  EXPECT_EQ(ExpandPath("/abs/~/x"), "/abs/~/x");
  EXPECT_EQ(ExpandPath("rel/x"), "rel/x");
  EXPECT_EQ(ExpandPath(""), "");
}

TEST(FileUtilities, HomeFallsBackWhenNoOverrideIsSet)
{
  SetHomeFolderOverride("");
  // Only the expansion is checked; nothing is written there.
  const std::string home = HomeFolder();
  EXPECT_FALSE(home.empty());
  EXPECT_EQ(ExpandPath("~/a"), home + "/a");
}

TEST(FileUtilities, WriteCreatesMissingFoldersAndReplacesContent)
{
  TempHome home;
  const std::string path = "~/Music/Orlenbeck/Vellicor Presets/3 User Preset.json";
  ASSERT_TRUE(WriteTextFile(path, "a much longer first content"));
  EXPECT_TRUE(IsDirectory(home.Path() + "/Music/Orlenbeck/Vellicor Presets"));
  EXPECT_EQ(ReadTextFile(path), "a much longer first content");

  ASSERT_TRUE(WriteTextFile(path, "short"));
  EXPECT_EQ(ReadTextFile(path), "short");
  // No temporary file is left behind.
  EXPECT_EQ(CountEntries(home.Path() + "/Music/Orlenbeck/Vellicor Presets"), 1);

  // Created with 0666 less the umask, like any ordinary file.
  const mode_t mask = umask(0);
  umask(mask);
  struct stat st{};
  ASSERT_EQ(stat(ExpandPath(path).c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0666u & ~mask);

  ASSERT_TRUE(WriteTextFile(path, ""));
  EXPECT_EQ(ReadTextFile(path), "");
}

TEST(FileUtilities, WriteReportsFailureAndLeavesTargetAlone)
{
  TempHome home;
  // The target is a folder: the rename cannot replace it.
  ASSERT_EQ(mkdir((home.Path() + "/dir").c_str(), 0777), 0);
  EXPECT_FALSE(WriteTextFile("~/dir", "x"));
  EXPECT_TRUE(IsDirectory(home.Path() + "/dir"));
  // A parent that is a regular file.
  WriteRaw(home.Path() + "/file", "keep");
  EXPECT_FALSE(WriteTextFile("~/file/child.json", "x"));
  EXPECT_EQ(ReadTextFile("~/file"), "keep");
  EXPECT_FALSE(WriteTextFile("~/ends-in-slash/", "x"));
  // Nothing but what we made is in the folder: no stray temporary files.
  EXPECT_EQ(CountEntries(home.Path()), 2);

  // A folder we may not write to (skipped when running as root, which may write anyway).
  if (geteuid() != 0)
  {
    ASSERT_EQ(mkdir((home.Path() + "/ro").c_str(), 0555), 0);
    EXPECT_FALSE(WriteTextFile("~/ro/x.json", "x"));
    EXPECT_EQ(ReadTextFile("~/ro/x.json"), "nada");
  }
}

TEST(FileUtilities, ReadRefusesWhatIsNotASmallRegularFile)
{
  TempHome home;
  EXPECT_EQ(ReadTextFile("~/missing"), "nada");
  WriteRaw(home.Path() + "/nada", "nada");
  EXPECT_EQ(ReadTextFile("~/nada"), "nada");
  WriteRaw(home.Path() + "/empty", "");
  EXPECT_EQ(ReadTextFile("~/empty"), "");
  const std::string binary("a\0b\xff", 4);
  WriteRaw(home.Path() + "/binary", binary);
  EXPECT_EQ(ReadTextFile("~/binary"), binary);

  EXPECT_EQ(ReadTextFile("~"), "nada"); // a directory

  const std::string justFits(kMaxReadableFileSize - 1, 'x');
  WriteRaw(home.Path() + "/fits", justFits);
  EXPECT_EQ(ReadTextFile("~/fits"), justFits);
  WriteRaw(home.Path() + "/huge", std::string(kMaxReadableFileSize, 'x'));
  EXPECT_EQ(ReadTextFile("~/huge"), "nada");

  ASSERT_EQ(mkfifo((home.Path() + "/fifo").c_str(), 0666), 0);
  EXPECT_EQ(ReadTextFile("~/fifo"), "nada"); // and does not block
}

TEST(FileUtilities, RemoveFileAndIsDirectory)
{
  TempHome home;
  EXPECT_FALSE(RemoveFile("~/missing"));
  ASSERT_TRUE(WriteTextFile("~/x", "1"));
  EXPECT_TRUE(RemoveFile("~/x"));
  EXPECT_EQ(ReadTextFile("~/x"), "nada");
  EXPECT_FALSE(RemoveFile("~/x"));
  EXPECT_FALSE(RemoveFile("~")); // folders are not removed

  EXPECT_TRUE(IsDirectory(home.Path()));
  EXPECT_FALSE(IsDirectory("~")); // not expanded
  EXPECT_FALSE(IsDirectory(home.Path() + "/none"));
}
