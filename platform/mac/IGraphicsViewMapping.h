#pragma once
// What the editor view makes of AppKit's event fields, without AppKit: the mouse modifiers,
// the virtual key of a key event (Windows numbering) and the system cursor of a cursor kind.
#include "graphics/IGraphicsStructs.h"
#include "plug/IKeyPress.h"

#include <cstdint>
#include <string>

namespace plug {
namespace igraphics {

// AppKit's modifier-flag bits.
constexpr unsigned long kMacModShift = 0x20000;
constexpr unsigned long kMacModControl = 0x40000;
constexpr unsigned long kMacModOption = 0x80000;
constexpr unsigned long kMacModCommand = 0x100000;

// The modifiers of a left-button event (L set, R = command) or a right-button event (R set,
// command not reflected); S, C, A from shift, control and option.
IMouseMod MacMouseMod(unsigned long modifierFlags, bool rightButton);

// Flags of MacKeyToVirtualKey.
enum EMacKeyFlags
{
  kMacKeyVirtual = 0x1,
  kMacKeyShift = 0x4,
  kMacKeyCommand = 0x8,
  kMacKeyOption = 0x10,
  kMacKeyControl = 0x20,
};

// The virtual key of a hardware key code from the fixed table (delete, keypad, F1 to F16,
// help, home, end, page up and down, forward delete, arrows); 0 when the code is not there.
int MacKeyCodeTableLookup(unsigned short keyCode);

// Whether the UTF-16 unit is a letter or a digit by its Unicode properties (any locale).
bool IsMacKeyAlphanumeric(char16_t c);

// The virtual key of a key event and its flags (the caller starts with 0): the table first,
// then key code + 1024 for an event without characters, the function-key characters F1 to F24,
// then the character itself (letters upper-cased; back-tab is tab with command). A key that is
// neither a letter, a digit, tab, line feed, return, escape nor space is not virtual and carries
// no shift.
int MacKeyToVirtualKey(unsigned short keyCode, const std::u16string& charactersIgnoringModifiers,
                       unsigned long modifierFlags, int& flags);

// The key press a key event gives: the virtual key (0 when not virtual), the character as
// UTF-8 when there is exactly one UTF-16 unit, shift, command (C) and option (A); control is
// not passed on.
IKeyPress MacKeyPress(unsigned short keyCode, const std::u16string& charactersIgnoringModifiers,
                      unsigned long modifierFlags);

// The system cursor of a cursor kind: the NSCursor class method to send, whether it is one of
// the private methods that may be missing, and the public method to send instead when it is
// (empty: no cursor, the arrow is used). Kind 9 ("move") is built from the cursor files and
// has no method.
struct MacCursorChoice
{
  const char* method;
  bool isPrivate;
  const char* fallback;
};
MacCursorChoice MacCursorForKind(int kind);
constexpr int kMacMoveCursorKind = 9;
constexpr int kMacHelpCursorKind = 13;

} // namespace igraphics
} // namespace plug
