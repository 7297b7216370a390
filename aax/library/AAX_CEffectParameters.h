// The host-facing data model of one plug-in instance. It owns the host-side parameters in a
// parameter registry, answers the host's parameter queries by identifier, applies host
// automation, counts changes, sends dirty data packets once per packet pass and offers a
// default state chunk ('elck', "Complete Controls State") built from every parameter's value.
//
// Subclasses create their parameters in InitEffect (run at the end of Init) and may replace
// the chunk operations, the notification handler, the packet pass, the private-data set-up,
// the idle hook and the page-table hook.
//
// Nothing the host calls lets an exception out. Normalised values coming from the host are
// clamped to 0..1, and non-finite ones change nothing (-20043).
#pragma once

#include "aax/library/AAX_CChunkDataParser.h"
#include "aax/library/AAX_CPacketRegistry.h"
#include "aax/library/AAX_CParameterRegistry.h"
#include "aax/interfaces/AAX_IEffectParameters.h"
#include "aax/library/CACFUnknown.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

class AAX_IAutomationDelegate;
class AAX_IController;
class AAX_IPageTable;
class AAX_ITransport;
class AAX_VAutomationDelegate;
class AAX_VController;
class AAX_VTransport;

// Identifier of the default state chunk.
constexpr AAX_CTypeID AAX_kDefaultChunkID = AAX_MakeFourCC('e', 'l', 'c', 'k');
// The master bypass parameter's identifier.
constexpr const char* AAX_kMasterBypassID = "MasterBypassID";

// Sources of a host update (the last argument of UpdateParameterFromHost).
constexpr int32_t AAX_eUpdateSource_Unspecified = 0;
constexpr int32_t AAX_eUpdateSource_Parameter = 1;
constexpr int32_t AAX_eUpdateSource_Chunk = 2;
constexpr int32_t AAX_eUpdateSource_Delay = 3;

class AAX_CEffectParameters : public AAX_IEffectParameters, public CACFUnknown
{
public:
  AAX_CEffectParameters();
  ~AAX_CEffectParameters() override;
  AAX_CEffectParameters(const AAX_CEffectParameters&) = delete;
  AAX_CEffectParameters& operator=(const AAX_CEffectParameters&) = delete;

  // ---- IACFUnknown: forwarded to the component base ----
  ACFRESULT QueryInterface(const acfIID& iid, void** out) override;
  uint32_t AddRef() override;
  uint32_t Release() override;

  // ---- host interface ----
  AAX_Result Init(IACFUnknown* hostObject) override;
  AAX_Result Uninit() override;
  AAX_Result OnNotification(AAX_CTypeID type, const void* data, uint32_t size) override;
  AAX_Result GetParameterCount(int32_t* count) const override;
  AAX_Result GetMasterBypassID(AAX_IString* identifier) const override;
  AAX_Result GetParameterAutomatable(AAX_CParamID id, bool* automatable) const override;
  AAX_Result GetParameterStepCount(AAX_CParamID id, int32_t* steps) const override;
  AAX_Result GetParameterName(AAX_CParamID id, AAX_IString* name) const override;
  AAX_Result GetParameterShortName(AAX_CParamID id, AAX_IString* name, int32_t maxLength) const override;
  AAX_Result GetParameterDefault(AAX_CParamID id, double* normalized) const override;
  AAX_Result SetParameterDefault(AAX_CParamID id, double normalized) override;
  AAX_Result GetParameterKind(AAX_CParamID id, int32_t* kind) const override;
  AAX_Result GetParameterLayoutCode(AAX_CParamID id, int32_t* code) const override;
  AAX_Result FindParameterByID(AAX_CParamID id, AAX_IParameter** parameter) const override;
  AAX_Result GetParameterIndexByID(AAX_CParamID id, int32_t* index) const override;
  AAX_Result GetParameterIDAtIndex(int32_t index, AAX_IString* id) const override;
  AAX_Result HostQuery19(AAX_CParamID id, int32_t selector, int32_t* value) const override;
  AAX_Result ParseParameterText(AAX_CParamID id, double* normalized, const AAX_IString& text) const override;
  AAX_Result FormatParameterValue(AAX_CParamID id, double normalized, AAX_IString* text,
                                  int32_t maxLength) const override;
  AAX_Result GetParameterText(AAX_CParamID id, AAX_IString* text, int32_t maxLength) const override;
  AAX_Result GetParameterNormalized(AAX_CParamID id, double* normalized) const override;
  AAX_Result SetParameterNormalized(AAX_CParamID id, double normalized) override;
  AAX_Result NudgeParameterNormalized(AAX_CParamID id, double delta) override;
  AAX_Result BeginParameterTouch(AAX_CParamID id) override;
  AAX_Result EndParameterTouch(AAX_CParamID id) override;
  AAX_Result HostOperation28(AAX_CParamID id, double value) override;
  AAX_Result UpdateParameterFromHost(AAX_CParamID id, double normalized, int32_t source) override;
  AAX_Result NudgeParameterFromHost(AAX_CParamID id, double delta) override;
  AAX_Result QueueParameterState() override;
  AAX_Result InitPrivateData(int32_t fieldIndex, void* data, uint32_t size) override;
  AAX_Result GetChunkCount(int32_t* count) const override;
  AAX_Result GetChunkIDAtIndex(int32_t index, AAX_CTypeID* chunkID) const override;
  AAX_Result GetStateChunkSize(AAX_CTypeID chunkID, uint32_t* size) override;
  AAX_Result GetStateChunk(AAX_CTypeID chunkID, AAX_SPlugInChunk* chunk) override;
  AAX_Result SetStateChunk(AAX_CTypeID chunkID, const AAX_SPlugInChunk* chunk) override;
  AAX_Result CompareStateChunk(const AAX_SPlugInChunk* chunk, bool* isEqual) override;
  AAX_Result GetChangeCount(int32_t* count) const override;
  AAX_Result OnHostTimerTick() override;
  AAX_Result HostOperation41(AAX_CTypeID selector, uint32_t size, void* data) const override;
  AAX_Result HostOperation42(AAX_CTypeID selector, const void* data, uint32_t size, int32_t* result) override;
  AAX_Result HostOperation43(AAX_CTypeID selector, const void* data, uint32_t size) override;
  AAX_Result HostOperation44(AAX_CTypeID selector) override;
  AAX_Result HostOperation45(AAX_CTypeID selector, void* data, uint32_t size) const override;
  AAX_Result HostOperation46(int32_t value) override;
  AAX_Result HostOperation47(int32_t value) override;
  AAX_Result HostOperation48(AAX_CTypeID selector, uint32_t* size) const override;
  AAX_Result HostOperation49(AAX_CTypeID selector, void* data, uint32_t size) const override;
  AAX_Result UpdatePageTable(uint32_t tableType, uint32_t tablePageSize, IACFUnknown* unused,
                             IACFUnknown* pageTable) const override;

  // ---- component base ----
  // Answers the four effect-parameters identifiers with this object; the rest goes to the base.
  ACFRESULT InternalQueryInterface(const acfIID& iid, void** out) override;

  // ---- for subclasses and the binding ----
  AAX_IController* GetController() const;
  AAX_ITransport* Transport() const;
  AAX_IAutomationDelegate* AutomationDelegate() const;

  // Identifiers left out of the default chunk (the master bypass is added by Init).
  void AddExcludedID(AAX_CParamID id);
  // Passes a new taper to the parameter; without keepRealValue also marks its packet dirty.
  AAX_Result SetParameterTaper(AAX_CParamID id, AAX_ITaperDelegateBase& taper, bool keepRealValue);
  AAX_Result SetParameterDisplay(AAX_CParamID id, AAX_IDisplayDelegateBase& display);
  // The host's touch state of the parameter; false without a delegate or on error.
  bool IsParameterTouched(AAX_CParamID id) const;
  // False for updates that come from the host's own parameter, chunk or delay sources.
  bool IsParameterTouchedForSource(AAX_CParamID id, int32_t source) const;

  int32_t NumChunkedParameters() const { return mNumChunkedParameters; }

protected:
  // Uninit takes every host parameter and the controller, automation-delegate and transport
  // wrappers away from this object, and from the host at once: each parameter unregisters
  // from the automation delegate there, and whatever it sends afterwards (a request it is
  // still making included) reaches nothing. It deletes them at once too, unless `keep`
  // answers true at that moment: something may still be running in one of them further up
  // the stack (a request a parameter made to the host, inside which the host uninitialised
  // the instance). Keeping never allocates, so that nothing can make Uninit delete what it
  // meant to keep: each Init makes room beforehand, and freeing leaves that room. What it kept
  // goes with FreeKeptUninitRemains (which deletes it outside the lock), or with this object;
  // freeing it never reaches the host. Subclasses that keep pointers to the parameters forget
  // them in their Uninit, before the base's.
  void KeepUninitRemainsWhile(std::function<bool()> keep);
  void FreeKeptUninitRemains() noexcept;

  // Runs at the end of Init: create and add the parameters here. A non-zero result is
  // returned from Init.
  virtual AAX_Result InitEffect();
  // Runs from UpdatePageTable when the host offers a page table. The base answers -20009.
  virtual AAX_Result OnUpdatePageTable(uint32_t tableType, uint32_t tablePageSize, AAX_IPageTable& table) const;

  // Counts one change of the instance's state (wraps to 0, never negative).
  void BumpChangeCount();

  AAX_CParameterRegistry mParameterManager;
  AAX_CPacketRegistry mPacketDispatcher;

private:
  // What one Uninit took away. Deleting it deletes the parameters first, then the wrappers.
  struct UninitRemains
  {
    std::unique_ptr<AAX_VTransport> mTransport;
    std::unique_ptr<AAX_VAutomationDelegate> mAutomationDelegate;
    std::unique_ptr<AAX_VController> mController;
    std::vector<std::unique_ptr<AAX_IParameter>> mParameters;
    bool Empty() const { return !mTransport && !mAutomationDelegate && !mController && mParameters.empty(); }
  };
  // Uninit's work without the deletion: when it returns the registry is empty, the wrappers
  // are gone from this object and the parameters are the host's no longer, so that every
  // answer is that of an uninitialised instance.
  UninitRemains TakeForUninit();

  AAX_IParameter* Find(AAX_CParamID id) const;
  // Runs a host operation on the parameter with this identifier so that no exception leaves
  // it; an unknown identifier is refused before anything else is looked at.
  template <class F>
  AAX_Result WithParameter(AAX_CParamID id, F&& operation) const;
  // The parameter's value moved by delta, clamped to 0..1: an unknown identifier is refused
  // before a non-finite delta is.
  AAX_Result NudgedValue(AAX_CParamID id, double delta, double* nudged) const;
  bool IsExcluded(const AAX_IParameter& parameter) const;
  // Fills mChunkParser from every included parameter. Callers hold mChunkLock.
  void BuildChunkParser();

  std::atomic<int32_t> mChangeCount{0};
  int32_t mDefaultChunkSize = 0;
  AAX_CChunkDataParser mChunkParser;
  int32_t mNumChunkedParameters = 0;
  std::set<std::string> mExcludedIDs;
  std::unique_ptr<AAX_VController> mController;
  std::unique_ptr<AAX_VTransport> mTransport;
  std::unique_ptr<AAX_VAutomationDelegate> mAutomationDelegate;
  // The host may ask for chunks from more than one thread; the parser is shared.
  mutable std::mutex mChunkLock;
  std::function<bool()> mKeepUninitRemains;
  // What Uninit kept. Init makes room for one more beforehand, so that keeping never allocates;
  // freeing what was kept leaves the room.
  std::vector<UninitRemains> mKeptUninitRemains;
  std::mutex mKeptUninitRemainsLock;
};

// Normalised 0..1 (clamped; NaN counts as 0) to the full int32 range and back.
int32_t ToInt32FromNormalized(double normalized);
double ToNormalizedFromInt32(int32_t value);
double ToNormalizedFromBool(bool value);
