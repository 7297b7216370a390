#pragma once
// A plug-in built on the plug-in base for tests: it records the hooks the base calls, in
// order, and can be set up with the 33 mixed parameters and 30 presets the preset-file
// tests use.

#include <string>
#include <vector>

#include "plug/IPluginBase.h"
#include "plug/IPluginConfig.h"

namespace testplug {

class TestPlugin : public plug::IPluginBase
{
public:
  TestPlugin(int nParams, int nPresets, int uniqueID = plug::FourCharCode('T', 's', 't', '1'));

  void SetStateChunks(bool on) { mStateChunks = on; }
  void SetUniqueID(int id) { mUniqueID = id; }
  void SetVersion(int packed) { mVersion = packed; }
  void SetHostVersion(int packed) { mHostVersion = packed; }
  void SetAPI(plug::EPluginAPI api) { mAPI = api; }
  void SetCurrentPresetIdx(int idx) { mCurrentPresetIdx = idx; }

  // Every hook call as one text: "change 3 2" (HandleParamChange index source),
  // "ui 3 4" (OnParamChangeUI), "preset", "restored", "closing", "begin 3", "end 3",
  // "resize 900 500 1".
  std::vector<std::string> mLog;
  bool mLogging = false;
  // Values of parameter mWatchIdx seen by OnParamChangeUI (shows the value was stored first).
  int mWatchIdx = -1;
  std::vector<double> mWatched;
  // When set, OnEditorClosing asks to close the editor again.
  bool mNestedClose = false;
  // When set, OnEditorClosing throws.
  bool mThrowOnClosing = false;

  void HandleParamChange(int idx, plug::EParamChangeSource src, int offset) override;
  void OnParamChangeUI(int idx, plug::EParamChangeSource src) override;
  void OnPresetChanged() override;
  void OnStateRestored() override;
  void OnEditorClosing() override;
  void BeginParamEditFromUI(int idx) override;
  void EndParamEditFromUI(int idx) override;
  bool RequestEditorResize(int w, int h, bool needsHostResize) override;

  int CountLog(const std::string& prefix) const;
  void ClearLog() { mLog.clear(); }

private:
  void Log(const std::string& s)
  {
    if (mLogging)
      mLog.push_back(s);
  }
};

// 33 parameters of every kind and shape: bool, int, enum, linear, power-curve and
// exponential doubles, stepped and continuous, positive and negative ranges.
void DefineMixedParams(plug::IPluginBase& plugin);

// The values of factory preset p (one per parameter, on the parameters' steps and in range).
std::vector<double> PresetValues(const plug::IPluginBase& plugin, int p);

// 33 parameters, 30 presets: 24 factory presets and 6 empty slots; version 1.0.6.
void SetUpBankPlugin(TestPlugin& plugin);

} // namespace testplug
