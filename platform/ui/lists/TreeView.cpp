#include "platform/ui/lists/TreeView.h"

#include <algorithm>

#include "platform/gdi/Gdi.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/controls/ClassicDraw.h"
#include "platform/user/User.h"

namespace {
constexpr int kButtonSize = 9;
constexpr int kNodeTextMargin = 2;
constexpr int kTreeWheelRows = 3;
}  // namespace

// ---- TTreeNode ------------------------------------------------------------------------

TTreeNode::TTreeNode(TTreeNodes* Owner, TTreeNode* Parent) : owner_(Owner), parent_(Parent) {}
TTreeNode::~TTreeNode() { *alive_ = false; }

TTreeView* TTreeNode::TreeView() const { return owner_ ? owner_->Owner() : nullptr; }

void TTreeNode::SetText(const std::string& v) {
  if (v == text_) return;
  text_ = v;
  if (TTreeView* tv = TreeView()) tv->TreeChanged();
}

void TTreeNode::SetImageIndex(int v) {
  imageIndex_ = v;
  if (TTreeView* tv = TreeView()) tv->Invalidate();
}

void TTreeNode::SetSelectedIndex(int v) {
  selectedIndex_ = v;
  if (TTreeView* tv = TreeView()) tv->Invalidate();
}

void TTreeNode::SetHasChildren(bool v) {
  hasChildren_ = v;
  if (TTreeView* tv = TreeView()) tv->Invalidate();
}

void TTreeNode::SetExpanded(bool v) {
  if (TTreeView* tv = TreeView()) tv->DoExpand(this, v);
  else expanded_ = v;
}

void TTreeNode::Expand(bool Recurse) {
  auto alive = alive_;
  SetExpanded(true);
  if (!Recurse || !*alive) return;
  for (int i = 0; i < Count() && *alive; ++i) Item(i)->Expand(true);
}

void TTreeNode::Collapse(bool Recurse) {
  auto alive = alive_;
  if (Recurse)
    for (int i = 0; i < Count() && *alive; ++i) Item(i)->Collapse(true);
  if (*alive) SetExpanded(false);
}

bool TTreeNode::Selected() const {
  TTreeView* tv = TreeView();
  return tv && tv->Selected() == this;
}

void TTreeNode::SetSelected(bool v) {
  TTreeView* tv = TreeView();
  if (!tv) return;
  if (v) tv->SetSelected(this);
  else if (Selected()) tv->SetSelected(nullptr);
}

TTreeNode* TTreeNode::Item(int Index) const {
  if (Index < 0 || Index >= Count()) throw EListError("Tree view index out of bounds (" + std::to_string(Index) + ")");
  return children_[Index].get();
}

int TTreeNode::Index() const {
  const auto& sibs = owner_->SiblingsOf(parent_);
  for (int i = 0; i < int(sibs.size()); ++i)
    if (sibs[i].get() == this) return i;
  return -1;
}

int TTreeNode::Level() const {
  int l = 0;
  for (TTreeNode* p = parent_; p; p = p->parent_) ++l;
  return l;
}

int TTreeNode::AbsoluteIndex() const {
  int i = 0;
  for (TTreeNode* n = owner_->GetFirstNode(); n; n = n->GetNext(), ++i)
    if (n == this) return i;
  return -1;
}

TTreeNode* TTreeNode::GetNextSibling() const {
  const auto& sibs = owner_->SiblingsOf(parent_);
  const int i = Index();
  return i + 1 < int(sibs.size()) ? sibs[i + 1].get() : nullptr;
}

TTreeNode* TTreeNode::GetPrevSibling() const {
  const int i = Index();
  return i > 0 ? owner_->SiblingsOf(parent_)[i - 1].get() : nullptr;
}

TTreeNode* TTreeNode::GetNext() const {
  if (!children_.empty()) return children_.front().get();
  for (const TTreeNode* n = this; n; n = n->parent_)
    if (TTreeNode* s = n->GetNextSibling()) return s;
  return nullptr;
}

bool TTreeNode::IsVisible() const {
  for (TTreeNode* p = parent_; p; p = p->parent_)
    if (!p->expanded_) return false;
  return true;
}

TRect TTreeNode::DisplayRect(bool TextOnly) const {
  TTreeView* tv = TreeView();
  if (!tv) return TRect{};
  const int row = tv->RowOf(this);
  if (row < 0) return TRect{};
  const int h = tv->RowHeight(), y = (row - tv->topRow_) * h;
  if (!TextOnly) return TRect{0, y, tv->ClientWidth(), y + h};
  int x = tv->NodeLeft(this) + tv->indent_;
  if (tv->images_) x += tv->images_->Width() + kNodeTextMargin;
  const int w = MeasureClassicText(tv->Font(), text_, TRect{}, DT_SINGLELINE | DT_NOPREFIX).Width();
  return TRect{x, y, x + w + 2 * kNodeTextMargin, y + h};
}

void TTreeNode::MakeVisible() {
  auto alive = alive_;
  for (TTreeNode* p = parent_; p && *alive; p = p->parent_)
    if (!p->expanded_) p->SetExpanded(true);
  if (*alive)
    if (TTreeView* tv = TreeView()) tv->EnsureVisible(this);
}

void TTreeNode::Delete() { owner_->Delete(this); }

bool TTreeNode::EditText() {
  TTreeView* tv = TreeView();
  return tv && tv->BeginEdit(this);
}

void TTreeNode::AlphaSort(bool Recurse) {
  if (TTreeView* tv = TreeView()) {
    tv->EndEdit(true);
    tv->SortSiblings(children_, Recurse);
    tv->TreeChanged();
  }
}

void TTreeNode::EndEdit(bool Cancel) {
  TTreeView* tv = TreeView();
  if (tv && tv->NodeEditing() == this) tv->EndEdit(Cancel);
}

void TTreeNode::DeleteChildren() {
  auto alive = alive_;
  while (*alive && !children_.empty()) owner_->Delete(children_.back().get());
}

// ---- TTreeNodes -----------------------------------------------------------------------

TTreeNodes::TTreeNodes(TTreeView* Owner) : owner_(Owner) {}
TTreeNodes::~TTreeNodes() = default;

TTreeNode* TTreeNodes::InsertAt(TTreeNode* parent, int index, const std::string& s) {
  auto& sibs = SiblingsOf(parent);
  auto node = std::make_unique<TTreeNode>(this, parent);
  node->text_ = s;
  TTreeNode* out = node.get();
  sibs.insert(sibs.begin() + std::clamp(index, 0, int(sibs.size())), std::move(node));
  owner_->TreeChanged();
  return out;
}

TTreeNode* TTreeNodes::Add(TTreeNode* Sibling, const std::string& S) {
  TTreeNode* parent = Sibling ? Sibling->parent_ : nullptr;
  return InsertAt(parent, int(SiblingsOf(parent).size()), S);
}

TTreeNode* TTreeNodes::AddFirst(TTreeNode* Sibling, const std::string& S) {
  return InsertAt(Sibling ? Sibling->parent_ : nullptr, 0, S);
}

TTreeNode* TTreeNodes::AddChild(TTreeNode* Parent, const std::string& S) {
  return InsertAt(Parent, int(SiblingsOf(Parent).size()), S);
}

TTreeNode* TTreeNodes::AddChildFirst(TTreeNode* Parent, const std::string& S) { return InsertAt(Parent, 0, S); }

TTreeNode* TTreeNodes::Insert(TTreeNode* Sibling, const std::string& S) {
  if (!Sibling) return InsertAt(nullptr, int(roots_.size()), S);
  return InsertAt(Sibling->parent_, Sibling->Index(), S);
}

void TTreeNodes::Delete(TTreeNode* Node) {
  if (!Node || Node->owner_ != this) return;
  auto alive = Node->AliveToken();
  auto view = owner_->AliveToken();
  Node->DeleteChildren();
  if (!*alive || !*view) return;
  owner_->NodeDeleting(Node);
  if (!*alive || !*view) return;
  // The selection moves off the node before it goes.
  TTreeNode* next = nullptr;
  const bool wasSelected = owner_->selected_ == Node;
  if (wasSelected) {
    next = Node->GetNextSibling();
    if (!next) next = Node->GetPrevSibling();
    if (!next) next = Node->parent_;
  }
  auto& sibs = SiblingsOf(Node->parent_);
  const int at = Node->Index();
  std::unique_ptr<TTreeNode> gone = std::move(sibs[at]);
  sibs.erase(sibs.begin() + at);
  if (wasSelected) owner_->selected_ = next;
  gone.reset();
  owner_->TreeChanged();
  if (wasSelected && !owner_->destroying_ && owner_->OnChange) owner_->OnChange(owner_, next);
}

void TTreeNodes::Clear() {
  owner_->EndEdit(true);
  auto view = owner_->AliveToken();
  BeginUpdate();
  while (*view && !roots_.empty()) Delete(roots_.back().get());
  if (*view) EndUpdate();
}

int TTreeNodes::Count() const {
  int n = 0;
  for (TTreeNode* node = GetFirstNode(); node; node = node->GetNext()) ++n;
  return n;
}

TTreeNode* TTreeNodes::Item(int Index) const {
  int i = 0;
  for (TTreeNode* node = GetFirstNode(); node; node = node->GetNext(), ++i)
    if (i == Index) return node;
  throw EListError("Tree view index out of bounds (" + std::to_string(Index) + ")");
}

void TTreeNodes::EndUpdate() {
  if (updateCount_ > 0 && --updateCount_ == 0) owner_->TreeChanged();
}

// ---- TTreeView: properties --------------------------------------------------------------

TTreeView::TTreeView(TComponent* AOwner) : TCustomControl(AOwner), items_(std::make_unique<TTreeNodes>(this)) {
  ControlStyle = csCaptureMouse | csOpaque | csDoubleClicks | csClickEvents | csDisplayDragImage;
  SetColor(clWindow);
  SetTabStop(true);
  SetBounds(0, 0, 121, 97);
}

TTreeView::~TTreeView() {
  destroying_ = true;
  // The editor goes without ending events; the view is half gone for them.
  editing_.Destroy();
  editNode_ = nullptr;
  clickNode_ = nullptr;
  OnDeletion = nullptr;
  OnChange = nullptr;
  selected_ = nullptr;
  items_->roots_.clear();
}

void TTreeView::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TTreeView::CreateWnd() {
  TCustomControl::CreateWnd();
  UpdateScrollBars();
}

void TTreeView::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == images_) {
    images_ = nullptr;
    TreeChanged();
  }
}

void TTreeView::SetImages(TImageList* v) {
  if (v == images_) return;
  if (images_) images_->RemoveFreeNotification(this);
  images_ = v;
  if (v) v->FreeNotification(this);
  TreeChanged();
}

void TTreeView::SetShowLines(bool v) {
  showLines_ = v;
  Invalidate();
}

void TTreeView::SetShowButtons(bool v) {
  showButtons_ = v;
  Invalidate();
}

void TTreeView::SetShowRoot(bool v) {
  showRoot_ = v;
  TreeChanged();
}

void TTreeView::SetIndent(int v) {
  indent_ = std::max(v, kButtonSize + 2);
  TreeChanged();
}

void TTreeView::FullExpand() {
  for (TTreeNode* n = items_->GetFirstNode(); n; n = n->GetNext())
    if (n->HasChildren() && !n->expanded_) n->SetExpanded(true);
}

void TTreeView::AlphaSort() {
  EndEdit(true);
  SortSiblings(items_->roots_, true);
  TreeChanged();
}

void TTreeView::SortSiblings(std::vector<std::unique_ptr<TTreeNode>>& nodes, bool recurse) {
  using TNodePtr = std::unique_ptr<TTreeNode>;
  std::stable_sort(nodes.begin(), nodes.end(),
                   [](const TNodePtr& a, const TNodePtr& b) { return AnsiCompareText(a->text_, b->text_) < 0; });
  if (recurse)
    for (auto& n : nodes) SortSiblings(n->children_, true);
}

void TTreeView::FullCollapse() {
  auto alive = AliveToken();
  for (int i = 0; *alive && i < int(items_->roots_.size()); ++i) items_->roots_[i]->Collapse(true);
}

// ---- Layout -------------------------------------------------------------------------------

const std::vector<TTreeNode*>& TTreeView::Rows() const {
  if (!rowsValid_) {
    rows_.clear();
    // Depth-first over expanded nodes only.
    std::vector<TTreeNode*> stack;
    for (auto it = items_->roots_.rbegin(); it != items_->roots_.rend(); ++it) stack.push_back(it->get());
    while (!stack.empty()) {
      TTreeNode* n = stack.back();
      stack.pop_back();
      rows_.push_back(n);
      if (n->expanded_)
        for (auto it = n->children_.rbegin(); it != n->children_.rend(); ++it) stack.push_back(it->get());
    }
    rowsValid_ = true;
  }
  return rows_;
}

int TTreeView::RowOf(const TTreeNode* node) const {
  const auto& rows = Rows();
  auto it = std::find(rows.begin(), rows.end(), node);
  return it == rows.end() ? -1 : int(it - rows.begin());
}

int TTreeView::RowHeight() const {
  return std::max(TextCellHeight(Font()) + 2, images_ ? images_->Height() + 1 : 0);
}

int TTreeView::NodeLeft(const TTreeNode* node) const {
  return (node->Level() + (showRoot_ ? 0 : -1)) * indent_ - hScroll_;
}

int TTreeView::VisibleRowCount() const { return std::max(0, ClientHeight() / RowHeight()); }

int TTreeView::ContentWidth() const {
  int w = 0;
  for (TTreeNode* n : Rows()) w = std::max(w, n->DisplayRect(true).Right + hScroll_);
  return w;
}

TTreeNode* TTreeView::TopItem() const {
  const auto& rows = Rows();
  return topRow_ < int(rows.size()) ? rows[topRow_] : nullptr;
}

void TTreeView::SetTopItem(TTreeNode* v) {
  const int row = RowOf(v);
  if (row >= 0) SetTopRow(row);
}

TTreeNode* TTreeView::GetNodeAt(int X, int Y) const {
  if (X < 0 || Y < 0 || X >= ClientWidth() || Y >= ClientHeight()) return nullptr;
  const int row = topRow_ + Y / RowHeight();
  const auto& rows = Rows();
  return row < int(rows.size()) ? rows[row] : nullptr;
}

void TTreeView::TreeChanged() {
  rowsValid_ = false;
  if (items_->updateCount_ > 0 || destroying_) return;
  UpdateScrollBars();
  Invalidate();
  PlaceEditor();
}

void TTreeView::UpdateScrollBars() {
  if (updatingBars_ || !HandleAllocated()) return;
  updatingBars_ = true;
  HWND h = Handle();
  for (int pass = 0; pass < 3; ++pass) {
    const TRect before = ClientRect();
    const int count = int(Rows().size()), page = VisibleRowCount();
    topRow_ = std::clamp(topRow_, 0, std::max(0, count - page));
    SCROLLINFO v;
    v.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    if (count > page) {
      v.nMax = count - 1;
      v.nPage = UINT(std::max(page, 1));
      v.nPos = topRow_;
    }
    SetScrollInfo(h, SB_VERT, &v, TRUE);
    const int width = ContentWidth(), room = ClientWidth();
    hScroll_ = std::clamp(hScroll_, 0, std::max(0, width - room));
    SCROLLINFO hz;
    hz.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    if (width > room) {
      hz.nMax = width - 1;
      hz.nPage = UINT(room);
      hz.nPos = hScroll_;
    }
    SetScrollInfo(h, SB_HORZ, &hz, TRUE);
    if (ClientRect() == before) break;
  }
  updatingBars_ = false;
}

void TTreeView::SetTopRow(int v) {
  v = std::clamp(v, 0, std::max(0, int(Rows().size()) - VisibleRowCount()));
  if (v == topRow_) return;
  EndEdit(true);
  topRow_ = v;
  if (HandleAllocated()) ::SetScrollPos(Handle(), SB_VERT, v, TRUE);
  Invalidate();
}

void TTreeView::SetHScroll(int v) {
  v = std::clamp(v, 0, std::max(0, ContentWidth() - ClientWidth()));
  if (v == hScroll_) return;
  EndEdit(true);
  hScroll_ = v;
  if (HandleAllocated()) ::SetScrollPos(Handle(), SB_HORZ, v, TRUE);
  Invalidate();
}

void TTreeView::EnsureVisible(const TTreeNode* node) {
  const int row = RowOf(node), page = std::max(1, VisibleRowCount());
  if (row < 0) return;
  if (row < topRow_) SetTopRow(row);
  else if (row >= topRow_ + page) SetTopRow(row - page + 1);
}

// ---- Selection, expansion, deletion ----------------------------------------------------

void TTreeView::SetSelected(TTreeNode* v) {
  if (v == selected_) return;
  auto alive = AliveToken();
  std::shared_ptr<const bool> nodeAlive = v ? v->AliveToken() : nullptr;
  bool allow = true;
  if (OnChanging) OnChanging(this, v, allow);
  if (!*alive || !allow || (nodeAlive && !*nodeAlive)) return;
  if (v) {
    v->MakeVisible();
    if (!*alive || !*nodeAlive) return;
  }
  selected_ = v;
  Invalidate();
  if (OnChange) OnChange(this, v);
}

bool TTreeView::DoExpand(TTreeNode* node, bool expand) {
  if (node->expanded_ == expand) return true;
  if (expand && !node->HasChildren()) return false;
  auto alive = AliveToken();
  auto nodeAlive = node->AliveToken();
  bool allow = true;
  if (expand && OnExpanding) OnExpanding(this, node, allow);
  if (!expand && OnCollapsing) OnCollapsing(this, node, allow);
  if (!*alive || !*nodeAlive || !allow) return false;
  // Children added by OnExpanding count; a node left without any stays shut.
  if (expand && !node->HasChildren()) return false;
  if (!expand && editNode_ && editing_.Active())
    for (TTreeNode* p = editNode_->parent_; p; p = p->parent_)
      if (p == node) {
        EndEdit(true);
        break;
      }
  node->expanded_ = expand;
  TreeChanged();
  if (!expand && selected_ && selected_ != node) {
    for (TTreeNode* p = selected_->parent_; p; p = p->parent_)
      if (p == node) {
        SetSelected(node);
        if (!*alive || !*nodeAlive) return false;
        break;
      }
  }
  if (expand && OnExpanded) OnExpanded(this, node);
  if (!expand && OnCollapsed) OnCollapsed(this, node);
  return *alive && *nodeAlive;
}

void TTreeView::NodeDeleting(TTreeNode* node) {
  if (node == clickNode_) {
    clickNode_ = nullptr;
    editing_.DisarmClick();
  }
  if (editing_.Active() && node == editNode_) EndEdit(true);
  if (OnDeletion) OnDeletion(this, node);
}

// ---- Label editing ------------------------------------------------------------------------

bool TTreeView::BeginEdit(TTreeNode* node) {
  if (ReadOnly || !node || node->TreeView() != this || destroying_) return false;
  if (editing_.Active() && editNode_ == node) return true;
  auto alive = AliveToken();
  auto nodeAlive = node->AliveToken();
  if (editing_.Active()) {
    EndEdit(false);
    if (!*alive || !*nodeAlive) return false;
  }
  clickNode_ = nullptr;
  editing_.DisarmClick();
  // The edited node becomes the selected one (OnChanging may refuse that).
  if (selected_ != node) {
    SetSelected(node);
    if (!*alive || !*nodeAlive || selected_ != node) return false;
  }
  bool allow = true;
  if (OnEditing) OnEditing(this, node, allow);
  if (!*alive || !*nodeAlive || !allow || ReadOnly || editing_.Active() || !CanFocus()) return false;
  node->MakeVisible();
  if (!*alive || !*nodeAlive || editing_.Active() || RowOf(node) < 0) return false;
  editNode_ = node;
  editing_.Open(node->text_, node->DisplayRect(true), [this](bool cancel) { EndEdit(cancel); });
  return true;
}

void TTreeView::EndEdit(bool Cancel) {
  if (!editing_.Active()) return;
  TTreeNode* node = editNode_;
  auto nodeAlive = node->AliveToken();
  std::string text = editing_.Editor()->Text();
  editNode_ = nullptr;
  auto alive = AliveToken();
  editing_.Close();
  if (!*alive || Cancel || !*nodeAlive || destroying_) return;
  if (OnEdited) OnEdited(this, node, text);
  if (*alive && *nodeAlive) node->SetText(text);
}

void TTreeView::PlaceEditor() {
  if (!editing_.Active()) return;
  if (RowOf(editNode_) < 0) EndEdit(true);
  else editing_.Place(editNode_->DisplayRect(true));
}

void TTreeView::ClickTimerFired() {
  TTreeNode* node = clickNode_;
  auto nodeAlive = std::move(clickNodeAlive_);
  clickNode_ = nullptr;
  if (node && nodeAlive && *nodeAlive && node == selected_ && Focused()) BeginEdit(node);
}

// ---- Input --------------------------------------------------------------------------------

void TTreeView::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  auto alive = AliveToken();
  // Any press, the second of a double click too, stops a pending edit.
  clickNode_ = nullptr;
  editing_.DisarmClick();
  const bool wasFocused = Focused();
  if (CanFocus() && !Focused()) {
    SetFocus();
    if (!*alive) return;
  }
  if (Button == TMouseButton::mbLeft) {
    if (TTreeNode* node = GetNodeAt(X, Y)) {
      const int left = NodeLeft(node);
      const bool onButton = showButtons_ && (node->parent_ || showRoot_) && X >= left && X < left + indent_;
      // A plain second click on the selected node's text.
      if (wasFocused && !ReadOnly && node == selected_ && !(Shift & (ssShift | ssCtrl | ssDouble)) &&
          node->DisplayRect(true).Contains(TPoint{X, Y})) {
        clickNode_ = node;
        clickNodeAlive_ = node->AliveToken();
      }
      if (onButton && node->HasChildren()) DoExpand(node, !node->expanded_);
      else SetSelected(node);
      if (!*alive) return;
    }
  }
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TTreeView::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  auto alive = AliveToken();
  TCustomControl::MouseUp(Button, Shift, X, Y);
  if (!*alive || !clickNode_) return;
  // The timer starts at the release, so a long press never edits.
  if (Button == TMouseButton::mbLeft && *clickNodeAlive_ && clickNode_ == selected_ &&
      clickNode_->DisplayRect(true).Contains(TPoint{X, Y}))
    editing_.ArmClick();
  else
    clickNode_ = nullptr;
}

void TTreeView::DblClick() {
  auto alive = AliveToken();
  TCustomControl::DblClick();
  if (*alive && selected_ && selected_->HasChildren()) DoExpand(selected_, !selected_->expanded_);
}

void TTreeView::KeyDown(Word& Key, TShiftState Shift) {
  auto alive = AliveToken();
  clickNode_ = nullptr;
  editing_.DisarmClick();
  TCustomControl::KeyDown(Key, Shift);
  if (!*alive || Key == 0) return;
  if (Key == VK_F2) {
    if (selected_) BeginEdit(selected_);
    return;
  }
  const auto& rows = Rows();
  if (rows.empty()) return;
  const int cur = selected_ ? RowOf(selected_) : -1;
  const int page = std::max(1, VisibleRowCount());
  int to = cur;
  switch (Key) {
    case VK_UP: to = cur - 1; break;
    case VK_DOWN: to = cur + 1; break;
    case VK_PRIOR: to = cur - page; break;
    case VK_NEXT: to = cur + page; break;
    case VK_HOME: to = 0; break;
    case VK_END: to = int(rows.size()) - 1; break;
    case VK_LEFT:
      if (!selected_) break;
      if (selected_->expanded_) DoExpand(selected_, false);
      else if (selected_->parent_) SetSelected(selected_->parent_);
      return;
    case VK_RIGHT:
      if (!selected_) break;
      if (!selected_->expanded_) DoExpand(selected_, true);
      else if (TTreeNode* child = selected_->GetFirstChild()) SetSelected(child);
      return;
    case VK_ADD:
      if (selected_) DoExpand(selected_, true);
      return;
    case VK_SUBTRACT:
      if (selected_) DoExpand(selected_, false);
      return;
    case VK_MULTIPLY:
      if (selected_) selected_->Expand(true);
      return;
    default: return;
  }
  if (cur < 0) to = 0;
  to = std::clamp(to, 0, int(rows.size()) - 1);
  SetSelected(rows[to]);
}

void TTreeView::KeyPress(std::string& Key) {
  auto alive = AliveToken();
  TCustomControl::KeyPress(Key);
  if (!*alive || !selected_) return;
  if (Key == "+") DoExpand(selected_, true);
  else if (Key == "-") DoExpand(selected_, false);
}

bool TTreeView::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
  if (TCustomControl::DoMouseWheel(Shift, WheelDelta, MousePos)) return true;
  SetTopRow(topRow_ - WheelDelta / WHEEL_DELTA * kTreeWheelRows);
  return true;
}

void TTreeView::Dispatch(TMessage& Message) {
  bool fired = false;
  if (editing_.HandleMessage(Message, fired)) {
    if (fired) ClickTimerFired();
    return;
  }
  switch (Message.Msg) {
    case WM_GETDLGCODE: Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS; return;
    case WM_ERASEBKGND: Message.Result = 1; return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: Invalidate(); break;
    case WM_HSCROLL:
    case WM_VSCROLL: {
      if (Message.LParam != 0) break;
      const bool horizontal = Message.Msg == WM_HSCROLL;
      const int pos = horizontal ? hScroll_ : topRow_;
      const int line = horizontal ? 8 : 1;
      const int page = horizontal ? ClientWidth() : std::max(1, VisibleRowCount());
      int to = pos;
      switch (LOWORD(Message.WParam)) {
        case SB_LINEUP: to = pos - line; break;
        case SB_LINEDOWN: to = pos + line; break;
        case SB_PAGEUP: to = pos - page; break;
        case SB_PAGEDOWN: to = pos + page; break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: to = HIWORD(Message.WParam); break;
        case SB_TOP: to = 0; break;
        case SB_BOTTOM: to = 1 << 20; break;
        default: return;
      }
      if (horizontal) SetHScroll(to);
      else SetTopRow(to);
      return;
    }
    default: break;
  }
  TCustomControl::Dispatch(Message);
  if (Message.Msg == WM_SIZE || Message.Msg == CM_FONTCHANGED) TreeChanged();
}

// ---- Painting -----------------------------------------------------------------------------

void TTreeView::DrawNode(HDC dc, TTreeNode* node, int row) {
  TCanvas* canvas = Canvas();
  const int h = RowHeight(), y = (row - topRow_) * h, mid = y + h / 2;
  const int left = NodeLeft(node), cx = left + indent_ / 2;
  const bool hasColumn = node->parent_ || showRoot_;
  if (showLines_) {
    // Dotted, every other pixel, as the classic tree draws them.
    const TColor back = Color();
    if (hasColumn) {
      FillDotted(dc, TRect{cx, mid, left + indent_, mid + 1}, clBtnShadow, back);
      // Up to the node before it, down to its next sibling.
      const bool first = !node->parent_ && node->Index() == 0;
      FillDotted(dc, TRect{cx, first ? mid : y, cx + 1, node->GetNextSibling() ? y + h : mid + 1}, clBtnShadow, back);
    }
    // The lines of the ancestors that have siblings still to come.
    for (TTreeNode* a = node->parent_; a; a = a->parent_) {
      if (!a->GetNextSibling() || (!a->parent_ && !showRoot_)) continue;
      const int ax = NodeLeft(a) + indent_ / 2;
      FillDotted(dc, TRect{ax, y, ax + 1, y + h}, clBtnShadow, back);
    }
  }
  if (showButtons_ && hasColumn && node->HasChildren()) {
    TRect box{cx - kButtonSize / 2, mid - kButtonSize / 2, cx - kButtonSize / 2 + kButtonSize,
              mid - kButtonSize / 2 + kButtonSize};
    FillSolid(dc, box, Color());
    canvas->Brush()->SetColor(clBtnShadow);
    canvas->FrameRect(box);
    FillSolid(dc, TRect{box.Left + 2, mid, box.Right - 2, mid + 1}, clWindowText);
    if (!node->expanded_) FillSolid(dc, TRect{cx, box.Top + 2, cx + 1, box.Bottom - 2}, clWindowText);
  }
  int x = left + indent_;
  if (images_) {
    const int index = node == selected_ && node->selectedIndex_ >= 0 ? node->selectedIndex_ : node->imageIndex_;
    if (index >= 0 && index < images_->Count())
      images_->Draw(canvas, x, y + (h - images_->Height()) / 2, index, Enabled());
    x += images_->Width() + kNodeTextMargin;
  }
  const TRect label = node->DisplayRect(true);
  const bool highlighted = node == selected_ && (Focused() || !HideSelection);
  // Without the focus a selection kept visible is drawn in the face colour.
  if (highlighted) FillSolid(dc, label, Focused() ? clHighlight : clBtnFace);
  TRect t{label.Left + kNodeTextMargin, label.Top, label.Right, label.Bottom};
  const TColor selText = Focused() ? clHighlightText : clBtnText;
  DrawClassicText(dc, Font(), highlighted ? selText : Font()->Color(), node->text_, t,
                  DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX, Enabled());
  if (node == selected_ && Focused()) DrawFocusRect(dc, &label);
}

void TTreeView::Paint() {
  TCanvas* canvas = Canvas();
  canvas->Font()->Assign(Font());
  HDC dc = canvas->Handle();
  FillSolid(dc, ClientRect(), Color());
  const TRect clip = canvas->ClipRect();
  const auto rows = Rows();  // a copy: drawing calls out to the image list only, but stay safe
  const int h = RowHeight();
  for (int row = topRow_; row < int(rows.size()); ++row) {
    const int y = (row - topRow_) * h;
    if (y >= ClientHeight() || y >= clip.Bottom) break;
    if (y + h <= clip.Top) continue;
    DrawNode(dc, rows[row], row);
  }
}

void TTreeView::DoStartDrag(TDragObject*& DragObject) {
  auto alive = AliveToken();
  TCustomControl::DoStartDrag(DragObject);
  if (!*alive) return;
  dragImage_.Clear();
  POINT p{};
  GetCursorPos(&p);
  const TPoint at = ScreenToClient(p);
  if (const TTreeNode* node = GetNodeAt(at.X, at.Y)) CopyDragImage(dragImage_, images_, node->imageIndex_, TPoint{2, 2});
}

TDragImageList* TTreeView::GetDragImages() { return dragImage_.Count() ? &dragImage_ : nullptr; }
