#pragma once
// An editor delegate for graphics tests: a number of parameters, a headless graphics context
// as its editor, and a record of everything the editor sends back ("begin 3", "value 3 0.5",
// "end 3", "resize 900 500 1", "midi 144 60 127").

#include <functional>
#include <string>
#include <vector>

#include "HeadlessGraphics.h"
#include "plug/IGEditorDelegate.h"

namespace testgraphics {

class TestDelegate : public plug::igraphics::IGEditorDelegate
{
public:
  // nParams blank parameters; the make-graphics function builds a HeadlessGraphics of w by h.
  explicit TestDelegate(int nParams, int w = 900, int h = 500);

  void BeginParamEditFromUI(int paramIdx) override;
  void SetParamValueFromUI(int paramIdx, double normalizedValue) override;
  void EndParamEditFromUI(int paramIdx) override;
  bool RequestEditorResize(int w, int h, bool needsHostResize) override;
  void PassMidiMsgFromUI(const plug::IMidiMsg& msg) override;

  // Opens the editor (a new HeadlessGraphics) and returns its context.
  HeadlessGraphics* Open();
  HeadlessGraphics* UI() const { return static_cast<HeadlessGraphics*>(GetUI()); }

  // The record's entries that begin with prefix.
  std::vector<std::string> LogStartingWith(const std::string& prefix) const;
  // Open gestures per parameter: begins minus ends.
  int OpenGestures(int paramIdx) const;

  std::vector<std::string> mLog;
  bool mAcceptResize = true;
  // Runs inside every resize request, as a host's code would (it may close the editor there).
  std::function<void()> mInsideResize;

private:
  int mWidth;
  int mHeight;
};

} // namespace testgraphics
