#pragma once
// The product's fixed numbers: parameter indices, editor control tags, preset counts and
// the identity the configuration record carries.
#include "plug/IPluginConfig.h"

// Parameter indices. The order is the host's automation order and the layout of every saved
// state chunk and preset; never reorder.
enum EParams
{
  kDelta = 0,
  kABSelect,            // the A/B snapshot selector (no name)
  kPluginScale,
  kInputGain,
  kOutputGain,
  kStereoMode,
  kDrive,
  kDriveTone,
  kMasterDryBlend,
  kLimit,
  kPower,
  kImpedance,
  kImpedanceArea,
  kLevelCalibration,
  kLimitType,
  kOverSampling,
  kTiltSwitch,
  kDriveAreaLow,
  kDriveAreaHigh,
  kLowDriveAreaLow,     // the stored drive areas of the three tilt tabs, in Hz
  kLowDriveAreaHigh,
  kMidDriveAreaLow,
  kMidDriveAreaHigh,
  kHighDriveAreaLow,
  kHighDriveAreaHigh,
  kLinkGains,
  kVellAir,
  kBalance,
  kBalanceMode,
  kMidSidePusher,
  kImpedanceBump,
  kOutputBandlimitLow,
  kOutputBandlimitHigh,
  kNumParams
};

// Control tags the plug-in addresses in its editor.
enum EControlTags
{
  kTagLEDImpedance = 1,
  kTagLEDDrive = 3,
  kTagPresetMenu = 22,
  kTagSavePresetField = 66, // the preset strip's name field, while it is shown
  kTagMSDrivePush = 385,
  kTagMSDrivePushLabel = 386,
};

constexpr int kNumFactoryPresets = 24;
constexpr int kNumUserPresetSlots = 6;
constexpr int kNumPresets = kNumFactoryPresets + kNumUserPresetSlots; // 30
constexpr int kFirstUserPresetSlot = kNumFactoryPresets;              // 24

constexpr const char* kPluginName = "Vellicor";
constexpr const char* kProductName = "Vellicor";
constexpr const char* kMakerName = "Orlenbeck";
constexpr const char* kChannelIOString = "1-1 2-2";
constexpr int kPluginVersion = 0x00010006; // 1.0.6
constexpr int kUniqueCode = plug::FourCharCode('Q', 'V', 'l', 'k');
constexpr int kMakerCode = plug::FourCharCode('Q', 'T', 'N', 'Z');
constexpr const char* kBundleID = "com.Orlenbeck.aax.Vellicor";
constexpr const char* kAppGroupID = "group.com.Orlenbeck.Vellicor";
constexpr const char* kSharedResourcesSubPath = "Vellicor";
constexpr int kEditorWidth = 900;
constexpr int kEditorHeight = 500;
constexpr int kEditorMinWidth = 900;
constexpr int kEditorMaxWidth = 2700;
constexpr int kEditorMinHeight = 500;
constexpr int kEditorMaxHeight = 1500;
constexpr int kEditorFPS = 60;
// The largest image area (pixels) the editor decodes: a margin above its largest art, the @3x
// background at kEditorMaxWidth x kEditorMaxHeight.
constexpr long long kMaxImagePixels = 4096LL * 4096LL;
static_assert(kMaxImagePixels > static_cast<long long>(kEditorMaxWidth) * kEditorMaxHeight, "art must fit");
