// An instance's editor open while a file renders through the instance, as in a host whose
// transport plays with the plug-in's window open.
//
// The main thread's work (the run loop with the editor's frame timer, its 20 ms timer and idle
// hook, deferred blocks and the animations of clicks; the host timer hook; the scripted input;
// pictures; the openings and closings) runs at block boundaries: at each one, first whatever
// of it is due by the block's start, then the automation due by then, then the block.
//
// Deterministic (the default): the main run loop is on its virtual clock, moved along with the
// audio; nothing of the main thread runs while blocks render or updates are delivered, so the
// same script renders the same samples and draws the same pictures. Real time: the loop runs
// on the real clock; a driver thread starts each block on the audio thread at its time on the
// file's clock, the instance is live (updates and echoes arrive while blocks render),
// automation comes from a thread of its own, and the main thread serves the editor meanwhile.
// A block that finishes after its deadline (the previous deadline, or its start when that is
// later, plus its duration) is counted as missed.
#pragma once

#include "standin/aaxhost/tool/EditorScript.h"
#include "standin/aaxhost/tool/EditorSession.h"
#include "standin/aaxhost/tool/FileRender.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace aaxhost
{
// What the host's transport does after a block boundary: plays on, jumps to a time of the
// file, or stops.
struct TransportMove
{
  enum EKind { kPlay, kLocate, kStop };
  EKind kind = kPlay;
  double time = 0.0; // kLocate: where
};

struct PlaybackScript
{
  int opens = 1; // openings spread evenly over the file; the last stays open at the end
  // Where given, the times of the closings and reopenings instead (opens is then one more).
  std::vector<double> reopenAt;
  std::vector<EditorInput> inputs; // each at its time; at equal times in the order given
  std::vector<std::pair<double, std::string>> pictures; // time, PNG file
  bool realtime = false;
  // After each opening (a host highlights a parameter, say).
  std::function<void(EditorSession&, int opening)> opened;
  // On the main thread after the main thread's work due by a block's start: deterministic,
  // at each block boundary with its time; in real time, at each turn of the main thread (about
  // every 5 ms) with the start of the block playing. Its answer moves the transport, as a
  // host's locate and stop do.
  std::function<TransportMove(double time)> boundary;
  // Each line of what was done, with its time.
  std::function<void(const std::string&)> log;
};

struct PlaybackResult
{
  bool ok = true; // every opening, closing, picture and block succeeded
  std::string error;
  size_t missedDeadlines = 0; // real time only
};

// The main run loop must be on the clock the script asks for (virtual unless real time) before
// the instance is made, since the plug-in starts its timer in its constructor: see
// PrepareHostForPlayback. Leaves the last opening open, with the main thread's work done up
// to the end of the file (or to where the transport was stopped).
PlaybackResult PlayWithEditor(EditorSession& editor, PluginInstance& instance, FileRender& render,
                              const PlaybackScript& script);
// Puts the main run loop on the virtual clock (deterministic runs) or the real one, and makes
// the Metal devices made from then on synchronous for deterministic runs; false when the loop
// refuses (timers already on it).
bool PrepareHostForPlayback(bool realtime);
// Writes the open editor's last presented frame as PNG; false with the reason.
bool WriteEditorPicture(EditorSession& editor, const std::string& file, std::string& error);
} // namespace aaxhost
