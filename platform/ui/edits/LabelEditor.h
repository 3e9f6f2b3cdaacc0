// In-place label editing shared by the list view and the tree view.
//
// TLabelEditor is the edit put over a label: a one-pixel border, the text
// all selected and focused, its width following the text up to the view's
// client edge. Enter commits, Esc cancels, and losing the focus commits;
// each reaches OnEnd once.
//
// TLabelEditing is the view's side of it. Closing an edit takes the editor
// away at once (focus back to the view when the editor had it, hidden) but
// frees it later from a message posted to the view, since the end usually
// comes from inside the editor's own key or focus handling. It also runs the
// click-to-edit timer: a second click on the selected label edits only when
// the double-click time passes without another click.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/ui/edits/Edit.h"
#include "platform/ui/system/UiMessages.h"

// Private to the views: posted to free editors that were closed.
constexpr UINT kLabelEditRelease = WM_APP + 0x3E0;
constexpr std::uintptr_t kLabelEditTimer = 0x1AB1;

class TLabelEditing;

class TLabelEditor : public TEdit {
 public:
  explicit TLabelEditor(TWinControl* View);
  std::string ClassName() const override { return "TLabelEditor"; }
  // Cancel is true for Esc.
  std::function<void(bool Cancel)> OnEnd;
  void WndProc(TMessage& Message) override;
  void Dispatch(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void Change() override;

 private:
  friend class TLabelEditing;
  void Finish(bool cancel);
  // Width for the current text, up to the view's client edge.
  void Fit();

  TWinControl* view_;
  bool ended_ = false;
  int busy_ = 0;              // nesting of its own message handling
  bool releaseLater_ = false;  // a release came while busy
};

class TLabelEditing {
 public:
  explicit TLabelEditing(TWinControl* View) : view_(View) {}
  ~TLabelEditing() { Destroy(); }
  TLabelEditing(const TLabelEditing&) = delete;
  TLabelEditing& operator=(const TLabelEditing&) = delete;

  TLabelEditor* Editor() const { return editor_; }
  bool Active() const { return editor_ != nullptr; }
  // Puts a new editor over Label (view client coordinates) holding Text.
  void Open(const std::string& Text, const TRect& Label, std::function<void(bool Cancel)> OnEnd);
  // Moves the editor over Label, after the view laid out anew.
  void Place(const TRect& Label);
  // Detaches the editor without calling its OnEnd; the view repaints.
  void Close();
  // Frees every editor now: the view is going.
  void Destroy();
  void ArmClick();
  void DisarmClick();
  // The release message is taken here (true); a due click timer is
  // stopped and reported through Fired.
  bool HandleMessage(TMessage& Message, bool& Fired);

 private:
  void ReleaseRetired();

  TWinControl* view_;
  TLabelEditor* editor_ = nullptr;
  std::vector<TLabelEditor*> retired_;
  bool armed_ = false;
};
