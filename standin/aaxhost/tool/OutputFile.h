// The tool's output files (saved state chunks, pictures of the editor, rendered audio). A file
// is written through an OutputStream, which checks every write and the close, or made whole in
// memory and written through WriteOutputFile. A command reports a file as written only once
// this has returned true: the file is then written, closed and in place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace aaxhost
{
// Whether `path` names the process's standard output: "-", or any name of the file it has open
// as standard output (/dev/stdout, /proc/self/fd/1, the file it was redirected to).
bool NamesStandardOutput(const std::string& path);

// Where any of `outputs` names standard output, keeps standard output for them alone: the
// output files so named are written to it, and everything the process prints from then on
// (the report, the plug-in's traces) goes to standard error. Called before any thread starts
// and before any output is written.
void KeepStandardOutputFor(const std::vector<std::string>& outputs);

// An output file written as its bytes come. A regular file, or a new one, is written to a
// temporary file beside it and renamed over it by Finish, with the old file's permission bits;
// a symbolic link to one keeps the link and its target is so replaced. Until then, and when
// anything fails, the old file is as it was and no other file is left: the temporary file is
// removed when the stream goes unfinished, and when a stop signal ends the process (see
// RemoveTemporaryOutputOnStopSignals). A regular file is never written where it is, and when
// no temporary file can be made the open fails. Only standard output (see
// KeepStandardOutputFor), a device, a FIFO, a terminal or an open file of the process
// (/dev/null) is written where it is: there a failure cannot be taken back.
// Each failure gives error "cannot write PATH: REASON" (the system's reason where it gives one).
class OutputStream
{
public:
  OutputStream() = default;
  ~OutputStream();
  OutputStream(const OutputStream&) = delete;
  OutputStream& operator=(const OutputStream&) = delete;

  bool Open(const std::string& path, std::string& error);
  // Appends the bytes.
  bool Write(const void* data, size_t size, std::string& error);
  // Whether bytes already written can be written again (WriteAt): so for a temporary file and
  // for standard output redirected to a regular file.
  bool Seekable() const { return mSeekable; }
  // Whether the output is written where it is, so that a failure cannot be taken back.
  bool InPlace() const { return mInPlace; }
  // Writes the bytes again at `offset` from the start of the output (Seekable only), where the
  // output already holds at least as many.
  bool WriteAt(uint64_t offset, const void* data, size_t size, std::string& error);
  // Flushes the file to the disk, closes it and puts it in place.
  bool Finish(std::string& error);

private:
  bool Failed(int reason, std::string& error);
  void Discard();

  std::string mPath;
  int mFd = -1;
  bool mOwnsFd = false;  // closed here (not standard output)
  bool mSeekable = false;
  bool mInPlace = false;
  uint64_t mBase = 0;    // where the output starts in the open file
  int mSlot = -1;        // the temporary file's slot for the stop signals' handler
  std::string mTemporary, mTarget;
};

// Replaces the file at `path` with `bytes`, through an OutputStream. Writes of whole files take
// turns, so that at most one temporary file of them exists.
bool WriteOutputFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error);

// Makes SIGINT, SIGTERM, SIGHUP, SIGQUIT and SIGPIPE (those not ignored when the tool starts,
// as nohup leaves SIGHUP) remove every temporary output file being written before they end the
// process as they do by default, and makes a file-size limit fail the write that passes it
// (SIGXFSZ ignored). The tool calls it first, before any thread starts. A SIGKILL cannot be
// caught: it can leave a temporary file ".tmp.PID.N" beside the old file, which it leaves as it
// was.
void RemoveTemporaryOutputOnStopSignals();

// Writes RGBA pixels (rows top to bottom, tightly packed) as a PNG file, as above.
bool WritePictureFile(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba,
                      std::string& error);
} // namespace aaxhost
