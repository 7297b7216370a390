// The in-editor text entry over stb_textedit: the text and its measurements for the editing,
// mouse and key handling, the Cut/Copy/Paste menu, the clipboard, the blinking cursor and the
// drawing; the UTF-8 <-> UTF-16 conversions.

#include "graphics/ITextEntryControl.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "graphics/IGraphics.h"
#include "graphics/IPopupMenu.h"
#include "graphics/renderer/StbDiagnostics.h"
#include "plug/IEditorDelegate.h"
#include "plug/IParam.h"
#include "plug/UTF8.h"

// ---------------------------------------------------------------------------------------
// The editing's view of the control

struct plug::igraphics::ITextEntryControl::Access
{
  static int Length(const ITextEntryControl* c) { return static_cast<int>(c->mEditString.size()); }
  static char16_t Char(const ITextEntryControl* c, int i)
  {
    return (i >= 0 && i < Length(c)) ? c->mEditString[static_cast<size_t>(i)] : u'\0';
  }
  static float Width(ITextEntryControl* c, int start, int i) { return c->CharWidth(start + i); }
  template <class StbRow>
  static void Layout(StbRow* r, ITextEntryControl* c, int start)
  {
    const ITextEntryControl::Row row = c->LayoutRow();
    r->x0 = row.x0;
    r->x1 = row.x1;
    r->baseline_y_delta = 1.25f;
    r->ymin = row.ymin;
    r->ymax = row.ymax;
    r->num_chars = std::max(row.numChars - start, 0);
  }
  static void Delete(ITextEntryControl* c, int pos, int n) { c->DeleteChars(pos, n); }
  static int Insert(ITextEntryControl* c, int pos, const char16_t* chars, int n)
  {
    return c->InsertChars(pos, chars, n) ? 1 : 0;
  }
};

#define STB_TEXTEDIT_CHARTYPE char16_t
#define STB_TEXTEDIT_POSITIONTYPE int
#define STB_TEXTEDIT_UNDOSTATECOUNT 99
#define STB_TEXTEDIT_UNDOCHARCOUNT 999
#define STB_TEXTEDIT_KEYTYPE uint32_t
#define STB_TEXTEDIT_STRING ::plug::igraphics::ITextEntryControl
#define STB_TEXTEDIT_STRINGLEN(obj) ::plug::igraphics::ITextEntryControl::Access::Length(obj)
#define STB_TEXTEDIT_LAYOUTROW(r, obj, n) ::plug::igraphics::ITextEntryControl::Access::Layout(r, obj, n)
#define STB_TEXTEDIT_GETWIDTH(obj, n, i) ::plug::igraphics::ITextEntryControl::Access::Width(obj, n, i)
// Keys without character and keys with control held insert nothing.
#define STB_TEXTEDIT_KEYTOTEXT(k) (((k) & 0xA0000000u) ? -1 : static_cast<int>((k) & 0x1FFFFFu))
#define STB_TEXTEDIT_GETCHAR(obj, i) ::plug::igraphics::ITextEntryControl::Access::Char(obj, i)
#define STB_TEXTEDIT_NEWLINE u'\n'
#define STB_TEXTEDIT_IS_SPACE(ch) ((ch) == u' ' || (ch) == u'\t')
#define STB_TEXTEDIT_DELETECHARS(obj, i, n) ::plug::igraphics::ITextEntryControl::Access::Delete(obj, i, n)
#define STB_TEXTEDIT_INSERTCHARS(obj, i, c, n) ::plug::igraphics::ITextEntryControl::Access::Insert(obj, i, c, n)
#define STB_TEXTEDIT_memmove std::memmove
#define STB_TEXTEDIT_K_SHIFT 0x40000000u
#define STB_TEXTEDIT_K_BACKSPACE (0x80000000u | 8u)
#define STB_TEXTEDIT_K_PGUP (0x80000000u | 33u)
#define STB_TEXTEDIT_K_PGDOWN (0x80000000u | 34u)
#define STB_TEXTEDIT_K_LINEEND (0x80000000u | 35u)
#define STB_TEXTEDIT_K_LINESTART (0x80000000u | 36u)
#define STB_TEXTEDIT_K_LEFT (0x80000000u | 37u)
#define STB_TEXTEDIT_K_UP (0x80000000u | 38u)
#define STB_TEXTEDIT_K_RIGHT (0x80000000u | 39u)
#define STB_TEXTEDIT_K_DOWN (0x80000000u | 40u)
#define STB_TEXTEDIT_K_DELETE (0x80000000u | 46u)
#define STB_TEXTEDIT_K_TEXTSTART (STB_TEXTEDIT_K_LINESTART | 0x20000000u)
#define STB_TEXTEDIT_K_TEXTEND (STB_TEXTEDIT_K_LINEEND | 0x20000000u)
#define STB_TEXTEDIT_K_LINESTART2 (STB_TEXTEDIT_K_LEFT | 0x20000000u)
#define STB_TEXTEDIT_K_LINEEND2 (STB_TEXTEDIT_K_RIGHT | 0x20000000u)
#define STB_TEXTEDIT_K_WORDLEFT (STB_TEXTEDIT_K_LEFT | 0x10000000u)
#define STB_TEXTEDIT_K_WORDRIGHT (STB_TEXTEDIT_K_RIGHT | 0x10000000u)
#define STB_TEXTEDIT_K_UNDO 0x2000007Au
#define STB_TEXTEDIT_K_REDO 0x6000007Au
#define STB_TEXTEDIT_IMPLEMENTATION

namespace plug {
namespace igraphics {
namespace textedit {
VGR_STB_WARNINGS_OFF
#include <stb/stb_textedit.h>
VGR_STB_WARNINGS_ON
} // namespace textedit
using namespace textedit;

struct ITextEntryControl::EditState
{
  STB_TexteditState state;
};

namespace {

constexpr uint32_t kReplacement = 0xFFFD;
constexpr uint32_t kUndoKey = 0x2000007Au;
constexpr uint32_t kRedoKey = 0x6000007Au;
constexpr int kBlinkMs = 1000;

bool IsHighSurrogate(uint32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(uint32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// One code point from UTF-8 at p (n bytes there); the bytes it took (at least 1), and whether
// they were a well-formed sequence (shortest form, no surrogate, at most U+10FFFF).
size_t DecodeUTF8(const unsigned char* p, size_t n, uint32_t& cp, bool& valid)
{
  valid = false;
  cp = kReplacement;
  const unsigned char lead = p[0];
  if (lead < 0x80)
  {
    cp = lead;
    valid = true;
    return 1;
  }
  size_t len = 0;
  uint32_t value = 0;
  unsigned char lo = 0x80, hi = 0xBF; // range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF)
  {
    len = 2;
    value = lead & 0x1Fu;
  }
  else if (lead >= 0xE0 && lead <= 0xEF)
  {
    len = 3;
    value = lead & 0x0Fu;
    if (lead == 0xE0)
      lo = 0xA0;
    if (lead == 0xED)
      hi = 0x9F; // no encoded surrogates
  }
  else if (lead >= 0xF0 && lead <= 0xF4)
  {
    len = 4;
    value = lead & 0x07u;
    if (lead == 0xF0)
      lo = 0x90;
    if (lead == 0xF4)
      hi = 0x8F;
  }
  else
  {
    return 1; // a continuation byte, an over-long or five- or six-byte lead
  }
  for (size_t i = 1; i < len; ++i)
  {
    const unsigned char b = i < n ? p[i] : 0;
    const unsigned char bLo = i == 1 ? lo : 0x80, bHi = i == 1 ? hi : 0xBF;
    if (b < bLo || b > bHi)
      return i; // the well-formed part goes as one replacement
    value = (value << 6) | (b & 0x3Fu);
  }
  cp = value;
  valid = true;
  return len;
}

void AppendUTF16(std::u16string& out, uint32_t cp)
{
  if (cp < 0x10000)
  {
    out += static_cast<char16_t>(cp);
    return;
  }
  cp -= 0x10000;
  out += static_cast<char16_t>(0xD800 + (cp >> 10));
  out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
}

// The typed character of a key: 0 for none, "_" for text that is not UTF-8.
uint32_t KeyCodePoint(const char* utf8)
{
  const size_t n = std::strlen(utf8);
  if (n == 0)
    return 0;
  uint32_t cp = 0;
  bool valid = false;
  DecodeUTF8(reinterpret_cast<const unsigned char*>(utf8), n, cp, valid);
  return valid ? cp : uint32_t('_');
}

// The process's one Cut/Copy/Paste menu. The entry that shows it receives the choice as the
// control that asked for the menu, so no choice can reach an entry that has gone.
IPopupMenu& EditMenu()
{
  static IPopupMenu sMenu("", {"Cut", "Copy", "Paste"});
  return sMenu;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Conversions

std::u16string ITextEntryControl::ToUTF16(const char* utf8)
{
  std::u16string out;
  if (!utf8)
    return out;
  const auto* p = reinterpret_cast<const unsigned char*>(utf8);
  size_t n = std::strlen(utf8);
  while (n > 0)
  {
    uint32_t cp = 0;
    bool valid = false;
    const size_t used = DecodeUTF8(p, n, cp, valid);
    AppendUTF16(out, valid ? cp : kReplacement);
    p += used;
    n -= used;
  }
  return out;
}

std::string ITextEntryControl::ToUTF8(const std::u16string& utf16)
{
  std::string out;
  for (size_t i = 0; i < utf16.size(); ++i)
  {
    const uint32_t u = utf16[i];
    if (IsHighSurrogate(u) && i + 1 < utf16.size() && IsLowSurrogate(utf16[i + 1]))
    {
      AppendUTF8(out, 0x10000 + ((u - 0xD800) << 10) + (utf16[i + 1] - 0xDC00u));
      ++i;
    }
    else
    {
      AppendUTF8(out, (IsHighSurrogate(u) || IsLowSurrogate(u)) ? kReplacement : u);
    }
  }
  return out;
}

// ---------------------------------------------------------------------------------------
// Construction and the edit

ITextEntryControl::ITextEntryControl()
  : IControl(IRECT(), -1, StartCursorBlink), mEditState(std::make_unique<EditState>())
{
  stb_textedit_initialize_state(&mEditState->state, 1);
}

ITextEntryControl::~ITextEntryControl() = default;

std::string ITextEntryControl::GetText() const { return ToUTF8(mEditString); }
int ITextEntryControl::GetCursor() const { return mEditState->state.cursor; }
int ITextEntryControl::GetSelectionStart() const { return mEditState->state.select_start; }
int ITextEntryControl::GetSelectionEnd() const { return mEditState->state.select_end; }

void ITextEntryControl::CreateTextEntry(int paramIdx, const IText& text, const IRECT& bounds, int /*length*/,
                                        const char* str)
{
  mEditParamIdx = paramIdx;
  SetTargetAndDrawRECTs(bounds);
  SetText(text);
  mText.mFGColor = mText.mTextEntryFGColor;
  mEditString = ToUTF16(str ? str : "");
  // A new entry starts a new history: undo never reaches a text edited before.
  STB_TexteditState& state = mEditState->state;
  stb_textedit_initialize_state(&state, 1);
  state.select_start = 0;
  state.select_end = static_cast<int>(mEditString.size());
  state.cursor = 0;
  RebuildCharWidths();
  mEditing = true;
  SetDirty(true); // starts the blink
}

void ITextEntryControl::Close()
{
  mEditing = false;
  mCursorIsVisible = false;
  SetAnimation(nullptr);
  SetTargetAndDrawRECTs(IRECT());
}

void ITextEntryControl::CommitEdit()
{
  if (!mEditing)
    return;
  const std::string text = ToUTF8(mEditString);
  // Closed first: applying the text may open another entry.
  Close();
  if (IGraphics* g = GetUI())
  {
    g->SetControlValueAfterTextEdit(text.c_str());
    g->SetAllControlsDirty();
  }
}

void ITextEntryControl::DismissEdit()
{
  if (!mEditing)
    return;
  Close();
  if (IGraphics* g = GetUI())
  {
    g->ClearControlInTextEntry();
    g->SetAllControlsDirty();
  }
}

// ---------------------------------------------------------------------------------------
// The editing's callbacks

void ITextEntryControl::RebuildCharWidths()
{
  const size_t n = mEditString.size();
  mCharWidths.assign(n, 0.f);
  IGraphics* g = GetUI();
  if (!g)
    return;
  // The text of the code point that starts at i ("" for the second half of a pair).
  auto unitText = [this, n](size_t i) -> std::string {
    const char16_t u = mEditString[i];
    if (IsLowSurrogate(u) && i > 0 && IsHighSurrogate(mEditString[i - 1]))
      return std::string();
    const size_t len = (IsHighSurrogate(u) && i + 1 < n && IsLowSurrogate(mEditString[i + 1])) ? 2 : 1;
    return ToUTF8(mEditString.substr(i, len));
  };
  IRECT bounds;
  std::string previous;
  for (size_t i = 0; i < n; ++i)
  {
    const std::string current = unitText(i);
    if (current.empty())
      continue;
    // Measured after its neighbour, so that kerning between the two counts.
    const float pair = g->MeasureText(mText, (previous + current).c_str(), bounds);
    mCharWidths[i] = previous.empty() ? pair : pair - g->MeasureText(mText, previous.c_str(), bounds);
    previous = current;
  }
}

float ITextEntryControl::CharWidth(int idx)
{
  if (mCharWidths.size() != mEditString.size())
    RebuildCharWidths();
  return (idx >= 0 && idx < static_cast<int>(mCharWidths.size())) ? mCharWidths[static_cast<size_t>(idx)] : 0.f;
}

ITextEntryControl::Row ITextEntryControl::LayoutRow()
{
  Row row;
  float w = 0.f;
  for (int i = 0; i < static_cast<int>(mEditString.size()); ++i)
    w += CharWidth(i);
  row.numChars = static_cast<int>(mEditString.size());
  switch (mText.mAlign)
  {
    case EAlign::Near: row.x0 = mRECT.L; break;
    case EAlign::Center: row.x0 = mRECT.MW() - w / 2.f; break;
    case EAlign::Far: row.x0 = mRECT.R - w; break;
  }
  row.x1 = row.x0 + w;
  const float size = mText.mSize;
  switch (mText.mVAlign)
  {
    case EVAlign::Top: row.ymin = 0.f; break;
    case EVAlign::Middle: row.ymin = (mRECT.H() - size) / 2.f; break;
    case EVAlign::Bottom: row.ymin = mRECT.H() - size; break;
  }
  row.ymax = row.ymin + size;
  return row;
}

void ITextEntryControl::DeleteChars(int pos, int n)
{
  // The editing's history cannot always keep what it removed (its storage is bounded), and
  // may then ask for a deletion beyond the text: nothing is deleted, and the history, which
  // no longer matches the text, is dropped after the edit.
  if (pos < 0 || static_cast<size_t>(pos) > mEditString.size())
  {
    mHistoryLost = true;
    return;
  }
  if (n < 0)
    mEditString.erase(static_cast<size_t>(pos));
  else
    mEditString.erase(static_cast<size_t>(pos), static_cast<size_t>(n));
  RebuildCharWidths();
}

bool ITextEntryControl::InsertChars(int pos, const char16_t* chars, int n)
{
  if (pos < 0 || static_cast<size_t>(pos) > mEditString.size() || n < 0)
  {
    mHistoryLost = true;
    return false;
  }
  mEditString.insert(static_cast<size_t>(pos), chars, static_cast<size_t>(n));
  RebuildCharWidths();
  return true;
}

// ---------------------------------------------------------------------------------------
// Editing operations

namespace {
struct Snapshot
{
  int cursor, selectStart, selectEnd;
  std::u16string text;
  bool operator==(const Snapshot& o) const
  {
    return cursor == o.cursor && selectStart == o.selectStart && selectEnd == o.selectEnd && text == o.text;
  }
};
Snapshot Take(const STB_TexteditState& s, const std::u16string& text)
{
  return Snapshot{s.cursor, s.select_start, s.select_end, text};
}
} // namespace

void ITextEntryControl::KeepWithinText()
{
  // The editing leaves the selection where it was when an undo shortens the text; here the
  // cursor and both ends always lie within the text, and without a selection both ends sit
  // at the cursor.
  STB_TexteditState& state = mEditState->state;
  stb_textedit_clamp(this, &state);
  const int n = static_cast<int>(mEditString.size());
  state.cursor = std::clamp(state.cursor, 0, n);
  if (state.select_start == state.select_end)
    state.select_start = state.select_end = state.cursor;
}

void ITextEntryControl::KeepValidText()
{
  bool replaced = false;
  const size_t n = mEditString.size();
  for (size_t i = 0; i < n; ++i)
  {
    const char16_t u = mEditString[i];
    if (IsHighSurrogate(u) && i + 1 < n && IsLowSurrogate(mEditString[i + 1]))
    {
      ++i; // a whole pair
      continue;
    }
    if (u == 0 || IsHighSurrogate(u) || IsLowSurrogate(u))
    {
      mEditString[i] = static_cast<char16_t>(kReplacement);
      replaced = true;
    }
  }
  if (replaced)
    RebuildCharWidths();
}

bool ITextEntryControl::Edit(const std::function<void()>& operation)
{
  KeepWithinText();
  const Snapshot before = Take(mEditState->state, mEditString);
  operation();
  // An edit may split a pair or bring back characters the history did not keep: the text is
  // made valid again before anyone reads it.
  KeepValidText();
  KeepWithinText();
  if (mHistoryLost)
  {
    STB_TexteditState& lost = mEditState->state;
    const int cursor = lost.cursor, selectStart = lost.select_start, selectEnd = lost.select_end;
    stb_textedit_initialize_state(&lost, 1);
    lost.cursor = cursor, lost.select_start = selectStart, lost.select_end = selectEnd;
    mHistoryLost = false;
  }
  // The cursor never rests between the halves of a pair: it goes on the way it moved.
  STB_TexteditState& state = mEditState->state;
  if (PairEndsAt(state.cursor + 1))
  {
    state.cursor += state.cursor < before.cursor ? -1 : 1;
    KeepWithinText();
  }
  const bool changed = !(Take(mEditState->state, mEditString) == before);
  if (changed)
    SetDirty(false);
  return changed;
}

bool ITextEntryControl::PairEndsAt(int pos) const
{
  return pos >= 2 && static_cast<size_t>(pos) <= mEditString.size() &&
         IsHighSurrogate(mEditString[static_cast<size_t>(pos - 2)]) &&
         IsLowSurrogate(mEditString[static_cast<size_t>(pos - 1)]);
}

bool ITextEntryControl::EditWithKey(uint32_t code)
{
  return Edit([this, code]() {
    // A surrogate pair is deleted whole: selected first, so the history keeps both halves.
    STB_TexteditState& state = mEditState->state;
    if (state.select_start == state.select_end)
    {
      const int at = state.cursor;
      if (code == STB_TEXTEDIT_K_BACKSPACE && PairEndsAt(at))
        state.select_start = at - 2, state.select_end = at;
      else if (code == STB_TEXTEDIT_K_DELETE && PairEndsAt(at + 2))
        state.select_start = at, state.select_end = at + 2;
    }
    stb_textedit_key(this, &state, code);
  });
}

bool ITextEntryControl::InsertText(const std::u16string& text)
{
  // The selection replaced, the cursor behind the text, one insertion in the history.
  return Edit([this, &text]() {
    stb_textedit_paste(this, &mEditState->state, text.data(), static_cast<int>(text.size()));
  });
}

void ITextEntryControl::SelectAll()
{
  STB_TexteditState& state = mEditState->state;
  state.select_start = 0;
  state.select_end = static_cast<int>(mEditString.size());
  state.cursor = state.select_end;
  SetDirty(false);
}

void ITextEntryControl::CopySelection()
{
  const STB_TexteditState& state = mEditState->state;
  const int n = static_cast<int>(mEditString.size());
  const int lo = std::clamp(std::min(state.select_start, state.select_end), 0, n);
  const int hi = std::clamp(std::max(state.select_start, state.select_end), 0, n);
  if (lo == hi)
    return;
  if (IGraphics* g = GetUI())
    g->SetTextInClipboard(ToUTF8(mEditString.substr(static_cast<size_t>(lo), static_cast<size_t>(hi - lo))).c_str());
}

void ITextEntryControl::Paste()
{
  IGraphics* g = GetUI();
  CharBuf str(128);
  if (g && g->GetTextFromClipboard(str))
    InsertText(ToUTF16(str.Get()));
}

void ITextEntryControl::OnCutCopyPaste(const IPopupMenu* pMenu)
{
  if (!pMenu || !mEditing)
    return;
  Edit([this, pMenu]() {
    switch (pMenu->GetChosenItemIdx())
    {
      case 0:
        CopySelection();
        stb_textedit_cut(this, &mEditState->state);
        break;
      case 1:
        CopySelection();
        break;
      case 2:
        Paste();
        break;
      default:
        break;
    }
  });
}

void ITextEntryControl::OnPopupMenuSelection(IPopupMenu* pSelectedMenu, int /*valIdx*/)
{
  OnCutCopyPaste(pSelectedMenu);
}

// ---------------------------------------------------------------------------------------
// Mouse

void ITextEntryControl::OnMouseDown(float x, float y, const IMouseMod& mod)
{
  if (!mRECT.Contains(x, y))
  {
    CommitEdit();
    return;
  }
  if (!mEditing)
    return;
  if (mod.L)
    Edit([this, x, y]() { stb_textedit_click(this, &mEditState->state, x, y); });
  else if (mod.R)
  {
    if (IGraphics* g = GetUI())
      g->CreatePopupMenu(*this, EditMenu(), IRECT(x, y, x, y));
  }
}

void ITextEntryControl::OnMouseDrag(float x, float y, float /*dX*/, float /*dY*/, const IMouseMod& mod)
{
  if (!mEditing || !mod.L)
    return;
  Edit([this, x, y]() { stb_textedit_drag(this, &mEditState->state, x, y); });
}

void ITextEntryControl::OnMouseUp(float x, float y, const IMouseMod& mod)
{
  if (!mEditing || !mod.L)
    return;
  OnMouseDrag(x, y, 0.f, 0.f, mod);
  SetDirty(true); // the blink starts over
}

void ITextEntryControl::OnMouseDblClick(float /*x*/, float /*y*/, const IMouseMod& /*mod*/)
{
  if (mEditing)
    SelectAll();
}

// ---------------------------------------------------------------------------------------
// Keys

bool ITextEntryControl::OnKeyDown(float /*x*/, float /*y*/, const IKeyPress& key)
{
  if (!mEditing)
    return false;

  if (key.C && key.VK >= 'A' && key.VK <= 'Z')
  {
    switch (key.VK)
    {
      case 'A':
        SelectAll();
        return true;
      case 'C':
        CopySelection();
        return true;
      case 'V':
        Paste();
        return true;
      case 'X':
        CopySelection();
        Edit([this]() { stb_textedit_cut(this, &mEditState->state); }); // the selection only
        return true;
      case 'Z':
        EditWithKey(key.S ? kRedoKey : kUndoKey);
        return true;
      default:
        break;
    }
  }

  const uint32_t cp = KeyCodePoint(key.utf8);
  const uint32_t noChar = kKeyNoChar | static_cast<uint32_t>(key.VK);
  uint32_t code = 0;
  switch (key.VK)
  {
    case 8:
    case 33:
    case 34:
    case 35:
    case 36:
    case 37:
    case 38:
    case 39:
    case 40:
    case 46:
      code = noChar;
      break;
    case 13:
      // The entry is closed: the key goes no further.
      CommitEdit();
      return true;
    case 27:
      DismissEdit();
      return true;
    case 32:
      code = ' ';
      break;
    case 9:
      return false;
    default:
    {
      // Typing is limited by the kind of the edited control's parameter.
      const IParam* param = mDelegate ? mDelegate->GetParam(mEditParamIdx) : nullptr;
      const int kind = param ? param->Kind() : kKindNone;
      const bool digitKey = (!key.S && key.VK >= 48 && key.VK <= 57) || (key.VK >= 96 && key.VK <= 105);
      const uint32_t digit = (cp >= '0' && cp <= '9') ? cp : uint32_t('0' + (key.VK >= 96 ? key.VK - 96 : key.VK - 48));
      if (kind == kKindBool || kind == kKindInt || kind == kKindEnum)
        code = digitKey ? digit : ((cp == '+' || cp == '-') ? cp : noChar);
      else if (kind == kKindDouble)
        code = digitKey ? digit : ((cp == '+' || cp == '-' || cp == '.') ? cp : noChar);
      else
        code = cp ? cp : noChar;
      break;
    }
  }

  if (!(code & kKeyNoChar) && code > 0xFFFF && !key.C)
  {
    // Beyond the basic plane: a surrogate pair, inserted as one step.
    std::u16string pair;
    AppendUTF16(pair, code);
    return InsertText(pair);
  }
  if (key.S)
    code |= kModShift;
  if (key.C)
    code |= kModControl;
  if (key.A)
    code |= kModAlt;
  return EditWithKey(code);
}

// ---------------------------------------------------------------------------------------
// Blink and drawing

void ITextEntryControl::StartCursorBlink(IControl* caller)
{
  auto* entry = dynamic_cast<ITextEntryControl*>(caller);
  if (!entry)
    return;
  entry->mCursorIsVisible = true;
  entry->SetAnimation(CursorBlinkFunc, kBlinkMs);
}

void ITextEntryControl::CursorBlinkFunc(IControl* caller)
{
  auto* entry = dynamic_cast<ITextEntryControl*>(caller);
  if (!entry)
    return;
  const double progress = entry->GetAnimationProgress();
  if (progress > 0.5 && entry->mCursorIsVisible)
  {
    entry->mCursorIsVisible = false;
    entry->SetDirty(false);
  }
  if (progress > 1.0)
    entry->OnEndAnimation();
}

void ITextEntryControl::OnEndAnimation()
{
  IControl::OnEndAnimation();
  if (mEditing)
    SetDirty(true); // the next blink cycle
}

void ITextEntryControl::Draw(IGraphics& g)
{
  if (!mEditing)
    return;
  g.FillRect(mText.mTextEntryBGColor, mRECT);

  const Row row = LayoutRow();
  const STB_TexteditState& state = mEditState->state;
  const float size = mText.mSize;
  const float top = mRECT.T + row.ymin + 0.1f * size;
  const float bottom = mRECT.T + row.ymax - 0.1f * size;
  auto xAt = [this, &row](int idx) {
    float x = row.x0;
    for (int i = 0; i < idx; ++i)
      x += CharWidth(i);
    return x;
  };

  if (state.select_start != state.select_end)
  {
    const IBlend faint(EBlend::SrcOver, 0.2f);
    const float from = xAt(std::min(state.select_start, state.select_end));
    const float to = xAt(std::max(state.select_start, state.select_end));
    g.FillRect(mText.mTextEntryFGColor, IRECT(from, top, to, bottom), &faint);
  }

  g.DrawText(mText, ToUTF8(mEditString).c_str(), mRECT);

  if (state.select_start == state.select_end && mCursorIsVisible)
  {
    const float x = xAt(state.cursor);
    g.FillRect(mText.mTextEntryFGColor, IRECT(std::round(x - 1.f), top, std::round(x), bottom));
  }
}

} // namespace igraphics
} // namespace plug
