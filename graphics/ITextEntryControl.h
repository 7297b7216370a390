#pragma once
// The in-editor single-line text entry, used instead of the platform's native text field when
// the graphics context has one attached. The context opens it over a control whose value is
// to be typed (IGraphics::CreateTextEntry) and receives the committed text
// (IGraphics::SetControlValueAfterTextEdit).
//
// Cursor movement, selection, insertion, deletion, undo and redo are stb_textedit's; this
// control holds the text (UTF-16), measures its characters, lays out its one row, maps keys
// and the mouse, offers Cut/Copy/Paste on a right click, talks to the clipboard, blinks its
// cursor (visible for the first half of every second) and draws itself.
//
// Return (or a click outside) commits, Escape dismisses; either ends the edit, so the entry
// stops taking the pointer and keys. Keys typed into the field of a bool, int or enum
// parameter are limited to digits, "+" and "-"; a double parameter also takes ".".
//
// Everything runs on the editor's main thread.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "graphics/IControl.h"

namespace plug {
namespace igraphics {

class ITextEntryControl : public IControl
{
public:
  // Key codes handed to the editing: a character's code point, or this bit with the virtual
  // key for a key without character; modifier bits added to either.
  static constexpr uint32_t kKeyNoChar = 0x80000000u;
  static constexpr uint32_t kModShift = 0x40000000u;
  static constexpr uint32_t kModControl = 0x20000000u;
  static constexpr uint32_t kModAlt = 0x10000000u;

  ITextEntryControl();
  ~ITextEntryControl() override;

  // Opens the entry over the bounds with the text style and initial text, the whole text
  // selected. paramIdx is the edited control's parameter: its kind filters the keys; length
  // does not limit what can be typed.
  virtual void CreateTextEntry(int paramIdx, const IText& text, const IRECT& bounds, int length, const char* str);
  // Ends the edit and hands the text to the graphics context, which applies it.
  void CommitEdit();
  // Ends the edit without applying anything.
  void DismissEdit();

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override;
  void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod) override;
  void OnMouseDblClick(float x, float y, const IMouseMod& mod) override;
  bool OnKeyDown(float x, float y, const IKeyPress& key) override;
  void Draw(IGraphics& g) override;
  void OnEndAnimation() override;
  // The Cut/Copy/Paste menu's result comes back to the entry that showed it.
  void OnPopupMenuSelection(IPopupMenu* pSelectedMenu, int valIdx) override;

  // By the chosen item: 0 cut, 1 copy, 2 paste; nothing for -1.
  void OnCutCopyPaste(const IPopupMenu* pMenu);

  // The action function: shows the cursor and starts a blink cycle of one second.
  static void StartCursorBlink(IControl* caller);
  static void CursorBlinkFunc(IControl* caller);

  bool EditInProgress() const { return mEditing; }
  bool IsCursorVisible() const { return mCursorIsVisible; }
  // The text being edited, in UTF-8.
  std::string GetText() const;
  int GetCursor() const;
  int GetSelectionStart() const;
  int GetSelectionEnd() const;

  // The UTF-8 <-> UTF-16 conversions of the entry. Invalid UTF-8 and unpaired surrogates
  // become U+FFFD; code points above U+FFFF are surrogate pairs.
  static std::u16string ToUTF16(const char* utf8);
  static std::string ToUTF8(const std::u16string& utf16);

protected:
  // The row of text as the editing sees it: where it starts and ends across the bounds, and
  // its top and bottom relative to the bounds' top.
  struct Row
  {
    float x0 = 0.f, x1 = 0.f;
    float ymin = 0.f, ymax = 0.f;
    int numChars = 0;
  };
  Row LayoutRow();
  float CharWidth(int idx);
  void RebuildCharWidths();

  // What the editing calls back into.
  void DeleteChars(int pos, int n);
  bool InsertChars(int pos, const char16_t* chars, int n);

  void CopySelection();
  void Paste();
  void SelectAll();
  // Runs an editing operation; true (and dirty) when it changed the text, the cursor or the
  // selection.
  bool Edit(const std::function<void()>& operation);
  // Cursor and selection within the text.
  void KeepWithinText();
  // Every half of a surrogate pair left alone and every U+0000 (which would end the text
  // early) becomes U+FFFD, unit for unit, so positions keep their meaning.
  void KeepValidText();
  // The two units before pos are a surrogate pair.
  bool PairEndsAt(int pos) const;
  // Hands a key code to the editing; true when it changed anything.
  bool EditWithKey(uint32_t code);
  // Inserts text as one step of the undo history, in place of the selection.
  bool InsertText(const std::u16string& text);
  // Closes the entry (no text handed on).
  void Close();

  bool mCursorIsVisible = false;
  bool mEditing = false;
  int mEditParamIdx = -1;
  std::vector<float> mCharWidths;
  std::u16string mEditString;
  // Set when the editing asked for a change the text cannot take (its history went wrong).
  bool mHistoryLost = false;

private:
  struct EditState;
  std::unique_ptr<EditState> mEditState;

public:
  // What the editing reaches the control through (its string callbacks).
  struct Access;
};

} // namespace igraphics
} // namespace plug
