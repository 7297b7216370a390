#pragma once
#include <cstring>

namespace plug {

// One key event as the editor receives it. Virtual key codes follow the Windows numbering
// (letters are 65 'A' to 90 'Z'); utf8 holds the typed character, NUL-terminated.
struct IKeyPress
{
  int VK = 0;
  char utf8[5] = {};
  bool S = false; // shift
  bool C = false; // control / command
  bool A = false; // alt / option

  IKeyPress() = default;
  IKeyPress(const char* text, int vk, bool s = false, bool c = false, bool a = false)
    : VK(vk), S(s), C(c), A(a)
  {
    if (text)
    {
      std::strncpy(utf8, text, sizeof(utf8) - 1);
      utf8[sizeof(utf8) - 1] = '\0';
    }
  }
};

} // namespace plug
