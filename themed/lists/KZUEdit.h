// The bordered edit, check list box, list view and tree view: the
// framework controls with the flat frame.
#pragma once
#include "platform/ui/edits/Edit.h"
#include "platform/ui/lists/ListBox.h"
#include "platform/ui/lists/ListView.h"
#include "platform/ui/lists/TreeView.h"
#include "themed/lists/KZUBordered.h"

class TkzuEdit : public TkzuFramed<TEdit> {
 public:
  explicit TkzuEdit(TComponent* AOwner) : TkzuFramed<TEdit>(AOwner) { AddOpaqueStyle(); }
  std::string ClassName() const override { return "TkzuEdit"; }
};

class TkzuCheckListBox : public TkzuFramed<TCheckListBox> {
 public:
  explicit TkzuCheckListBox(TComponent* AOwner) : TkzuFramed<TCheckListBox>(AOwner) { SetFrameWidth(1); }
  std::string ClassName() const override { return "TkzuCheckListBox"; }
  // The frame is the pack's: the framework border stays off and one pixel.
  TBorderStyle BorderStyle() const { return bsSingle; }
  void SetBorderStyle(TBorderStyle) { TCheckListBox::SetBorderStyle(bsNone); }
  int BorderWidth() const { return 1; }
  void SetBorderWidth(int) {}
};

class TkzuListView : public TkzuFramed<TListView> {
 public:
  explicit TkzuListView(TComponent* AOwner) : TkzuFramed<TListView>(AOwner) { AddOpaqueStyle(); }
  std::string ClassName() const override { return "TkzuListView"; }
};

class TkzuTreeView : public TkzuFramed<TTreeView> {
 public:
  explicit TkzuTreeView(TComponent* AOwner) : TkzuFramed<TTreeView>(AOwner) { AddOpaqueStyle(); }
  std::string ClassName() const override { return "TkzuTreeView"; }
};
