// The editor view's native pop-up menus, in-place text field and colour panel.
#include "platform/mac/FontDescriptorCache.h"
#include "platform/mac/IGraphicsNativeControls.h"
#include "platform/mac/IGraphicsView.h"

#include "graphics/EditorEntry.h"
#include "platform/mac/MacStrings.h"
#include "platform/mac/ScopedRetain.h"
#include "plug/IGEditorDelegate.h"

#include <string>

using namespace plug::igraphics;
using plug::StringOrEmpty;

namespace {

NSColor* DeviceColor(const IColor& color)
{
  return NSColor::colorWithDeviceRed(color.R / 255.0, color.G / 255.0, color.B / 255.0, color.A / 255.0);
}

// The field's font: the cached descriptor of the text's font at its size times the draw
// scale and the font's em ratio; a font that was never cached gives the system font.
NSFont* TextEntryFont(const IText& text, float drawScale)
{
  if (const MacFontDescriptorEntry* entry = FindCachedFontDescriptor(text.mFont))
    if (NSFont* font = NSFont::fontWithDescriptor(entry->mDescriptor, text.mSize * (drawScale * entry->mEmRatio)))
      return font;
  return NSFont::systemFontOfSize(text.mSize * drawScale);
}

} // namespace

PopupMenuChoice IGraphicsView::createPopupMenu(IPopupMenu& menu, NSRect bounds)
{
  NSAutoreleasePool pool;
  IGraphicsMenuRcvr* receiver = Autoreleased(new IGraphicsMenuRcvr(bounds));
  IGraphicsMenu* nativeMenu = Autoreleased(new IGraphicsMenu(&menu, receiver));

  // The current choice is shown over the anchor; without one the menu opens below it.
  bool positionItem = false;
  const NSPoint location = PopupMenuLocation(menu, bounds, positionItem);
  NSMenuItem* item = positionItem ? nativeMenu->itemAtIndex(menu.GetChosenItemIdx()) : nullptr;
  if (mGraphics)
    mGraphics->CheckNestedLoopInDispatch("popUpMenuPositioningItem");
  nativeMenu->popUpMenuPositioningItem(item, location, this);

  // The menu's loop may have closed the editor or removed the control that owns the menu:
  // from here on only the native menus are read, never the menu they were built from.
  NSMenuItem* chosen = receiver->menuItem();
  auto* chosenMenu = chosen ? dynamic_cast<IGraphicsMenu*>(chosen->menu()) : nullptr;
  PopupMenuChoice choice;
  choice.level = chosenMenu ? chosenMenu->iPopupMenu() : nullptr;
  const NSInteger index = chosenMenu ? chosenMenu->indexOfItem(chosen) : -1;
  if (index < 0 || !choice.level)
    return PopupMenuChoice();
  choice.index = static_cast<int>(index);
  return choice;
}

void IGraphicsView::createTextEntry(int paramIdx, const IText& text, const char* str, int length, NSRect areaRect)
{
  // One entry at a time.
  if (mTextFieldView || !mGraphics)
    return;

  NSAutoreleasePool pool;
  mTextFieldView = new IGraphicsTextField(areaRect);

  if (text.mVAlign == EVAlign::Middle)
  {
    IGraphicsTextFieldCell* cell = new IGraphicsTextFieldCell(NSString::stringWithUTF8String("textfield"));
    mTextFieldView->setCell(cell);
    cell->release();
    mTextFieldView->setEditable(true);
    mTextFieldView->setDrawsBackground(true);
  }

  mTextFieldView->setFont(TextEntryFont(text, mGraphics->GetDrawScale()));

  NSTextAlignment alignment = NSTextAlignmentNatural;
  if (TextEntryAlignment(text.mAlign, alignment))
    mTextFieldView->setAlignment(alignment);

  const IGEditorDelegate* delegate = mGraphics->GetDelegate();
  if (const plug::IParam* param = (paramIdx >= 0 && delegate) ? delegate->GetParam(paramIdx) : nullptr)
  {
    NSMutableCharacterSet* characters = new NSMutableCharacterSet();
    characters->addCharactersInString(NSString::stringWithUTF8String(TextEntryCharacters(param->Kind())));
    IGraphicsFormatter* formatter = Autoreleased(new IGraphicsFormatter());
    mTextFieldView->setFormatter(formatter);
    formatter->setAcceptableCharacterSet(characters);
    formatter->setMaximumLength(length);
    characters->release();
  }

  mTextFieldView->cell()->setLineBreakMode(NSLineBreakByTruncatingTail);
  mTextFieldView->setAllowsEditingTextAttributes(false);
  mTextFieldView->setTextColor(DeviceColor(text.mTextEntryFGColor));
  mTextFieldView->setBackgroundColor(DeviceColor(text.mTextEntryBGColor));

  mTextFieldView->setStringValue(StringOrEmpty(str));
  mTextFieldView->setBordered(false);
  mTextFieldView->setFocusRingType(NSFocusRingTypeNone);
  mTextFieldView->setDelegate(this);
  addSubview(mTextFieldView);
  if (NSWindow* pWindow = window())
  {
    pWindow->makeKeyAndOrderFront(nullptr);
    pWindow->makeFirstResponder(mTextFieldView);
  }
}

void IGraphicsView::endUserInput()
{
  IGraphicsTextField* field = mTextFieldView;
  if (!field)
    return;
  NSAutoreleasePool pool;
  // Detached first, so that the end of editing the removal brings commits nothing.
  field->setDelegate(nullptr);
  field->removeFromSuperview();
  if (NSWindow* pWindow = window())
    pWindow->makeFirstResponder(this);
  mTextFieldView = nullptr;
  field->release();
  EditorEntry::Enter(mGraphics, [](IGraphicsMac& g) { g.ClearControlInTextEntry(); });
}

void IGraphicsView::controlTextDidEndEditing(NSNotification* /*notification*/)
{
  if (!mTextFieldView)
    return;
  // The commit may close the editor (the graphics object is then forgotten) or throw; the view
  // stays until this returns, and the field ends either way.
  const ScopedRetain<IGraphicsView> hold(this);
  // What the field holds is committed; a field whose value cannot be read commits nothing.
  EditorEntry::Enter(mGraphics, [&](IGraphicsMac& g) {
    std::string text;
    {
      NSAutoreleasePool pool;
      text = mTextFieldView->stringValue()->Text();
    }
    g.SetControlValueAfterTextEdit(text.c_str());
  });
  // The commit may have closed the editor: then nothing is redrawn.
  EditorEntry::Enter(mGraphics, [](IGraphicsMac& g) { g.SetAllControlsDirty(); });
  GuardedCall([&] { endUserInput(); });
}

bool IGraphicsView::promptForColor(const IColor& color, IColorPickerHandlerFunc func)
{
  NSColorPanel* panel = NSColorPanel::sharedColorPanel();
  if (!panel)
    return false;
  mColorPickerFunc = std::move(func);
  NSAutoreleasePool pool;
  panel->setTarget(this);
  panel->setShowsAlpha(true);
  panel->setAction(STANDIN_SELECTOR(IGraphicsView, onColorPicked));
  panel->setColor(DeviceColor(color));
  panel->orderFront(nullptr);
  return true;
}

void IGraphicsView::detachColorPanel()
{
  mColorPickerFunc = nullptr;
  if (!NSColorPanel::sharedColorPanelExists())
    return;
  NSColorPanel* panel = NSColorPanel::sharedColorPanel();
  // Another view's choice stays.
  if (panel->target() != this)
    return;
  panel->close();
  panel->setTarget(nullptr);
}

void IGraphicsView::onColorPicked(NSColorPanel* panel)
{
  EditorEntry::Enter(mGraphics, [&](IGraphicsMac&) {
    // The callback runs from a copy: inside it the stored one may be replaced (another prompt)
    // or cleared (a close detaches the panel), which would destroy its captures mid-call.
    const IColorPickerHandlerFunc func = mColorPickerFunc;
    if (!func || !panel)
      return;
    NSAutoreleasePool pool;
    const NSColor* color = panel->color();
    func(ColorFromPanelComponents(color->alphaComponent(), color->redComponent(), color->greenComponent(),
                                  color->blueComponent()));
  });
}
