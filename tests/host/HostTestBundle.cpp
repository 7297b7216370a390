// The test bundle's description values and factories.

#include "plug/aax/AAXEntryPoints.h"
#include "plug/aax/AAX_CEffectGUI_IPLUGIN.h"
#include "tests/host/HostTestPlugin.h"

namespace {

IACFUnknown* CreateHostTestInstance() { return plug::AAXCreateInstance<hosttest::HostTestPlugin>(); }

IACFUnknown* CreateHostTestGUI() { return plug::AAX_CEffectGUI_IPLUGIN::Create(); }

const AAX_CTypeID kNativeIDs[] = {AAX_MakeFourCC('H', 'T', 'F', '1'), AAX_MakeFourCC('H', 'T', 'F', '2')};
const AAX_CTypeID kAudioSuiteIDs[] = {AAX_MakeFourCC('H', 'T', 'A', '1'), AAX_MakeFourCC('H', 'T', 'A', '2')};

plug::IPluginAAXEffectInfo MakeInfo()
{
  plug::IPluginAAXEffectInfo info;
  info.mNames = "Host Test\nHTST";
  info.mCategory = 64;
  info.mChannelIOText = hosttest::kChannelIO;
  info.mNativeTypeIDs = kNativeIDs;
  info.mNumNativeTypeIDs = 2;
  info.mAudioSuiteTypeIDs = kAudioSuiteIDs;
  info.mNumAudioSuiteTypeIDs = 2;
  info.mManufacturerID = AAX_MakeFourCC('T', 's', 'T', 's');
  info.mProductID = AAX_MakeFourCC('H', 'T', 's', 't');
  info.mEffectID = "com.Tests.aax.HostTest";
  info.mManufacturerName = "Tests";
  info.mPackageVersion = 0x10203;
  info.mMIDINodeName = "Host Test Midi";
  info.mProcessProc = &plug::AAX_CIPluginParameters::StaticRenderCallback;
  info.mCreateInstance = &CreateHostTestInstance;
  info.mCreateGUI = &CreateHostTestGUI;
#ifdef HOSTTEST_AUX_OUTPUT
  info.mEffectID = "com.Tests.aax.HostTestAux";
#endif
#ifdef HOSTTEST_THROWING_CONTROL
  info.mEffectID = "com.Tests.aax.HostTestThrowing";
#endif
#ifdef HOSTTEST_FAULTY_DESCRIPTION
  // Three configurations but type identifiers for two: registration must fail cleanly.
  info.mChannelIOText = "1-1 2-2 4-4";
  info.mEffectID = "com.Tests.aax.HostTestFaulty";
#endif
  return info;
}

} // namespace

const plug::IPluginAAXEffectInfo& plug::AAXBundleEffectInfo()
{
  static const IPluginAAXEffectInfo sInfo = MakeInfo();
  return sInfo;
}
