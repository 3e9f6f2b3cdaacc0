// Drag and drop within the program: a control's drag runs in a loop of its
// own while the mouse is captured. Each move finds the control under the
// mouse (FindDragTarget) and tells it through CM_DRAG (enter, move, leave),
// whose answer picks the cursor; the release drops on a target that
// accepted, Esc, the right button or losing the capture cancel. The drag
// object's images follow the pointer while it is over nothing or over a
// control that displays them (csDisplayDragImage), and go at the end.
#include <cstdlib>
#include <memory>

#include "platform/ui/controls/Controls.h"
#include "platform/ui/controls/DragImageList.h"
#include "platform/ui/forms/Screen.h"
#include "platform/user/User.h"

namespace {

enum class TDragEnd { None, Drop, Cancel };

struct TDragSession {
  TControl* source = nullptr;
  TDragObject* object = nullptr;
  TControl* target = nullptr;
  std::shared_ptr<const bool> targetAlive;
  TDragImageList* images = nullptr;
  std::shared_ptr<const bool> imagesAlive;
  bool accepted = false;
  TDragEnd end = TDragEnd::None;
};

TDragSession* g_dragSession = nullptr;

// The window that holds the capture for a control: its own or its parent's.
HWND DragCaptureWindow(TControl* c) {
  for (TControl* p = c; p; p = p->Parent())
    if (auto* w = dynamic_cast<TWinControl*>(p)) return w->Handle();
  return nullptr;
}

bool TargetLive(const TDragSession& s) { return s.target && s.targetAlive && *s.targetAlive; }

TDragImageList* LiveDragImages(const TDragSession& s) {
  return s.images && s.imagesAlive && *s.imagesAlive ? s.images : nullptr;
}

// Over nothing or a control that displays drag images the image follows the
// pointer (coming back when the pointer does); over any other it goes.
void DragImageTo(TDragSession& s, TPoint pos) {
  TDragImageList* images = LiveDragImages(s);
  if (!images) return;
  if (!TargetLive(s) || (s.target->ControlStyle & csDisplayDragImage)) {
    if (!images->Dragging()) images->BeginDrag(GetDesktopWindow(), pos.X, pos.Y);
    else images->DragMove(pos.X, pos.Y);
  } else {
    images->EndDrag();
  }
}

LRESULT SendDrag(TDragSession& s, TDragMessage what, TPoint pos) {
  if (!TargetLive(s)) return 0;
  TDragRec rec{pos, s.object, s.target};
  s.object->DragTarget = s.target;
  s.object->DragPos = pos;
  s.object->DragTargetPos = s.target->ScreenToClient(pos);
  return s.target->Perform(CM_DRAG, WPARAM(what), reinterpret_cast<LPARAM>(&rec));
}

// The mouse at pos: leaves the old target for a new one, asks the target
// and shows its answer in the cursor.
void DragMoveTo(TDragSession& s, TPoint pos) {
  TControl* now = FindDragTarget(pos, false);
  if (now != s.target || !TargetLive(s)) {
    if (TargetLive(s)) SendDrag(s, dmDragLeave, pos);
    s.target = now;
    s.targetAlive = now ? now->AliveToken() : nullptr;
    s.accepted = false;
    if (now) s.accepted = SendDrag(s, dmDragEnter, pos) != 0;
  }
  if (TargetLive(s)) s.accepted = SendDrag(s, dmDragMove, pos) != 0;
  else s.accepted = false;
  const TPoint at = TargetLive(s) ? s.target->ScreenToClient(pos) : pos;
  if (Screen) ::SetCursor(Screen->Cursors(s.object->GetDragCursor(s.accepted, at.X, at.Y)));
  DragImageTo(s, pos);
}

bool DragModifierKey(const MSG& m) {
  return m.message >= WM_KEYFIRST && m.message <= WM_KEYLAST;
}

bool EscapeKey(const MSG& m) {
  return (m.message == WM_KEYDOWN || m.message == WM_SYSKEYDOWN) && m.wParam == WPARAM(VK_ESCAPE);
}

}  // namespace

TCursor TDragObject::GetDragCursor(bool Accepted, int, int) { return Accepted ? crDrag : crNoDrop; }

void TDragObject::Finished(TObject*, int, int, bool) {}

void TDragObject::HideDragImage() {
  if (TDragImageList* images = GetDragImages()) images->HideDragImage();
}

void TDragObject::ShowDragImage() {
  if (TDragImageList* images = GetDragImages()) images->ShowDragImage();
}

TObject* TDragControlObject::SourceObject() { return Control(); }

TDragImageList* TDragControlObject::GetDragImages() { return Control()->GetDragImages(); }

TCursor TDragControlObject::GetDragCursor(bool Accepted, int, int) {
  return Accepted ? Control()->DragCursor : crNoDrop;
}

TControl* FindDragTarget(TPoint Pos, bool AllowDisabled) {
  HWND desktop = GetDesktopWindow();
  for (HWND h = WindowFromPoint(Pos); h && h != desktop; h = GetAncestor(h, GA_PARENT)) {
    TWinControl* w = FindControl(h);
    if (!w) continue;
    if (!AllowDisabled && !w->Enabled()) return nullptr;
    POINT cp = Pos;
    ::ScreenToClient(h, &cp);
    if (TControl* g = w->ControlAtPos(cp, AllowDisabled)) return g;
    return w;
  }
  return nullptr;
}

bool TControl::Dragging() const { return g_dragSession && g_dragSession->source == this; }

void TControl::EndDrag(bool Drop) {
  if (Dragging()) g_dragSession->end = Drop ? TDragEnd::Drop : TDragEnd::Cancel;
}

void TControl::DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept) {
  Accept = static_cast<bool>(OnDragOver);
  if (TDragOverEvent h = OnDragOver) h(this, Source, X, Y, State, Accept);
}

void TControl::DragDrop(TObject* Source, int X, int Y) {
  if (TDragDropEvent h = OnDragDrop) h(this, Source, X, Y);
}

void TControl::DoStartDrag(TDragObject*& DragObject) {
  if (TStartDragEvent h = OnStartDrag) h(this, DragObject);
}

void TControl::DoEndDrag(TObject* Target, int X, int Y) {
  if (TEndDragEvent h = OnEndDrag) h(this, Target, X, Y);
}

void TControl::CMDrag(TMessage& Message) {
  auto* rec = reinterpret_cast<TDragRec*>(Message.LParam);
  Message.Result = 0;
  if (!rec || !rec->Source) return;
  const TPoint p = ScreenToClient(rec->Pos);
  TObject* source = rec->Source->SourceObject();
  switch (TDragMessage(Message.WParam)) {
    case dmDragEnter:
    case dmDragLeave:
    case dmDragMove: {
      static constexpr TDragState kStates[] = {dsDragEnter, dsDragLeave, dsDragMove};
      bool accept = false;
      DragOver(source, p.X, p.Y, kStates[Message.WParam], accept);
      Message.Result = accept;
      return;
    }
    case dmDragDrop: DragDrop(source, p.X, p.Y); return;
    case dmFindTarget: Message.Result = reinterpret_cast<LRESULT>(this); return;
    case dmDragCancel: return;
  }
}

void TControl::BeginDrag(bool Immediate, int Threshold) {
  if (g_dragSession) return;
  HWND capture = DragCaptureWindow(this);
  if (!capture) return;
  auto alive = AliveToken();
  if (Threshold < 0) Threshold = kDragThreshold;
  POINT start{};
  GetCursorPos(&start);
  const bool hadCapture = GetCapture() == capture;
  SetCapture(capture);
  auto letGo = [&] {
    if (!hadCapture && IsWindow(capture) && GetCapture() == capture) ReleaseCapture();
  };
  MSG m;
  // Until the mouse has moved far enough a release is still an ordinary
  // one: it stays queued for the control.
  while (!Immediate) {
    if (!*alive || GetCapture() != capture) return letGo();
    if (!PeekMessage(&m, nullptr, 0, 0, PM_NOREMOVE)) {
      WaitMessage();
      continue;
    }
    if (m.message == WM_QUIT || m.message == WM_LBUTTONUP || m.message == WM_RBUTTONDOWN || EscapeKey(m))
      return letGo();
    PeekMessage(&m, nullptr, 0, 0, PM_REMOVE);
    if (m.message == WM_MOUSEMOVE) {
      if (std::abs(m.pt.X - start.X) >= Threshold || std::abs(m.pt.Y - start.Y) >= Threshold) break;
      continue;
    }
    if (m.message >= WM_MOUSEFIRST && m.message <= WM_MOUSELAST) continue;
    TranslateMessage(&m);
    DispatchMessage(&m);
  }

  TDragSession session;
  session.source = this;
  g_dragSession = &session;
  struct TEndSession {
    ~TEndSession() { g_dragSession = nullptr; }
  } endSession;
  TDragObject* object = nullptr;
  DoStartDrag(object);
  if (!*alive) return;
  std::unique_ptr<TDragObject> own;
  if (!object) {
    own = std::make_unique<TDragControlObject>(this);
    object = own.get();
  }
  session.object = object;
  session.images = object->GetDragImages();
  if (session.images) session.imagesAlive = session.images->AliveToken();
  POINT pos{};
  GetCursorPos(&pos);
  DragMoveTo(session, pos);
  bool quit = false;
  int quitCode = 0;
  while (session.end == TDragEnd::None) {
    if (!*alive || GetCapture() != capture) {
      session.end = TDragEnd::Cancel;
      break;
    }
    if (!PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
      WaitMessage();
      continue;
    }
    if (m.message == WM_QUIT) {
      quit = true;
      quitCode = int(m.wParam);
      session.end = TDragEnd::Cancel;
      break;
    }
    if (m.message == WM_MOUSEMOVE) {
      pos = m.pt;
      DragMoveTo(session, pos);
    } else if (m.message == WM_LBUTTONUP) {
      pos = m.pt;
      session.end = TDragEnd::Drop;
    } else if (m.message == WM_RBUTTONDOWN || EscapeKey(m)) {
      session.end = TDragEnd::Cancel;
    } else if (!(m.message >= WM_MOUSEFIRST && m.message <= WM_MOUSELAST) && !DragModifierKey(m)) {
      TranslateMessage(&m);
      DispatchMessage(&m);
    }
  }
  if (TDragImageList* images = LiveDragImages(session)) images->EndDrag();
  // The drag took the release: the press is over for the control too.
  if (IsWindow(capture) && GetCapture() == capture) ReleaseCapture();
  if (*alive) ControlState &= ~(csLButtonDown | csClicked);
  if (Screen) ::SetCursor(Screen->Cursors(crDefault));
  // A drop on a target that refuses it is a cancel.
  const bool dropped = session.end == TDragEnd::Drop && session.accepted && TargetLive(session);
  object->Cancelling = !dropped;
  if (dropped) {
    SendDrag(session, dmDragDrop, pos);
  } else if (TargetLive(session)) {
    SendDrag(session, dmDragLeave, pos);
    SendDrag(session, dmDragCancel, pos);
  }
  object->Dropped = dropped && TargetLive(session);
  TControl* target = dropped && TargetLive(session) ? session.target : nullptr;
  const TPoint at = target ? target->ScreenToClient(pos) : (*alive ? ScreenToClient(pos) : pos);
  object->Finished(target, at.X, at.Y, dropped);
  if (*alive) DoEndDrag(target, at.X, at.Y);
  if (quit) PostQuitMessage(quitCode);
}
