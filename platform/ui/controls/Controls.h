// The framework's controls: TControl (no window of its own: painted in its
// parent's WM_PAINT, mouse through its parent), TWinControl (a window of the
// window layer, created when first needed), TCustomControl (a window with a
// canvas and a virtual Paint) and TGraphicControl (a canvas over the
// parent's DC).
//
// Messages: the window's procedure calls WindowProc (replaceable; by default
// the virtual WndProc), WndProc calls Dispatch, Dispatch is the table of
// message methods by number (a derived class overrides it, handles its
// numbers and hands the rest, or its "inherited" call, to its base's
// Dispatch), and what no method takes goes to DefaultHandler, which calls
// the window's previous procedure (DefWindowProc for our own classes).
// Perform calls WindowProc directly, for windowed and graphic controls.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/graphics/Canvas.h"
#include "platform/graphics/Colors.h"
#include "platform/graphics/Graphics.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Events.h"
#include "platform/rtl/Types.h"
#include "platform/ui/system/UiMessages.h"

class TControl;
class TWinControl;
class TPopupMenu;  // defined by the menu layer, a TComponent
class TDragImageList;

// ---- Cursors ------------------------------------------------------------------
using TCursor = SmallInt;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSize = -22;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crDrag = -12;
constexpr TCursor crNoDrop = -13;
constexpr TCursor crHSplit = -14;
constexpr TCursor crVSplit = -15;
constexpr TCursor crMultiDrag = -16;
constexpr TCursor crSQLWait = -17;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHelp = -20;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;

// ---- Layout -------------------------------------------------------------------
enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };

using TAnchors = unsigned;
constexpr TAnchors akLeft = 1u << 0;
constexpr TAnchors akTop = 1u << 1;
constexpr TAnchors akRight = 1u << 2;
constexpr TAnchors akBottom = 1u << 3;

// Position bookkeeping of alCustom (see TWinControl::CustomAlignPosition).
struct TAlignInfo {
  std::vector<TControl*>* AlignList = nullptr;
  int ControlIndex = 0;
  TAlign Align = alNone;
  int Scratch = 0;
};

// ---- Control style and state -------------------------------------------------
using TControlStyle = unsigned;
constexpr TControlStyle csAcceptsControls = 1u << 0;
constexpr TControlStyle csCaptureMouse = 1u << 1;
constexpr TControlStyle csDesignInteractive = 1u << 2;
constexpr TControlStyle csClickEvents = 1u << 3;
constexpr TControlStyle csFramed = 1u << 4;
constexpr TControlStyle csSetCaption = 1u << 5;
constexpr TControlStyle csOpaque = 1u << 6;
constexpr TControlStyle csDoubleClicks = 1u << 7;
constexpr TControlStyle csFixedWidth = 1u << 8;
constexpr TControlStyle csFixedHeight = 1u << 9;
constexpr TControlStyle csNoDesignVisible = 1u << 10;
constexpr TControlStyle csReplicatable = 1u << 11;
constexpr TControlStyle csNoStdEvents = 1u << 12;
constexpr TControlStyle csDisplayDragImage = 1u << 13;
constexpr TControlStyle csReflector = 1u << 14;
constexpr TControlStyle csActionClient = 1u << 15;
constexpr TControlStyle csMenuEvents = 1u << 16;
constexpr TControlStyle csNeedsBorderPaint = 1u << 17;
constexpr TControlStyle csParentBackground = 1u << 18;

using TControlState = unsigned;
constexpr TControlState csLButtonDown = 1u << 0;
constexpr TControlState csClicked = 1u << 1;
constexpr TControlState csPalette = 1u << 2;
constexpr TControlState csReadingState = 1u << 3;
constexpr TControlState csAlignmentNeeded = 1u << 4;
constexpr TControlState csFocusing = 1u << 5;
constexpr TControlState csCreating = 1u << 6;
constexpr TControlState csPaintCopy = 1u << 7;
constexpr TControlState csCustomPaint = 1u << 8;
constexpr TControlState csDestroyingHandle = 1u << 9;
constexpr TControlState csDocking = 1u << 10;

// ---- Events -------------------------------------------------------------------
using TWndMethod = Delegate<void(TMessage&)>;
using TMouseWheelEvent =
    std::function<void(TObject* Sender, TShiftState Shift, int WheelDelta, TPoint MousePos, bool& Handled)>;
using TMouseWheelUpDownEvent = std::function<void(TObject* Sender, TShiftState Shift, TPoint MousePos, bool& Handled)>;
using TCanResizeEvent = std::function<void(TObject* Sender, int& NewWidth, int& NewHeight, bool& Resize)>;
using TContextPopupEvent = std::function<void(TObject* Sender, TPoint MousePos, bool& Handled)>;

// ---- Drag and drop within the program -------------------------------------------
enum TDragMode { dmManual, dmAutomatic };
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };
enum TDragMessage { dmDragEnter, dmDragLeave, dmDragMove, dmDragDrop, dmDragCancel, dmFindTarget };

// What is being dragged. A control's drag without an object of its own
// uses a TDragControlObject; the events then see the control as Source.
class TDragObject : public TObject {
 public:
  std::string ClassName() const override { return "TDragObject"; }
  // The cursor over a target that accepts or refuses the drop.
  virtual TCursor GetDragCursor(bool Accepted, int X, int Y);
  // After the drop (Accepted) or the cancel; Target is nullptr when nothing took it.
  virtual void Finished(TObject* Target, int X, int Y, bool Accepted);
  // The object the drag events name as Source.
  virtual TObject* SourceObject() { return this; }
  // The images that follow the pointer while it is over nothing or over a
  // control with csDisplayDragImage; nullptr: none.
  virtual TDragImageList* GetDragImages() { return nullptr; }
  // Hide the image and show it again during the drag, e.g. while a target
  // scrolls or paints beneath it.
  virtual void HideDragImage();
  virtual void ShowDragImage();
  TControl* DragTarget = nullptr;
  TPoint DragPos{};        // screen
  TPoint DragTargetPos{};  // in the target's client
  bool Cancelling = false;
  bool Dropped = false;
};

class TBaseDragControlObject : public TDragObject {
 public:
  explicit TBaseDragControlObject(TControl* AControl) : control_(AControl) {}
  std::string ClassName() const override { return "TBaseDragControlObject"; }
  TControl* Control() const { return control_; }

 private:
  TControl* control_;
};

class TDragControlObject : public TBaseDragControlObject {
 public:
  using TBaseDragControlObject::TBaseDragControlObject;
  std::string ClassName() const override { return "TDragControlObject"; }
  TCursor GetDragCursor(bool Accepted, int X, int Y) override;
  TObject* SourceObject() override;
  TDragImageList* GetDragImages() override;
};

struct TDragRec {
  TPoint Pos;  // screen
  TDragObject* Source;
  TControl* Target;
};

using TDragOverEvent =
    std::function<void(TObject* Sender, TObject* Source, int X, int Y, TDragState State, bool& Accept)>;
using TDragDropEvent = std::function<void(TObject* Sender, TObject* Source, int X, int Y)>;
using TStartDragEvent = std::function<void(TObject* Sender, TDragObject*& DragObject)>;
using TEndDragEvent = std::function<void(TObject* Sender, TObject* Target, int X, int Y)>;

// The control under a screen point that drag messages go to (disabled ones
// only with AllowDisabled), or nullptr.
TControl* FindDragTarget(TPoint Pos, bool AllowDisabled);
// How far the mouse moves before a drag that is not immediate starts.
constexpr int kDragThreshold = 5;

// Shift state from the MK_* flags of a mouse message and from key data.
TShiftState KeysToShiftState(WPARAM keys);
TShiftState KeyDataToShiftState(LPARAM keyData);
// The current state of Shift, Ctrl and Alt.
TShiftState KeyboardStateToShiftState();
// True when caption holds '&' followed by the character of VK (case ignored);
// "&&" is a literal ampersand.
bool IsAccel(Word VK, const std::string& Caption);

// ---- Size constraints ----------------------------------------------------------
// 0 means no limit. A change re-applies the limits to the control.
class TSizeConstraints : public TPersistent {
 public:
  explicit TSizeConstraints(TControl* Control) : control_(Control) {}
  std::string ClassName() const override { return "TSizeConstraints"; }
  int MinWidth() const { return minWidth_; }
  int MinHeight() const { return minHeight_; }
  int MaxWidth() const { return maxWidth_; }
  int MaxHeight() const { return maxHeight_; }
  void SetMinWidth(int v);
  void SetMinHeight(int v);
  void SetMaxWidth(int v);
  void SetMaxHeight(int v);
  void Assign(const TPersistent* source) override;
  TNotifyEvent OnChange;

 private:
  void Change();
  TControl* control_;
  int minWidth_ = 0, minHeight_ = 0, maxWidth_ = 0, maxHeight_ = 0;
};

// ---- Canvas of a control --------------------------------------------------------
// Gets a DC on first drawing: the control's window DC for windowed
// controls; for graphic ones the parent's DC moved to the control's origin
// and clipped to its bounds. Paint handlers set the paint DC instead.
class TControlCanvas : public TCanvas {
 public:
  explicit TControlCanvas(TControl* Control) : control_(Control) {}
  ~TControlCanvas() override;
  std::string ClassName() const override { return "TControlCanvas"; }
  TControl* Control() const { return control_; }
  // Releases a DC this canvas got for itself (not one a paint handler set).
  void FreeHandle();

 protected:
  void CreateHandle() override;

 private:
  TControl* control_;
  HDC ownDC_ = nullptr;
  HWND ownWnd_ = nullptr;
};

// ---- TControl -------------------------------------------------------------------
class TControl : public TComponent {
 public:
  explicit TControl(TComponent* AOwner);
  ~TControl() override;
  std::string ClassName() const override { return "TControl"; }

  // ---- Tree ----
  TWinControl* Parent() const { return parent_; }
  virtual void SetParent(TWinControl* AParent);
  bool HasParent() const { return parent_ != nullptr; }
  // The outermost windowed ancestor (a form), or this when this is windowed
  // and has no parent; nullptr for a graphic control without a parent.
  TWinControl* TopLevelParent() const;

  // ---- Geometry (parent-client coordinates) ----
  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
  void SetTop(int v) { SetBounds(left_, v, width_, height_); }
  void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
  void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
  // Applies AutoSize, CanResize and Constraints, then moves the window (if
  // any), repaints, realigns the parent and calls Resize on a size change.
  virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
  TRect BoundsRect() const { return Bounds(left_, top_, width_, height_); }
  void SetBoundsRect(const TRect& r) { SetBounds(r.Left, r.Top, r.Width(), r.Height()); }
  virtual TRect ClientRect() const;
  int ClientWidth() const { return ClientRect().Width(); }
  int ClientHeight() const { return ClientRect().Height(); }
  void SetClientWidth(int v);
  void SetClientHeight(int v);
  void SetClientSize(int w, int h);
  // Screen position of the client area's top-left corner.
  virtual TPoint ClientOrigin() const;
  TPoint ClientToScreen(TPoint p) const;
  TPoint ScreenToClient(TPoint p) const;
  TPoint ParentToClient(TPoint p) const { return TPoint{p.X - left_, p.Y - top_}; }

  // ---- Layout ----
  TAlign Align() const { return align_; }
  void SetAlign(TAlign v);
  TAnchors Anchors() const { return anchors_; }
  void SetAnchors(TAnchors v);
  TSizeConstraints* Constraints() const { return constraints_.get(); }
  bool AutoSize() const { return autoSize_; }
  virtual void SetAutoSize(bool v);
  // Asks CanAutoSize for the size and applies it (when AutoSize is on).
  virtual void AdjustSize();

  // ---- State ----
  bool Visible() const { return visible_; }
  void SetVisible(bool v);
  void Show();
  void Hide();
  // Visible here and in every parent, and the top-level window shown.
  virtual bool Showing() const;
  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool v);
  TColor Color() const { return color_; }
  void SetColor(TColor v);
  bool ParentColor() const { return parentColor_; }
  void SetParentColor(bool v);
  TFont* Font() const { return font_.get(); }
  void SetFont(const TFont* v) { font_->Assign(v); }
  bool ParentFont() const { return parentFont_; }
  void SetParentFont(bool v);
  // Caption and Text are one string; a windowed control keeps its window's
  // text equal to it. Setting the same text again does nothing.
  std::string Text() const { return GetText(); }
  void SetText(const std::string& v) { SetTextBuf(v); }
  std::string Caption() const { return GetText(); }
  void SetCaption(const std::string& v) { SetTextBuf(v); }
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor v);
  std::string Hint;
  bool ShowHint() const;
  void SetShowHint(bool v);
  bool ParentShowHint() const { return parentShowHint_; }
  void SetParentShowHint(bool v);
  TPopupMenu* PopupMenu() const { return popupMenu_; }
  // A template so that the menu's TComponent base is known where it is called.
  template <class TMenu = TPopupMenu>
  void SetPopupMenu(TMenu* Value) {
    SetPopupMenuComponent(Value, Value);
  }
  bool IsRightToLeft() const { return false; }

  TControlStyle ControlStyle = csCaptureMouse | csClickEvents | csSetCaption | csDoubleClicks;
  TControlState ControlState = 0;

  // ---- Z-order among the parent's controls of the same kind ----
  void BringToFront() { SetZOrder(true); }
  void SendToBack() { SetZOrder(false); }
  virtual void SetZOrder(bool TopMost);

  // ---- Painting ----
  virtual void Invalidate();
  virtual void Repaint();
  void Refresh() { Repaint(); }
  virtual void Update();

  // ---- Messages ----
  LRESULT Perform(UINT Msg, WPARAM WParam, LPARAM LParam);
  TWndMethod WindowProc;
  virtual void WndProc(TMessage& Message);
  virtual void Dispatch(TMessage& Message);
  virtual void DefaultHandler(TMessage& Message);

  // ---- Mouse ----
  bool MouseCapture() const;
  void SetMouseCapture(bool v);
  virtual void Click();
  virtual void DblClick();
  // True when the client point belongs to this control (CM_HITTEST).
  bool HitTest(TPoint client) { return Perform(CM_HITTEST, 0, PointToLParam(client)) != 0; }

  // ---- Drag and drop ----
  // dmAutomatic starts a drag on every left press (and the press does
  // nothing else); dmManual leaves it to BeginDrag.
  TDragMode DragMode() const { return dragMode_; }
  void SetDragMode(TDragMode v) { dragMode_ = v; }
  TCursor DragCursor = crDrag;
  // Starts a drag of this control: at once, or once the mouse has moved
  // Threshold pixels (kDragThreshold when negative) with the button held;
  // a release before that leaves the click to the control. The drag runs
  // until the release drops it or Esc, the right button or losing the
  // capture cancels it.
  void BeginDrag(bool Immediate, int Threshold = -1);
  // Ends this control's drag from a handler: dropped on the target under
  // the mouse (if it accepts), or cancelled.
  void EndDrag(bool Drop);
  bool Dragging() const;
  // The image list whose drag image shows this control's drag; nullptr
  // (the default) shows none.
  virtual TDragImageList* GetDragImages() { return nullptr; }
  TDragOverEvent OnDragOver;
  TDragDropEvent OnDragDrop;
  TStartDragEvent OnStartDrag;
  TEndDragEvent OnEndDrag;

  // ---- Events ----
  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseUp;
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;
  TMouseWheelEvent OnMouseWheel;
  TMouseWheelUpDownEvent OnMouseWheelUp;
  TMouseWheelUpDownEvent OnMouseWheelDown;
  TNotifyEvent OnResize;
  TCanResizeEvent OnCanResize;
  TContextPopupEvent OnContextPopup;

  // A token that turns false when the control is destroyed: code that calls
  // out (events, messages) and touches the control afterwards checks it.
  std::shared_ptr<const bool> AliveToken() const { return alive_; }

 protected:
  void Loaded() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

  virtual std::string GetText() const { return text_; }
  virtual void SetTextBuf(const std::string& v);
  // Called before a size is applied; may change it or refuse the change.
  virtual bool CanResize(int& NewWidth, int& NewHeight);
  // The size AutoSize wants; false keeps the current size.
  virtual bool CanAutoSize(int& NewWidth, int& NewHeight);
  virtual void ConstrainedResize(int& MinWidth, int& MinHeight, int& MaxWidth, int& MaxHeight);
  virtual void Resize();
  virtual void RequestAlign();
  virtual void VisibleChanging() {}
  virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void MouseMove(TShiftState Shift, int X, int Y);
  virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos);
  virtual bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos);
  virtual bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos);
  virtual void DoContextPopup(TPoint MousePos, bool& Handled);
  // Drag events: a target accepts when it has OnDragOver and that says so.
  virtual void DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept);
  virtual void DragDrop(TObject* Source, int X, int Y);
  virtual void DoStartDrag(TDragObject*& DragObject);
  virtual void DoEndDrag(TObject* Target, int X, int Y);
  void CMDrag(TMessage& Message);
  // Shows the popup menu at a screen point through PopupMenuHandler.
  virtual bool DoPopupMenu(TPoint Screen);
  virtual void MouseEnter() {}
  virtual void MouseLeave() {}
  void UpdateAnchorRules();
  // Invalidates a part of the control (control coordinates).
  void InvalidateControl(const TRect& r, bool erase);
  void SendCancelMode(TControl* Sender);

  // Message methods of every control.
  void WMMouse(TMessage& Message);
  void WMContextMenu(TMessage& Message);
  void WMMouseWheel(TMessage& Message);
  void CMMouseEnterLeave(TMessage& Message);
  void CMHitTest(TMessage& Message);
  void CMVisibleChanged(TMessage& Message);
  void CMEnabledChanged(TMessage& Message);
  void CMColorChanged(TMessage& Message);
  void CMFontChanged(TMessage& Message);
  void CMParentFontChanged(TMessage& Message);
  void CMParentColorChanged(TMessage& Message);
  void CMParentShowHintChanged(TMessage& Message);
  void CMTextChanged(TMessage& Message);
  void CMSysColorChange(TMessage& Message);
  void CMCancelMode(TMessage& Message);

  std::string text_;

 private:
  friend class TWinControl;
  friend class TSizeConstraints;
  void SetPopupMenuComponent(TPopupMenu* menu, TComponent* asComponent);
  void FontChanged(TObject* Sender);
  // AutoSize, CanResize and Constraints on a proposed size; false: refused.
  bool CheckNewSize(int& w, int& h);
  void DoConstraints(int& w, int& h);
  void ApplyAnchors(int parentWidth, int parentHeight);

  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  TWinControl* parent_ = nullptr;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  TAlign align_ = alNone;
  TAnchors anchors_ = akLeft | akTop;
  // Distances kept by the anchors, measured in the parent's client size
  // anchorParentSize_ when the control was last placed by hand.
  TRect anchorRule_{};
  TSize anchorParentSize_{};
  bool anchorValid_ = false;
  std::unique_ptr<TSizeConstraints> constraints_;
  bool autoSize_ = false;
  bool visible_ = true;
  bool enabled_ = true;
  TColor color_ = clWindow;
  bool parentColor_ = false;
  std::unique_ptr<TFont> font_;
  bool parentFont_ = true;
  bool updatingParentFont_ = false;
  TCursor cursor_ = crDefault;
  bool showHint_ = false;
  bool parentShowHint_ = true;
  TPopupMenu* popupMenu_ = nullptr;
  TComponent* popupComponent_ = nullptr;
  int alignLevel_ = 0;  // inside the parent's alignment of this control
  int wheelAccumulator_ = 0;
  TDragMode dragMode_ = dmManual;
};

// ---- TWinControl ----------------------------------------------------------------
// A windowed control frees its child controls when it is freed (whoever
// owns them), so children are made with new and never freed by the caller.
struct TCreateParams {
  std::string Caption;
  DWORD Style = 0;
  DWORD ExStyle = 0;
  int X = 0, Y = 0, Width = 0, Height = 0;
  HWND WndParent = nullptr;
  void* Param = nullptr;
  WNDCLASS WindowClass{};        // lpfnWndProc: the default procedure behind the control
  std::string WinClassName;      // defaults to ClassName()
};

class TWinControl : public TControl {
 public:
  explicit TWinControl(TComponent* AOwner);
  ~TWinControl() override;
  std::string ClassName() const override { return "TWinControl"; }

  // The window, created (with the parents' windows) on first use.
  HWND Handle();
  bool HandleAllocated() const { return handle_ != nullptr; }
  void HandleNeeded();
  // Hosts a control without a framework parent in a foreign window.
  HWND ParentWindow() const { return parentWindow_; }
  void SetParentWindow(HWND v);
  // Destroys the windows of this control and its children; the control
  // keeps its state and makes new windows when next needed.
  void DestroyHandle();
  // New windows now, keeping text, font, colours, children and focus.
  void RecreateWnd();
  // The procedure behind the control (DefaultHandler's end).
  WNDPROC DefWndProc = nullptr;

  // ---- Children, in child (z) order: graphic controls first, then windowed ----
  int ControlCount() const { return int(controls_.size() + winControls_.size()); }
  TControl* Controls(int Index) const;
  void InsertControl(TControl* AControl);
  void RemoveControl(TControl* AControl);
  bool ContainsControl(const TControl* Control) const;
  // The child whose bounds hold the client point (topmost first).
  TControl* ControlAtPos(TPoint Pos, bool AllowDisabled, bool AllowWinControls = false) const;
  // Makes a child and its parents visible.
  virtual void ShowControl(TControl* AControl);
  void Broadcast(TMessage& Message);
  void NotifyControls(UINT Msg);
  void ScrollBy(int DeltaX, int DeltaY);

  // ---- Alignment ----
  void DisableAlign();
  void EnableAlign();
  bool AlignDisabled() const { return alignDisabled_ > 0; }
  void Realign();
  virtual void AdjustClientRect(TRect& Rect);
  TRect ClientRect() const override;
  TPoint ClientOrigin() const override;
  bool Showing() const override { return showing_; }

  // ---- Focus and tab order ----
  bool TabStop() const { return tabStop_; }
  void SetTabStop(bool v);
  int TabOrder() const;
  void SetTabOrder(int v);
  bool Focused() const;
  virtual bool CanFocus() const;
  // Raises EInvalidOperation when the control cannot take the focus.
  virtual void SetFocus();
  void SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop);
  TWinControl* FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop, bool CheckParent);
  void GetTabOrderList(std::vector<TWinControl*>& List);

  // ---- Painting ----
  TBrush* Brush() const { return brush_.get(); }
  void Invalidate() override;
  void Repaint() override;
  void Update() override;
  // Paints the graphic children (from First on, or all) on the DC.
  void PaintControls(HDC DC, TControl* First);
  void SetZOrder(bool TopMost) override;
  void SetEnabled(bool v) override;
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  void DefaultHandler(TMessage& Message) override;
  void Dispatch(TMessage& Message) override;
  void WndProc(TMessage& Message) override;

  TKeyEvent OnKeyDown;
  TKeyPressEvent OnKeyPress;
  TKeyEvent OnKeyUp;
  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;

 protected:
  friend class TControl;
  virtual void CreateParams(TCreateParams& Params);
  // Copies a registered class into Params so the control subclasses it.
  void CreateSubClass(TCreateParams& Params, const char* ClassName);
  virtual void CreateHandle();
  virtual void CreateWnd();
  virtual void CreateWindowHandle(const TCreateParams& Params);
  virtual void DestroyWnd();
  virtual void DestroyWindowHandle();
  virtual void AlignControls(TControl* AControl, TRect& Rect);
  // alCustom: the parent places the control within AlignRect.
  virtual void CustomAlignPosition(TControl* Control, int& NewLeft, int& NewTop, int& NewWidth, int& NewHeight,
                                   TRect& AlignRect, TAlignInfo& AlignInfo);
  virtual bool CustomAlignInsertBefore(TControl* C1, TControl* C2);
  bool CanAutoSize(int& NewWidth, int& NewHeight) override;
  virtual void PaintWindow(HDC DC);
  void PaintHandler(TMessage& Message);
  void SetTextBuf(const std::string& v) override;
  void Loaded() override;
  virtual void UpdateShowing();
  // A form that sees keys first returns true (KeyPreview).
  virtual bool IsKeyPreview() const { return false; }
  virtual void KeyDown(Word& Key, TShiftState Shift);
  virtual void KeyUp(Word& Key, TShiftState Shift);
  virtual void KeyPress(std::string& Key);
  // True when the key was eaten (by the event or the preview).
  bool DoKeyDown(TMessage& Message);
  bool DoKeyUp(TMessage& Message);
  bool DoKeyPress(TMessage& Message);
  virtual void DoEnter();
  virtual void DoExit();
  // Offers a reflected message to the child control whose window is hwnd.
  bool DoControlMsg(HWND ControlHandle, TMessage& Message);

  void WMPaint(TMessage& Message);
  void WMEraseBkgnd(TMessage& Message);
  void WMSetCursor(TMessage& Message);
  void WMWindowPosChanged(TMessage& Message);
  void WMSize(TMessage& Message);
  void WMMove(TMessage& Message);
  void WMSetFocus(TMessage& Message);
  void WMKillFocus(TMessage& Message);
  void WMKey(TMessage& Message);
  void WMChar(TMessage& Message);
  void WMSysChar(TMessage& Message);
  void WMSetText(TMessage& Message);
  void WMNCDestroy(TMessage& Message);
  void WMMouseLeave(TMessage& Message);
  void WMGetDlgCode(TMessage& Message) { DefaultHandler(Message); }
  void WMReflect(TMessage& Message);
  void WMContextMenuWin(TMessage& Message);
  void CMDialogKey(TMessage& Message);
  void CMDialogChar(TMessage& Message);
  void CMFocusChanged(TMessage& Message);
  void CMEnter(TMessage& Message);
  void CMExit(TMessage& Message);
  void CMShowingChanged(TMessage& Message);
  void CMVisibleChangedWin(TMessage& Message);
  void CMFontChangedWin(TMessage& Message);
  void CMColorChangedWin(TMessage& Message);
  void CMEnabledChangedWin(TMessage& Message);
  void CNKeyDown(TMessage& Message);
  void CNChar(TMessage& Message);
  void CNSysChar(TMessage& Message);
  void CMChildKey(TMessage& Message);
  void CMRecreateWnd(TMessage& Message);

 private:
  friend LRESULT ControlWindowProcedure(HWND, UINT, WPARAM, LPARAM);
  friend class TControlCanvas;
  void AlignControl(TControl* AControl);
  void DoAlign(TControl* AControl, TAlign AAlign, TRect& Rect, std::vector<TControl*>& list);
  void DoAnchors(TRect& Rect);
  bool IsMouseMessageForChild(TMessage& Message);
  void InsertInTabList(TWinControl* c);
  void PlaceWindowInZOrder();
  void UpdateBoundsFromWindow();
  bool IsDialogKeyFor(Word key, LPARAM keyData);

  HWND handle_ = nullptr;
  HWND parentWindow_ = nullptr;
  bool showing_ = false;
  bool tabStop_ = false;
  int alignDisabled_ = 0;
  bool realigning_ = false;
  std::vector<TControl*> controls_;        // graphic children, bottom first
  std::vector<TWinControl*> winControls_;  // windowed children, bottom first
  std::vector<TWinControl*> tabList_;
  std::unique_ptr<TBrush> brush_;
};

// ---- TCustomControl: a window with a canvas ------------------------------------------
class TCustomControl : public TWinControl {
 public:
  explicit TCustomControl(TComponent* AOwner);
  ~TCustomControl() override;
  std::string ClassName() const override { return "TCustomControl"; }
  TCanvas* Canvas() const { return canvas_.get(); }

 protected:
  virtual void Paint() {}
  void PaintWindow(HDC DC) override;

 private:
  std::unique_ptr<TControlCanvas> canvas_;
};

// ---- TGraphicControl: no window; paints on the parent's DC ---------------------------
class TGraphicControl : public TControl {
 public:
  explicit TGraphicControl(TComponent* AOwner);
  ~TGraphicControl() override;
  std::string ClassName() const override { return "TGraphicControl"; }
  TCanvas* Canvas() const { return canvas_.get(); }
  void Dispatch(TMessage& Message) override;

 protected:
  virtual void Paint() {}
  // WM_PAINT with the parent's DC (moved and clipped to this control) in WParam.
  void WMPaint(TMessage& Message);

 private:
  std::unique_ptr<TControlCanvas> canvas_;
};

// ---- Free functions and hooks ------------------------------------------------------
// The control whose window is hwnd (nullptr for other windows).
TWinControl* FindControl(HWND hwnd);
// The deepest control under a screen point, graphic controls included.
TControl* FindVCLWindow(TPoint Screen);
// The control that has the mouse captured (a graphic one through its parent).
TControl* GetCaptureControl();
void SetCaptureControl(TControl* Control);
// The control the mouse is over, as CM_MOUSEENTER last reported.
TControl* MouseControl();
// The windowed control that has the keyboard focus.
TWinControl* FocusedControl();
// Releases DCs that control canvases got outside paint handlers.
void FreeDeviceContexts();

// Set by the screen object: a global cursor override (crDefault: none) and
// the table from a TCursor to a cursor handle. Without them the standard
// cursors are loaded from the window layer.
extern std::function<TCursor()> ScreenCursorHook;
extern std::function<HCURSOR(TCursor)> CursorHandleHook;
HCURSOR CursorHandle(TCursor c);
// Set by the application: sees every WM_MOUSEMOVE a control gets (hints),
// and handles an exception that escaped a control's message handling (when
// unset the exception goes on to the caller of the window procedure).
extern std::function<void(TControl* Control, TMessage& Message)> HintMouseMessageHook;
extern std::function<void(TObject* Sender)> ApplicationHandleExceptionHook;
// Set by the menu layer: shows a popup menu for a control at a screen point.
extern std::function<void(TPopupMenu* Menu, TControl* Control, TPoint Screen)> PopupMenuHandler;
