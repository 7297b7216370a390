#pragma once
// Stand-in for AppKit's text entry and what it is made of: colours, fonts, character sets,
// formatters, cells, controls, text fields and the window's field editor.
//
// The editing protocol follows the platform's. A text field that becomes first responder
// starts editing: its cell sets the window's field editor (an NSTextView) over the field
// (selectWithFrame..., or editWithFrame... when a click started it) and the editor becomes the
// window's first responder. Keys typed then reach the editor: printable characters replace
// the selection, Delete and forward Delete remove, the arrows, Home and End move. Every
// change is first offered to the field's formatter (isPartialStringValid...), which may
// refuse it (a beep) or replace the text. Return, Enter, Tab and back-tab end editing; so
// does the editor losing first responder, unless the formatter refuses the whole text
// (getObjectValue...); and so does the field (or a view around it) leaving the window,
// which cannot be refused. Ending takes the editor's text into the cell, takes the editor
// away and tells the field's delegate (controlTextDidEndEditing:), which also hears the
// begin and change of editing. After Return the field, when still in its window, selects
// its text again.
//
// Metrics of the stand-in's fonts: ascender 0.95 and descender -0.25 of the point size, no
// leading, so a line is ceil(1.2 × size) high; every UTF-16 unit advances 0.55 × size.
#include "standin/appkit/View.h"

#include <set>
#include <string>

class NSText;

// -- colours --

class NSColor : public NSObject
{
  STANDIN_OBJECT_CLASS()

  NSColor(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha, standin::RuntimeClass& cls = Class());

  // Components are clamped to 0 to 1 (a number that is none counts as 0). Autoreleased.
  static NSColor* colorWithDeviceRed(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha);
  static NSColor* blackColor();
  static NSColor* whiteColor();

  CGFloat redComponent() const { return mRed; }
  CGFloat greenComponent() const { return mGreen; }
  CGFloat blueComponent() const { return mBlue; }
  CGFloat alphaComponent() const { return mAlpha; }
  bool isEqual(const NSObject* other) const override;

private:
  CGFloat mRed, mGreen, mBlue, mAlpha;
};

// -- fonts --

class NSFont : public NSObject
{
  STANDIN_OBJECT_CLASS()

  // The font of a CoreText font descriptor (retained) at the size (12 for 0 or less);
  // null for a null descriptor. Autoreleased.
  static NSFont* fontWithDescriptor(const NSObject* descriptor, CGFloat size);
  // The system font at the size (13 for 0 or less). Autoreleased.
  static NSFont* systemFontOfSize(CGFloat size);
  static CGFloat systemFontSize() { return 13.0; }
  ~NSFont() override;

  CGFloat pointSize() const { return mSize; }
  bool IsSystemFont() const { return !mDescriptor; }
  CGFloat ascender() const { return 0.95 * mSize; }
  CGFloat descender() const { return -0.25 * mSize; }
  CGFloat leading() const { return 0.0; }
  // ceil(ascender - descender + leading) of a font of the size.
  static CGFloat LineHeightOfSize(CGFloat size);
  static CGFloat AdvanceOf(size_t utf16Units, CGFloat size) { return 0.55 * size * static_cast<CGFloat>(utf16Units); }

private:
  NSFont(const NSObject* descriptor, CGFloat size);
  const NSObject* mDescriptor; // null for the system font
  CGFloat mSize;
};

// -- character sets (of UTF-16 units) --

class NSCharacterSet : public NSObject
{
  STANDIN_OBJECT_CLASS()

  explicit NSCharacterSet(standin::RuntimeClass& cls = Class()) : NSObject(cls) {}
  // Autoreleased.
  static NSCharacterSet* characterSetWithCharactersInString(const NSString* characters);
  static NSCharacterSet* decimalDigitCharacterSet();

  bool characterIsMember(unichar character) const { return mMembers.count(character) != 0; }

protected:
  void Add(const NSString* characters);
  std::set<unichar> mMembers;
};

class NSMutableCharacterSet : public NSCharacterSet
{
  STANDIN_OBJECT_CLASS()

  // An empty set.
  explicit NSMutableCharacterSet(standin::RuntimeClass& cls = Class()) : NSCharacterSet(cls) {}
  void addCharactersInString(const NSString* characters) { Add(characters); }
  void removeCharactersInString(const NSString* characters);
};

// -- formatters --

// Turns object values into text and back, and judges text while it is typed. The base class
// shows nothing, reads nothing and lets every partial text stand.
class NSFormatter : public NSObject
{
  STANDIN_OBJECT_CLASS()

  explicit NSFormatter(standin::RuntimeClass& cls = Class()) : NSObject(cls) {}

  // stringForObjectValue: the text of the value, or null when it has none.
  virtual NSString* stringForObjectValue(NSObject* object);
  // getObjectValue:forString:errorDescription: the value of a text into *object
  // (autoreleased); false when the text is not valid.
  virtual bool getObjectValue(NSObject** object, const NSString* string, NSString** error);
  // isPartialStringValid:newEditingString:errorDescription: false refuses the text being
  // typed; a refusal that sets *newString puts that text in its place.
  virtual bool isPartialStringValid(const NSString* partialString, NSString** newString, NSString** error);
};

// -- the field editor --

struct NSRange
{
  NSUInteger location = 0, length = 0;
};
inline NSRange NSMakeRange(NSUInteger location, NSUInteger length) { return NSRange{location, length}; }

typedef NSInteger NSTextMovement;
constexpr NSTextMovement NSTextMovementOther = 0;
constexpr NSTextMovement NSTextMovementReturn = 0x10;
constexpr NSTextMovement NSTextMovementTab = 0x11;
constexpr NSTextMovement NSTextMovementBacktab = 0x12;

typedef NSUInteger NSTextAlignment;
constexpr NSTextAlignment NSTextAlignmentLeft = 0;
constexpr NSTextAlignment NSTextAlignmentRight = 1;
constexpr NSTextAlignment NSTextAlignmentCenter = 2;
constexpr NSTextAlignment NSTextAlignmentNatural = 4;

typedef NSUInteger NSLineBreakMode;
constexpr NSLineBreakMode NSLineBreakByWordWrapping = 0;
constexpr NSLineBreakMode NSLineBreakByClipping = 2;
constexpr NSLineBreakMode NSLineBreakByTruncatingTail = 4;

extern NSString* const NSTextDidBeginEditingNotification;
extern NSString* const NSTextDidChangeNotification;
extern NSString* const NSTextDidEndEditingNotification;
extern NSString* const NSControlTextDidBeginEditingNotification;
extern NSString* const NSControlTextDidChangeNotification;
extern NSString* const NSControlTextDidEndEditingNotification;
// The key of the end-of-editing notifications' user information: the movement (a number).
extern NSString* const NSTextMovementUserInfoKey;

// What a text editor asks of the object it edits for (a text field).
class NSTextDelegate
{
public:
  virtual bool textShouldEndEditing(NSText*) { return true; }
  virtual void textDidBeginEditing(NSNotification*) {}
  virtual void textDidChange(NSNotification*) {}
  virtual void textDidEndEditing(NSNotification*) {}
  // Whether an edit may make the text `proposed`; the delegate may change it (the
  // platform's shouldChangeText and formatter check).
  virtual bool textShouldChangeTo(NSText*, std::u16string& /*proposed*/) { return true; }

protected:
  ~NSTextDelegate() = default;
};

class NSText : public NSView
{
  STANDIN_OBJECT_CLASS()

  explicit NSText(NSRect frame = NSZeroRect, standin::RuntimeClass& cls = Class());
  ~NSText() override;

  // Autoreleased.
  NSString* string() const;
  void setString(const NSString* string);
  const std::u16string& Text() const { return mText; }
  NSRange selectedRange() const { return mSelection; }
  // Clamped to the text.
  void setSelectedRange(NSRange range);
  void selectAll(NSObject* sender);

  NSTextDelegate* delegate() const { return mDelegate; }
  void setDelegate(NSTextDelegate* delegate);
  void setFieldEditor(bool fieldEditor) { mFieldEditor = fieldEditor; }
  bool isEditable() const { return mEditable; }
  void setEditable(bool editable) { mEditable = editable; }
  // Retained.
  NSFont* font() const { return mFont; }
  void setFont(NSFont* font);
  NSColor* textColor() const { return mTextColor; }
  void setTextColor(NSColor* color);
  NSTextAlignment alignment() const { return mAlignment; }
  void setAlignment(NSTextAlignment alignment) { mAlignment = alignment; }

  // The editing actions keys are bound to.
  void insertText(const NSString* text);
  void deleteBackward(NSObject* sender);
  void deleteForward(NSObject* sender);
  void insertNewline(NSObject* sender);
  void insertTab(NSObject* sender);
  void insertBacktab(NSObject* sender);
  void moveLeft(NSObject* sender);
  void moveRight(NSObject* sender);
  void moveToBeginningOfLine(NSObject* sender);
  void moveToEndOfLine(NSObject* sender);

  bool acceptsFirstResponder() override { return true; }
  // A field editor ends its editing (the delegate may refuse, and so the editor stays).
  bool resignFirstResponder() override;
  void keyDown(NSEvent* event) override;
  // Puts the insertion point at the end (the stand-in has no glyph positions).
  void mouseDown(NSEvent* event) override;

  // Ends editing for the delegate with the movement; forced, the delegate cannot refuse.
  // False when it refused.
  bool EndEditing(NSTextMovement movement, bool forced);

private:
  // Offers the text to the delegate and takes it, with the insertion point at caret.
  void Change(std::u16string proposed, size_t caret);
  void Insert(const std::u16string& units);
  // Notifies the delegate with a new notification of this editor.
  void Tell(void (NSTextDelegate::*method)(NSNotification*), const NSString* name);

  std::u16string mText;
  NSRange mSelection;
  NSTextDelegate* mDelegate = nullptr;
  bool mFieldEditor = false;
  bool mEditable = true;
  bool mChanged = false; // since editing began
  uint64_t mSession = 0;  // counts the delegates set
  bool mEnding = false;
  NSFont* mFont = nullptr;
  NSColor* mTextColor = nullptr;
  NSTextAlignment mAlignment = NSTextAlignmentNatural;
};

class NSTextView : public NSText
{
  STANDIN_OBJECT_CLASS()

  explicit NSTextView(NSRect frame = NSZeroRect, standin::RuntimeClass& cls = Class());
  ~NSTextView() override;

  NSColor* insertionPointColor() const { return mInsertionPointColor; }
  // Retained.
  void setInsertionPointColor(NSColor* color);

private:
  NSColor* mInsertionPointColor = nullptr;
};

// -- cells --

class NSCell : public NSObject
{
  STANDIN_OBJECT_CLASS()

  // initTextCell:
  explicit NSCell(const NSString* text, standin::RuntimeClass& cls = Class());
  ~NSCell() override;

  // The value, retained; with a formatter its text is the formatter's, else the value's own
  // when it is a string.
  NSObject* objectValue() const { return mObjectValue; }
  void setObjectValue(NSObject* value);
  // Autoreleased; "" for a value without text.
  NSString* stringValue() const;
  // With a formatter the value is the formatter's reading of the text (the text itself when
  // the formatter cannot read it).
  void setStringValue(const NSString* string);
  // The text shown (what stringValue answers).
  std::string Text() const;

  // Retained.
  NSFormatter* formatter() const { return mFormatter; }
  void setFormatter(NSFormatter* formatter);
  NSFont* font() const { return mFont; }
  void setFont(NSFont* font);
  NSTextAlignment alignment() const { return mAlignment; }
  void setAlignment(NSTextAlignment alignment) { mAlignment = alignment; }
  NSLineBreakMode lineBreakMode() const { return mLineBreakMode; }
  void setLineBreakMode(NSLineBreakMode mode) { mLineBreakMode = mode; }
  bool isEditable() const { return mEditable; }
  void setEditable(bool editable) { mEditable = editable; }
  bool isSelectable() const { return mSelectable; }
  void setSelectable(bool selectable) { mSelectable = selectable; }
  bool isBordered() const { return mBordered; }
  void setBordered(bool bordered) { mBordered = bordered; }
  bool isBezeled() const { return mBezeled; }
  void setBezeled(bool bezeled) { mBezeled = bezeled; }
  NSView* controlView() const { return mControlView; }
  void setControlView(NSView* view) { mControlView = view; }

  // The size the text needs: its advance plus 4, by a line of the font; a border adds 2 and
  // a bezel 4 to each side's sum.
  virtual NSSize cellSize() const;
  // Where the text goes in a frame: inset 2 left and right, and by the border or bezel.
  virtual NSRect drawingRectForBounds(NSRect bounds);
  // Put the editor over the frame in the control view with the cell's text, font and
  // alignment, and make the delegate its delegate: select the range, or, for a click, put
  // the insertion point at the end.
  virtual void selectWithFrame(NSRect frame, NSView* controlView, NSText* editor, NSTextDelegate* delegate, NSInteger start,
                               NSInteger length);
  virtual void editWithFrame(NSRect frame, NSView* controlView, NSText* editor, NSTextDelegate* delegate, NSEvent* event);
  // Takes the editor's text as the cell's and takes the editor away.
  virtual void endEditing(NSText* editor);

private:
  void SetUpEditor(NSRect frame, NSView* controlView, NSText* editor, NSTextDelegate* delegate, NSRange selection);

  NSObject* mObjectValue = nullptr;
  NSFormatter* mFormatter = nullptr;
  NSFont* mFont = nullptr;
  NSTextAlignment mAlignment = NSTextAlignmentNatural;
  NSLineBreakMode mLineBreakMode = NSLineBreakByWordWrapping;
  bool mEditable = false;
  bool mSelectable = false;
  bool mBordered = false;
  bool mBezeled = false;
  NSView* mControlView = nullptr;
};

class NSTextFieldCell : public NSCell
{
  STANDIN_OBJECT_CLASS()

  explicit NSTextFieldCell(const NSString* text, standin::RuntimeClass& cls = Class());
  ~NSTextFieldCell() override;

  bool drawsBackground() const { return mDrawsBackground; }
  void setDrawsBackground(bool draws) { mDrawsBackground = draws; }
  // Retained.
  NSColor* textColor() const { return mTextColor; }
  void setTextColor(NSColor* color);
  NSColor* backgroundColor() const { return mBackgroundColor; }
  void setBackgroundColor(NSColor* color);

private:
  bool mDrawsBackground = false;
  NSColor* mTextColor = nullptr;
  NSColor* mBackgroundColor = nullptr;
};

// -- controls --

class NSControl : public NSView
{
  STANDIN_OBJECT_CLASS()

  explicit NSControl(NSRect frame = NSZeroRect, standin::RuntimeClass& cls = Class());
  ~NSControl() override;

  NSCell* cell() const { return mCell; }
  // Retains the cell and makes this its control view; the cell keeps its own values.
  void setCell(NSCell* cell);

  // These go to the cell (nothing, or null, without one).
  NSString* stringValue() const;
  void setStringValue(const NSString* string);
  NSObject* objectValue() const;
  void setObjectValue(NSObject* value);
  NSFont* font() const;
  void setFont(NSFont* font);
  NSTextAlignment alignment() const;
  void setAlignment(NSTextAlignment alignment);
  NSFormatter* formatter() const;
  void setFormatter(NSFormatter* formatter);

  // The field editor while the control is being edited, else null.
  NSText* currentEditor() const { return mEditor; }

protected:
  NSText* mEditor = nullptr;

private:
  NSCell* mCell = nullptr;
};

// What a text field tells its delegate.
class NSTextFieldDelegate
{
public:
  virtual void controlTextDidBeginEditing(NSNotification*) {}
  virtual void controlTextDidChange(NSNotification*) {}
  virtual void controlTextDidEndEditing(NSNotification*) {}

protected:
  ~NSTextFieldDelegate() = default;
};

typedef NSUInteger NSFocusRingType;
constexpr NSFocusRingType NSFocusRingTypeDefault = 0;
constexpr NSFocusRingType NSFocusRingTypeNone = 1;
constexpr NSFocusRingType NSFocusRingTypeExterior = 2;

class NSTextField : public NSControl, public NSTextDelegate
{
  STANDIN_OBJECT_CLASS()

  // initWithFrame: an editable, selectable, bezeled field with a background, on an
  // NSTextFieldCell with the empty text.
  explicit NSTextField(NSRect frame = NSZeroRect, standin::RuntimeClass& cls = Class());

  // Not retained.
  NSTextFieldDelegate* delegate() const { return mDelegate; }
  void setDelegate(NSTextFieldDelegate* delegate) { mDelegate = delegate; }

  // These go to the cell (colours and background only to an NSTextFieldCell).
  bool isEditable() const;
  void setEditable(bool editable);
  bool isSelectable() const;
  void setSelectable(bool selectable);
  bool isBordered() const;
  void setBordered(bool bordered);
  bool isBezeled() const;
  void setBezeled(bool bezeled);
  bool drawsBackground() const;
  void setDrawsBackground(bool draws);
  NSColor* textColor() const;
  void setTextColor(NSColor* color);
  NSColor* backgroundColor() const;
  void setBackgroundColor(NSColor* color);

  NSFocusRingType focusRingType() const { return mFocusRingType; }
  void setFocusRingType(NSFocusRingType type) { mFocusRingType = type; }
  bool allowsEditingTextAttributes() const { return mAllowsAttributes; }
  void setAllowsEditingTextAttributes(bool allows) { mAllowsAttributes = allows; }

  // Makes the field first responder, which selects its whole text.
  void selectText(NSObject* sender);

  bool acceptsFirstResponder() override;
  // Starts editing (see above); false outside a window or when neither editable nor
  // selectable.
  bool becomeFirstResponder() override;
  void mouseDown(NSEvent* event) override;

  // The field as the editor's delegate.
  bool textShouldEndEditing(NSText* editor) override;
  void textDidBeginEditing(NSNotification* notification) override;
  void textDidChange(NSNotification* notification) override;
  void textDidEndEditing(NSNotification* notification) override;
  bool textShouldChangeTo(NSText* editor, std::u16string& proposed) override;

private:
  // Tells the delegate and the notification centre.
  void Post(void (NSTextFieldDelegate::*method)(NSNotification*), const NSString* name, NSTextMovement movement);

  NSTextFieldDelegate* mDelegate = nullptr;
  NSFocusRingType mFocusRingType = NSFocusRingTypeDefault;
  bool mAllowsAttributes = false;
};
