#include "standin/aaxhost/tool/EditorScript.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "standin/appkit/UserInput.h"
#include "standin/foundation/Unicode.h"

namespace aaxhost
{
namespace
{
const struct
{
  const char* option;
  EditorInput::EKind kind;
  const char* syntax;
} kInputOptions[] = {
  {"--click", EditorInput::kClick, "[MODS+]X,Y"},
  {"--right-click", EditorInput::kRightClick, "[MODS+]X,Y"},
  {"--double-click", EditorInput::kDoubleClick, "[MODS+]X,Y"},
  {"--drag", EditorInput::kDrag, "[MODS+]X,Y:X2,Y2"},
  {"--move", EditorInput::kMove, "[MODS+]X,Y"},
  {"--wheel", EditorInput::kWheel, "[MODS+]X,Y:DELTA"},
  {"--key", EditorInput::kKey, "X,Y:[MODS+]KEY"},
  {"--type", EditorInput::kType, "X,Y:TEXT"},
  {"--menu", EditorInput::kMenu, "I[,I...] or -, then optionally @TURNS or @MSms"},
};

struct NamedKey
{
  const char* name;
  unsigned short code;
  char16_t character;
};

const NamedKey kNamedKeys[] = {
  {"Return", 36, u'\r'},        {"Tab", 48, u'\t'},           {"Space", 49, u' '},
  {"Delete", 51, 0x7F},         {"Escape", 53, 0x1B},         {"Enter", 76, 0x03},
  {"ForwardDelete", 117, 0xF728}, {"Home", 115, 0xF729},      {"End", 119, 0xF72B},
  {"PageUp", 116, 0xF72C},      {"PageDown", 121, 0xF72D},    {"Left", 123, 0xF702},
  {"Right", 124, 0xF703},       {"Down", 125, 0xF701},        {"Up", 126, 0xF700},
  {"F1", 122, 0xF704},          {"F2", 120, 0xF705},          {"F3", 99, 0xF706},
  {"F4", 118, 0xF707},          {"F5", 96, 0xF708},           {"F6", 97, 0xF709},
  {"F7", 98, 0xF70A},           {"F8", 100, 0xF70B},          {"F9", 101, 0xF70C},
  {"F10", 109, 0xF70D},         {"F11", 103, 0xF70E},         {"F12", 111, 0xF70F},
};

// The value syntax of an input option, for the parse errors.
const char* EditorInputSyntax(EditorInput::EKind kind)
{
  for (const auto& entry : kInputOptions)
    if (entry.kind == kind)
      return entry.syntax;
  return "";
}

bool ParseNumber(const std::string& text, double& out)
{
  char* end = nullptr;
  out = std::strtod(text.c_str(), &end);
  return !text.empty() && *end == '\0';
}

bool ParsePoint(const std::string& text, double& x, double& y)
{
  const size_t comma = text.find(',');
  return comma != std::string::npos && ParseNumber(text.substr(0, comma), x) && ParseNumber(text.substr(comma + 1), y);
}

// Takes the modifier names before the last '+' off the text; false for an unknown name.
bool TakeModifiers(std::string& text, unsigned long& flags)
{
  size_t plus;
  // A lone "+" (or a text ending in "++") is the plus key itself.
  while ((plus = text.find('+')) != std::string::npos && plus + 1 < text.size())
  {
    const std::string name = text.substr(0, plus);
    if (name == "cmd")
      flags |= NSEventModifierFlagCommand;
    else if (name == "shift")
      flags |= NSEventModifierFlagShift;
    else if (name == "alt" || name == "opt")
      flags |= NSEventModifierFlagOption;
    else if (name == "ctrl")
      flags |= NSEventModifierFlagControl;
    else
      return false;
    text.erase(0, plus + 1);
  }
  return true;
}

std::string Describe(const EditorInput& step)
{
  char text[160];
  switch (step.kind)
  {
    case EditorInput::kDrag:
      std::snprintf(text, sizeof(text), "drag %g,%g to %g,%g", step.x, step.y, step.x2, step.y2);
      break;
    case EditorInput::kWheel: std::snprintf(text, sizeof(text), "wheel %g at %g,%g", step.delta, step.x, step.y); break;
    case EditorInput::kKey: std::snprintf(text, sizeof(text), "key %s at %g,%g", step.text.c_str(), step.x, step.y); break;
    case EditorInput::kType:
      std::snprintf(text, sizeof(text), "type \"%s\" at %g,%g", step.text.c_str(), step.x, step.y);
      break;
    case EditorInput::kMenu:
    {
      std::string path;
      for (int index : step.path)
        path += (path.empty() ? "" : ",") + std::to_string(index);
      std::snprintf(text, sizeof(text), "the next menu answers %s", path.empty() ? "by dismissing" : path.c_str());
      if (step.delayed)
      {
        const size_t used = std::strlen(text);
        const double ms = std::chrono::duration<double, std::milli>(step.delay.time).count();
        if (ms > 0)
          std::snprintf(text + used, sizeof(text) - used, " after %g ms", ms);
        else
          std::snprintf(text + used, sizeof(text) - used, " after %d turns of its loop", step.delay.turns);
      }
      break;
    }
    default:
    {
      const char* what = step.kind == EditorInput::kClick         ? "click"
                         : step.kind == EditorInput::kRightClick  ? "right-click"
                         : step.kind == EditorInput::kDoubleClick ? "double-click"
                                                                  : "move";
      std::snprintf(text, sizeof(text), "%s %g,%g", what, step.x, step.y);
    }
  }
  std::string out = text;
  if (step.flags & NSEventModifierFlagCommand)
    out += " +cmd";
  if (step.flags & NSEventModifierFlagShift)
    out += " +shift";
  if (step.flags & NSEventModifierFlagOption)
    out += " +alt";
  if (step.flags & NSEventModifierFlagControl)
    out += " +ctrl";
  return out;
}
} // namespace

std::string DescribeEditorInput(const EditorInput& step) { return Describe(step); }

bool EditorInputKind(const std::string& option, EditorInput::EKind& kind)
{
  for (const auto& entry : kInputOptions)
    if (option == entry.option)
    {
      kind = entry.kind;
      return true;
    }
  return false;
}

bool ParseEditorInput(const std::string& value, EditorInput& step, std::string& error)
{
  const auto bad = [&]() {
    error = std::string("expected ") + EditorInputSyntax(step.kind);
    return false;
  };
  if (step.kind == EditorInput::kMenu)
  {
    step.path.clear();
    step.delayed = false;
    const size_t at = value.find('@');
    const std::string items = value.substr(0, at);
    if (at != std::string::npos)
    {
      // Turns of the menu's loop, or milliseconds on the run loop's clock after one turn.
      std::string wait = value.substr(at + 1);
      const bool ms = wait.size() > 2 && wait.compare(wait.size() - 2, 2, "ms") == 0;
      if (ms)
        wait.resize(wait.size() - 2);
      double amount = 0;
      if (!ParseNumber(wait, amount) || amount < 0 || amount > 60000 || (!ms && amount != int(amount)))
        return bad();
      step.delayed = true;
      step.delay = ms ? standin::RunLoopDelay{1, std::chrono::nanoseconds(static_cast<int64_t>(amount * 1e6))}
                      : standin::RunLoopDelay{int(amount), std::chrono::nanoseconds(0)};
    }
    if (items == "-")
      return true;
    for (size_t start = 0; start <= items.size();)
    {
      const size_t comma = std::min(items.find(',', start), items.size());
      double index = 0;
      if (!ParseNumber(items.substr(start, comma - start), index) || index < 0 || index > 10000 || index != int(index))
        return bad();
      step.path.push_back(int(index));
      start = comma + 1;
    }
    return true;
  }
  std::string text = value;
  const bool textual = step.kind == EditorInput::kKey || step.kind == EditorInput::kType;
  if (!textual && !TakeModifiers(text, step.flags))
    return bad();
  const size_t colon = text.find(':');
  const bool hasSecond = step.kind == EditorInput::kDrag || step.kind == EditorInput::kWheel || textual;
  if (hasSecond != (colon != std::string::npos))
    return bad();
  if (!ParsePoint(text.substr(0, colon), step.x, step.y))
    return bad();
  if (!hasSecond)
    return true;
  std::string rest = text.substr(colon + 1);
  switch (step.kind)
  {
    case EditorInput::kDrag: return ParsePoint(rest, step.x2, step.y2) || bad();
    case EditorInput::kWheel: return ParseNumber(rest, step.delta) || bad();
    case EditorInput::kKey:
    {
      if (!TakeModifiers(rest, step.flags) || rest.empty())
        return bad();
      step.text = rest;
      if (standin::Utf8ToUtf16(rest).size() == 1)
        return true;
      for (const NamedKey& key : kNamedKeys)
        if (rest == key.name)
          return true;
      error = "unknown key \"" + rest + "\"";
      return false;
    }
    default: step.text = rest; return !rest.empty() || bad();
  }
}

std::string ReplayEditorInput(NSView* editorView, float drawScale, const EditorInput& step)
{
  using namespace standin::appkit;
  if (step.kind == EditorInput::kMenu)
  {
    if (step.delayed)
      AnswerNextMenu(step.path, step.delay);
    else
      AnswerNextMenu(step.path);
    return Describe(step);
  }
  NSWindow* window = editorView ? editorView->window() : nullptr;
  if (!window)
    return "no editor view in a window: " + Describe(step) + " not delivered";
  const auto at = [&](double x, double y) { return InWindow(editorView, NSMakePoint(x * drawScale, y * drawScale)); };
  MouseOptions options;
  options.flags = step.flags;
  switch (step.kind)
  {
    case EditorInput::kClick: Click(window, at(step.x, step.y), options); break;
    case EditorInput::kRightClick: RightClick(window, at(step.x, step.y), options); break;
    case EditorInput::kDoubleClick:
      Click(window, at(step.x, step.y), options);
      options.clickCount = 2;
      Click(window, at(step.x, step.y), options);
      break;
    case EditorInput::kDrag: Drag(window, at(step.x, step.y), at(step.x2, step.y2), 8, options); break;
    case EditorInput::kMove: MoveMouse(window, at(step.x, step.y), step.flags); break;
    case EditorInput::kWheel: Scroll(window, at(step.x, step.y), step.delta, 0, step.flags); break;
    case EditorInput::kKey:
    {
      MoveMouse(window, at(step.x, step.y));
      unsigned short code = 0xFF;
      std::string characters = step.text;
      for (const NamedKey& key : kNamedKeys)
        if (step.text == key.name)
        {
          code = key.code;
          characters.clear();
          standin::AppendUtf8(characters, key.character);
        }
      PressKey(window, code, characters, step.flags);
      break;
    }
    case EditorInput::kType:
      MoveMouse(window, at(step.x, step.y));
      TypeText(window, step.text);
      break;
    case EditorInput::kMenu: break;
  }
  return Describe(step);
}
} // namespace aaxhost
