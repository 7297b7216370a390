// VST 2 preset (FXP) and bank (FXB) files of the plug-in base: building, writing and reading them.
#include "plug/IPluginBase.h"
#include "plug/RegularFileReader.h"
#include "plug/WholeFileWriter.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace plug {

namespace {

constexpr int kFXPHeaderSize = 56;  // up to and including the name field
constexpr int kFXBHeaderSize = 156; // up to and including the 124 reserved bytes
constexpr int kFXNameLen = 28;

// ---- big-endian fields of the VST 2 files ----

bool PutBE32(IStateChunk& c, uint32_t v)
{
  const uint8_t b[4] = {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8),
                        static_cast<uint8_t>(v)};
  return c.PutBytes(b, 4);
}

bool PutBEInt(IStateChunk& c, int32_t v) { return PutBE32(c, static_cast<uint32_t>(v)); }

bool PutBEFloat(IStateChunk& c, float f)
{
  uint32_t v;
  std::memcpy(&v, &f, 4);
  return PutBE32(c, v);
}

bool PutMagic(IStateChunk& c, const char* magic) { return c.PutBytes(magic, 4); }

// Callers check the bounds first.
uint32_t BE32At(const IStateChunk& c, int pos)
{
  const uint8_t* p = c.GetData() + pos;
  return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
         (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}

int32_t BEIntAt(const IStateChunk& c, int pos) { return static_cast<int32_t>(BE32At(c, pos)); }

float BEFloatAt(const IStateChunk& c, int pos)
{
  const uint32_t v = BE32At(c, pos);
  float f;
  std::memcpy(&f, &v, 4);
  return f;
}

bool MagicAt(const IStateChunk& c, int pos, const char* magic)
{
  return c.HasBytes(pos, 4) && std::memcmp(c.GetData() + pos, magic, 4) == 0;
}

// The 28-byte name field: the first 27 characters, then zero bytes.
bool PutFXName(IStateChunk& c, const char* name)
{
  char field[kFXNameLen] = {};
  const size_t len = std::min(std::strlen(name), static_cast<size_t>(kFXNameLen - 1));
  std::memcpy(field, name, len);
  return c.PutBytes(field, kFXNameLen);
}

// Reads the 28-byte name field at pos (bounds checked by the caller) into out[29].
void FXNameAt(const IStateChunk& c, int pos, char* out)
{
  std::memcpy(out, c.GetData() + pos, kFXNameLen);
  out[kFXNameLen] = '\0';
}

// The chunk of the chunk forms starts with "tffp" and the native int32 65536.
bool PutChunkPrefix(IStateChunk& c)
{
  return PutMagic(c, "tffp") && c.Put(static_cast<int32_t>(65536));
}

// ---- files ----

// A file read in pieces: only the bytes asked for are read. It is opened as every outside
// file is (OpenRegularFile): a FIFO or a device under the name is refused at once, and nothing
// blocks the caller.
class InputFile
{
public:
  explicit InputFile(const char* path)
  {
    if (OpenRegularFile(path, mFile) == RegularFileRead::kRead && mFile.Size() <= static_cast<uint64_t>(INT64_MAX))
      mSize = static_cast<int64_t>(mFile.Size());
  }

  // Bytes from pos to the end of the file (0 for a file that cannot be read).
  int64_t Remaining(int64_t pos) const { return mFile.IsOpen() && mSize > pos ? mSize - pos : 0; }

  // Appends the n bytes at pos to out; false (out unchanged) when the file does not hold them
  // all or out cannot grow.
  bool Append(int64_t pos, int64_t n, IStateChunk& out) const
  {
    const int64_t start = out.Size();
    if (n < 0 || n > Remaining(pos) || n > INT32_MAX - start || !out.Resize(static_cast<int>(start + n)))
      return false;
    const bool read = n == 0 || ReadRegularFileAt(mFile, static_cast<uint64_t>(pos), out.GetData() + start,
                                                  static_cast<size_t>(n));
    if (!read)
      out.Resize(static_cast<int>(start));
    return read;
  }

  // Appends what the file holds of the n bytes at pos, at most n.
  bool AppendUpTo(int64_t pos, int64_t n, IStateChunk& out) const
  {
    return Append(pos, std::min(n, Remaining(pos)), out);
  }

private:
  RegularFile mFile;
  int64_t mSize = -1;
};

} // namespace

bool IPluginBase::MakeFXP(IStateChunk& file) const
{
  const char* name = PresetNameAt(mCurrentPresetIdx);
  const int fxVersion = PluginVersionValue(true);
  bool ok = PutMagic(file, "CcnK");
  if (mStateChunks)
  {
    IStateChunk chunk;
    ok = ok && PutChunkPrefix(chunk) && SaveState(chunk) && chunk.Size() <= INT32_MAX - 160;
    // The byte size field counts the chunk plus 60 header bytes; readers elsewhere expect it.
    ok = ok && PutBEInt(file, chunk.Size() + 60) && PutMagic(file, "FPCh") && PutBEInt(file, 1) &&
         PutBEInt(file, mUniqueID) && PutBEInt(file, fxVersion) && PutBEInt(file, NParams()) &&
         PutFXName(file, name) && PutBEInt(file, chunk.Size()) && file.PutChunk(chunk);
    return ok;
  }
  ok = ok && PutBEInt(file, 0) && PutMagic(file, "FxCk") && PutBEInt(file, 1) && PutBEInt(file, mUniqueID) &&
       PutBEInt(file, fxVersion) && PutBEInt(file, NParams()) && PutFXName(file, name);
  for (int i = 0; ok && i < NParams(); ++i)
  {
    const IParam* param = GetParam(i);
    ok = PutBEFloat(file, static_cast<float>(NormalizedForUI(*param, param->Value())));
  }
  return ok;
}

bool IPluginBase::MakeFXB(IStateChunk& file) const
{
  const int fxVersion = PluginVersionValue(true);
  const uint8_t reserved[124] = {};
  bool ok = PutMagic(file, "CcnK");
  if (mStateChunks)
  {
    IStateChunk chunk;
    ok = ok && PutChunkPrefix(chunk) && WritePresetList(chunk) && chunk.Size() <= INT32_MAX - 160;
    ok = ok && PutBEInt(file, chunk.Size() + 160) && PutMagic(file, "FBCh") && PutBEInt(file, 2) &&
         PutBEInt(file, mUniqueID) && PutBEInt(file, fxVersion) && PutBEInt(file, NPresets()) &&
         PutBEInt(file, mCurrentPresetIdx) && file.PutBytes(reserved, sizeof(reserved)) &&
         PutBEInt(file, chunk.Size()) && file.PutChunk(chunk);
    return ok;
  }
  ok = ok && PutBEInt(file, 0) && PutMagic(file, "FxBk") && PutBEInt(file, 2) && PutBEInt(file, mUniqueID) &&
       PutBEInt(file, fxVersion) && PutBEInt(file, NPresets()) && PutBEInt(file, mCurrentPresetIdx) &&
       file.PutBytes(reserved, sizeof(reserved));
  for (int p = 0; ok && p < NPresets(); ++p)
  {
    const IPresetSlot* slot = GetPreset(p);
    ok = PutMagic(file, "CcnK") && PutBEInt(file, 0) && PutMagic(file, "FxCk") && PutBEInt(file, 1) &&
         PutBEInt(file, mUniqueID) && PutBEInt(file, fxVersion) && PutBEInt(file, NParams()) &&
         PutFXName(file, slot->mName);
    for (int i = 0; ok && i < NParams(); ++i)
    {
      double v = 0.0; // where the preset's state is shorter
      slot->mState.Get(&v, i * static_cast<int>(sizeof(double)));
      ok = PutBEFloat(file, static_cast<float>(NormalizedForUI(*GetParam(i), v)));
    }
  }
  return ok;
}

bool IPluginBase::WriteFXPFile(const char* path)
{
  IStateChunk file;
  if (!MakeFXP(file))
    return false;
  return WriteWholeFile(path, "wb", file.GetData(), static_cast<size_t>(file.Size()));
}

bool IPluginBase::WriteFXBFile(const char* path)
{
  IStateChunk file;
  if (!MakeFXB(file))
    return false;
  return WriteWholeFile(path, "wb", file.GetData(), static_cast<size_t>(file.Size()));
}

bool IPluginBase::ReadFXPFile(const char* path)
{
  // The header first; then no more than the plug-in can apply.
  InputFile in(path);
  IStateChunk file;
  in.AppendUpTo(0, kFXPHeaderSize + 4, file);
  // Magic, byte size, kind, version and fxID must all be there.
  if (file.Size() < 20 || !MagicAt(file, 0, "CcnK") || BEIntAt(file, 12) != 1 || BEIntAt(file, 16) != mUniqueID)
    return false;

  char name[kFXNameLen + 1] = {};

  if (MagicAt(file, 8, "FPCh") && mStateChunks)
  {
    if (file.Size() < kFXPHeaderSize + 4)
      return false;
    // The file must hold the chunk it declares; of the chunk, the prefix and one state are read.
    const int32_t chunkLen = BEIntAt(file, kFXPHeaderSize);
    if (chunkLen < 0 || in.Remaining(kFXPHeaderSize + 4) < chunkLen)
      return false;
    const int64_t wanted = 8 + std::max(0, StateReadSize());
    if (!in.Append(kFXPHeaderSize + 4, std::min<int64_t>(chunkLen, wanted), file))
      return false;
    FXNameAt(file, 28, name);
    const int statePos = MagicAt(file, 60, "tffp") ? 68 : 60;
    if (LoadState(file, statePos) < 0)
    {
      OnStateRestored(); // what was read stays applied, but the load failed
      return false;
    }
    IPresetSlot* slot = GetPreset(mCurrentPresetIdx);
    if (slot && SaveStateToSlot(*slot))
    {
      if (name[0])
        slot->SetName(name);
      slot->mInitialized = true;
    }
  }
  else if (MagicAt(file, 8, "FxCk"))
  {
    if (file.Size() < kFXPHeaderSize)
      return false;
    // The file must hold the values it declares; those beyond the plug-in's parameters are
    // not read.
    const int32_t nValues = BEIntAt(file, 24);
    if (nValues < 0 || in.Remaining(kFXPHeaderSize) < 4LL * nValues)
      return false;
    const int n = std::min<int>(nValues, NParams());
    file.Resize(kFXPHeaderSize);
    if (!in.Append(kFXPHeaderSize, 4LL * n, file))
      return false;
    FXNameAt(file, 28, name);
    for (int i = 0; i < n; ++i)
    {
      IParam* param = GetParam(i);
      param->Set(param->FromNormalized(BEFloatAt(file, kFXPHeaderSize + 4 * i)));
    }
    StoreCurrentPreset(name);
    if (!GetPreset(mCurrentPresetIdx))
    {
      // No preset slot to recall: the values were still set, so tell the plug-in and editor.
      NotifyAllParamsChanged(kPresetRecall);
      RefreshAllParamsInUIFromAnyThread();
    }
  }
  else
  {
    return false;
  }

  const bool recalled = !GetPreset(mCurrentPresetIdx) || RecallPreset(mCurrentPresetIdx);
  OnStateRestored();
  return recalled;
}

bool IPluginBase::ReadFXBFile(const char* path)
{
  // The header first; then no more than the plug-in can apply. A bank shorter than it
  // declares applies the presets it holds whole, then recalls as a whole bank would, and fails.
  InputFile in(path);
  IStateChunk file;
  in.AppendUpTo(0, kFXBHeaderSize + 4, file);
  if (file.Size() < 20 || !MagicAt(file, 0, "CcnK") || BEIntAt(file, 16) != mUniqueID)
    return false;

  bool ok = true;
  const int ownCurrent = mCurrentPresetIdx;

  if (MagicAt(file, 8, "FBCh") && mStateChunks)
  {
    if (file.Size() < kFXBHeaderSize + 4)
      return false;
    const int32_t chunkLen = BEIntAt(file, kFXBHeaderSize);
    if (chunkLen < 0)
      return false;
    // The prefix, then per preset its name length, a name the slot can hold, the flag and a state.
    const int64_t perPreset = 4 + kMaxPresetNameLen + 1 + std::max(0, StateReadSize());
    const int64_t wanted = std::min<int64_t>(8 + perPreset * NPresets(), INT32_MAX - file.Size());
    in.AppendUpTo(kFXBHeaderSize + 4, std::min<int64_t>(chunkLen, wanted), file);
    const int listPos = MagicAt(file, 160, "tffp") ? 168 : 160;
    ok = ReadPresetList(file, listPos) >= 0;
    OnStateRestored();
    return ok;
  }

  if (!MagicAt(file, 8, "FxBk") || file.Size() < kFXBHeaderSize)
    return false;

  const int32_t nRecords = BEIntAt(file, 24);
  int32_t fileCurrent = BEIntAt(file, 28);
  if (nRecords < 0)
    return false;

  const int64_t recordSize = kFXPHeaderSize + 4LL * NParams();
  const int nRead = std::min<int>(nRecords, NPresets()); // never a slot the plug-in does not have
  IStateChunk record;
  for (int i = 0; i < nRead; ++i)
  {
    record.Clear();
    if (!in.Append(kFXBHeaderSize + recordSize * i, recordSize, record) || !MagicAt(record, 0, "CcnK") ||
        !MagicAt(record, 8, "FxCk") || BEIntAt(record, 12) != 1 || BEIntAt(record, 24) != NParams())
    {
      ok = false;
      break;
    }
    RecallPreset(i);
    for (int j = 0; j < NParams(); ++j)
    {
      IParam* param = GetParam(j);
      param->Set(param->FromNormalized(BEFloatAt(record, kFXPHeaderSize + 4 * j)));
    }
    char name[kFXNameLen + 1] = {};
    FXNameAt(record, 28, name);
    IPresetSlot* slot = GetPreset(i);
    if (SaveStateToSlot(*slot))
    {
      if (name[0])
        slot->SetName(name);
      slot->mInitialized = true;
    }
    else
      ok = false;
  }

  if (!GetPreset(fileCurrent)) // a bank from a plug-in with more presets: keep our own
    fileCurrent = ownCurrent;
  if (GetPreset(fileCurrent) && !RecallPreset(fileCurrent))
    ok = false;
  OnStateRestored();
  return ok;
}

} // namespace plug
