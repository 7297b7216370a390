#pragma once
// The plug-in base: identity (names, codes, versions, host, API), the preset list and the
// serialisation of the plug-in state: the state chunk the host saves with its project, the
// preset list, VST 2 preset and bank files (FXP, FXB) and source-text dumps of presets.
//
// The state (IPluginState) is one little-endian double per parameter, in index order, the
// real value, and nothing else.

#include <atomic>
#include <cstdint>
#include <functional>
#include <type_traits>
#include <vector>

#include "plug/HeapBuf.h"
#include "plug/IGEditorDelegate.h"
#include "plug/IParam.h"
#include "plug/IPresetSlot.h"
#include "plug/IStateChunk.h"

namespace plug {

enum EPluginAPI : int32_t
{
  kAPIVST2 = 0,
  kAPIVST3 = 1,
  kAPIAU = 2,
  kAPIAUv3 = 3,
  kAPIAAX = 4,
  kAPIAPP = 5,
  kAPIWAM = 6,
  kAPIWEB = 7,
  kAPICLAP = 8
};

class IPluginBase : public igraphics::IGEditorDelegate
{
public:
  using ParamVisitor = std::function<void(int paramIdx, IParam& param)>;

  IPluginBase(int nParams, int nPresets);
  ~IPluginBase() override;

  // ---- identity ----
  const char* GetPluginName() const { return mPluginName.Get(); }
  const char* GetProductName() const { return mProductName.Get(); }
  const char* GetMakerName() const { return mMakerName.Get(); }
  int GetUniqueID() const { return mUniqueID; }
  int GetMakerID() const { return mMakerID; }
  int GetHost() const { return mHost; }
  const char* GetHostName() const { return mHostName.Get(); }
  EPluginAPI GetAPI() const { return mAPI; }
  const char* GetBundleID() const { return mBundleID.Get(); }
  const char* GetAppGroupID() const { return mAppGroupID.Get(); }
  bool HasUI() const { return mHasUI; }
  bool DoesStateChunks() const { return mStateChunks; }

  // "v%d.%d.%d" of the packed versions.
  void FormatPluginVersion(CharBuf& out) const;
  void FormatHostVersion(CharBuf& out) const;
  // The packed version, or major * 10000 + minor * 100 + patch when decimal is set.
  int PluginVersionValue(bool decimal) const { return VersionValue(mVersion, decimal); }
  int HostVersionValue(bool decimal) const { return VersionValue(mHostVersion, decimal); }
  const char* APIName() const { return APIName(mAPI); }
  static const char* APIName(int api);
  static const char* ArchName();
  // "<version> <API> (<arch>), built on <date> at <first five characters of time> "
  void FormatBuildInfo(CharBuf& out, const char* date, const char* time) const;

  // ---- state ----
  virtual void OnPresetsModified() {}
  virtual bool SaveState(IStateChunk& chunk) const;
  // The base's load sets each parameter from its double (ReadParamValues) and reports the
  // values it set to a LoadedParamValues armed for this plug-in on the calling thread.
  virtual int LoadState(const IStateChunk& chunk, int startPos);
  // Hooks for state a product keeps beside its parameters.
  virtual bool SaveExtraState(IStateChunk& /*chunk*/) const { return true; }
  virtual int LoadExtraState(const IStateChunk& /*chunk*/, int startPos) { return startPos; }
  virtual void OnStateRestored() {}
  virtual void OnPresetChanged() {}
  // The most bytes LoadState takes from a chunk: the size of the state SaveState writes now
  // (the reader reads what the writer writes, extra state included); -1 when the state cannot
  // be written. A product whose state varies in length returns its own bound.
  virtual int StateReadSize() const;

  // The values a load set, for a caller that passes them on while other threads may already
  // move the parameters again (a host delivering its answers to the requests of an earlier
  // restore): reading them back would pass on whatever arrived in between. Armed on the
  // calling thread, for one plug-in, from construction to destruction; the base's LoadState
  // fills it as it sets each parameter from its double. A load that never reaches the base's
  // (a product reading its parameters its own way) leaves it incomplete, and the caller reads
  // the values back. An override that calls the base's load is reported by it: the values its
  // parameters are left with are the ones the base set, as long as nothing after it moves them
  // (a restore's change notices, source kPresetRecall, keep the values they are given).
  class LoadedParamValues
  {
  public:
    // Room for every parameter of plugin (may throw); armed until destroyed, on this thread.
    explicit LoadedParamValues(const IPluginBase& plugin);
    ~LoadedParamValues();
    LoadedParamValues(const LoadedParamValues&) = delete;
    LoadedParamValues& operator=(const LoadedParamValues&) = delete;

    // Whether the base's load set every parameter (none left out by a short chunk or a NaN),
    // and the value it set (stepped, clamped).
    bool Complete() const { return mComplete; }
    double Value(int paramIdx) const { return mValues.at(static_cast<size_t>(paramIdx)); }

  private:
    friend class IPluginBase;
    const IPluginBase& mPlugin;
    std::vector<double> mValues;
    LoadedParamValues* mOuter; // armed before this one on this thread, again once this goes
    bool mComplete = false;
  };

  // Appends every parameter's value as a double; false when the chunk cannot grow.
  bool WriteParamValues(IStateChunk& chunk) const;
  // Reads one double per parameter from startPos; stepped, clamped, stored. Returns the
  // position after the last value, or -1 when the chunk ends early (values read before
  // stay). Always ends by notifying every parameter with source kPresetRecall. With set
  // given (room for NParams() values), set[i] receives the value stored in parameter i, NaN
  // for one left as it was.
  int ReadParamValues(const IStateChunk& chunk, int startPos, double* set = nullptr);

  // ---- parameter utilities ----
  // Defines parameters first..last as doubles named by nameFmt (a printf format taking one
  // int) applied to startNum, startNum + 1, ...
  void InitParamSeries(int first, int last, const char* nameFmt, int startNum, const char* label, int flags,
                       const char* group, const IParam::Shape& shape, double defaultVal, double minVal,
                       double maxVal, double step, int unit = kUnitCustom, IParam::DisplayFunc func = nullptr);
  void CopyParamDefinitions(int fromStart, int fromEnd, int toStart, const char* searchText = "",
                            const char* replaceText = "", const char* newGroup = "");
  void CopyParamValueRange(int fromStart, int toStart, int count);
  // Pairs the parameters of the two groups in index order.
  void CopyParamValueRange(const char* fromGroup, const char* toGroup);
  void VisitParamRange(int first, int last, const ParamVisitor& func);
  void VisitParamGroup(const char* group, const ParamVisitor& func);
  void DefaultParamValues();
  void DefaultParamValues(int first, int last);
  void DefaultParamValues(const char* group);
  void RandomiseParamValues();
  void RandomiseParamValues(int first, int last);
  void RandomiseParamValues(const char* group);
  void PrintParamValues();

  // ---- presets ----
  int NPresets() const { return mPresets.GetSize(); }
  IPresetSlot* GetPreset(int idx) const { return mPresets.Get(idx); }
  int GetCurrentPresetIdx() const { return mCurrentPresetIdx; }
  // "" outside the list.
  const char* PresetNameAt(int idx) const;

  // Fills the first empty slot with one value per parameter (any arithmetic type, stored as
  // doubles). False when no slot is free or the count is not the parameter count.
  template <class... Values>
  bool MakePreset(const char* name, Values... values)
  {
    static_assert(std::conjunction<std::is_arithmetic<Values>...>::value, "MakePreset takes numbers");
    if constexpr (sizeof...(Values) == 0)
      return MakePresetFromValues(name, nullptr, 0);
    else
    {
      const double vals[] = {static_cast<double>(values)...};
      return MakePresetFromValues(name, vals, static_cast<int>(sizeof...(Values)));
    }
  }
  bool MakePresetFromValues(const char* name, const double* values, int count);

  // Fills the first empty slot: nPairs pairs of (parameter index, value) follow; every
  // parameter not named keeps its current value, and a value of exactly 9.999e-08 counts
  // as not named.
  template <class... Args>
  bool MakePresetFromNamedParams(const char* name, int nPairs, Args... args)
  {
    static_assert(sizeof...(Args) % 2 == 0, "MakePresetFromNamedParams takes (index, value) pairs");
    static_assert(std::conjunction<std::is_arithmetic<Args>...>::value, "indices and values are numbers");
    if (nPairs != static_cast<int>(sizeof...(Args) / 2))
      return false;
    if constexpr (sizeof...(Args) == 0)
      return MakePresetFromNamedList(name, nullptr, 0);
    else
    {
      const double list[] = {static_cast<double>(args)...};
      return MakePresetFromNamedList(name, list, nPairs);
    }
  }
  // pairs holds 2 * nPairs numbers: index, value, index, value, ...
  bool MakePresetFromNamedList(const char* name, const double* pairs, int nPairs);

  // Decodes standard base64 up to the first character outside the alphabet or until
  // sizeOfChunk bytes exist (the rest is zero) and stores the bytes as a preset's state.
  // A byte count larger than the text could ever hold is refused.
  bool MakePresetFromBlob(const char* name, const char* blob, int sizeOfChunk);
  bool AddPresetFromState(const char* name, const IStateChunk& state);
  // count times: the first empty slot takes the name (null gives "Empty") and the state.
  void FillPresetsFromCurrent(const char* name, int count);
  void FillEmptyPresetSlots();
  void PruneEmptyPresets();

  // Loads the slot's state (an empty slot takes the current state and a user preset name),
  // makes it the current preset and brings the editor to the values
  // (RefreshAllParamsInUIFromAnyThread).
  bool RecallPreset(int idx);
  bool RecallPresetByName(const char* name);
  // Rewrites the current slot from the plug-in's state; a non-empty name renames it.
  bool StoreCurrentPreset(const char* name = nullptr);

  // Preset list: per slot, int32 name length, the name's bytes, one byte initialised flag
  // and, for an initialised slot, its state.
  bool WritePresetList(IStateChunk& chunk) const;
  // Reads the list into the slots; the position after it, or -1 when the data are short.
  // Either way it ends by recalling the current preset.
  int ReadPresetList(const IStateChunk& chunk, int startPos);

  // VST 2 preset (FXP) and bank (FXB) files.
  bool WriteFXPFile(const char* path);
  bool WriteFXBFile(const char* path);
  bool ReadFXPFile(const char* path);
  bool ReadFXBFile(const char* path);

  // Append one line of source text for the current preset to the file.
  bool DumpMakePresetSrc(const char* path) const;
  // paramNames holds one name per parameter (the index is written where it is null).
  bool DumpMakePresetFromNamedParamsSrc(const char* path, const char* const* paramNames) const;
  bool DumpPresetBlob(const char* path) const;

protected:
  static int VersionValue(int packed, bool decimal);
  // Saves the plug-in's state into the slot; the slot keeps its old state on failure.
  bool SaveStateToSlot(IPresetSlot& slot) const;
  IPresetSlot* FirstEmptySlot() const;
  // Builds the whole FXP or FXB file in memory.
  bool MakeFXP(IStateChunk& file) const;
  bool MakeFXB(IStateChunk& file) const;

  // Written by preset recall on a host or main thread, read by the audio thread.
  std::atomic<int32_t> mCurrentPresetIdx{0};
  bool mStateChunks = false;
  CharBuf mPluginName{128};
  CharBuf mProductName{128};
  CharBuf mMakerName{128};
  int32_t mUniqueID = 0;
  int32_t mMakerID = 0;
  int32_t mVersion = 0;
  int32_t mHostVersion = 0;
  int32_t mHost = -1;
  CharBuf mHostName{128};
  EPluginAPI mAPI = kAPIAAX;
  CharBuf mBundleID{128};
  CharBuf mAppGroupID{128};
  bool mHasUI = false;
  OwnedPtrArray<IPresetSlot> mPresets;
};

} // namespace plug
