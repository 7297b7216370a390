// libFuzzer target for the in-editor text entry: the first byte gives the length of a text
// that goes to the clipboard and is pasted into an entry opened over a double parameter; every
// further byte is a key (or a click) of an editing session, some taking following bytes as
// the typed character, valid UTF-8 or not (until the text is a few thousand bytes long).
// After every step the cursor and selection lie within the text and the text reads back as
// the same UTF-8; committing keeps the parameter in its range.
#include "tests/fuzz/FuzzCheck.h"

#include "HeadlessGraphics.h"
#include "TestControl.h"
#include "TestDelegate.h"
#include "graphics/ITextEntryControl.h"
#include "plug/IParam.h"

#include <string>

using fuzzcheck::Require;
using namespace plug::igraphics;

namespace {

void CheckEntry(const ITextEntryControl& entry)
{
  const std::string text = entry.GetText();
  const int length = static_cast<int>(ITextEntryControl::ToUTF16(text.c_str()).size());
  Require(ITextEntryControl::ToUTF8(ITextEntryControl::ToUTF16(text.c_str())) == text, "the text is UTF-8");
  for (int position : {entry.GetCursor(), entry.GetSelectionStart(), entry.GetSelectionEnd()})
    Require(position >= 0 && position <= length, "cursor and selection lie within the text");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  if (size == 0)
    return 0;
  testgraphics::TestDelegate dlg(2);
  dlg.GetParam(0)->DefineDouble("Drive", 0.0, -10.0, 10.0, 0.01, "dB");
  testgraphics::HeadlessGraphics* g = dlg.Open();
  g->AttachTextEntryControl();
  auto* field = new testgraphics::TestControl(IRECT(100.f, 100.f, 300.f, 140.f), 0);
  field->DisablePrompt(false);
  g->AttachControl(field);
  ITextEntryControl* entry = g->GetTextEntryControl();

  const size_t textLength = std::min<size_t>(data[0], size - 1);
  g->mClipboard.assign(reinterpret_cast<const char*>(data + 1), textLength);
  g->mClipboardHasText = true;
  g->OnMouseDblClick(200.f, 120.f, IMouseMod(true));
  Require(entry->EditInProgress(), "a double click opens the entry");
  g->OnKeyDown(0.f, 0.f, IKeyPress("v", 'V', false, true));
  CheckEntry(*entry);

  static const int kKeys[] = {37, 39, 36, 35, 8, 46, 38, 40, 33, 34};
  // Copying and pasting can double the text at every step: beyond a few thousand bytes the
  // session only grows slower, not different.
  for (size_t i = 1 + textLength; i < size && entry->EditInProgress() && entry->GetText().size() < 4096; ++i)
  {
    const uint8_t b = data[i];
    switch (b % 8)
    {
      case 0: // a key without character, maybe with shift or alt
        g->OnKeyDown(0.f, 0.f, IKeyPress("", kKeys[(b / 8) % 10], (b & 0x40) != 0, false, (b & 0x80) != 0));
        break;
      case 1: // undo or redo
        g->OnKeyDown(0.f, 0.f, IKeyPress("z", 'Z', (b & 0x08) != 0, true));
        break;
      case 2: // select all, copy, cut or paste
      {
        static const char kLetters[] = {'A', 'C', 'X', 'V'};
        const char letter = kLetters[(b / 8) % 4];
        const char text[2] = {static_cast<char>(letter - 'A' + 'a'), 0};
        g->OnKeyDown(0.f, 0.f, IKeyPress(text, letter, false, true));
        break;
      }
      case 3: // a click or a drag in the field
      {
        const float x = 90.f + static_cast<float>(b);
        g->OnMouseDown({IMouseInfo(x, 120.f, IMouseMod(true))});
        g->OnMouseDrag({IMouseInfo(x + 20.f, 120.f, IMouseMod(true), 20.f, 0.f)});
        g->OnMouseUp({IMouseInfo(x + 20.f, 120.f, IMouseMod(true))});
        break;
      }
      default: // a character: up to four following bytes, as a keyboard would send them
      {
        char text[5] = {};
        const size_t n = std::min<size_t>(1 + (b / 8) % 4, size - i - 1);
        for (size_t k = 0; k < n; ++k)
          text[k] = static_cast<char>(data[i + 1 + k]);
        i += n;
        const int vk = text[0] >= '0' && text[0] <= '9' ? text[0] : 0;
        g->OnKeyDown(0.f, 0.f, IKeyPress(text, vk));
        break;
      }
    }
    CheckEntry(*entry);
  }
  g->OnKeyDown(0.f, 0.f, IKeyPress("", 13));
  fuzzcheck::RequireParamsInRange(dlg);
  return 0;
}
