#include "platform/mac/IGraphicsViewMapping.h"

#include <algorithm>
#include <iterator>

#include "plug/UTF8.h"

namespace plug {
namespace igraphics {

IMouseMod MacMouseMod(unsigned long modifierFlags, bool rightButton)
{
  IMouseMod mod;
  mod.L = !rightButton;
  mod.R = rightButton || (modifierFlags & kMacModCommand) != 0;
  mod.S = (modifierFlags & kMacModShift) != 0;
  mod.C = (modifierFlags & kMacModControl) != 0;
  mod.A = (modifierFlags & kMacModOption) != 0;
  return mod;
}

namespace {

struct KeyCodeEntry
{
  unsigned short code;
  int vk;
};

// Sorted by key code.
constexpr KeyCodeEntry kKeyCodeTable[] = {
  {51, 8},      // delete (backspace)
  {65, 110},    // keypad decimal point
  {67, 106},    // keypad multiply
  {69, 107},    // keypad plus
  {71, 144},    // keypad clear
  {75, 111},    // keypad divide
  {76, 0x800D}, // keypad enter
  {78, 109},    // keypad minus
  {81, 108},    // keypad equals
  {82, 96},     // keypad 0 to 7
  {83, 97},
  {84, 98},
  {85, 99},
  {86, 100},
  {87, 101},
  {88, 102},
  {89, 103},
  {91, 104},    // keypad 8
  {92, 105},    // keypad 9
  {96, 116},    // F5
  {97, 117},    // F6
  {98, 118},    // F7
  {99, 114},    // F3
  {100, 119},   // F8
  {101, 120},   // F9
  {103, 122},   // F11
  {105, 124},   // F13
  {106, 127},   // F16
  {107, 125},   // F14
  {109, 121},   // F10
  {111, 123},   // F12
  {113, 126},   // F15
  {114, 45},    // help: insert
  {115, 36},    // home
  {116, 33},    // page up
  {117, 46},    // forward delete
  {118, 115},   // F4
  {119, 35},    // end
  {120, 113},   // F2
  {121, 34},    // page down
  {122, 112},   // F1
  {123, 37},    // left arrow
  {124, 39},    // right arrow
  {125, 40},    // down arrow
  {126, 38},    // up arrow
};

// Letters and digits above ASCII, as the system's character classification (isalnum over the
// locale's rune table) knows them: the Unicode categories L* and Nd of the Basic Multilingual
// Plane, generated from the Unicode character database (its version in the table's header).
struct Range
{
  char16_t first, last;
};
constexpr Range kAlnumRanges[] = {
#include "platform/mac/IGraphicsViewAlnumTable.inc"
};

} // namespace

int MacKeyCodeTableLookup(unsigned short keyCode)
{
  const auto it = std::lower_bound(std::begin(kKeyCodeTable), std::end(kKeyCodeTable), keyCode,
                                   [](const KeyCodeEntry& e, unsigned short code) { return e.code < code; });
  return it != std::end(kKeyCodeTable) && it->code == keyCode ? it->vk : 0;
}

bool IsMacKeyAlphanumeric(char16_t c)
{
  if (c < 0x80)
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
  const auto it = std::upper_bound(std::begin(kAlnumRanges), std::end(kAlnumRanges), c,
                                   [](char16_t value, const Range& r) { return value < r.first; });
  return it != std::begin(kAlnumRanges) && c <= std::prev(it)->last;
}

int MacKeyToVirtualKey(unsigned short keyCode, const std::u16string& charactersIgnoringModifiers,
                       unsigned long modifierFlags, int& flags)
{
  if (modifierFlags & kMacModShift)
    flags |= kMacKeyShift;
  if (modifierFlags & kMacModCommand)
    flags |= kMacKeyCommand;
  if (modifierFlags & kMacModOption)
    flags |= kMacKeyOption;
  if (modifierFlags & kMacModControl)
    flags |= kMacKeyControl;

  if (const int vk = MacKeyCodeTableLookup(keyCode))
  {
    flags |= kMacKeyVirtual;
    return vk;
  }
  if (charactersIgnoringModifiers.empty())
  {
    flags |= kMacKeyVirtual;
    return keyCode + 1024;
  }
  constexpr char16_t kF1 = 0xF704, kF24 = 0xF71B;
  char16_t c = charactersIgnoringModifiers[0];
  if (c >= kF1 && c <= kF24)
  {
    flags |= kMacKeyVirtual;
    return 112 + (c - kF1);
  }
  if (c >= 'a' && c <= 'z')
    c = static_cast<char16_t>(c - 'a' + 'A');
  else if (c == 25 && (flags & kMacKeyCommand))
    c = 9;
  if (IsMacKeyAlphanumeric(c) || c == 9 || c == 10 || c == 13 || c == 27 || c == 32)
    flags |= kMacKeyVirtual;
  else
    flags &= ~(kMacKeyVirtual | kMacKeyShift);
  return c;
}

IKeyPress MacKeyPress(unsigned short keyCode, const std::u16string& charactersIgnoringModifiers,
                      unsigned long modifierFlags)
{
  int flags = 0;
  int vk = MacKeyToVirtualKey(keyCode, charactersIgnoringModifiers, modifierFlags, flags);
  std::string utf8;
  if (charactersIgnoringModifiers.size() == 1)
    plug::AppendUTF8(utf8, charactersIgnoringModifiers[0]);
  if (!(flags & kMacKeyVirtual))
    vk = 0;
  IKeyPress key;
  key.VK = vk;
  std::copy_n(utf8.begin(), std::min(utf8.size(), sizeof(key.utf8) - 1), key.utf8);
  key.S = (flags & kMacKeyShift) != 0;
  key.C = (flags & kMacKeyCommand) != 0;
  key.A = (flags & kMacKeyOption) != 0;
  return key;
}

MacCursorChoice MacCursorForKind(int kind)
{
  switch (kind)
  {
    case 1: return {"IBeamCursor", false, nullptr};
    case 2: return {"busyButClickableCursor", true, nullptr};
    case 3: return {"crosshairCursor", false, nullptr};
    case 4: return {"_windowResizeNorthCursor", true, "resizeUpCursor"};
    case 5: return {"_windowResizeNorthWestSouthEastCursor", true, nullptr};
    case 6: return {"_windowResizeNorthEastSouthWestCursor", true, nullptr};
    case 7: return {"_windowResizeEastWestCursor", true, "resizeLeftRightCursor"};
    case 8: return {"_windowResizeNorthSouthCursor", true, "resizeUpDownCursor"};
    case kMacMoveCursorKind: return {nullptr, false, nullptr};
    case 10: return {"operationNotAllowedCursor", false, nullptr};
    case 11: return {"pointingHandCursor", false, nullptr};
    case 12: return {"busyButClickableCursor", true, nullptr};
    case kMacHelpCursorKind: return {"_helpCursor", true, nullptr};
    default: return {"arrowCursor", false, nullptr};
  }
}

} // namespace igraphics
} // namespace plug
