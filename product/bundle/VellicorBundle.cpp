// What the Vellicor bundle tells the host at registration, and the two factories the host
// calls afterwards. The entry points themselves come from plug/aax/AAXEntryPoints.cpp.

#include "plug/aax/AAXEntryPoints.h"
#include "plug/aax/AAX_CEffectGUI_IPLUGIN.h"
#include "product/FileUtilities.h"
#include "product/Vellicor.h"
#include "product/VellicorFactories.h"
#include "standin/foundation/Foundation.h"

#include <cstdlib>

namespace {

// Type identifiers by channel-I/O configuration: "1-1" then "2-2".
const AAX_CTypeID kNativeTypeIDs[] = {AAX_MakeFourCC('I', 'E', 'F', '1'), AAX_MakeFourCC('I', 'E', 'F', '2')};
const AAX_CTypeID kAudioSuiteTypeIDs[] = {AAX_MakeFourCC('I', 'E', 'A', '1'), AAX_MakeFourCC('I', 'E', 'A', '2')};

// The tests' seam for the home folder: the end-to-end tests and scripts/demo load this
// bundle in a real host process, where no code of theirs runs inside it, and set this
// variable to a temporary folder so that "~" expands there and the user's own preset files
// are neither read nor written; the platform's home folder (the one the editor's resource and
// folder lookups ask for) follows it too. Unset or empty: the user's real home folder. This is
// the only value the bundle takes from the environment; keep it that way.
constexpr const char* kHomeFolderVariable = "VELLICOR_HOME_FOLDER";

// Read at every instance creation, so a test can point each new instance elsewhere.
void TakeHomeFolderFromEnvironment()
{
  const char* folder = std::getenv(kHomeFolderVariable);
  if (folder && folder[0])
  {
    SetHomeFolderOverride(folder);
    standin::SetHomeDirectory(folder);
  }
}

// The host's instance factory. Nothing may reach the host: any failure gives null.
IACFUnknown* CreateVellicorInstance()
{
  try
  {
    TakeHomeFolderFromEnvironment();
    Vellicor* instance = CreatePlugInstance(plug::InstanceInfo());
    return static_cast<AAX_IEffectParameters*>(instance);
  }
  catch (...)
  {
    return nullptr;
  }
}

// The host's editor factory: the editor object of one instance (binding to the instance
// when the host initialises it).
IACFUnknown* CreateVellicorGUI() { return plug::AAX_CEffectGUI_IPLUGIN::Create(); }

plug::IPluginAAXEffectInfo MakeEffectInfo()
{
  plug::IPluginAAXEffectInfo info;
  info.mNames = "Vellicor\nTQNV";
  info.mCategory = 64;
  info.mChannelIOText = kChannelIOString;
  info.mNativeTypeIDs = kNativeTypeIDs;
  info.mNumNativeTypeIDs = 2;
  info.mAudioSuiteTypeIDs = kAudioSuiteTypeIDs;
  info.mNumAudioSuiteTypeIDs = 2;
  info.mManufacturerID = AAX_MakeFourCC('Q', 'T', 'N', 'Z');
  info.mProductID = AAX_MakeFourCC('Q', 'V', 'l', 'k');
  info.mEffectID = kBundleID;
  info.mManufacturerName = kMakerName;
  info.mPackageVersion = 0x10006;
  info.mMIDINodeName = "Vellicor Midi";
  info.mProcessProc = &plug::AAX_CIPluginParameters::StaticRenderCallback;
  info.mCreateInstance = &CreateVellicorInstance;
  info.mCreateGUI = &CreateVellicorGUI;
  return info;
}

// The description's codes are the product's identity: a mismatch would make saved sessions
// look for another plug-in.
static_assert(kMakerCode == static_cast<int>(AAX_MakeFourCC('Q', 'T', 'N', 'Z')), "manufacturer code");
static_assert(kUniqueCode == static_cast<int>(AAX_MakeFourCC('Q', 'V', 'l', 'k')), "product code");
static_assert(kPluginVersion == 0x10006, "package version");

} // namespace

const plug::IPluginAAXEffectInfo& plug::AAXBundleEffectInfo()
{
  static const IPluginAAXEffectInfo sInfo = MakeEffectInfo();
  return sInfo;
}
