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
// The temporary files of the outputs being written, for the stop signals' handler: one slot
// for each, each slot in one of these states.
enum TemporaryState : int
{
  kNoFile,   // none exists
  kChanging, // the writing thread is making, renaming or removing it, the stop signals held
  kFile,     // the slot's path exists
  kRemoving, // a handler is removing it and ending the process
  kRemoved,  // a handler has removed it and is ending the process
};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler reads the state");
// A streamed output and a whole file written meanwhile, with room to spare.
constexpr int kSlots = 4;
std::atomic<int> gTemporaryState[kSlots]{};
char gTemporaryPath[kSlots][PATH_MAX];
std::atomic<bool> gSlotTaken[kSlots]{};
// Whole-file writes take turns.
std::mutex gWriting;

// Standard output kept for the outputs that name it (KeepStandardOutputFor), and their names.
int gStandardOutput = -1;
std::vector<std::string> gStandardOutputNames;

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE};

sigset_t StopSignals()
{
  sigset_t set;
  sigemptyset(&set);
  for (const int s : kStopSignals)
    sigaddset(&set, s);
  return set;
}

// Ends the process as the signal does by default, once every temporary output file is gone.
// Only async-signal-safe calls. On another thread a writing one may be in a step (kChanging),
// or a handler for another signal may be removing a file: it waits for them; on a writing
// thread neither can be, as the stop signals are held in its steps and in this handler.
void OnStopSignal(int signal)
{
  for (std::atomic<int>& slot : gTemporaryState)
  {
    int state = slot.load();
    for (;;)
    {
      if (state == kChanging || state == kRemoving)
        state = slot.load();
      else if (slot.compare_exchange_weak(state, kRemoving))
        break;
    }
    if (state == kFile)
      unlink(gTemporaryPath[&slot - gTemporaryState]);
    slot.store(kRemoved);
  }
  std::signal(signal, SIG_DFL);
  raise(signal); // delivered as the handler returns
}

// One step on a temporary file, taken with the stop signals held, so that the handler finds
// the file made or not, never in between.
class TemporaryStep
{
public:
  TemporaryStep(int slot, const std::string& path)
    : mSlot(slot)
  {
    const sigset_t stops = StopSignals();
    pthread_sigmask(SIG_BLOCK, &stops, &mHeld);
    std::atomic<int>& state = gTemporaryState[slot];
    for (int now = state.load();;)
    {
      // A handler on another thread is ending the process: nothing more is made or renamed.
      if (now == kRemoving || now == kRemoved)
        for (;;)
          pause();
      if (state.compare_exchange_weak(now, kChanging))
        break;
    }
    std::memcpy(gTemporaryPath[slot], path.c_str(), path.size() + 1);
  }
  void Done(bool exists)
  {
    gTemporaryState[mSlot].store(exists ? kFile : kNoFile);
    pthread_sigmask(SIG_SETMASK, &mHeld, nullptr);
  }

private:
  int mSlot;
  sigset_t mHeld{};
};

int TakeSlot()
{
  for (int s = 0; s < kSlots; ++s)
    if (!gSlotTaken[s].exchange(true))
      return s;
  return -1;
}

bool WriteAllAt(int fd, uint64_t offset, const char* data, size_t size)
{
  while (size > 0)
  {
    const ssize_t written = pwrite(fd, data, size, static_cast<off_t>(offset));
    if (written < 0)
    {
      if (errno == EINTR)
        continue;
      return false;
    }
    data += written;
    offset += static_cast<uint64_t>(written);
    size -= static_cast<size_t>(written);
  }
  return true;
}

// Where an output's bytes go.
struct Destination
{
  enum Kind
  {
    kReplace,  // `file`, a regular file or none yet, is replaced through a temporary file beside it
    kInPlace,  // the path is written where it is
    kStandard, // standard output, kept for the outputs that name it
    kRefused,  // not written, for `reason`
  };
  static Destination Replace(std::string file, int permissions = plug::kNewFilePermissions)
  {
    return {kReplace, std::move(file), permissions, 0};
  }
  static Destination InPlace() { return {kInPlace, {}, 0, 0}; }
  static Destination Standard() { return {kStandard, {}, 0, 0}; }
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
// (/dev/null) is written where it is; so is a folder, which the write refuses.
Destination DestinationOf(const std::string& path)
{
  for (const std::string& name : gStandardOutputNames)
    if (name == path)
      return Destination::Standard();
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

bool NamesStandardOutput(const std::string& path)
{
  if (path == "-")
    return true;
  struct stat out{}, named{};
  return fstat(STDOUT_FILENO, &out) == 0 && stat(path.c_str(), &named) == 0 && out.st_dev == named.st_dev &&
         out.st_ino == named.st_ino;
}

void KeepStandardOutputFor(const std::vector<std::string>& outputs)
{
  for (const std::string& path : outputs)
    if (!path.empty() && NamesStandardOutput(path))
      gStandardOutputNames.push_back(path);
  if (gStandardOutputNames.empty())
    return;
  std::fflush(stdout);
  gStandardOutput = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
  // With standard output closed, "-" fails as the write it is; the report goes on to stderr.
  dup2(STDERR_FILENO, STDOUT_FILENO);
}

OutputStream::~OutputStream() { Discard(); }

bool OutputStream::Failed(int reason, std::string& error)
{
  error = "cannot write " + mPath + (reason != 0 ? ": " + std::string(std::strerror(reason)) : "");
  Discard();
  return false;
}

// Closes what the stream opened and removes its temporary file.
void OutputStream::Discard()
{
  if (mFd >= 0 && mOwnsFd)
    close(mFd);
  mFd = -1;
  if (mSlot >= 0)
  {
    if (!mTemporary.empty())
    {
      TemporaryStep step(mSlot, mTemporary);
      unlink(mTemporary.c_str());
      step.Done(false);
    }
    gSlotTaken[mSlot].store(false);
  }
  mSlot = -1;
  mTemporary.clear();
}

bool OutputStream::Open(const std::string& path, std::string& error)
{
  Discard();
  mPath = path;
  const Destination to = DestinationOf(path);
  mInPlace = to.kind != Destination::kReplace;
  switch (to.kind)
  {
    case Destination::kRefused: return Failed(to.reason, error);
    case Destination::kStandard:
    {
      if (gStandardOutput < 0)
        return Failed(EBADF, error);
      mFd = gStandardOutput;
      mOwnsFd = false;
      // Redirected to a regular file: written from where it stands, and seekable there.
      struct stat st{};
      const off_t at = lseek(mFd, 0, SEEK_CUR);
      mSeekable = fstat(mFd, &st) == 0 && S_ISREG(st.st_mode) && at >= 0;
      mBase = mSeekable ? static_cast<uint64_t>(at) : 0;
      return true;
    }
    case Destination::kInPlace:
      mFd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
      mOwnsFd = true;
      mSeekable = false;
      return mFd >= 0 || Failed(errno, error);
    case Destination::kReplace: break;
  }

  // A name of its own in the target's folder, so that the rename stays on one file system and
  // replaces the target in one step; short, so that a target whose name is as long as a name
  // may be still has one. Made only where nothing has the name (O_EXCL, and O_NOFOLLOW for a
  // link), so that no file or link already there is written through.
  mTarget = to.file;
  const auto noTemporary = [&](int reason) {
    error = "cannot write " + path + ": no temporary file can be made beside " + (to.file == path ? "it" : to.file) +
            ": " + std::strerror(reason);
    Discard();
    return false;
  };
  mSlot = TakeSlot();
  if (mSlot < 0)
    return noTemporary(EMFILE);
  const std::string stem = FolderOf(to.file) + ".tmp." + std::to_string(getpid()) + ".";
  constexpr int kNames = 100;
  for (int n = 0; n < kNames && mFd < 0; ++n)
  {
    const std::string temporary = stem + std::to_string(n);
    if (temporary.size() >= PATH_MAX)
      return noTemporary(ENAMETOOLONG);
    TemporaryStep step(mSlot, temporary);
    mFd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    const int reason = errno;
    step.Done(mFd >= 0);
    if (mFd >= 0)
      mTemporary = temporary;
    else if (reason != EEXIST)
      return noTemporary(reason);
  }
  if (mFd < 0)
    return noTemporary(EEXIST);
  mOwnsFd = true;
  mSeekable = true;
  mBase = 0;
  if (to.permissions >= 0 && fchmod(mFd, static_cast<mode_t>(to.permissions)) != 0)
    return Failed(errno, error);
  return true;
}

bool OutputStream::Write(const void* data, size_t size, std::string& error)
{
  if (mFd < 0)
    return Failed(EBADF, error);
  return plug::WriteAllTo(mFd, static_cast<const char*>(data), size) || Failed(errno, error);
}

bool OutputStream::WriteAt(uint64_t offset, const void* data, size_t size, std::string& error)
{
  if (mFd < 0 || !mSeekable)
    return Failed(mFd < 0 ? EBADF : ESPIPE, error);
  return WriteAllAt(mFd, mBase + offset, static_cast<const char*>(data), size) || Failed(errno, error);
}

bool OutputStream::Finish(std::string& error)
{
  if (mFd < 0)
    return Failed(EBADF, error);
  if (!mOwnsFd)
  {
    mFd = -1;
    return true;
  }
  // On the disk before the rename: after a crash the path holds the old content or the new.
  // A failed close can mean lost data (delayed write errors).
  const bool synced = mTemporary.empty() || fsync(mFd) == 0;
  const int syncReason = errno;
  const bool closed = close(mFd) == 0;
  const int closeReason = errno;
  mFd = -1;
  if (!synced || !closed)
    return Failed(!synced ? syncReason : closeReason, error);
  if (mTemporary.empty())
    return true;
  TemporaryStep step(mSlot, mTemporary);
  const bool renamed = rename(mTemporary.c_str(), mTarget.c_str()) == 0;
  const int reason = errno;
  if (!renamed)
    unlink(mTemporary.c_str());
  step.Done(false);
  mTemporary.clear();
  return renamed || Failed(reason, error);
}

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
  OutputStream stream;
  return stream.Open(path, error) && stream.Write(bytes.data(), bytes.size(), error) && stream.Finish(error);
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
