#include "plug/IPluginBase.h"
#include "plug/WholeFileWriter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace plug {

namespace {

constexpr double kNotNamed = 9.999e-08; // MakePresetFromNamedParams: "leave this parameter alone"

// ---- base64 ----

const char kBase64Chars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Base64Value(char ch)
{
  if (ch >= 'A' && ch <= 'Z')
    return ch - 'A';
  if (ch >= 'a' && ch <= 'z')
    return ch - 'a' + 26;
  if (ch >= '0' && ch <= '9')
    return ch - '0' + 52;
  if (ch == '+')
    return 62;
  if (ch == '/')
    return 63;
  return -1;
}

// Decodes into out[0..size) and zero-fills what the text does not cover.
void Base64Decode(const char* text, uint8_t* out, int size)
{
  int n = 0;
  uint32_t acc = 0;
  int bits = 0;
  for (const char* p = text; *p && n < size; ++p)
  {
    const int v = Base64Value(*p);
    if (v < 0)
      break;
    acc = (acc << 6) | static_cast<uint32_t>(v);
    bits += 6;
    if (bits >= 8)
    {
      bits -= 8;
      out[n++] = static_cast<uint8_t>(acc >> bits);
      acc &= (1u << bits) - 1u;
    }
  }
  if (n < size)
    std::memset(out + n, 0, static_cast<size_t>(size - n));
}

void Base64Encode(const uint8_t* data, int size, CharBuf& out)
{
  out.Set("");
  char quad[4];
  for (int i = 0; i < size; i += 3)
  {
    const int left = size - i;
    const uint32_t b0 = data[i];
    const uint32_t b1 = left > 1 ? data[i + 1] : 0;
    const uint32_t b2 = left > 2 ? data[i + 2] : 0;
    const uint32_t v = (b0 << 16) | (b1 << 8) | b2;
    quad[0] = kBase64Chars[(v >> 18) & 63];
    quad[1] = kBase64Chars[(v >> 12) & 63];
    quad[2] = left > 1 ? kBase64Chars[(v >> 6) & 63] : '=';
    quad[3] = left > 2 ? kBase64Chars[v & 63] : '=';
    out.Append(quad, 4);
  }
}

// ---- source text ----

// Appends text as the inside of a C string literal.
void AppendEscaped(CharBuf& out, const char* text)
{
  for (const char* p = text; *p; ++p)
  {
    const unsigned char ch = static_cast<unsigned char>(*p);
    if (ch == '"' || ch == '\\')
    {
      const char esc[2] = {'\\', static_cast<char>(ch)};
      out.Append(esc, 2);
    }
    else if (ch < 0x20 || ch == 0x7f)
    {
      char esc[8];
      std::snprintf(esc, sizeof(esc), "\\%03o", ch);
      out.Append(esc);
    }
    else
      out.Append(p, 1);
  }
}

// A parameter value as source text: true/false, an integer, or "%.6f" in the C locale.
void AppendValueSrc(CharBuf& out, const IParam& param, double v)
{
  char buf[64];
  switch (param.Kind())
  {
    case kKindBool:
      out.Append(v >= 0.5 ? "true" : "false");
      return;
    case kKindInt:
    case kKindEnum:
    {
      const double t = v != v ? 0.0 : std::max(-2147483648.0, std::min(2147483647.0, v));
      std::snprintf(buf, sizeof(buf), "%d", static_cast<int>(t));
      out.Append(buf);
      return;
    }
    default:
      FormatDouble(buf, sizeof(buf), v, 6);
      out.Append(buf);
      return;
  }
}

bool NameContains(const char* name, const char* text) { return std::strstr(name, text) != nullptr; }

} // namespace

// ---------------------------------------------------------------------------------------

IPluginBase::IPluginBase(int nParams, int nPresets) : IGEditorDelegate(nParams)
{
  for (int i = 0; i < nPresets; ++i)
    if (!mPresets.Add(std::make_unique<IPresetSlot>()))
      break; // the list could not grow: fewer slots
}

IPluginBase::~IPluginBase() = default;

// ---- identity ----

int IPluginBase::VersionValue(int packed, bool decimal)
{
  if (!decimal)
    return packed;
  const int major = (packed >> 16) & 0xffff;
  const int minor = (packed >> 8) & 0xff;
  const int patch = packed & 0xff;
  return major * 10000 + minor * 100 + patch;
}

void IPluginBase::FormatPluginVersion(CharBuf& out) const
{
  out.Printf(32, "v%d.%d.%d", (mVersion >> 16) & 0xffff, (mVersion >> 8) & 0xff, mVersion & 0xff);
}

void IPluginBase::FormatHostVersion(CharBuf& out) const
{
  out.Printf(32, "v%d.%d.%d", (mHostVersion >> 16) & 0xffff, (mHostVersion >> 8) & 0xff, mHostVersion & 0xff);
}

const char* IPluginBase::APIName(int api)
{
  static const char* const kNames[] = {"VST2", "VST3", "AU", "AUv3", "AAX", "APP", "WAM", "WEB", "CLAP"};
  if (api < 0 || api >= static_cast<int>(sizeof(kNames) / sizeof(kNames[0])))
    return "";
  return kNames[api];
}

const char* IPluginBase::ArchName() { return "x86-64"; }

void IPluginBase::FormatBuildInfo(CharBuf& out, const char* date, const char* time) const
{
  CharBuf version;
  FormatPluginVersion(version);
  out.Printf(256, "%s %s (%s), built on %s at %.5s ", version.Get(), APIName(), ArchName(), date ? date : "",
             time ? time : "");
}

// ---- state ----

bool IPluginBase::SaveState(IStateChunk& chunk) const { return WriteParamValues(chunk); }

namespace {
// The innermost LoadedParamValues armed on this thread. A plain pointer: nothing to destroy
// when a thread ends, even one that outlives this code's module.
thread_local IPluginBase::LoadedParamValues* tArmedLoad = nullptr;
} // namespace

IPluginBase::LoadedParamValues::LoadedParamValues(const IPluginBase& plugin)
  : mPlugin(plugin)
  , mValues(static_cast<size_t>(std::max(plugin.NParams(), 0)), 0.0)
  , mOuter(tArmedLoad)
{
  tArmedLoad = this;
}

IPluginBase::LoadedParamValues::~LoadedParamValues() { tArmedLoad = mOuter; }

int IPluginBase::LoadState(const IStateChunk& chunk, int startPos)
{
  // Only a report armed for this plug-in, and only the innermost: another plug-in's load on
  // this thread reports nothing to it.
  LoadedParamValues* report = tArmedLoad && &tArmedLoad->mPlugin == this ? tArmedLoad : nullptr;
  if (report)
    report->mComplete = false;
  const int pos = ReadParamValues(chunk, startPos, report ? report->mValues.data() : nullptr);
  if (report)
    report->mComplete =
      pos >= 0 && std::none_of(report->mValues.begin(), report->mValues.end(), [](double v) { return std::isnan(v); });
  return pos;
}

int IPluginBase::StateReadSize() const
{
  IStateChunk state;
  return SaveState(state) ? state.Size() : -1;
}

bool IPluginBase::WriteParamValues(IStateChunk& chunk) const
{
  for (int i = 0; i < NParams(); ++i)
    if (!chunk.Put(GetParam(i)->Value()))
      return false;
  return true;
}

int IPluginBase::ReadParamValues(const IStateChunk& chunk, int startPos, double* set)
{
  int pos = startPos;
  for (int i = 0; i < NParams() && pos >= 0; ++i)
  {
    double v = 0.0;
    pos = chunk.Get(&v, pos);
    if (pos < 0)
      break;
    GetParam(i)->Set(v); // stepped, clamped; NaN leaves the parameter as it is
    if (set)
      set[i] = GetParam(i)->Constrain(v); // what Set stored, never read back; NaN when nothing
  }
  NotifyAllParamsChanged(kPresetRecall);
  return pos < 0 ? -1 : pos;
}

// ---- parameter utilities ----

void IPluginBase::InitParamSeries(int first, int last, const char* nameFmt, int startNum, const char* label,
                                  int flags, const char* group, const IParam::Shape& shape, double defaultVal,
                                  double minVal, double maxVal, double step, int unit, IParam::DisplayFunc func)
{
  CharBuf name;
  for (int i = std::max(first, 0); i <= last && i < NParams(); ++i)
  {
    // The format comes from the product's source, like a printf format in code.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    name.Printf(kMaxParamTextLen + 1, nameFmt ? nameFmt : "", startNum + (i - first));
#pragma GCC diagnostic pop
    GetParam(i)->DefineDouble(name.Get(), defaultVal, minVal, maxVal, step, label, flags, group, shape,
                              unit, func);
  }
}

void IPluginBase::CopyParamDefinitions(int fromStart, int fromEnd, int toStart, const char* searchText,
                                       const char* replaceText, const char* newGroup)
{
  for (int i = fromStart; i <= fromEnd; ++i)
  {
    const IParam* src = GetParam(i);
    IParam* dst = GetParam(toStart + (i - fromStart));
    if (!src || !dst || src == dst)
      continue;
    dst->DefineFromCopy(*src, searchText ? searchText : "", replaceText ? replaceText : "",
                        newGroup ? newGroup : "");
    dst->Set(src->Value());
  }
}

void IPluginBase::CopyParamValueRange(int fromStart, int toStart, int count)
{
  for (int i = 0; i < count; ++i)
  {
    const IParam* src = GetParam(fromStart + i);
    IParam* dst = GetParam(toStart + i);
    if (src && dst)
      dst->Set(src->Value());
  }
}

void IPluginBase::CopyParamValueRange(const char* fromGroup, const char* toGroup)
{
  if (!fromGroup || !toGroup)
    return;
  int j = 0;
  for (int i = 0; i < NParams(); ++i)
  {
    const IParam* src = GetParam(i);
    if (std::strcmp(src->GroupText(), fromGroup) != 0)
      continue;
    while (j < NParams() && std::strcmp(GetParam(j)->GroupText(), toGroup) != 0)
      ++j;
    if (j >= NParams())
      return;
    GetParam(j)->Set(src->Value());
    ++j;
  }
}

void IPluginBase::VisitParamRange(int first, int last, const ParamVisitor& func)
{
  if (!func)
    return;
  for (int i = std::max(first, 0); i <= last && i < NParams(); ++i)
    func(i, *GetParam(i));
}

void IPluginBase::VisitParamGroup(const char* group, const ParamVisitor& func)
{
  if (!func || !group)
    return;
  for (int i = 0; i < NParams(); ++i)
    if (std::strcmp(GetParam(i)->GroupText(), group) == 0)
      func(i, *GetParam(i));
}

namespace {
void SetToDefaultUnrounded(int, IParam& p) { p.value.exchange(p.defaultValue); }
void SetRandom(int, IParam& p) { p.Set(p.FromNormalized(std::rand() / 2147483648.0)); }
} // namespace

void IPluginBase::DefaultParamValues() { VisitParamRange(0, NParams() - 1, SetToDefaultUnrounded); }
void IPluginBase::DefaultParamValues(int first, int last) { VisitParamRange(first, last, SetToDefaultUnrounded); }
void IPluginBase::DefaultParamValues(const char* group) { VisitParamGroup(group, SetToDefaultUnrounded); }
void IPluginBase::RandomiseParamValues() { VisitParamRange(0, NParams() - 1, SetRandom); }
void IPluginBase::RandomiseParamValues(int first, int last) { VisitParamRange(first, last, SetRandom); }
void IPluginBase::RandomiseParamValues(const char* group) { VisitParamGroup(group, SetRandom); }
void IPluginBase::PrintParamValues()
{
  VisitParamRange(0, NParams() - 1, [](int, IParam&) {});
}

// ---- presets ----

const char* IPluginBase::PresetNameAt(int idx) const
{
  const IPresetSlot* slot = GetPreset(idx);
  return slot ? slot->mName : "";
}

IPresetSlot* IPluginBase::FirstEmptySlot() const
{
  for (int i = 0; i < NPresets(); ++i)
    if (!GetPreset(i)->mInitialized)
      return GetPreset(i);
  return nullptr;
}

bool IPluginBase::SaveStateToSlot(IPresetSlot& slot) const
{
  IStateChunk state;
  if (!SaveState(state))
    return false;
  slot.mState.Swap(state);
  return true;
}

bool IPluginBase::MakePresetFromValues(const char* name, const double* values, int count)
{
  IPresetSlot* slot = FirstEmptySlot();
  if (!slot || count != NParams() || (count > 0 && !values))
    return false;
  IStateChunk state;
  for (int i = 0; i < count; ++i)
    if (!state.Put(values[i]))
      return false;
  slot->mState.Swap(state);
  slot->SetName(name);
  slot->mInitialized = true;
  return true;
}

bool IPluginBase::MakePresetFromNamedList(const char* name, const double* pairs, int nPairs)
{
  IPresetSlot* slot = FirstEmptySlot();
  if (!slot || nPairs < 0 || (nPairs > 0 && !pairs))
    return false;

  IStateChunk state;
  for (int i = 0; i < NParams(); ++i)
  {
    double v = GetParam(i)->Value();
    // The last pair naming a parameter wins, as each pair overwrites in turn.
    for (int k = 0; k < nPairs; ++k)
    {
      const double idx = pairs[2 * k];
      const double named = pairs[2 * k + 1];
      if (idx == static_cast<double>(i) && named != kNotNamed)
        v = named;
    }
    if (!state.Put(v))
      return false;
  }
  slot->mState.Swap(state);
  slot->SetName(name);
  slot->mInitialized = true;
  return true;
}

bool IPluginBase::MakePresetFromBlob(const char* name, const char* blob, int sizeOfChunk)
{
  IPresetSlot* slot = FirstEmptySlot();
  if (!slot || !blob || sizeOfChunk < 0)
    return false;
  // A byte count beyond what the text could hold at all (a truncated or mislabelled blob)
  // is refused rather than padded out with zeros to any size.
  const int64_t capacity = (static_cast<int64_t>(std::strlen(blob)) * 3 + 3) / 4;
  if (sizeOfChunk > capacity)
    return false;
  IStateChunk state;
  if (!state.Resize(sizeOfChunk))
    return false;
  Base64Decode(blob, state.GetData(), sizeOfChunk);
  slot->mState.Swap(state);
  slot->SetName(name);
  slot->mInitialized = true;
  return true;
}

bool IPluginBase::AddPresetFromState(const char* name, const IStateChunk& state)
{
  IPresetSlot* slot = FirstEmptySlot();
  if (!slot)
    return false;
  IStateChunk copy;
  if (!copy.PutChunk(state))
    return false;
  slot->mState.Swap(copy);
  slot->SetName(name);
  slot->mInitialized = true;
  return true;
}

void IPluginBase::FillPresetsFromCurrent(const char* name, int count)
{
  for (int i = 0; i < count; ++i)
  {
    IPresetSlot* slot = FirstEmptySlot();
    if (!slot || !SaveStateToSlot(*slot))
      return;
    slot->SetName(name ? name : "Empty");
    slot->mInitialized = true;
  }
}

void IPluginBase::FillEmptyPresetSlots()
{
  for (int i = 0; i < NPresets(); ++i)
  {
    IPresetSlot* slot = GetPreset(i);
    if (!slot->mInitialized && SaveStateToSlot(*slot))
    {
      slot->SetName("Empty");
      slot->mInitialized = true;
    }
  }
}

void IPluginBase::PruneEmptyPresets()
{
  // The current index follows its preset to the preset's new place in the list.
  int current = mCurrentPresetIdx;
  for (int i = NPresets() - 1; i >= 0; --i)
    if (!GetPreset(i)->mInitialized)
    {
      mPresets.Delete(i, true);
      if (i < current)
        --current;
    }
  // When the current slot itself went, keep pointing at a slot the list still has.
  mCurrentPresetIdx = std::max(0, std::min(current, NPresets() - 1));
}

bool IPluginBase::RecallPreset(int idx)
{
  IPresetSlot* slot = GetPreset(idx);
  if (!slot)
    return false;

  if (!slot->mInitialized)
  {
    int nUser = 0;
    for (int i = 0; i < NPresets(); ++i)
      if (NameContains(GetPreset(i)->mName, "user preset"))
        ++nUser;
    if (!SaveStateToSlot(*slot))
      return false;
    char name[kMaxPresetNameLen + 1];
    std::snprintf(name, sizeof(name), "%s %d", "user preset", nUser + 1);
    slot->SetName(name);
    slot->mInitialized = true;
  }
  else if (LoadState(slot->mState, 0) < 1)
  {
    return false;
  }

  mCurrentPresetIdx = idx;
  OnPresetChanged();
  RefreshAllParamsInUIFromAnyThread();
  return true;
}

bool IPluginBase::RecallPresetByName(const char* name)
{
  if (!name || !*name)
    return false;
  for (int i = 0; i < NPresets(); ++i)
    if (std::strcmp(GetPreset(i)->mName, name) == 0)
      return RecallPreset(i);
  return false;
}

bool IPluginBase::StoreCurrentPreset(const char* name)
{
  IPresetSlot* slot = GetPreset(mCurrentPresetIdx);
  if (!slot || !SaveStateToSlot(*slot))
    return false;
  if (name && *name)
    slot->SetName(name);
  slot->mInitialized = true;
  return true;
}

bool IPluginBase::WritePresetList(IStateChunk& chunk) const
{
  for (int i = 0; i < NPresets(); ++i)
  {
    const IPresetSlot* slot = GetPreset(i);
    const int32_t len = static_cast<int32_t>(std::strlen(slot->mName));
    const uint8_t flag = slot->mInitialized ? 1 : 0;
    if (!chunk.Put(len) || !chunk.PutBytes(slot->mName, len) || !chunk.Put(flag))
      return false;
    if (slot->mInitialized && !chunk.PutChunk(slot->mState))
      return false;
  }
  return chunk.Size() > 0;
}

int IPluginBase::ReadPresetList(const IStateChunk& chunk, int startPos)
{
  int pos = startPos;
  for (int i = 0; i < NPresets() && pos >= 0; ++i)
  {
    IPresetSlot* slot = GetPreset(i);

    int32_t len = 0;
    int p = chunk.Get(&len, pos);
    if (len < 0)
      len = 0;
    if (p >= 0 && !chunk.HasBytes(p, len)) // compares in 64 bits: a huge length cannot wrap
      p = -1;
    char name[kMaxPresetNameLen + 1] = {};
    if (p >= 0)
    {
      const int nameBytes = std::min(len, static_cast<int32_t>(kMaxPresetNameLen));
      if (nameBytes > 0)
        std::memcpy(name, chunk.GetData() + p, static_cast<size_t>(nameBytes)); // stops at a NUL when read
      p += len;
    }

    uint8_t flag = 0;
    p = chunk.Get(&flag, p);
    if (p < 0)
    {
      pos = -1; // the slot where the data end keeps its name and contents
      break;
    }

    if (!flag)
    {
      slot->SetName(name);
      slot->mInitialized = false;
      pos = p;
      continue;
    }

    // Every stored preset is rewritten from the plug-in, so it is in the current layout. A
    // state cut short leaves the slot as it was rather than storing a half-read state.
    pos = LoadState(chunk, p);
    if (pos >= 0 && SaveStateToSlot(*slot))
    {
      slot->SetName(name);
      slot->mInitialized = true;
    }
    else
      pos = -1;
  }
  // Also after a short list: the plug-in ends up in its current preset, not in half a state.
  RecallPreset(mCurrentPresetIdx);
  return pos;
}

// ---- source dumps ----

bool IPluginBase::DumpMakePresetSrc(const char* path) const
{
  CharBuf text;
  text.Set("MakePreset(\"");
  AppendEscaped(text, PresetNameAt(mCurrentPresetIdx));
  text.Append("\"");
  for (int i = 0; i < NParams(); ++i)
  {
    text.Append(", ");
    AppendValueSrc(text, *GetParam(i), GetParam(i)->Value());
  }
  text.Append(");\n");
  return WriteWholeFile(path, "a", text.Get(), static_cast<size_t>(text.GetLength()));
}

bool IPluginBase::DumpMakePresetFromNamedParamsSrc(const char* path, const char* const* paramNames) const
{
  CharBuf text;
  char num[32];
  text.Set("  MakePresetFromNamedParams(\"");
  AppendEscaped(text, PresetNameAt(mCurrentPresetIdx));
  std::snprintf(num, sizeof(num), "\", %d", NParams());
  text.Append(num);
  for (int i = 0; i < NParams(); ++i)
  {
    text.Append(",\n    ");
    if (paramNames && paramNames[i])
      text.Append(paramNames[i]);
    else
    {
      std::snprintf(num, sizeof(num), "%d", i);
      text.Append(num);
    }
    text.Append(", ");
    AppendValueSrc(text, *GetParam(i), GetParam(i)->Value());
  }
  text.Append(");\n");
  return WriteWholeFile(path, "a", text.Get(), static_cast<size_t>(text.GetLength()));
}

bool IPluginBase::DumpPresetBlob(const char* path) const
{
  const IPresetSlot* slot = GetPreset(mCurrentPresetIdx);
  CharBuf text;
  CharBuf blob;
  const int size = slot ? slot->mState.Size() : 0;
  if (slot)
    Base64Encode(slot->mState.GetData(), size, blob);
  char num[32];
  text.Set("MakePresetFromBlob(\"");
  AppendEscaped(text, PresetNameAt(mCurrentPresetIdx));
  text.Append("\", \"");
  text.Append(blob.Get());
  std::snprintf(num, sizeof(num), "\", %i);\n", size);
  text.Append(num);
  return WriteWholeFile(path, "a", text.Get(), static_cast<size_t>(text.GetLength()));
}

} // namespace plug
