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

// Letters and digits of the Basic Multilingual Plane above ASCII, as ranges of the Unicode
// categories L* and Nd for the scripts a keyboard types (sorted, inclusive).
struct Range
{
  char16_t first, last;
};
constexpr Range kAlnumRanges[] = {
  {0x00AA, 0x00AA}, {0x00B5, 0x00B5}, {0x00BA, 0x00BA}, {0x00C0, 0x00D6}, {0x00D8, 0x00F6},
  {0x00F8, 0x02C1}, {0x02C6, 0x02D1}, {0x02E0, 0x02E4}, {0x0370, 0x0374}, {0x0376, 0x0377},
  {0x037A, 0x037D}, {0x037F, 0x037F}, {0x0386, 0x0386}, {0x0388, 0x038A}, {0x038C, 0x038C},
  {0x038E, 0x03A1}, {0x03A3, 0x03F5}, {0x03F7, 0x0481}, {0x048A, 0x052F}, {0x0531, 0x0556},
  {0x0559, 0x0559}, {0x0560, 0x0588}, {0x05D0, 0x05EA}, {0x05EF, 0x05F2}, {0x0620, 0x064A},
  {0x0660, 0x0669}, {0x066E, 0x066F}, {0x0671, 0x06D3}, {0x06D5, 0x06D5}, {0x06E5, 0x06E6},
  {0x06EE, 0x06FC}, {0x06FF, 0x06FF}, {0x0904, 0x0939}, {0x093D, 0x093D}, {0x0950, 0x0950},
  {0x0958, 0x0961}, {0x0966, 0x096F}, {0x0971, 0x0980}, {0x0E01, 0x0E30}, {0x0E32, 0x0E33},
  {0x0E40, 0x0E46}, {0x0E50, 0x0E59}, {0x10A0, 0x10C5}, {0x10D0, 0x10FA}, {0x10FC, 0x10FF},
  {0x1100, 0x1248}, {0x1E00, 0x1F15}, {0x1F18, 0x1F1D}, {0x1F20, 0x1F45}, {0x1F48, 0x1F4D},
  {0x1F50, 0x1F57}, {0x1F59, 0x1F59}, {0x1F5B, 0x1F5B}, {0x1F5D, 0x1F5D}, {0x1F5F, 0x1F7D},
  {0x1F80, 0x1FB4}, {0x1FB6, 0x1FBC}, {0x1FBE, 0x1FBE}, {0x1FC2, 0x1FC4}, {0x1FC6, 0x1FCC},
  {0x1FD0, 0x1FD3}, {0x1FD6, 0x1FDB}, {0x1FE0, 0x1FEC}, {0x1FF2, 0x1FF4}, {0x1FF6, 0x1FFC},
  {0x3041, 0x3096}, {0x309D, 0x309F}, {0x30A1, 0x30FA}, {0x30FC, 0x30FF}, {0x3105, 0x312F},
  {0x3131, 0x318E}, {0x3400, 0x4DBF}, {0x4E00, 0x9FFF}, {0xAC00, 0xD7A3}, {0xF900, 0xFA6D},
  {0xFF10, 0xFF19}, {0xFF21, 0xFF3A}, {0xFF41, 0xFF5A}, {0xFF66, 0xFFBE},
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
