#include "plug/aax/IPluginAAX_Describe.h"

#include "aax/interfaces/AAX_ICollection.h"
#include "aax/interfaces/AAX_IComponentDescriptor.h"
#include "aax/interfaces/AAX_IEffectDescriptor.h"
#include "aax/interfaces/AAX_IPropertyMap.h"
#include "aax/library/AAX_Assert.h"
#include "aax/library/AAX_CheckedResult.h"
#include "plug/IPluginProcessor.h"

#include <cstdio>
#include <new>
#include <string>

namespace plug {

namespace {

// Assertions name these sources and lines; hosts log them, so they stay fixed.
constexpr const char* kDescribeSource = "plug/aax/IPluginAAX_Describe";
constexpr const char* kParametersSource = "plug/aax/IPluginAAX_Parameters";
constexpr int32_t kLineSideChainComponent = 198;
constexpr int32_t kLineComponent = 236;
constexpr int32_t kLineEffect = 251;
constexpr int32_t kLineMIDINodes = 148;
constexpr int32_t kLineAuxStems = 178;
constexpr int32_t kLineHybrid = 200;

// Context fields of a component.
enum EField : uint32_t
{
  kFieldAudioIn = 0,
  kFieldAudioOut = 1,
  kFieldBufferLength = 2,
  kFieldSampleRate = 3,
  kFieldInputMIDI = 4,
  kFieldOutputMIDI = 5,
  kFieldGlobalMIDI = 6,
  kFieldTransport = 7,
  kFieldFirstAdditionalMIDI = 8,
  kFieldPrivateData = 23,
  kFieldMeters = 24,
  kFieldStateNumber = 25,
  kFieldSideChain = 26
};

// Properties of the component's property map.
enum EProperty : int32_t
{
  kPropManufacturer = 11,
  kPropProduct = 12,
  kPropNativeID = 13,
  kPropAudioSuiteID = 14,
  kPropInputStem = 51,
  kPropOutputStem = 52,
  kPropLatency = 56,
  kPropCanBypass = 60,
  kPropHybridOutputStem = 90,
  kPropHybridInputStem = 91,
  kPropSideChainStem = 116,
  kPropHostGeneratedGUI = 151,
  kPropUsesClientGUI = 300,
  kPropMultiMono = 304,
  kPropUsesTransport = 306
};

void Assert(const char* source, int32_t line, const char* condition)
{
  AAX_ReportAssertion(source, line, condition, AAX_eAssertFlags_Default);
}

AAX_CTypeID TypeIDAt(const AAX_CTypeID* table, int32_t count, int idx)
{
  return (table && idx >= 0 && idx < count) ? table[idx] : kAAXTypeIDNone;
}

// Adds a MIDI node when wanted, else the 4-byte data field that keeps the field index taken.
void NodeOrPlainField(AAX_CheckedResult& err, AAX_IComponentDescriptor& component, uint32_t field, bool wanted,
                      int32_t nodeType, const char* name, uint32_t mask)
{
  if (wanted)
    err = component.AddMIDINode(field, nodeType, name, mask);
  else
    err = component.AddPrivateData(field, 4, 0);
}

} // namespace

int32_t AAXStemFormatForChannels(int channels)
{
  switch (channels)
  {
    case 1: return 0x00000001;
    case 2: return 0x00010002;
    case 3: return 0x00020003;
    case 4: return 0x000E0004;
    case 5: return 0x00050005;
    case 6: return 0x00060006;
    case 7: return 0x000B0007;
    case 8: return 0x000C0008;
    case 9: return 0x00120009;
    case 10: return 0x000D000A;
    case 16: return 0x00130010;
    default: return AAX_eStemFormat_None;
  }
}

void IPluginAAXSetupInfo::Reset()
{
  this->~IPluginAAXSetupInfo();
  new (this) IPluginAAXSetupInfo();
}

void FillSetupInfo(const IChannelIOConfig& config, const IPluginAAXEffectInfo& info, AAX_CTypeID nativeID,
                   AAX_CTypeID audioSuiteID, IPluginAAXSetupInfo& setup)
{
  setup.mInputStemFormat = AAXStemFormatForChannels(config.NChansOnBus(kInput, 0));
  setup.mOutputStemFormat = AAXStemFormatForChannels(config.NChansOnBus(kOutput, 0));

  const int nOutBuses = config.NBuses(kOutput);
  setup.mNumAuxOutputStems = nOutBuses > 0 ? nOutBuses - 1 : 0;
  for (int bus = 1; bus < nOutBuses && bus <= kMaxAuxOutputStems; ++bus)
  {
    setup.mAuxOutputStemFormats[bus - 1] = AAXStemFormatForChannels(config.NChansOnBus(kOutput, bus));
    std::snprintf(setup.mAuxOutputStemNameStore[bus - 1], sizeof(setup.mAuxOutputStemNameStore[0]), "Output %i",
                  bus + 1);
    setup.mAuxOutputStemNames[bus - 1] = setup.mAuxOutputStemNameStore[bus - 1];
  }

  setup.mManufacturerID = info.mManufacturerID;
  setup.mProductID = info.mProductID;
  setup.mPluginID = nativeID;
  setup.mAudiosuiteID = audioSuiteID;
  setup.mCanBypass = true;
  setup.mNeedsInputMIDI = false;
  setup.mInputMIDINodeName = info.mMIDINodeName;
  setup.mInputMIDIChannelMask = 1;
  setup.mNeedsOutputMIDI = false;
  setup.mOutputMIDINodeName = info.mMIDINodeName;
  setup.mOutputMIDIChannelMask = 1;
  setup.mNeedsTransport = true;
  setup.mLatency = 0;
}

AAX_Result DescribeAAXComponent(AAX_IEffectDescriptor& effect, const IPluginAAXSetupInfo& setup,
                                AAX_CProcessProc processProc)
{
  AAX_IComponentDescriptor* component = effect.NewComponentDescriptor();
  if (!component)
    return AAX_ERROR_NULL_OBJECT;

  AAX_CheckedResult err;
  NodeOrPlainField(err, *component, kFieldGlobalMIDI, setup.mNeedsGlobalMIDI, AAX_eMIDINodeType_Global,
                   setup.mGlobalMIDINodeName, setup.mGlobalMIDIEventMask);
  NodeOrPlainField(err, *component, kFieldInputMIDI, setup.mNeedsInputMIDI, AAX_eMIDINodeType_LocalInput,
                   setup.mInputMIDINodeName, setup.mInputMIDIChannelMask);
  NodeOrPlainField(err, *component, kFieldOutputMIDI, setup.mNeedsOutputMIDI, AAX_eMIDINodeType_LocalOutput,
                   setup.mOutputMIDINodeName, setup.mOutputMIDIChannelMask);
  NodeOrPlainField(err, *component, kFieldTransport, setup.mNeedsTransport, AAX_eMIDINodeType_Transport,
                   "Transport", 0xffff);

  if (setup.mNumAdditionalInputMIDINodes > kMaxAdditionalMIDINodes)
    Assert(kParametersSource, kLineMIDINodes, "setupInfo.mNumAdditionalInputMIDINodes <= kMaxAdditionalMIDINodes");
  for (int32_t i = 0; i < kMaxAdditionalMIDINodes; ++i)
  {
    NodeOrPlainField(err, *component, kFieldFirstAdditionalMIDI + static_cast<uint32_t>(i),
                     i < setup.mNumAdditionalInputMIDINodes, AAX_eMIDINodeType_LocalInput, setup.mInputMIDINodeName,
                     setup.mInputMIDIChannelMask);
  }

  err = component->AddAudioIn(kFieldAudioIn);
  err = component->AddAudioOut(kFieldAudioOut);
  err = component->AddAudioBufferLength(kFieldBufferLength);
  err = component->AddSampleRate(kFieldSampleRate);

  if (setup.mNumMeters >= 1)
    err = component->AddMeters(kFieldMeters, setup.mMeterIDs, static_cast<uint32_t>(setup.mNumMeters));
  else
    err = component->AddPrivateData(kFieldMeters, 4, 0);

  if (setup.mWantsSideChain)
    err = component->AddSideChainIn(kFieldSideChain);

  if (setup.mNumAuxOutputStems > kMaxAuxOutputStems)
    Assert(kParametersSource, kLineAuxStems, "setupInfo.mNumAuxOutputStems <= kMaxAuxOutputStems");
  // Only the stems the record has room for; a larger count is the fault just reported.
  for (int32_t i = 0; i < setup.mNumAuxOutputStems && i < kMaxAuxOutputStems; ++i)
    err = component->AddAuxOutputStem(0, setup.mAuxOutputStemFormats[i], setup.mAuxOutputStemNames[i]);

  err = component->AddPrivateData(kFieldPrivateData, 8, 0);
  err = component->AddDataInPort(kFieldStateNumber, 8, 1);

  AAX_IPropertyMap* props = component->NewPropertyMap();
  if (!props)
    return AAX_ERROR_NULL_OBJECT;

  if (setup.mUseHostGeneratedGUI)
    err = props->AddProperty(kPropHostGeneratedGUI, 1);
  const bool hybridIn = setup.mHybridInputStemFormat != AAX_eStemFormat_None;
  const bool hybridOut = setup.mHybridOutputStemFormat != AAX_eStemFormat_None;
  if (hybridIn != hybridOut)
    Assert(kParametersSource, kLineHybrid,
           "(AAX_eStemFormat_None != setupInfo.mHybridInputStemFormat) == "
           "(AAX_eStemFormat_None != setupInfo.mHybridOutputStemFormat)");
  else if (hybridIn)
  {
    err = props->AddProperty(kPropHybridInputStem, setup.mHybridInputStemFormat);
    err = props->AddProperty(kPropHybridOutputStem, setup.mHybridOutputStemFormat);
  }
  if (setup.mWantsSideChain)
    err = props->AddProperty(kPropSideChainStem, 1);
  err = props->AddProperty(kPropLatency, setup.mLatency);
  err = props->AddProperty(kPropInputStem, setup.mInputStemFormat);
  err = props->AddProperty(kPropOutputStem, setup.mOutputStemFormat);
  err = props->AddProperty(kPropCanBypass, setup.mCanBypass ? 1 : 0);
  err = props->AddProperty(kPropUsesClientGUI, 1);
  if (setup.mNeedsTransport)
    err = props->AddProperty(kPropUsesTransport, 1);
  err = props->AddProperty(kPropManufacturer, static_cast<int32_t>(setup.mManufacturerID));
  err = props->AddProperty(kPropProduct, static_cast<int32_t>(setup.mProductID));
  err = props->AddProperty(kPropNativeID, static_cast<int32_t>(setup.mPluginID));
  if (setup.mAudiosuiteID != kAAXTypeIDNone)
    err = props->AddProperty(kPropAudioSuiteID, static_cast<int32_t>(setup.mAudiosuiteID));
  if (!setup.mMultiMonoSupport)
    err = props->AddProperty(kPropMultiMono, 0);

  err = component->AddProcessProc_Native(processProc, props);
  err = effect.AddComponent(component);
  return err;
}

AAX_Result DescribeEffects(AAX_ICollection* collection, const IPluginAAXEffectInfo& info)
{
  if (!collection)
    return AAX_ERROR_NULL_OBJECT;
  AAX_IEffectDescriptor* effect = collection->NewDescriptor();
  if (!effect)
    return AAX_ERROR_NULL_OBJECT;

  AAX_Result err = AAX_SUCCESS;

  // Names: one piece per line; an empty piece ends the list.
  const char* names = info.mNames ? info.mNames : "";
  while (*names && *names != '\n')
  {
    const char* end = names;
    while (*end && *end != '\n')
      ++end;
    const std::string name(names, end);
    err |= effect->AddName(name.c_str());
    collection->AddPackageName(name.c_str());
    names = *end ? end + 1 : end;
  }

  err |= effect->AddCategory(info.mCategory);

  // Owns the parsed configurations, also when a component's description throws.
  OwnedPtrArray<IChannelIOConfig> configs;
  int maxNIn = 0, maxNOut = 0, maxNInBuses = 0, maxNOutBuses = 0;
  const int nConfigs = IPluginProcessor::ParseIOSpec(info.mChannelIOText ? info.mChannelIOText : "", configs, maxNIn,
                                                     maxNOut, maxNInBuses, maxNOutBuses);

  IPluginAAXSetupInfo setup;
  if (maxNInBuses < 2)
  {
    for (int i = 0; i < nConfigs; ++i)
    {
      AAX_Result componentErr = AAX_SUCCESS;
      if (i >= info.mNumNativeTypeIDs || !info.mNativeTypeIDs)
        componentErr = AAX_ERROR_INVALID_ARGUMENT; // no type identifier for this configuration
      else
      {
        setup.Reset();
        FillSetupInfo(*configs.Get(i), info, TypeIDAt(info.mNativeTypeIDs, info.mNumNativeTypeIDs, i),
                      TypeIDAt(info.mAudioSuiteTypeIDs, info.mNumAudioSuiteTypeIDs, i), setup);
        componentErr = DescribeAAXComponent(*effect, setup, info.mProcessProc);
      }
      err |= componentErr;
      if (err != AAX_SUCCESS)
        Assert(kDescribeSource, kLineComponent, "err == AAX_SUCCESS");
    }
  }
  else
  {
    // Only the configurations with one main input bus are components; the further input
    // bus becomes the side-chain input.
    int described = 0;
    for (int i = 0; i < nConfigs; ++i)
    {
      const IChannelIOConfig& config = *configs.Get(i);
      if (config.NBuses(kInput) != 1)
        continue;
      AAX_Result componentErr = AAX_SUCCESS;
      if (described >= info.mNumNativeTypeIDs || !info.mNativeTypeIDs)
        componentErr = AAX_ERROR_INVALID_ARGUMENT;
      else
      {
        setup.Reset();
        FillSetupInfo(config, info, TypeIDAt(info.mNativeTypeIDs, info.mNumNativeTypeIDs, described),
                      TypeIDAt(info.mAudioSuiteTypeIDs, info.mNumAudioSuiteTypeIDs, described), setup);
        setup.mWantsSideChain = true;
        componentErr = DescribeAAXComponent(*effect, setup, info.mProcessProc);
      }
      ++described;
      err |= componentErr;
      if (err != AAX_SUCCESS)
        Assert(kDescribeSource, kLineSideChainComponent, "err == AAX_SUCCESS");
    }
  }

  err |= effect->AddProcPtr(reinterpret_cast<void*>(info.mCreateInstance), AAX_eProcPtrID_Create_EffectParameters);
  if (info.mCreateGUI)
    err |= effect->AddProcPtr(reinterpret_cast<void*>(info.mCreateGUI), AAX_eProcPtrID_Create_EffectGUI);

  AAX_Result addResult = AAX_SUCCESS;
  if (err != AAX_SUCCESS)
    Assert(kDescribeSource, kLineEffect, "err == AAX_SUCCESS");
  else
  {
    addResult = collection->AddEffect(info.mEffectID, effect);
    if (addResult != AAX_SUCCESS)
      Assert(kDescribeSource, kLineEffect, "err == AAX_SUCCESS");
  }

  collection->SetManufacturerName(info.mManufacturerName);
  collection->SetPackageVersion(info.mPackageVersion);

  return err != AAX_SUCCESS ? err : addResult;
}

} // namespace plug

namespace plug {

std::mutex& AAXInstanceMutex()
{
  static std::mutex sMutex;
  return sMutex;
}

} // namespace plug
