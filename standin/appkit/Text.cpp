#include "standin/appkit/Internal.h"
#include "standin/foundation/Unicode.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

using standin::RuntimeClass;
using standin::Utf16ToUtf8;
using namespace standin::appkit::detail;

STANDIN_DEFINE_CLASS(NSColor, NSObject)
STANDIN_DEFINE_CLASS(NSFont, NSObject)
STANDIN_DEFINE_CLASS(NSCharacterSet, NSObject)
STANDIN_DEFINE_CLASS(NSMutableCharacterSet, NSCharacterSet)
STANDIN_DEFINE_CLASS(NSFormatter, NSObject)
STANDIN_DEFINE_CLASS(NSText, NSView)
STANDIN_DEFINE_CLASS(NSTextView, NSText)
STANDIN_DEFINE_CLASS(NSCell, NSObject)
STANDIN_DEFINE_CLASS(NSTextFieldCell, NSCell)
STANDIN_DEFINE_CLASS(NSControl, NSView)
STANDIN_DEFINE_CLASS(NSTextField, NSControl)

NSString* const NSTextDidBeginEditingNotification = standin::ConstantString("NSTextDidBeginEditingNotification");
NSString* const NSTextDidChangeNotification = standin::ConstantString("NSTextDidChangeNotification");
NSString* const NSTextDidEndEditingNotification = standin::ConstantString("NSTextDidEndEditingNotification");
NSString* const NSControlTextDidBeginEditingNotification = standin::ConstantString("NSControlTextDidBeginEditingNotification");
NSString* const NSControlTextDidChangeNotification = standin::ConstantString("NSControlTextDidChangeNotification");
NSString* const NSControlTextDidEndEditingNotification = standin::ConstantString("NSControlTextDidEndEditingNotification");
NSString* const NSTextMovementUserInfoKey = standin::ConstantString("NSTextMovement");

namespace {

CGFloat Component(CGFloat value) { return std::isnan(value) ? 0.0 : std::clamp(value, 0.0, 1.0); }

// The user information of an end of editing (owned).
NSDictionary* MovementInfo(NSTextMovement movement)
{
  NSNumber* number = new NSNumber(static_cast<long long>(movement), false);
  NSDictionary* info = new NSDictionary({NSTextMovementUserInfoKey}, {number});
  number->release();
  return info;
}

NSTextMovement MovementOf(const NSNotification* notification)
{
  const NSDictionary* info = notification ? notification->userInfo() : nullptr;
  const auto* number = dynamic_cast<const NSNumber*>(info ? info->objectForKey(NSTextMovementUserInfoKey) : nullptr);
  return number ? static_cast<NSTextMovement>(number->longLongValue()) : NSTextMovementOther;
}

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c < 0xDC00; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c < 0xE000; }

// Where the character before the position starts (at > 0): a surrogate pair is one character.
size_t CharacterBefore(const std::u16string& text, size_t at)
{
  return at >= 2 && IsLowSurrogate(text[at - 1]) && IsHighSurrogate(text[at - 2]) ? at - 2 : at - 1;
}

// Where the character at the position ends (at < the length).
size_t CharacterAfter(const std::u16string& text, size_t at)
{
  return at + 1 < text.size() && IsHighSurrogate(text[at]) && IsLowSurrogate(text[at + 1]) ? at + 2 : at + 1;
}

} // namespace

// -- NSColor --

NSColor::NSColor(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha, RuntimeClass& cls)
  : NSObject(cls), mRed(Component(red)), mGreen(Component(green)), mBlue(Component(blue)), mAlpha(Component(alpha))
{
}

NSColor* NSColor::colorWithDeviceRed(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha)
{
  return Autoreleased(new NSColor(red, green, blue, alpha));
}

NSColor* NSColor::blackColor() { return colorWithDeviceRed(0, 0, 0, 1); }
NSColor* NSColor::whiteColor() { return colorWithDeviceRed(1, 1, 1, 1); }

bool NSColor::isEqual(const NSObject* other) const
{
  const auto* color = dynamic_cast<const NSColor*>(other);
  return color && color->mRed == mRed && color->mGreen == mGreen && color->mBlue == mBlue && color->mAlpha == mAlpha;
}

// -- NSFont --

NSFont::NSFont(const NSObject* descriptor, CGFloat size) : NSObject(Class()), mDescriptor(Retained(descriptor)), mSize(size) {}

NSFont::~NSFont()
{
  if (mDescriptor)
    mDescriptor->release();
}

NSFont* NSFont::fontWithDescriptor(const NSObject* descriptor, CGFloat size)
{
  if (!descriptor)
    return nullptr;
  return Autoreleased(new NSFont(descriptor, size > 0 ? size : 12.0));
}

NSFont* NSFont::systemFontOfSize(CGFloat size) { return Autoreleased(new NSFont(nullptr, size > 0 ? size : systemFontSize())); }

CGFloat NSFont::LineHeightOfSize(CGFloat size) { return std::ceil(0.95 * size + 0.25 * size); }

// -- character sets --

void NSCharacterSet::Add(const NSString* characters)
{
  if (characters)
    for (char16_t c : characters->UTF16())
      mMembers.insert(c);
}

NSCharacterSet* NSCharacterSet::characterSetWithCharactersInString(const NSString* characters)
{
  auto* set = new NSCharacterSet();
  set->Add(characters);
  return Autoreleased(set);
}

NSCharacterSet* NSCharacterSet::decimalDigitCharacterSet()
{
  NSString* digits = new NSString("0123456789");
  NSCharacterSet* set = characterSetWithCharactersInString(digits);
  digits->release();
  return set;
}

void NSMutableCharacterSet::removeCharactersInString(const NSString* characters)
{
  if (characters)
    for (char16_t c : characters->UTF16())
      mMembers.erase(c);
}

// -- NSFormatter --

NSString* NSFormatter::stringForObjectValue(NSObject*) { return nullptr; }

bool NSFormatter::getObjectValue(NSObject**, const NSString*, NSString**) { return false; }

bool NSFormatter::isPartialStringValid(const NSString*, NSString**, NSString**) { return true; }

// -- NSText --

NSText::NSText(NSRect frame, RuntimeClass& cls) : NSView(frame, cls) {}

NSText::~NSText()
{
  if (mFont)
    mFont->release();
  if (mTextColor)
    mTextColor->release();
}

NSString* NSText::string() const { STANDIN_MAIN_THREAD_ONLY(); return Autoreleased(new NSString(Utf16ToUtf8(mText))); }

void NSText::setString(const NSString* string)
{
  STANDIN_MAIN_THREAD_ONLY();
  mText = string ? string->UTF16() : std::u16string();
  mSelection = NSMakeRange(mText.size(), 0);
}

void NSText::setSelectedRange(NSRange range)
{
  STANDIN_MAIN_THREAD_ONLY();
  const NSUInteger location = std::min<NSUInteger>(range.location, mText.size());
  mSelection = NSMakeRange(location, std::min<NSUInteger>(range.length, mText.size() - location));
}

void NSText::selectAll(NSObject*) { STANDIN_MAIN_THREAD_ONLY(); mSelection = NSMakeRange(0, mText.size()); }

void NSText::setDelegate(NSTextDelegate* delegate)
{
  STANDIN_MAIN_THREAD_ONLY();
  mDelegate = delegate;
  mChanged = false;
  ++mSession;
}

void NSText::setFont(NSFont* font) { STANDIN_MAIN_THREAD_ONLY(); Assign(mFont, font); }

void NSText::setTextColor(NSColor* color) { STANDIN_MAIN_THREAD_ONLY(); Assign(mTextColor, color); }

void NSText::Tell(void (NSTextDelegate::*method)(NSNotification*), const NSString* name)
{
  if (!mDelegate)
    return;
  NSNotification* notification = new NSNotification(name, this, nullptr);
  (mDelegate->*method)(notification);
  notification->release();
}

void NSText::Change(std::u16string proposed, size_t caret)
{
  if (mDelegate)
  {
    const std::u16string offered = proposed;
    if (!mDelegate->textShouldChangeTo(this, proposed))
    {
      NSBeep();
      return;
    }
    if (proposed != offered)
      caret = proposed.size();
  }
  mText = std::move(proposed);
  mSelection = NSMakeRange(std::min(caret, mText.size()), 0);
  if (!std::exchange(mChanged, true))
    Tell(&NSTextDelegate::textDidBeginEditing, NSTextDidBeginEditingNotification);
  Tell(&NSTextDelegate::textDidChange, NSTextDidChangeNotification);
}

void NSText::Insert(const std::u16string& units)
{
  if (!mEditable || units.empty())
    return;
  std::u16string proposed = mText;
  proposed.replace(mSelection.location, mSelection.length, units);
  Change(std::move(proposed), mSelection.location + units.size());
}

void NSText::insertText(const NSString* text)
{
  STANDIN_MAIN_THREAD_ONLY();
  if (text)
    Insert(text->UTF16());
}

void NSText::deleteBackward(NSObject*)
{
  STANDIN_MAIN_THREAD_ONLY();
  if (!mEditable)
    return;
  size_t from = mSelection.location, to = mSelection.location + mSelection.length;
  if (from == to)
  {
    if (from == 0)
      return;
    from = CharacterBefore(mText, from);
  }
  std::u16string proposed = mText;
  proposed.erase(from, to - from);
  Change(std::move(proposed), from);
}

void NSText::deleteForward(NSObject*)
{
  STANDIN_MAIN_THREAD_ONLY();
  if (!mEditable)
    return;
  size_t from = mSelection.location, to = mSelection.location + mSelection.length;
  if (from == to)
  {
    if (to >= mText.size())
      return;
    to = CharacterAfter(mText, to);
  }
  std::u16string proposed = mText;
  proposed.erase(from, to - from);
  Change(std::move(proposed), from);
}

void NSText::insertNewline(NSObject*)
{
  STANDIN_MAIN_THREAD_ONLY();
  if (mFieldEditor)
    EndEditing(NSTextMovementReturn, false);
  else
    Insert(u"\n");
}

void NSText::insertTab(NSObject*)
{
  STANDIN_MAIN_THREAD_ONLY();
  if (mFieldEditor)
    EndEditing(NSTextMovementTab, false);
  else
    Insert(u"\t");
}

void NSText::insertBacktab(NSObject*)
{
  STANDIN_MAIN_THREAD_ONLY();
  if (mFieldEditor)
    EndEditing(NSTextMovementBacktab, false);
}

void NSText::moveLeft(NSObject*)
{
  STANDIN_MAIN_THREAD_ONLY();
  size_t at = mSelection.location;
  if (mSelection.length == 0 && at > 0)
    at = CharacterBefore(mText, at);
  mSelection = NSMakeRange(at, 0);
}

void NSText::moveRight(NSObject*)
{
  STANDIN_MAIN_THREAD_ONLY();
  size_t at = mSelection.location + mSelection.length;
  if (mSelection.length == 0 && at < mText.size())
    at = CharacterAfter(mText, at);
  mSelection = NSMakeRange(at, 0);
}

void NSText::moveToBeginningOfLine(NSObject*) { STANDIN_MAIN_THREAD_ONLY(); mSelection = NSMakeRange(0, 0); }

void NSText::moveToEndOfLine(NSObject*) { STANDIN_MAIN_THREAD_ONLY(); mSelection = NSMakeRange(mText.size(), 0); }

bool NSText::resignFirstResponder()
{
  STANDIN_MAIN_THREAD_ONLY();
  if (!mDelegate || mEnding)
    return true;
  return EndEditing(NSTextMovementOther, false);
}

bool NSText::EndEditing(NSTextMovement movement, bool forced)
{
  if (!mDelegate || mEnding)
    return true;
  if (!forced && !mDelegate->textShouldEndEditing(this))
  {
    NSBeep();
    return false;
  }
  retain();
  mEnding = true;
  if (NSWindow* window = this->window(); window && window->mFirstResponder == this)
    window->mFirstResponder = nullptr;
  NSTextDelegate* delegate = mDelegate;
  const uint64_t session = mSession;
  NSDictionary* info = MovementInfo(movement);
  NSNotification* notification = new NSNotification(NSTextDidEndEditingNotification, this, info);
  delegate->textDidEndEditing(notification);
  notification->release();
  info->release();
  if (mSession == session) // not begun anew meanwhile
    setDelegate(nullptr);
  mEnding = false;
  release();
  return true;
}

void NSText::keyDown(NSEvent* event)
{
  STANDIN_MAIN_THREAD_ONLY();
  if (event->modifierFlags() & NSEventModifierFlagCommand)
  {
    if (standin::TextOf(event->charactersIgnoringModifiers()) == "a")
      selectAll(nullptr);
    else
      NSView::keyDown(event); // key equivalents are the responders' above
    return;
  }
  const std::u16string characters = event->characters()->UTF16();
  const bool editing = mDelegate != nullptr;
  retain();
  std::u16string run;
  const auto flush = [&] {
    Insert(run);
    run.clear();
  };
  for (char16_t c : characters)
  {
    if (editing && !mDelegate)
      break; // editing ended with an earlier character
    if (c >= 0x20 && c != 0x7F && !(c >= 0xF700 && c <= 0xF8FF))
    {
      run.push_back(c);
      continue;
    }
    flush();
    switch (c)
    {
    case '\r':
    case '\n':
    case 3: // Enter
      insertNewline(nullptr);
      break;
    case '\t':
      insertTab(nullptr);
      break;
    case 25: // back-tab
      insertBacktab(nullptr);
      break;
    case 8:
    case 0x7F:
      deleteBackward(nullptr);
      break;
    case NSDeleteFunctionKey:
      deleteForward(nullptr);
      break;
    case NSLeftArrowFunctionKey:
      moveLeft(nullptr);
      break;
    case NSRightArrowFunctionKey:
      moveRight(nullptr);
      break;
    case NSUpArrowFunctionKey:
    case NSHomeFunctionKey:
      moveToBeginningOfLine(nullptr);
      break;
    case NSDownArrowFunctionKey:
    case NSEndFunctionKey:
      moveToEndOfLine(nullptr);
      break;
    case 0x1B: // Escape: the platform's completion, which a plain field does not offer
      break;
    default:
      NSBeep();
      break;
    }
  }
  if (!editing || mDelegate)
    flush();
  release();
}

void NSText::mouseDown(NSEvent*) { STANDIN_MAIN_THREAD_ONLY(); mSelection = NSMakeRange(mText.size(), 0); }

NSTextView::NSTextView(NSRect frame, RuntimeClass& cls) : NSText(frame, cls) {}

NSTextView::~NSTextView()
{
  if (mInsertionPointColor)
    mInsertionPointColor->release();
}

void NSTextView::setInsertionPointColor(NSColor* color) { STANDIN_MAIN_THREAD_ONLY(); Assign(mInsertionPointColor, color); }

// -- cells --

NSCell::NSCell(const NSString* text, RuntimeClass& cls)
  : NSObject(cls), mObjectValue(new NSString(standin::appkit::detail::Text(text)))
{
}

NSCell::~NSCell()
{
  if (mObjectValue)
    mObjectValue->release();
  if (mFormatter)
    mFormatter->release();
  if (mFont)
    mFont->release();
}

void NSCell::setObjectValue(NSObject* value) { STANDIN_MAIN_THREAD_ONLY(); Assign(mObjectValue, value); }

std::string NSCell::Text() const
{
  if (mFormatter)
  {
    const NSString* text = mFormatter->stringForObjectValue(mObjectValue);
    return text ? text->Text() : std::string();
  }
  if (const auto* number = dynamic_cast<const NSNumber*>(mObjectValue))
  {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", number->doubleValue());
    return buffer;
  }
  return standin::TextOf(mObjectValue);
}

NSString* NSCell::stringValue() const { STANDIN_MAIN_THREAD_ONLY(); return Autoreleased(new NSString(Text())); }

void NSCell::setStringValue(const NSString* string)
{
  STANDIN_MAIN_THREAD_ONLY();
  NSString* text = new NSString(standin::appkit::detail::Text(string));
  NSObject* value = text;
  NSString* error = nullptr;
  if (mFormatter && !(mFormatter->getObjectValue(&value, text, &error) && value))
    value = text;
  setObjectValue(value);
  text->release();
}

void NSCell::setFormatter(NSFormatter* formatter) { STANDIN_MAIN_THREAD_ONLY(); Assign(mFormatter, formatter); }

void NSCell::setFont(NSFont* font) { STANDIN_MAIN_THREAD_ONLY(); Assign(mFont, font); }

namespace {

CGFloat Inset(const NSCell& cell) { return cell.isBezeled() ? 3.0 : cell.isBordered() ? 1.0 : 0.0; }

} // namespace

NSSize NSCell::cellSize() const
{
  STANDIN_MAIN_THREAD_ONLY();
  const CGFloat size = mFont ? mFont->pointSize() : NSFont::systemFontSize();
  const size_t units = standin::Utf8ToUtf16(Text()).size();
  const CGFloat inset = Inset(*this);
  return NSMakeSize(NSFont::AdvanceOf(units, size) + 4 + 2 * inset, NSFont::LineHeightOfSize(size) + 2 * inset);
}

NSRect NSCell::drawingRectForBounds(NSRect bounds)
{
  STANDIN_MAIN_THREAD_ONLY();
  const CGFloat inset = Inset(*this);
  return NSInsetRect(bounds, 2 + inset, inset);
}

void NSCell::SetUpEditor(NSRect frame, NSView* controlView, NSText* editor, NSTextDelegate* delegate, NSRange selection)
{
  if (!editor || !controlView)
    return;
  NSString* text = new NSString(Text());
  editor->setString(text);
  text->release();
  editor->setFrame(frame);
  editor->setFont(mFont);
  editor->setAlignment(mAlignment);
  editor->setEditable(mEditable);
  if (auto* textCell = dynamic_cast<NSTextFieldCell*>(this))
    editor->setTextColor(textCell->textColor());
  controlView->addSubview(editor);
  editor->setDelegate(delegate);
  editor->setSelectedRange(selection);
}

void NSCell::selectWithFrame(NSRect frame, NSView* controlView, NSText* editor, NSTextDelegate* delegate, NSInteger start,
                             NSInteger length)
{
  STANDIN_MAIN_THREAD_ONLY();
  SetUpEditor(frame, controlView, editor, delegate,
              NSMakeRange(static_cast<NSUInteger>(std::max<NSInteger>(0, start)), static_cast<NSUInteger>(std::max<NSInteger>(0, length))));
}

void NSCell::editWithFrame(NSRect frame, NSView* controlView, NSText* editor, NSTextDelegate* delegate, NSEvent*)
{
  STANDIN_MAIN_THREAD_ONLY();
  SetUpEditor(frame, controlView, editor, delegate, NSMakeRange(~NSUInteger(0), 0));
}

void NSCell::endEditing(NSText* editor)
{
  STANDIN_MAIN_THREAD_ONLY();
  if (!editor)
    return;
  NSString* text = new NSString(Utf16ToUtf8(editor->Text()));
  setStringValue(text);
  text->release();
  editor->setDelegate(nullptr);
  editor->removeFromSuperview();
}

NSTextFieldCell::NSTextFieldCell(const NSString* text, RuntimeClass& cls) : NSCell(text, cls) {}

NSTextFieldCell::~NSTextFieldCell()
{
  if (mTextColor)
    mTextColor->release();
  if (mBackgroundColor)
    mBackgroundColor->release();
}

void NSTextFieldCell::setTextColor(NSColor* color) { STANDIN_MAIN_THREAD_ONLY(); Assign(mTextColor, color); }

void NSTextFieldCell::setBackgroundColor(NSColor* color) { STANDIN_MAIN_THREAD_ONLY(); Assign(mBackgroundColor, color); }

// -- NSControl --

NSControl::NSControl(NSRect frame, RuntimeClass& cls) : NSView(frame, cls) {}

NSControl::~NSControl()
{
  if (mCell)
  {
    mCell->setControlView(nullptr);
    mCell->release();
  }
}

void NSControl::setCell(NSCell* cell)
{
  STANDIN_MAIN_THREAD_ONLY();
  if (cell == mCell)
    return;
  if (mCell)
    mCell->setControlView(nullptr);
  Assign(mCell, cell);
  if (mCell)
    mCell->setControlView(this);
}

NSString* NSControl::stringValue() const
{
  STANDIN_MAIN_THREAD_ONLY();
  if (mEditor)
    return mEditor->string(); // the text being typed
  return mCell ? mCell->stringValue() : nullptr;
}

void NSControl::setStringValue(const NSString* string)
{
  STANDIN_MAIN_THREAD_ONLY();
  if (!mCell)
    return;
  mCell->setStringValue(string);
  if (mEditor)
  {
    NSString* text = new NSString(mCell->Text());
    mEditor->setString(text);
    text->release();
  }
}

NSObject* NSControl::objectValue() const { STANDIN_MAIN_THREAD_ONLY(); return mCell ? mCell->objectValue() : nullptr; }
void NSControl::setObjectValue(NSObject* value)
{
  STANDIN_MAIN_THREAD_ONLY();
  if (mCell)
    mCell->setObjectValue(value);
}
NSFont* NSControl::font() const { STANDIN_MAIN_THREAD_ONLY(); return mCell ? mCell->font() : nullptr; }
void NSControl::setFont(NSFont* font)
{
  STANDIN_MAIN_THREAD_ONLY();
  if (mCell)
    mCell->setFont(font);
}
NSTextAlignment NSControl::alignment() const { STANDIN_MAIN_THREAD_ONLY(); return mCell ? mCell->alignment() : NSTextAlignmentNatural; }
void NSControl::setAlignment(NSTextAlignment alignment)
{
  STANDIN_MAIN_THREAD_ONLY();
  if (mCell)
    mCell->setAlignment(alignment);
}
NSFormatter* NSControl::formatter() const { STANDIN_MAIN_THREAD_ONLY(); return mCell ? mCell->formatter() : nullptr; }
void NSControl::setFormatter(NSFormatter* formatter)
{
  STANDIN_MAIN_THREAD_ONLY();
  if (mCell)
    mCell->setFormatter(formatter);
}

// -- NSTextField --

NSTextField::NSTextField(NSRect frame, RuntimeClass& cls) : NSControl(frame, cls)
{
  NSTextFieldCell* cell = new NSTextFieldCell(nullptr);
  cell->setEditable(true);
  cell->setSelectable(true);
  cell->setBezeled(true);
  cell->setDrawsBackground(true);
  setCell(cell);
  cell->release();
}

namespace {

NSTextFieldCell* TextCell(const NSControl* control) { return dynamic_cast<NSTextFieldCell*>(control->cell()); }

} // namespace

bool NSTextField::isEditable() const { STANDIN_MAIN_THREAD_ONLY(); return cell() && cell()->isEditable(); }
void NSTextField::setEditable(bool editable)
{
  STANDIN_MAIN_THREAD_ONLY();
  if (cell())
    cell()->setEditable(editable);
}
bool NSTextField::isSelectable() const { STANDIN_MAIN_THREAD_ONLY(); return cell() && cell()->isSelectable(); }
void NSTextField::setSelectable(bool selectable)
{
  STANDIN_MAIN_THREAD_ONLY();
  if (cell())
    cell()->setSelectable(selectable);
}
bool NSTextField::isBordered() const { STANDIN_MAIN_THREAD_ONLY(); return cell() && cell()->isBordered(); }
void NSTextField::setBordered(bool bordered)
{
  STANDIN_MAIN_THREAD_ONLY();
  if (cell())
    cell()->setBordered(bordered);
}
bool NSTextField::isBezeled() const { STANDIN_MAIN_THREAD_ONLY(); return cell() && cell()->isBezeled(); }
void NSTextField::setBezeled(bool bezeled)
{
  STANDIN_MAIN_THREAD_ONLY();
  if (cell())
    cell()->setBezeled(bezeled);
}
bool NSTextField::drawsBackground() const { STANDIN_MAIN_THREAD_ONLY(); return TextCell(this) && TextCell(this)->drawsBackground(); }
void NSTextField::setDrawsBackground(bool draws)
{
  STANDIN_MAIN_THREAD_ONLY();
  if (NSTextFieldCell* cell = TextCell(this))
    cell->setDrawsBackground(draws);
}
NSColor* NSTextField::textColor() const { STANDIN_MAIN_THREAD_ONLY(); return TextCell(this) ? TextCell(this)->textColor() : nullptr; }
void NSTextField::setTextColor(NSColor* color)
{
  STANDIN_MAIN_THREAD_ONLY();
  if (NSTextFieldCell* cell = TextCell(this))
    cell->setTextColor(color);
  if (mEditor)
    mEditor->setTextColor(color);
}
NSColor* NSTextField::backgroundColor() const { STANDIN_MAIN_THREAD_ONLY(); return TextCell(this) ? TextCell(this)->backgroundColor() : nullptr; }
void NSTextField::setBackgroundColor(NSColor* color)
{
  STANDIN_MAIN_THREAD_ONLY();
  if (NSTextFieldCell* cell = TextCell(this))
    cell->setBackgroundColor(color);
}

void NSTextField::selectText(NSObject*)
{
  STANDIN_MAIN_THREAD_ONLY();
  if (mEditor)
    mEditor->selectAll(nullptr);
  else if (NSWindow* window = this->window())
    window->makeFirstResponder(this);
}

bool NSTextField::acceptsFirstResponder() { STANDIN_MAIN_THREAD_ONLY(); return isEditable() || isSelectable(); }

bool NSTextField::becomeFirstResponder()
{
  STANDIN_MAIN_THREAD_ONLY();
  NSWindow* window = this->window();
  NSCell* cell = this->cell();
  if (!window || !cell || !acceptsFirstResponder())
    return false;
  if (!mEditor)
  {
    NSText* editor = window->fieldEditor(true, this);
    editor->EndEditing(NSTextMovementOther, true); // a field still using it lets go
    mEditor = editor;
    NSEvent* event = NSApplication::sharedApplication()->currentEvent();
    const bool click = event && event->type() == NSEventTypeLeftMouseDown && event->window() == window &&
                       NSMouseInRect(convertPointFromView(event->locationInWindow(), nullptr), bounds(), isFlipped());
    if (click)
      cell->editWithFrame(bounds(), this, editor, this, event);
    else
      cell->selectWithFrame(bounds(), this, editor, this, 0, static_cast<NSInteger>(standin::Utf8ToUtf16(cell->Text()).size()));
  }
  window->mResponderTakingOver = mEditor;
  return true;
}

void NSTextField::mouseDown(NSEvent* event)
{
  STANDIN_MAIN_THREAD_ONLY();
  if (mEditor)
    mEditor->mouseDown(event);
  else
    NSControl::mouseDown(event);
}

bool NSTextField::textShouldEndEditing(NSText* editor)
{
  STANDIN_MAIN_THREAD_ONLY();
  NSFormatter* formatter = this->formatter();
  if (!formatter)
    return true;
  NSString* text = new NSString(Utf16ToUtf8(editor->Text()));
  NSObject* value = nullptr;
  NSString* error = nullptr;
  const bool valid = formatter->getObjectValue(&value, text, &error);
  text->release();
  return valid;
}

void NSTextField::Post(void (NSTextFieldDelegate::*method)(NSNotification*), const NSString* name, NSTextMovement movement)
{
  NSDictionary* info = method == &NSTextFieldDelegate::controlTextDidEndEditing ? MovementInfo(movement) : nullptr;
  NSNotification* notification = new NSNotification(name, this, info);
  if (mDelegate)
    (mDelegate->*method)(notification);
  NSNotificationCenter::defaultCenter()->postNotification(notification);
  notification->release();
  if (info)
    info->release();
}

void NSTextField::textDidBeginEditing(NSNotification*)
{
  STANDIN_MAIN_THREAD_ONLY();
  Post(&NSTextFieldDelegate::controlTextDidBeginEditing, NSControlTextDidBeginEditingNotification, NSTextMovementOther);
}

void NSTextField::textDidChange(NSNotification*)
{
  STANDIN_MAIN_THREAD_ONLY();
  Post(&NSTextFieldDelegate::controlTextDidChange, NSControlTextDidChangeNotification, NSTextMovementOther);
}

void NSTextField::textDidEndEditing(NSNotification* notification)
{
  STANDIN_MAIN_THREAD_ONLY();
  NSText* editor = mEditor;
  if (!editor)
    return;
  retain();
  mEditor = nullptr;
  if (NSCell* cell = this->cell())
    cell->endEditing(editor);
  else
  {
    editor->setDelegate(nullptr);
    editor->removeFromSuperview();
  }
  const NSTextMovement movement = MovementOf(notification);
  Post(&NSTextFieldDelegate::controlTextDidEndEditing, NSControlTextDidEndEditingNotification, movement);
  // After Return the field keeps the focus with its text selected, as long as it is there.
  if (movement == NSTextMovementReturn)
    if (NSWindow* window = this->window(); window && window->firstResponder() == window)
      window->makeFirstResponder(this);
  release();
}

bool NSTextField::textShouldChangeTo(NSText*, std::u16string& proposed)
{
  STANDIN_MAIN_THREAD_ONLY();
  NSFormatter* formatter = this->formatter();
  if (!formatter)
    return true;
  NSString* partial = new NSString(Utf16ToUtf8(proposed));
  NSString* replacement = nullptr;
  NSString* error = nullptr;
  const bool valid = formatter->isPartialStringValid(partial, &replacement, &error);
  partial->release();
  if (valid)
    return true;
  if (!replacement)
    return false;
  proposed = replacement->UTF16();
  return true;
}
