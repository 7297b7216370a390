#include "standin/aaxhost/tool/OutputFile.h"

#include "plug/WholeFileWriter.h"
#include "standin/metal/QuartzCore.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <mutex>
#include <utility>

#include <fcntl.h>
#include <linux/magic.h>
#include <pthread.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace aaxhost
{
namespace
{
// The temporary file of the output being written, for the stop signals' handler. There is at
// most one: writes take turns (gWriting).
enum TemporaryState : int
{
  kNoFile,   // none exists
  kChanging, // the writing thread is making, renaming or removing it, the stop signals held
  kFile,     // gTemporaryPath exists
  kRemoving, // a handler is removing it and ending the process
  kRemoved,  // a handler has removed it and is ending the process
};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler reads the state");
std::atomic<int> gTemporaryState{kNoFile};
char gTemporaryPath[PATH_MAX];
std::mutex gWriting;

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

sigset_t StopSignals()
{
  sigset_t set;
  sigemptyset(&set);
  for (const int s : kStopSignals)
    sigaddset(&set, s);
  return set;
}

// Ends the process as the signal does by default, once the temporary output file is gone. Only
// async-signal-safe calls. On another thread the writing one may be in a step (kChanging), or
// a handler for another signal may be removing the file: it waits for them; on the writing
// thread neither can be, as the stop signals are held in its steps and in this handler.
void OnStopSignal(int signal)
{
  int state = gTemporaryState.load();
  for (;;)
  {
    if (state == kChanging || state == kRemoving)
      state = gTemporaryState.load();
    else if (gTemporaryState.compare_exchange_weak(state, kRemoving))
      break;
  }
  if (state == kFile)
    unlink(gTemporaryPath);
  gTemporaryState.store(kRemoved);
  std::signal(signal, SIG_DFL);
  raise(signal); // delivered as the handler returns
}

// Follows one ReplaceWholeFile for the handler: each step on the temporary file is taken with
// the stop signals held, so that the handler finds it made or not, never in between.
class TemporaryOutput final : public plug::TemporaryFileWatch
{
public:
  void Changing(const char* temporaryPath) override
  {
    const sigset_t stops = StopSignals();
    pthread_sigmask(SIG_BLOCK, &stops, &mHeld);
    for (int state = gTemporaryState.load();;)
    {
      // A handler on another thread is ending the process: nothing more is made or renamed.
      if (state == kRemoving || state == kRemoved)
        for (;;)
          pause();
      if (gTemporaryState.compare_exchange_weak(state, kChanging))
        break;
    }
    std::memcpy(gTemporaryPath, temporaryPath, std::strlen(temporaryPath) + 1);
  }

  void Changed(bool exists) override
  {
    gTemporaryState.store(exists ? kFile : kNoFile);
    pthread_sigmask(SIG_SETMASK, &mHeld, nullptr);
  }

private:
  sigset_t mHeld{};
};

bool Failed(const std::string& path, int reason, std::string& error)
{
  error = "cannot write " + path + (reason != 0 ? ": " + std::string(std::strerror(reason)) : "");
  return false;
}

// Where WriteOutputFile puts the bytes.
struct Destination
{
  enum Kind
  {
    kReplace, // `file`, a regular file or none yet, is replaced through a temporary file beside it
    kInPlace, // the path is written where it is
    kRefused, // not written, for `reason`
  };
  static Destination Replace(std::string file, int permissions = plug::kNewFilePermissions)
  {
    return {kReplace, std::move(file), permissions, 0};
  }
  static Destination InPlace() { return {kInPlace, {}, 0, 0}; }
  static Destination Refused(int reason) { return {kRefused, {}, 0, reason}; }

  Kind kind;
  std::string file;
  int permissions;
  int reason;
};

std::string FolderOf(const std::string& path)
{
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// A link in /proc names an open file of the process, as /dev/stdout does through /dev/fd.
bool NamesAnOpenFile(const std::string& link)
{
  const std::string folder = FolderOf(link);
  struct statfs fs{};
  return statfs(folder.empty() ? "." : folder.c_str(), &fs) == 0 && fs.f_type == PROC_SUPER_MAGIC;
}

// A regular file, or none yet, is replaced; so is the regular file (or none yet) a symbolic
// link leads to, the links kept. A device, a FIFO, a terminal or an open file of the process
// (/dev/stdout, /dev/null) is written where it is; so is a folder, which the write refuses.
Destination DestinationOf(const std::string& path)
{
  std::string file = path;
  for (int links = 0;; ++links)
  {
    struct stat st{};
    if (lstat(file.c_str(), &st) != 0)
      return errno == ENOENT ? Destination::Replace(file) : Destination::Refused(errno);
    if (S_ISREG(st.st_mode))
    {
      // A file the user may not write is refused, not replaced.
      if (faccessat(AT_FDCWD, file.c_str(), W_OK, AT_EACCESS) != 0)
        return Destination::Refused(errno);
      return Destination::Replace(file, static_cast<int>(st.st_mode & 0777));
    }
    if (!S_ISLNK(st.st_mode) || NamesAnOpenFile(file))
      return Destination::InPlace();
    struct stat to{};
    if (stat(file.c_str(), &to) == 0)
    {
      if (!S_ISREG(to.st_mode))
        return Destination::InPlace();
    }
    else if (errno != ENOENT)
      return Destination::Refused(errno);
    char target[PATH_MAX];
    const ssize_t length = links < 40 ? readlink(file.c_str(), target, sizeof target) : (errno = ELOOP, -1);
    if (length < 0 || static_cast<size_t>(length) == sizeof target)
      return Destination::Refused(length < 0 ? errno : ENAMETOOLONG);
    const std::string text(target, size_t(length));
    file = text[0] == '/' ? text : FolderOf(file) + text;
  }
}
} // namespace

void RemoveTemporaryOutputOnStopSignals()
{
  struct sigaction action{};
  action.sa_handler = OnStopSignal;
  action.sa_mask = StopSignals();
  for (const int s : kStopSignals)
  {
    // A signal ignored from the start (as nohup leaves SIGHUP) stays ignored.
    struct sigaction was{};
    if (sigaction(s, nullptr, &was) == 0 && was.sa_handler != SIG_IGN)
      sigaction(s, &action, nullptr);
  }
  // A file-size limit fails the write that passes it (EFBIG) rather than ending the process.
  std::signal(SIGXFSZ, SIG_IGN);
}

bool WriteOutputFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error)
{
  const std::lock_guard<std::mutex> writing(gWriting);
  const Destination to = DestinationOf(path);
  if (to.kind == Destination::kRefused)
    return Failed(path, to.reason, error);
  if (to.kind == Destination::kInPlace)
  {
    errno = 0;
    return plug::WriteWholeFile(path.c_str(), "wb", bytes.data(), bytes.size()) || Failed(path, errno, error);
  }
  TemporaryOutput watch;
  switch (plug::ReplaceWholeFile(to.file.c_str(), bytes.data(), bytes.size(), to.permissions, &watch))
  {
    case plug::FileReplacement::kReplaced: return true;
    case plug::FileReplacement::kFailed: return Failed(path, errno, error);
    case plug::FileReplacement::kNoTemporaryFile: break;
  }
  error = "cannot write " + path + ": no temporary file can be made beside " + (to.file == path ? "it" : to.file) +
          ": " + std::strerror(errno);
  return false;
}

bool WritePictureFile(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba,
                      std::string& error)
{
  std::vector<uint8_t> png;
  if (width <= 0 || height <= 0 || rgba.size() != size_t(width) * size_t(height) * 4)
    return error = "cannot write " + path + ": no picture", false;
  if (!standin::ca::EncodePNG(width, height, rgba.data(), png))
    return error = "cannot write " + path + ": not enough memory to encode the picture", false;
  return WriteOutputFile(path, png, error);
}
} // namespace aaxhost
