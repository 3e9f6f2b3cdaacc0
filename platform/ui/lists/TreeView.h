// The tree view, drawn plainly: one row per node whose parents are all
// expanded, indented by level, with dotted lines, +/- buttons and images.
// It scrolls vertically by whole rows (the bar runs over the visible rows,
// the page is the number of whole rows in view) and horizontally by pixels.
//
// Deleting the selected node moves the selection to its next sibling, else
// its previous sibling, else its parent, and fires OnChange. Nodes and the
// view may be freed from inside any event.
//
// Node texts are edited in place (LabelEditor.h) unless ReadOnly is set. An
// edit starts by a second click on the selected node's text in the focused
// view (once the double-click time passes without another click), by F2, or
// by TTreeNode::EditText; OnEditing may refuse it. Enter or the loss of
// focus commits through OnEdited, which may change the text; Esc cancels.
// Scrolling, sorting, deleting the node, clearing, collapsing a parent of
// the node and freeing the view cancel the edit.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/graphics/ImageList.h"
#include "platform/ui/controls/DragImageList.h"
#include "platform/ui/controls/Controls.h"
#include "platform/ui/edits/LabelEditor.h"

class TTreeView;
class TTreeNodes;

class TTreeNode : public TPersistent {
 public:
  TTreeNode(TTreeNodes* Owner, TTreeNode* Parent);
  ~TTreeNode() override;
  std::string ClassName() const override { return "TTreeNode"; }

  const std::string& Text() const { return text_; }
  void SetText(const std::string& v);
  void* Data = nullptr;
  int ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int v);
  int SelectedIndex() const { return selectedIndex_; }
  void SetSelectedIndex(int v);
  bool Expanded() const { return expanded_; }
  // Asks OnExpanding / OnCollapsing, which may refuse.
  void SetExpanded(bool v);
  void Expand(bool Recurse);
  void Collapse(bool Recurse);
  // True with children, or when set for a node whose children come later.
  bool HasChildren() const { return hasChildren_ || !children_.empty(); }
  void SetHasChildren(bool v);
  bool Selected() const;
  void SetSelected(bool v);
  bool Focused() const { return Selected(); }
  TTreeNode* Parent() const { return parent_; }
  int Count() const { return int(children_.size()); }
  TTreeNode* Item(int Index) const;
  int Index() const;
  int Level() const;
  int AbsoluteIndex() const;
  TTreeNode* GetFirstChild() const { return children_.empty() ? nullptr : children_.front().get(); }
  TTreeNode* GetLastChild() const { return children_.empty() ? nullptr : children_.back().get(); }
  TTreeNode* GetNextSibling() const;
  TTreeNode* GetPrevSibling() const;
  // The next node in depth-first order, whatever is expanded.
  TTreeNode* GetNext() const;
  // All parents expanded.
  bool IsVisible() const;
  // Row rectangle (TextOnly: the label only) of a visible node; empty otherwise.
  TRect DisplayRect(bool TextOnly) const;
  void MakeVisible();
  void Delete();
  void DeleteChildren();
  // Starts editing the text in place; false when refused or read-only.
  bool EditText();
  // Ends the edit of this node's text, if it is being edited.
  void EndEdit(bool Cancel);
  // Orders the children by text ignoring case, equal ones kept in order;
  // Recurse sorts every level below too.
  void AlphaSort(bool Recurse = false);
  TTreeNodes* Owner() const { return owner_; }
  TTreeView* TreeView() const;
  std::shared_ptr<const bool> AliveToken() const { return alive_; }

 private:
  friend class TTreeNodes;
  friend class TTreeView;
  TTreeNodes* owner_;
  TTreeNode* parent_;
  std::vector<std::unique_ptr<TTreeNode>> children_;
  std::string text_;
  int imageIndex_ = -1, selectedIndex_ = -1;
  bool expanded_ = false;
  bool hasChildren_ = false;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

class TTreeNodes : public TPersistent {
 public:
  explicit TTreeNodes(TTreeView* Owner);
  ~TTreeNodes() override;
  std::string ClassName() const override { return "TTreeNodes"; }
  // A sibling after the last sibling of Sibling (nullptr: a root node).
  TTreeNode* Add(TTreeNode* Sibling, const std::string& S);
  TTreeNode* AddFirst(TTreeNode* Sibling, const std::string& S);
  TTreeNode* AddChild(TTreeNode* Parent, const std::string& S);
  TTreeNode* AddChildFirst(TTreeNode* Parent, const std::string& S);
  // Before Sibling (nullptr: after the last root node).
  TTreeNode* Insert(TTreeNode* Sibling, const std::string& S);
  void Delete(TTreeNode* Node);
  void Clear();
  // Every node, counted in depth-first order.
  int Count() const;
  TTreeNode* Item(int Index) const;
  TTreeNode* GetFirstNode() const { return roots_.empty() ? nullptr : roots_.front().get(); }
  TTreeView* Owner() const { return owner_; }
  void BeginUpdate() { ++updateCount_; }
  void EndUpdate();

 private:
  friend class TTreeNode;
  friend class TTreeView;
  std::vector<std::unique_ptr<TTreeNode>>& SiblingsOf(TTreeNode* parent) {
    return parent ? parent->children_ : roots_;
  }
  TTreeNode* InsertAt(TTreeNode* parent, int index, const std::string& s);
  TTreeView* owner_;
  std::vector<std::unique_ptr<TTreeNode>> roots_;
  int updateCount_ = 0;
};

using TTVChangedEvent = std::function<void(TObject* Sender, TTreeNode* Node)>;
using TTVChangingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowChange)>;
using TTVExpandingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowExpansion)>;
using TTVCollapsingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowCollapse)>;
using TTVExpandedEvent = std::function<void(TObject* Sender, TTreeNode* Node)>;
using TTVEditingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowEdit)>;
using TTVEditedEvent = std::function<void(TObject* Sender, TTreeNode* Node, std::string& S)>;

class TTreeView : public TCustomControl {
 public:
  explicit TTreeView(TComponent* AOwner);
  ~TTreeView() override;
  std::string ClassName() const override { return "TTreeView"; }

  TTreeNodes* Items() const { return items_.get(); }
  TTreeNode* Selected() const { return selected_; }
  // Asks OnChanging, then makes the node visible and fires OnChange.
  void SetSelected(TTreeNode* v);
  bool ShowLines() const { return showLines_; }
  void SetShowLines(bool v);
  bool ShowButtons() const { return showButtons_; }
  void SetShowButtons(bool v);
  bool ShowRoot() const { return showRoot_; }
  void SetShowRoot(bool v);
  int Indent() const { return indent_; }
  void SetIndent(int v);
  TImageList* Images() const { return images_; }
  void SetImages(TImageList* v);
  bool HideSelection = true;
  bool ReadOnly = false;  // true: no label editing, whether by mouse, F2 or code
  void FullExpand();
  void FullCollapse();
  // Sorts the root nodes and every level below them (TTreeNode::AlphaSort).
  void AlphaSort();
  TTreeNode* TopItem() const;
  void SetTopItem(TTreeNode* v);
  int VisibleRowCount() const;
  int RowHeight() const;
  TTreeNode* GetNodeAt(int X, int Y) const;
  bool IsEditing() const { return editing_.Active(); }
  // The in-place editor while a text is edited, else nullptr.
  TCustomEdit* Editor() const { return editing_.Editor(); }
  TTreeNode* NodeEditing() const { return editing_.Active() ? editNode_ : nullptr; }
  // Ends the edit: Cancel keeps the text, else OnEdited and the new text.
  void EndEdit(bool Cancel);

  TTVChangedEvent OnChange;
  TTVChangingEvent OnChanging;
  TTVExpandingEvent OnExpanding;
  TTVCollapsingEvent OnCollapsing;
  TTVExpandedEvent OnExpanded;
  TTVExpandedEvent OnCollapsed;
  TTVExpandedEvent OnDeletion;
  TTVEditingEvent OnEditing;
  TTVEditedEvent OnEdited;
  void Dispatch(TMessage& Message) override;

 protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyPress(std::string& Key) override;
  bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void DblClick() override;
  // A drag from a node shows the node's image, its corner near the pointer.
  void DoStartDrag(TDragObject*& DragObject) override;

 public:
  TDragImageList* GetDragImages() override;

 private:
  friend class TTreeNode;
  friend class TTreeNodes;
  const std::vector<TTreeNode*>& Rows() const;
  int RowOf(const TTreeNode* node) const;
  int NodeLeft(const TTreeNode* node) const;  // where the button column of the node starts
  TDragImageList dragImage_{nullptr};
  void TreeChanged();
  void UpdateScrollBars();
  void SetTopRow(int v);
  void SetHScroll(int v);
  void EnsureVisible(const TTreeNode* node);
  int ContentWidth() const;
  // Expand or collapse with the events; false when refused or freed.
  bool DoExpand(TTreeNode* node, bool expand);
  void NodeDeleting(TTreeNode* node);
  void SortSiblings(std::vector<std::unique_ptr<TTreeNode>>& nodes, bool recurse);
  void DrawNode(HDC dc, TTreeNode* node, int row);
  bool BeginEdit(TTreeNode* node);
  // After a relayout: the editor follows its node, or ends when it is hidden.
  void PlaceEditor();
  void ClickTimerFired();

  std::unique_ptr<TTreeNodes> items_;
  TTreeNode* selected_ = nullptr;
  TImageList* images_ = nullptr;
  bool showLines_ = true, showButtons_ = true, showRoot_ = true;
  int indent_ = 19;
  int topRow_ = 0, hScroll_ = 0;
  bool updatingBars_ = false;
  bool destroying_ = false;
  mutable bool rowsValid_ = false;
  mutable std::vector<TTreeNode*> rows_;
  TLabelEditing editing_{this};
  TTreeNode* editNode_ = nullptr;
  // The node a second click may start editing when the click timer fires.
  TTreeNode* clickNode_ = nullptr;
  std::shared_ptr<const bool> clickNodeAlive_;
};
