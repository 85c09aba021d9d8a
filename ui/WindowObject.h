// TWindowObject: every window and control of Kelvane.
//
// One object type serves the application window, the forms and all child
// controls; the kind it was created with decides which Qt widget it wraps.
// The user interface is built in code: call a Create... function for each
// control (the parent comes first and owns the new object), set properties in
// chained calls and assign the On... events:
//
//   TWindowObject* form = CreateForm(AppWindow, "Title");
//   form->MoveTo(186, 25)->ResizeTo(547, 479);
//   TWindowObject* ok = CreateButton(form, "OK");
//   ok->MoveTo(96, 128)->BringToFront();
//   ok->OnClick = [](TWindowObject*) { ... };
//
// Ownership: a window object belongs to its parent and is destroyed with it,
// children last created first; `delete` on an object destroys it and its
// children and removes it from its parent. Top-level objects (the application
// window, a form without parent) belong to the caller.
//
// Events are plain std::function slots; an empty slot is not called. The
// toolkit never raises OnChange, OnSelectionChange or OnClick for changes it
// makes itself (SelectedIndex, AddItem, Clear, ItemText): only the user's
// clicks and keys raise them. Coordinates are pixels; Bounds of a control is
// in its parent's client coordinates, Bounds of a form is its outer frame in
// screen coordinates. Nothing here reports errors: there is nothing to fail
// once Qt is running.
#pragma once

#include <QCursor>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/BaseObject.h"
#include "ui/Types.h"

class QWidget;

namespace kelvane {

class TWindowObject;
class TFontObject;
class TCanvasObject;
class TMenuObject;
class TImageListObject;
class TEventBridge;

using TNotifyEvent = std::function<void(TWindowObject* sender)>;
using TCloseEvent = std::function<void(TWindowObject* sender, bool& accept)>;
using TPaintEvent = std::function<void(TWindowObject* sender, TCanvasObject& canvas)>;
using TMouseEvent = std::function<void(TWindowObject* sender, TMouseRecord& mouse)>;
// Returns true when the message is handled; see TMessage.
using TMessageEvent = std::function<bool(TWindowObject* sender, TMessage& message)>;

// A message handler for AttachHandler: the extension point that sees every
// message of the window after OnMessage and before the toolkit's own handling.
class TMessageHandler {
 public:
  virtual ~TMessageHandler() = default;
  virtual bool HandleMessage(TWindowObject& window, TMessage& message) = 0;
};
// Wraps a function as a handler.
std::shared_ptr<TMessageHandler> MakeMessageHandler(std::function<bool(TWindowObject&, TMessage&)> handler);

enum class TWindowKind {
  App,         // the application window: owner of all forms, no widget of its own
  Form,        // a top-level window with an optional menu bar
  Button,
  Label,       // single line, no wrap
  WrapLabel,   // word-wrapping label
  PaintArea,   // OnPaint draws it; a left click raises OnClick
  GroupBox,    // a frame with a caption; margins 22, 2, 2, 2
  Panel,
  ScrollBox,   // a frame with scroll bars (auto-scroll box: ranges follow the children)
  ListBox,
  ComboBox,
  ListView,
};

enum class TScrollBar { Horizontal, Vertical };
struct TScrollInfo {
  int Min = 0;
  int Max = 0;    // extent of the contents in pixels
  int Page = 0;   // client size in pixels
  int Pos = 0;    // how far the contents are scrolled
  friend constexpr bool operator==(const TScrollInfo&, const TScrollInfo&) = default;
};

class TWindowObject : public TBaseObject {
 public:
  ~TWindowObject() override;

  // ---- identity and tree -------------------------------------------------
  TWindowKind Kind() const { return Kind_; }
  TWindowObject* Parent() const { return Parent_; }
  const std::vector<TWindowObject*>& Children() const { return Children_; }
  // The Qt widget this object wraps (nullptr for the application window). For
  // tests and for the rare caller that needs Qt directly.
  QWidget* Widget() const { return Widget_; }
  // The form this object lives on (itself for a form), or nullptr.
  TWindowObject* Form();
  int ControlId() const { return ControlId_; }   // from 0x8000 upwards, per control
  int TabOrder() const { return TabOrder_; }     // the form's running count of controls
  bool TabStop() const { return TabStop_; }
  // For a form, the control that gets the focus when the form is activated;
  // for the application window, the form that was active last.
  TWindowObject* FocusedChild() const { return FocusedChild_; }

  // ---- properties --------------------------------------------------------
  const std::string& Caption() const { return Caption_; }
  TWindowObject* SetCaption(const std::string& caption);

  TRect Bounds() const { return Bounds_; }
  TWindowObject* SetBounds(const TRect& bounds);
  TWindowObject* MoveTo(int left, int top);
  // A width or height of 0 or less leaves that dimension unchanged.
  TWindowObject* ResizeTo(int width, int height);
  // Raises the control above its siblings.
  TWindowObject* BringToFront();

  TAlign Align() const { return Align_; }
  TWindowObject* SetAlignment(TAlign align);
  int Spacing() const { return Spacing_; }
  void SetSpacing(int spacing);
  TMargins Margins() const { return Margins_; }
  void SetMargins(const TMargins& margins);
  // Lays out the aligned children again.
  void Realign();

  bool Visible() const { return Visible_; }
  void SetVisible(bool visible);
  bool Enabled() const { return Enabled_; }
  void SetEnabled(bool enabled);

  THorzAlign TextAlignment() const { return TextAlignment_; }
  TWindowObject* SetTextAlignment(THorzAlign align);
  TVertAlign VerticalAlignment() const { return VerticalAlignment_; }
  TWindowObject* SetVerticalAlignment(TVertAlign align);

  const QCursor& Cursor() const { return Cursor_; }
  void SetCursor(const QCursor& cursor);

  TColor Color() const { return Color_; }
  void SetColor(TColor color);
  TColor TextColor() const { return TextColor_; }
  void SetTextColor(TColor color);

  // The font, made on first use with TextColor as its colour. Changing any of
  // its fields updates the control (and TextColor takes the font's colour).
  TFontObject& Font();
  bool HasFont() const { return Font_ != nullptr; }

  // The drawing surface of the object, made on first use.
  TCanvasObject& Canvas();

  // A form that is not resizable keeps the size it has when this is set.
  bool Resizable() const { return Resizable_; }
  void SetResizable(bool resizable);
  // Title-bar buttons of a form (both on by default).
  void SetMinimizeBox(bool present);
  void SetMaximizeBox(bool present);

  // Scroll boxes: the range, page and position of a bar. An auto-scroll box
  // keeps them in step with its children; a bar shows while Max > Page.
  TScrollInfo ScrollInfo(TScrollBar bar) const;

  // The menu bar of a form, or the first menu of another owner (see MenuObject.h).
  TMenuObject* Menu() const { return Menu_; }

  // Ends a modal loop when set non-zero (see ShowModal in Application.h).
  int ModalCode() const { return ModalCode_; }
  void SetModalCode(int code);

  // ---- operations --------------------------------------------------------
  // Makes the object visible, raises and activates a form, and gives the
  // focus to the object (a control) or to the form's FocusedChild.
  void Show();
  void Hide() { SetVisible(false); }
  // Asks a form to close, as its close box does; OnClose may refuse. Queued:
  // the request is handled by the event loop after the current handler.
  void Close();
  // Centres a form on the primary screen; the size stays.
  void CenterOnScreen();
  // Shows `text` in a message box titled with the application window's
  // caption and waits until the user closes it.
  void ShowMessageBox(const std::string& text);
  // The same box asking `text` with "Да" and "Нет"; true for "Да". "Нет" is
  // the default, and closing the box counts as "Нет".
  bool AskYesNo(const std::string& text);
  // Adds a handler to the chain unless it is already there; the newest
  // handler sees messages first.
  void AttachHandler(std::shared_ptr<TMessageHandler> handler);
  void DetachHandler(const std::shared_ptr<TMessageHandler>& handler);
  // Destroys the object once control returns to the event loop; safe inside
  // the object's own event handlers, unlike `delete`.
  void DeleteLater();

  // ---- items of list boxes and combo boxes (0-based) -----------------------
  // List boxes, combo boxes and list views implement these (ListBox.h,
  // ComboBox.h, ListView.h). On a label or button, Clear empties the caption
  // and AddItem appends to it; other kinds ignore these calls.
  virtual int ItemCount() const;
  virtual std::string ItemText(int index) const;
  // Replaces the text of an item; its selection is lost.
  virtual void SetItemText(int index, const std::string& text);
  // Appends an item and returns its index; the first item added to a combo
  // box becomes its current item. Raises no event.
  virtual int AddItem(const std::string& text);
  // The current item, -1 when none. Setting it raises no event; -1 clears it.
  virtual int SelectedIndex() const;
  virtual void SetSelectedIndex(int index);
  virtual void Clear();
  // The first item after `startIndex` whose text begins with `prefix`
  // (ignoring case), wrapping round to the start; -1 when there is none.
  // A startIndex of -1 searches from the first item.
  virtual int FindItem(const std::string& prefix, int startIndex) const;

  // ---- accessibility ---------------------------------------------------------
  // The name screen readers announce. Empty (the default) leaves it to the
  // toolkit: a label's text, a button's caption, a form's title, a group
  // box's own caption, or what SetLabelledBy makes of it.
  const std::string& AccessibleName() const;
  TWindowObject* SetAccessibleName(const std::string& name);
  // Announces this object with `caption`'s text in front: a value label
  // showing "289x387" next to the label "Размер:" is announced as
  // "Размер: 289x387", and follows later changes of either text. nullptr
  // removes the link. Nothing changes on screen.
  TWindowObject* SetLabelledBy(TWindowObject* caption);
  TWindowObject* LabelledBy() const;

  // ---- events ---------------------------------------------------------------
  TMessageEvent OnMessage;       // every message, first
  TNotifyEvent OnClick;          // buttons; labels and paint areas (left press); list box double-click; list view click
  TNotifyEvent OnFocusIn;
  TNotifyEvent OnFocusOut;
  TNotifyEvent OnChange;         // combo box edit part edited by the user; selection fallback (below)
  TNotifyEvent OnSelectionChange;  // user changed the selection; when empty, OnChange is raised instead
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseEvent OnMouseMove;
  TMouseEvent OnMouseDoubleClick;
  TMouseEvent OnMouseWheel;
  TPaintEvent OnPaint;           // paint areas: draw with the canvas
  TNotifyEvent OnShow;           // the object became visible on screen
  TNotifyEvent OnHide;           // the object stopped being visible on screen
  TCloseEvent OnClose;           // forms: leave accept false to refuse the close
  TNotifyEvent OnListOpen;       // combo box drop-down opened
  TNotifyEvent OnListClose;      // combo box drop-down closed

  // ---- toolkit internals (used by the toolkit's own units) ---------------
  // Objects are made by the Create... functions, not with this constructor.
  TWindowObject(TWindowKind kind, TWindowObject* parent);
  struct TInternals;
  TInternals& Internals() { return *Internals_; }

 private:
  friend class TEventBridge;
  friend struct TToolkitAccess;

  TWindowKind Kind_;
  TWindowObject* Parent_ = nullptr;
  std::vector<TWindowObject*> Children_;
  QWidget* Widget_ = nullptr;
  std::string Caption_;
  TRect Bounds_;
  TMargins Margins_;
  TAlign Align_ = AlignNone;
  int Spacing_ = 2;
  bool Visible_ = true;
  bool VisibleSet_ = false;
  bool Enabled_ = true;
  bool TabStop_ = false;
  bool Resizable_ = true;
  int TabOrder_ = 0;
  int ControlCount_ = 0;
  int ControlId_ = 0;
  int ModalCode_ = 0;
  THorzAlign TextAlignment_ = HorzLeft;
  TVertAlign VerticalAlignment_ = VertCenter;
  QCursor Cursor_;
  TColor Color_ = ClBtnFace;
  TColor TextColor_ = ClWindowText;
  std::unique_ptr<TFontObject> Font_;
  TMenuObject* Menu_ = nullptr;
  TWindowObject* FocusedChild_ = nullptr;
  std::unique_ptr<TInternals> Internals_;
};

// ---- constructors ------------------------------------------------------------
// Each takes the parent first and returns the new object, owned by the parent.

// A form: a top-level window; its parent is normally the application window.
// A form without parent belongs to the caller.
TWindowObject* CreateForm(TWindowObject* parent, const std::string& caption);
// A push button, 22 pixels high, text centred.
TWindowObject* CreateButton(TWindowObject* parent, const std::string& caption);
// A single-line label, 22 pixels high.
TWindowObject* CreateLabel(TWindowObject* parent, const std::string& caption);
// A word-wrapping label, 44 pixels high.
TWindowObject* CreateWrapLabel(TWindowObject* parent, const std::string& caption);
// An area drawn by OnPaint, 40 x 40.
TWindowObject* CreatePaintArea(TWindowObject* parent);
// A group box, 100 wide; its children sit inside its frame (margins 22, 2, 2, 2).
TWindowObject* CreateGroupBox(TWindowObject* parent, const std::string& caption);
// A panel with a raised, sunken or no frame, 100 x 100.
TWindowObject* CreatePanel(TWindowObject* parent, TFrameKind edge);
// A scroll box with the bars named by `bars` (bit 0 horizontal, bit 1 vertical).
TWindowObject* CreateScrollBox(TWindowObject* parent, TFrameKind edge, unsigned bars);
// A scroll box whose scroll ranges follow the extent of its children.
TWindowObject* CreateAutoScrollBox(TWindowObject* parent, TFrameKind edge);
// A list box, 164 wide: a TListBoxObject (ListBox.h, see AsListBox).
TWindowObject* CreateListBox(TWindowObject* parent, TListBoxOptions options);
// A combo box, 100 wide; with CboDropDownList it has no edit part. A
// TComboBoxObject (ComboBox.h, see AsComboBox).
TWindowObject* CreateComboBox(TWindowObject* parent, TComboBoxOptions options);

}  // namespace kelvane
