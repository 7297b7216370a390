#include "TestDelegate.h"

#include "TestControl.h"

#include <cstdio>

namespace testgraphics {

TestDelegate::TestDelegate(int nParams, int w, int h) : IGEditorDelegate(nParams), mWidth(w), mHeight(h)
{
  SetMakeGraphicsFunc([this]() { return new HeadlessGraphics(*this, mWidth, mHeight); });
}

void TestDelegate::BeginParamEditFromUI(int paramIdx)
{
  mLog.push_back("begin " + std::to_string(paramIdx));
}

void TestDelegate::SetParamValueFromUI(int paramIdx, double normalizedValue)
{
  char buf[64];
  std::snprintf(buf, sizeof(buf), "value %d %g", paramIdx, normalizedValue);
  mLog.push_back(buf);
  IGEditorDelegate::SetParamValueFromUI(paramIdx, normalizedValue);
}

void TestDelegate::EndParamEditFromUI(int paramIdx)
{
  mLog.push_back("end " + std::to_string(paramIdx));
}

bool TestDelegate::RequestEditorResize(int w, int h, bool needsHostResize)
{
  mLog.push_back("resize " + std::to_string(w) + " " + std::to_string(h) + " " + (needsHostResize ? "1" : "0"));
  const bool accept = mAcceptResize;
  if (mInsideResize)
    mInsideResize();
  return accept;
}

void TestDelegate::PassMidiMsgFromUI(const plug::IMidiMsg& msg)
{
  mLog.push_back("midi " + std::to_string(msg.mStatus) + " " + std::to_string(msg.mData1) + " " +
                 std::to_string(msg.mData2));
}

HeadlessGraphics* TestDelegate::Open()
{
  OpenEditorWindow(nullptr);
  return UI();
}

std::vector<std::string> TestDelegate::LogStartingWith(const std::string& prefix) const
{
  return StartingWith(mLog, prefix);
}

int TestDelegate::OpenGestures(int paramIdx) const
{
  return static_cast<int>(LogStartingWith("begin " + std::to_string(paramIdx)).size()) -
         static_cast<int>(LogStartingWith("end " + std::to_string(paramIdx)).size());
}

} // namespace testgraphics
