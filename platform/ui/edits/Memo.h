// The memo: a multi-line edit. Lines break at CR LF (line breaks typed or
// set in any form are kept as CR LF) and, with WordWrap, at the width of the
// formatting rectangle after spaces and between CJK ideographs. ScrollBars
// gives the window WS_HSCROLL / WS_VSCROLL; their information follows every
// change of text, size and font (vertical in lines, horizontal in pixels).
//
// Lines is a TStrings view over the text: one string per line between CR
// LFs, whatever the wrapping (the edit messages EM_GETLINECOUNT,
// EM_LINEINDEX... count the lines on screen, wrapped ones included). Its
// changes go through the memo as one undo-less edit each and notify
// OnChange; between BeginUpdate and EndUpdate they are gathered into one.
//
// The bars answer GetScrollInfo and GetScrollBarInfo on both axes (a bar
// that is not needed stays shown, unavailable); WM_VSCROLL / WM_HSCROLL with
// SB_THUMBPOSITION or SB_THUMBTRACK put line p on top or scroll to pixel p.
// OnAfterPaint runs at the end of each paint, as the list box's does.
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/StringList.h"
#include "platform/ui/edits/Edit.h"

// Runs at the end of each paint, the canvas still on the paint DC.
using TAfterPaintEvent = std::function<void(TObject* Sender, TCanvas* Canvas)>;

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

class TCustomMemo;

class TMemoStrings : public TStrings {
 public:
  explicit TMemoStrings(TCustomMemo* memo) : memo_(memo) {}
  std::string ClassName() const override { return "TMemoStrings"; }
  int Count() const override;
  std::string Strings(int index) const override;
  void Put(int index, const std::string& s) override;
  void Insert(int index, const std::string& s) override;
  void Delete(int index) override;
  void Clear() override;

 protected:
  void SetUpdateState(bool updating) override;

 private:
  struct Range {
    std::size_t start, end, next;
  };
  std::vector<Range> Ranges() const;
  void CheckIndex(int index, int count) const;
  TCustomMemo* memo_;
  bool batching_ = false;
  std::vector<std::string> batch_;
};

class TCustomMemo : public TCustomEdit {
 public:
  explicit TCustomMemo(TComponent* AOwner);
  ~TCustomMemo() override;
  std::string ClassName() const override { return "TCustomMemo"; }

  TStrings* Lines() const { return lines_.get(); }
  void SetLines(const TStrings* v);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool v);
  // Enter inserts a line break (else Ctrl+Enter does, and Enter goes to the form).
  bool WantReturns() const { return wantReturns_; }
  void SetWantReturns(bool v) { wantReturns_ = v; }
  // Tab inserts a tab (else it moves the focus).
  bool WantTabs() const { return wantTabs_; }
  void SetWantTabs(bool v) { wantTabs_ = v; }
  TScrollStyle ScrollBars() const { return scrollBars_; }
  // Makes the window again, keeping the text.
  void SetScrollBars(TScrollStyle v);
  // Line and column (in characters) of the caret.
  TPoint CaretPos() const;

  TAfterPaintEvent OnAfterPaint;

  void Dispatch(TMessage& Message) override;

 protected:
  friend class TMemoStrings;
  void CreateParams(TCreateParams& Params) override;
  int WrapWidth() const override;
  bool AcceptsReturn() const override { return wantReturns_; }
  bool AcceptsTab() const override { return wantTabs_; }
  void PaintWindow(HDC DC) override;

 private:
  std::unique_ptr<TMemoStrings> lines_;
  std::unique_ptr<TControlCanvas> canvas_;
  bool wordWrap_ = true;
  bool wantReturns_ = true;
  bool wantTabs_ = false;
  TScrollStyle scrollBars_ = ssNone;
};

class TMemo : public TCustomMemo {
 public:
  explicit TMemo(TComponent* AOwner) : TCustomMemo(AOwner) {}
  std::string ClassName() const override { return "TMemo"; }
};
