#include "standin/foundation/CoreFoundation.h"
#include "standin/foundation/Dispatch.h"
#include "standin/foundation/PropertyList.h"
#include "standin/foundation/RegularFile.h"
#include "standin/foundation/RunLoop.h"
#include "standin/foundation/Unicode.h"
#include "tests/standin/StandinTesting.h"
#include "tests/support/ReturnsInTime.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

using standin::RuntimeClass;

// A class registered with the runtime under the per-build name, as the plug-in's views are.
class PLUG_OBJC_CLASS(TestView) : public NSObject
{
  STANDIN_OBJECT_CLASS()

  explicit PLUG_OBJC_CLASS(TestView)(std::vector<const char*>* log = nullptr, standin::RuntimeClass& cls = Class())
    : NSObject(cls), mLog(log)
  {
  }
  ~PLUG_OBJC_CLASS(TestView)() override
  {
    if (mLog)
      mLog->push_back("freed");
  }

private:
  std::vector<const char*>* mLog;
};
using TestView = PLUG_OBJC_CLASS(TestView);
STANDIN_DEFINE_CLASS(PLUG_OBJC_CLASS(TestView), NSObject)

namespace {

using standintest::FaultCounter;
using standintest::WriteText;

std::string Str(const NSString* s) { return s ? s->UTF8String() : "(null)"; }
NSString* S(const char* text) { return NSString::stringWithUTF8String(text); }


std::string InfoPlist(const std::string& identifier, const std::string& executable)
{
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
         "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n<plist version=\"1.0\">\n<dict>\n"
         "  <key>CFBundleIdentifier</key><string>" + identifier + "</string>\n"
         "  <key>CFBundleExecutable</key><string>" + executable + "</string>\n</dict>\n</plist>\n";
}

} // namespace

TEST(ObjectRuntime, RegistryKeepsOneClassPerNameAndCountsLiveObjectsByClass)
{
  EXPECT_STREQ(TestView::Class().Name(), "TestView_vVellicor_aax");
  EXPECT_EQ(RuntimeClass::Find("TestView_vVellicor_aax"), &TestView::Class());
  EXPECT_TRUE(TestView::Class().IsSubclassOf(NSObject::Class()));

  // A second class of the same name (another plug-in built without its own suffix) is refused.
  RuntimeClass& twin = RuntimeClass::Create("TestView_vVellicor_aax", &NSObject::Class());
  EXPECT_FALSE(twin.IsRegistered());
  EXPECT_TRUE(TestView::Class().IsRegistered());
  EXPECT_EQ(RuntimeClass::Find("TestView_vVellicor_aax"), &TestView::Class());
  // Once the first leaves (its module unloads) the name is free again.
  RuntimeClass& other = RuntimeClass::Create("Unloading_vVellicor_aax", &NSObject::Class());
  RuntimeClass::Unregister(other);
  EXPECT_EQ(RuntimeClass::Find("Unloading_vVellicor_aax"), nullptr);

  // Objects count under their most derived class while they live.
  const long objects = NSObject::Class().LiveCount();
  std::vector<const char*> log;
  TestView* view = new TestView(&log);
  EXPECT_EQ(TestView::Class().LiveCount(), 1);
  EXPECT_EQ(NSObject::Class().LiveCount(), objects);
  Retained(view);
  EXPECT_EQ(view->retainCount(), 2);
  view->release();
  EXPECT_TRUE(log.empty());
  view->release();
  EXPECT_EQ(log, std::vector<const char*>{"freed"});
  EXPECT_EQ(TestView::Class().LiveCount(), 0);
}

TEST(ObjectRuntime, AutoreleasePoolsNestAndDrainWhatDrainingAutoreleases)
{
  std::vector<const char*> log;
  const long arrays = NSArray::Class().LiveCount();
  {
    NSAutoreleasePool outer;
    Autoreleased(new TestView(&log));
    {
      NSAutoreleasePool inner;
      // An array autoreleased here holds the only reference to its view once the pool drains
      // the view: the array goes first, then the view it released.
      TestView* view = new TestView(&log);
      Autoreleased(new NSArray({view}));
      Autoreleased(view);
      EXPECT_EQ(inner.Count(), 2);
    }
    EXPECT_EQ(log.size(), 1u) << "the inner pool freed its view";
    EXPECT_EQ(outer.Count(), 1);
  }
  EXPECT_EQ(log.size(), 2u);
  EXPECT_EQ(TestView::Class().LiveCount(), 0);
  EXPECT_EQ(NSArray::Class().LiveCount(), arrays);

  // Without a pool the object leaks, as on the platform, and the count says so.
  const long orphans = standin::AutoreleasedWithoutPool();
  TestView* orphan = Autoreleased(new TestView);
  EXPECT_EQ(standin::AutoreleasedWithoutPool(), orphans + 1);
  orphan->release();
}

TEST(ObjectRuntime, NullWhereAnObjectIsExpectedAndReleasingTooOftenArePlatformFaults)
{
  FaultCounter faults;
  CFRelease(nullptr);
  CFRetain(nullptr);
  dispatch_release(nullptr);
  EXPECT_EQ(faults.Count(), 3);
  // Every getter dereferences its object; each answers empty after the fault.
  EXPECT_EQ(CFArrayGetCount(nullptr), 0);
  EXPECT_EQ(CFArrayGetValueAtIndex(nullptr, 0), nullptr);
  EXPECT_EQ(CFDictionaryGetCount(nullptr), 0);
  EXPECT_EQ(CFDictionaryGetValue(nullptr, nullptr), nullptr);
  EXPECT_EQ(CFSetGetCount(nullptr), 0);
  EXPECT_FALSE(CFSetContainsValue(nullptr, nullptr));
  EXPECT_EQ(CFDataGetBytePtr(nullptr), nullptr);
  EXPECT_EQ(CFDataGetLength(nullptr), 0);
  char buffer[8];
  EXPECT_FALSE(CFStringGetCString(nullptr, buffer, sizeof buffer, kCFStringEncodingUTF8));
  EXPECT_EQ(CFURLCopyFileSystemPath(nullptr, kCFURLPOSIXPathStyle), nullptr);
  EXPECT_EQ(CFGetRetainCount(nullptr), 0);
  EXPECT_EQ(faults.Count(), 14);

  const long strings = NSString::Class().LiveCount();
  CFStringRef text = CFStringCreateWithCString(kCFAllocatorDefault, "x", kCFStringEncodingUTF8);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(NSString::Class().LiveCount(), strings + 1);
  CFRetain(text);
  CFRelease(text);
  CFRelease(text);
  EXPECT_EQ(faults.Count(), 14);
  EXPECT_EQ(NSString::Class().LiveCount(), strings);
}

TEST(FoundationStrings, NullTextRaisesTextThatIsNotUTF8IsNilAndFileURLsArePercentEncoded)
{
  NSAutoreleasePool pool;
  try
  {
    NSString::stringWithUTF8String(nullptr);
    ADD_FAILURE() << "a null text must raise";
  }
  catch (const NSException& exception)
  {
    EXPECT_STREQ(exception.name(), NSInvalidArgumentException);
  }
  // A bad continuation, an overlong slash, a surrogate, a value beyond Unicode, a cut sequence.
  for (const char* bad : {"a\xC3\x28", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "ok\xE2\x82"})
  {
    EXPECT_EQ(NSString::stringWithUTF8String(bad), nullptr) << bad;
    EXPECT_EQ(CFStringCreateWithCString(kCFAllocatorDefault, bad, kCFStringEncodingUTF8), nullptr) << bad;
  }
  ASSERT_NE(NSString::stringWithUTF8String("\xC3\xA9\xF0\x9F\x8E\xB8"), nullptr);

  const NSURL* file = NSURL::fileURLWithPath(NSString::stringWithUTF8String("/tmp/Lead Vocal #2/\xC3\xA9t\xC3\xA9?.wav"), false);
  EXPECT_EQ(file->absoluteString()->Text(), "file:///tmp/Lead%20Vocal%20%232/%C3%A9t%C3%A9%3F.wav");
  EXPECT_EQ(file->path()->Text(), "/tmp/Lead Vocal #2/\xC3\xA9t\xC3\xA9?.wav");
  const NSURL* back = NSURL::URLWithString(file->absoluteString());
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->path()->Text(), file->path()->Text());
  EXPECT_EQ(NSURL::fileURLWithPath(NSString::stringWithUTF8String("/a-b_c.d~/x(1)+y=z"), true)->absoluteString()->Text(),
            "file:///a-b_c.d~/x(1)+y=z/");
}

TEST(FoundationStrings, PathOperationsFollowThePlatformRules)
{
  NSAutoreleasePool pool;
  struct Case
  {
    const char* path;
    const char* extension;
    const char* last;
    const char* withoutExtension;
    const char* parent;
  };
  const Case cases[] = {
    {"/tmp/scratch.tiff", "tiff", "scratch.tiff", "/tmp/scratch", "/tmp"},
    {"img/knob.png", "png", "knob.png", "img/knob", "img"},
    {"/tmp/lock/", "", "lock", "/tmp/lock", "/tmp"},
    {"archive.tar.gz", "gz", "archive.tar.gz", "archive.tar", ""},
    {".png", "", ".png", ".png", ""},
    {"a.b/c", "", "c", "a.b/c", "a.b"},
    {"Roboto-Regular", "", "Roboto-Regular", "Roboto-Regular", ""},
    {"/", "", "/", "/", "/"},
    {"", "", "", "", ""},
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.path);
    const NSString* path = S(c.path);
    EXPECT_EQ(Str(path->pathExtension()), c.extension);
    EXPECT_EQ(Str(path->lastPathComponent()), c.last);
    EXPECT_EQ(Str(path->stringByDeletingPathExtension()), c.withoutExtension);
    EXPECT_EQ(Str(path->stringByDeletingLastPathComponent()), c.parent);
  }
  EXPECT_EQ(Str(S("/tmp")->stringByAppendingPathComponent(S("scratch.tiff"))), "/tmp/scratch.tiff");
  EXPECT_EQ(Str(S("/tmp/")->stringByAppendingPathComponent(S("/x/"))), "/tmp/x");
  EXPECT_EQ(Str(S("/")->stringByAppendingPathComponent(S("x"))), "/x");
  EXPECT_EQ(Str(S("")->stringByAppendingPathComponent(S("x"))), "x");
  EXPECT_EQ(Str(S("/tmp/scratch.old")->stringByAppendingPathExtension(S("tiff"))), "/tmp/scratch.old.tiff");
  EXPECT_EQ(Str(S("/tmp/")->stringByAppendingPathExtension(S("tiff"))), "/tmp.tiff");
  EXPECT_EQ(S("/")->stringByAppendingPathExtension(S("tiff")), nullptr);
  EXPECT_EQ(S("aé𝄞")->length(), 4u) << "UTF-16 units";
  EXPECT_EQ(S("aé𝄞")->characterAtIndex(3), 0xDD1E);
  EXPECT_EQ(Str(NSString::stringWithUTF8String(standin::Utf16ToUtf8(S("aé𝄞")->UTF16()).c_str())), "aé𝄞");
  EXPECT_EQ(standin::Utf8ToUtf16("a\xC3\xC0\xED\xA0\x80z"), u"a\uFFFD\uFFFD\uFFFD\uFFFD\uFFFDz") << "broken, overlong, surrogate";
  EXPECT_EQ(S(" -42x")->intValue(), -42);
  EXPECT_EQ(S("99999999999")->intValue(), INT_MAX);
  EXPECT_EQ(S("1.5")->intValue(), 1);
  EXPECT_EQ(S(".")->intValue(), 0);
  EXPECT_EQ(S("2.5e1")->doubleValue(), 25.0);
  const NSArray* pieces = S("wav  aif")->componentsSeparatedByString(S(" "));
  ASSERT_EQ(pieces->count(), 3u);
  EXPECT_EQ(standin::TextOf(pieces->objectAtIndex(1)), "");
  EXPECT_TRUE(pieces->containsObject(S("aif")));
  EXPECT_EQ(S("")->componentsSeparatedByString(S(" "))->count(), 1u);

  testsupport::TempDir home;
  standin::SetHomeDirectory(home.Path());
  EXPECT_EQ(Str(S("~/Music/")->stringByExpandingTildeInPath()), home.Path() + "/Music");
  EXPECT_EQ(Str(S("~")->stringByExpandingTildeInPath()), home.Path());
  EXPECT_EQ(Str(S("~other/x")->stringByExpandingTildeInPath()), "~other/x");
  standin::SetHomeDirectory("");
}

TEST(FoundationPropertyLists, ReadsEveryValueKindAndRefusesEveryDamagedPrefix)
{
  const std::string text =
    "<?xml version=\"1.0\"?>\n<!-- cursor -->\n<plist version=\"1.0\"><dict>\n"
    "<key>hotx-scaled</key><real> 7.5 </real>\n<key>count</key><integer>-3</integer>\n"
    "<key>on</key><true/><key>off</key><false/>\n"
    "<key>shadowcolor</key><array><real>0</real><real>0.25</real><integer>1</integer><real>1e0</real></array>\n"
    "<key>name</key><string>a &amp; &lt;b&gt; &#x41;&#66;</string><key>empty</key><string/>\n"
    "<key>blob</key><data>AAEC/w==</data><key>nested</key><dict><key>k</key><array/></dict>\n"
    "</dict></plist>\n";
  NSAutoreleasePool pool;
  NSObject* top = standin::ReadPropertyList(text.data(), text.size());
  auto* dict = dynamic_cast<NSDictionary*>(top);
  ASSERT_NE(dict, nullptr);
  Autoreleased(top);
  EXPECT_EQ(dict->count(), 9u);
  const auto number = [&](const char* key) { return dynamic_cast<const NSNumber*>(dict->objectForKey(key)); };
  EXPECT_EQ(number("hotx-scaled")->doubleValue(), 7.5);
  EXPECT_EQ(number("count")->intValue(), -3);
  EXPECT_TRUE(number("on")->boolValue());
  EXPECT_FALSE(number("off")->boolValue());
  const auto* colour = dynamic_cast<const NSArray*>(dict->objectForKey("shadowcolor"));
  ASSERT_NE(colour, nullptr);
  ASSERT_EQ(colour->count(), 4u);
  EXPECT_EQ(dynamic_cast<const NSNumber*>(colour->objectAtIndex(1))->doubleValue(), 0.25);
  EXPECT_EQ(dynamic_cast<const NSNumber*>(colour->objectAtIndex(2))->doubleValue(), 1.0);
  EXPECT_EQ(standin::TextOf(dict->objectForKey("name")), "a & <b> AB");
  EXPECT_EQ(standin::TextOf(dict->objectForKey("empty")), "");
  const auto* blob = dynamic_cast<const NSData*>(dict->objectForKey("blob"));
  ASSERT_NE(blob, nullptr);
  EXPECT_EQ(std::vector<uint8_t>(static_cast<const uint8_t*>(blob->bytes()), static_cast<const uint8_t*>(blob->bytes()) + blob->length()),
            (std::vector<uint8_t>{0, 1, 2, 255}));

  // Every cut of the document before its closing tag is refused, read in an exact-size copy.
  const size_t end = text.rfind("</plist>");
  for (size_t n = 0; n < end; ++n)
  {
    const std::vector<char> prefix(text.begin(), text.begin() + static_cast<long>(n));
    NSObject* partial = standin::ReadPropertyList(prefix.data(), prefix.size());
    EXPECT_EQ(partial, nullptr) << "prefix of " << n << " bytes";
    if (partial)
      partial->release();
  }
  for (const char* bad : {"<plist><integer>12x</integer></plist>", "<plist><dict><string>k</string></dict></plist>",
                          "<plist><string>&bogus;</string></plist>", "<plist><data>A</data></plist>"})
    EXPECT_EQ(standin::ReadPropertyList(bad, std::strlen(bad)), nullptr) << bad;
  std::string deep;
  for (int i = 0; i < 1000; ++i)
    deep += "<array>";
  EXPECT_EQ(standin::ReadPropertyList(deep.data(), deep.size()), nullptr);
}

TEST(FoundationFiles, WhatIsNoRegularFileIsRefusedAtOnceAndAFilePastItsBoundWhole)
{
  // The stand-ins' readers of outside files (fonts, images, property lists) open through one
  // helper. Nobody writes the FIFO: a reader that waited for a writer would never return.
  testsupport::TempDir dir;
  const std::string fifo = dir.File("Info.plist");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  int refused = -1;
  EXPECT_TRUE(testsupport::ReturnsInTime(10.0, [&]() { return standin::ReadPropertyListFile(fifo) == nullptr ? 1 : 0; },
                                         &refused));
  EXPECT_EQ(refused, 1);

  const std::string text = "<plist><integer>7</integer></plist>";
  std::ofstream(dir.File("seven.plist"), std::ios::binary) << text;
  std::string read;
  EXPECT_TRUE(standin::ReadRegularFile(dir.File("seven.plist").c_str(), text.size(), read));
  EXPECT_EQ(read, text);
  std::vector<uint8_t> bytes{1, 2, 3};
  EXPECT_FALSE(standin::ReadRegularFile(dir.File("seven.plist").c_str(), text.size() - 1, bytes)) << "not cut";
  EXPECT_TRUE(bytes.empty());
  EXPECT_FALSE(standin::ReadRegularFile(dir.Path().c_str(), SIZE_MAX, bytes)) << "a folder";
  EXPECT_FALSE(standin::ReadRegularFile(dir.File("missing").c_str(), SIZE_MAX, bytes));
  EXPECT_FALSE(standin::ReadRegularFile(nullptr, SIZE_MAX, bytes));
  standin::RegularFile file;
  EXPECT_FALSE(file.Open(fifo.c_str(), SIZE_MAX));
  EXPECT_FALSE(file.IsOpen());
  ASSERT_TRUE(file.Open(dir.File("seven.plist").c_str(), text.size()));
  EXPECT_EQ(file.Size(), text.size());
  // A file that shrank since it was opened is not read as if whole.
  ASSERT_EQ(truncate(dir.File("seven.plist").c_str(), 3), 0);
  std::vector<char> out(text.size());
  EXPECT_FALSE(file.ReadAll(out.data()));
}

TEST(FoundationBundles, BundlesAreFoundByPathThenByIdentifier)
{
  testsupport::TempDir dir;
  const std::string bundle = dir.File("Tool.aaxplugin");
  WriteText(bundle + "/Contents/Info.plist", InfoPlist("com.example.tool", "Tool"));
  WriteText(bundle + "/Contents/x86_64-linux/Tool.so", "");
  std::filesystem::create_directories(bundle + "/Contents/Resources");
  const std::string flat = dir.File("Flat.bundle");
  WriteText(flat + "/Info.plist", InfoPlist("com.example.flat", "Flat"));

  NSAutoreleasePool pool;
  EXPECT_EQ(NSBundle::bundleWithIdentifier(S("com.example.tool")), nullptr) << "not known until opened";
  NSBundle* opened = NSBundle::bundleWithPath(S((bundle + "/").c_str()));
  ASSERT_NE(opened, nullptr);
  EXPECT_EQ(NSBundle::bundleWithIdentifier(S("com.example.tool")), opened);
  EXPECT_EQ(NSBundle::bundleWithPath(S(bundle.c_str())), opened) << "one object per folder";
  EXPECT_EQ(Str(opened->bundlePath()), bundle);
  EXPECT_EQ(Str(opened->resourcePath()), bundle + "/Contents/Resources");
  EXPECT_EQ(Str(opened->executablePath()), bundle + "/Contents/x86_64-linux/Tool.so");
  EXPECT_EQ(Str(opened->bundleIdentifier()), "com.example.tool");

  NSBundle* flatBundle = NSBundle::bundleWithPath(S(flat.c_str()));
  ASSERT_NE(flatBundle, nullptr);
  EXPECT_EQ(Str(flatBundle->resourcePath()), flat);
  EXPECT_EQ(flatBundle->executablePath(), nullptr);
  EXPECT_EQ(NSBundle::bundleWithPath(S(dir.File("missing").c_str())), nullptr);
  EXPECT_EQ(NSBundle::bundleWithIdentifier(S("")), nullptr);

  // The main bundle is the test program's folder; its identifier can be set for tests.
  NSBundle* main = NSBundle::mainBundle();
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(main->bundleIdentifier(), nullptr);
  standin::SetMainBundleIdentifier("com.example.host.AUv3");
  EXPECT_EQ(Str(main->bundleIdentifier()), "com.example.host.AUv3");
  standin::SetMainBundleIdentifier("");
}

TEST(FoundationFolders, SearchPathsFileManagerAndProcessFollowTheSeams)
{
  testsupport::TempDir home;
  standin::SetHomeDirectory(home.Path());
  NSAutoreleasePool pool;
  const auto first = [](NSSearchPathDirectory d, unsigned domains, bool expand) {
    return standin::TextOf(NSSearchPathForDirectoriesInDomains(d, domains, expand)->firstObject());
  };
  EXPECT_EQ(first(NSMusicDirectory, NSUserDomainMask, true), home.Path() + "/Music");
  EXPECT_EQ(first(NSMusicDirectory, NSUserDomainMask, false), "~/Music");
  EXPECT_EQ(first(NSApplicationSupportDirectory, NSSystemDomainMask, true), "/System/Library/Application Support");
  EXPECT_EQ(first(NSLibraryDirectory, NSLocalDomainMask, true), "/Library");
  EXPECT_EQ(NSSearchPathForDirectoriesInDomains(NSDesktopDirectory, NSLocalDomainMask, true)->count(), 0u);
  EXPECT_EQ(NSSearchPathForDirectoriesInDomains(NSLibraryDirectory, NSAllDomainsMask, true)->count(), 4u);
  EXPECT_EQ(Str(NSHomeDirectory()), home.Path());

  NSFileManager* files = NSFileManager::defaultManager();
  bool isDirectory = false;
  EXPECT_TRUE(files->fileExistsAtPath(S(home.Path().c_str()), &isDirectory));
  EXPECT_TRUE(isDirectory);
  EXPECT_FALSE(files->fileExistsAtPath(S(home.File("none").c_str())));
  EXPECT_FALSE(files->fileExistsAtPath(nullptr));
  EXPECT_EQ(Str(files->containerURLForSecurityApplicationGroupIdentifier(S("group.x"))->path()),
            home.Path() + "/Library/Group Containers/group.x");
  EXPECT_EQ(files->containerURLForSecurityApplicationGroupIdentifier(S("")), nullptr);

  standin::SetProcessName("AU XPC Service");
  EXPECT_EQ(Str(NSProcessInfo::processInfo()->processName()), "AU XPC Service");
  standin::SetProcessName("");
  EXPECT_EQ(Str(NSProcessInfo::processInfo()->processName()), "foundation_standin_tests");
  standin::SetHomeDirectory("");

  // A URL of the "file:" kind has a path; percent escapes are decoded.
  const NSURL* url = NSURL::URLWithString(S("file:///Library/My%20Cursors/info.plist"));
  EXPECT_EQ(Str(url->path()), "/Library/My Cursors/info.plist");
  EXPECT_EQ(NSURL::URLWithString(S("https://example.com/x"))->path(), nullptr);
}

TEST(Dispatch, SemaphoresCountTimeOutAndHandOverBetweenThreads)
{
  dispatch_semaphore_t semaphore = dispatch_semaphore_create(1);
  EXPECT_EQ(dispatch_semaphore_wait(semaphore, DISPATCH_TIME_NOW), 0);
  EXPECT_NE(dispatch_semaphore_wait(semaphore, DISPATCH_TIME_NOW), 0);
  EXPECT_NE(dispatch_semaphore_wait(semaphore, dispatch_time(DISPATCH_TIME_NOW, 2 * NSEC_PER_MSEC)), 0);
  EXPECT_EQ(semaphore->Value(), 0) << "a waiter that timed out gives its place back";

  // Frames in flight: the producer may run at most one ahead of the consumer.
  std::atomic<int> produced{0};
  std::atomic<int> maxAhead{0};
  std::atomic<int> consumed{0};
  std::thread consumer([&] {
    for (int i = 0; i < 200; ++i)
    {
      while (produced.load() <= i)
        std::this_thread::yield();
      consumed.fetch_add(1);
      dispatch_semaphore_signal(semaphore);
    }
  });
  for (int i = 0; i < 200; ++i)
  {
    if (i > 0)
    {
      ASSERT_EQ(dispatch_semaphore_wait(semaphore, DISPATCH_TIME_FOREVER), 0);
    }
    maxAhead = std::max(maxAhead.load(), i + 1 - consumed.load());
    produced.fetch_add(1);
  }
  consumer.join();
  EXPECT_EQ(maxAhead.load(), 1);

  {
    FaultCounter faults;
    dispatch_release(semaphore); // its value is 1 again: no fault
    dispatch_semaphore_t busy = dispatch_semaphore_create(2);
    dispatch_semaphore_wait(busy, DISPATCH_TIME_FOREVER);
    dispatch_release(busy);
    EXPECT_EQ(faults.Count(), 1) << "destroyed below its initial value";
  }
  EXPECT_EQ(standin::DispatchSemaphore::Class().LiveCount(), 0);
}

TEST(Dispatch, MainQueueBlocksRunInOrderOnTheLoopsThreadOneTurnLater)
{
  standin::RunLoop& loop = standin::RunLoop::Main();
  std::vector<std::string> log;
  int owner = 0;
  dispatch_async(dispatch_get_main_queue(), [&] {
    log.push_back("a");
    dispatch_async(dispatch_get_main_queue(), [&] { log.push_back("c"); });
  });
  dispatch_async(dispatch_get_main_queue(), [&] { log.push_back("b"); });
  loop.PerformBlock([&] { log.push_back("cancelled"); }, &owner);
  EXPECT_TRUE(log.empty()) << "nothing runs before the loop turns";
  EXPECT_EQ(loop.CancelBlocks(&owner), 1u);

  EXPECT_EQ(loop.RunDue(), 2u);
  EXPECT_EQ(log, (std::vector<std::string>{"a", "b"})) << "a block queued by a block waits for the next turn";
  EXPECT_EQ(loop.RunDue(), 1u);
  EXPECT_EQ(log.back(), "c");

  // A block queued from another thread wakes a loop that waits on the real clock.
  std::atomic<bool> ran{false};
  std::thread::id ranOn;
  std::thread other([&] { dispatch_async(dispatch_get_main_queue(), [&] { ranOn = std::this_thread::get_id(); ran = true; loop.Stop(); }); });
  loop.RunForMs(5000);
  other.join();
  EXPECT_TRUE(ran.load());
  EXPECT_EQ(ranOn, std::this_thread::get_id());
  EXPECT_EQ(loop.PendingBlockCount(), 0u);
}

TEST(Dispatch, BlocksThatKeepQueueingBlocksDoNotHoldAVirtualLoop)
{
  standin::RunLoop loop(standin::RunLoop::EClock::kVirtual);
  int runs = 0;
  std::function<void()> again = [&] {
    ++runs;
    loop.PerformBlock(again);
  };
  loop.PerformBlock(again);
  loop.RunForMs(10);
  EXPECT_GT(runs, 1);
  EXPECT_EQ(loop.PendingBlockCount(), 1u);
  loop.CancelBlocks(nullptr);
}
