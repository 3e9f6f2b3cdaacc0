// TScrollBar: a scroll-bar control over the window layer's "SCROLLBAR"
// class, which draws the bar and runs the press and drag tracking. The
// class tells the parent (WM_HSCROLL / WM_VSCROLL), the parent hands it back
// (CN_HSCROLL / CN_VSCROLL), and the control turns each code into a new
// position: OnScroll may change it, then Position is set (OnChange when it
// moved). Keys: arrows by SmallChange, Page Up/Down by LargeChange, Home/End.
#pragma once
#include <functional>
#include <string>

#include "platform/ui/controls/Controls.h"

enum TScrollBarKind { sbHorizontal, sbVertical };
enum TScrollCode { scLineUp, scLineDown, scPageUp, scPageDown, scPosition, scTrack, scTop, scBottom, scEndScroll };
using TScrollEvent = std::function<void(TObject* Sender, TScrollCode ScrollCode, int& ScrollPos)>;

class TScrollBar : public TWinControl {
 public:
  explicit TScrollBar(TComponent* AOwner);
  std::string ClassName() const override { return "TScrollBar"; }

  TScrollBarKind Kind() const { return kind_; }
  void SetKind(TScrollBarKind v);
  int Min() const { return min_; }
  int Max() const { return max_; }
  int Position() const { return position_; }
  void SetMin(int v) { SetParams(position_, v, max_); }
  void SetMax(int v) { SetParams(position_, min_, v); }
  void SetPosition(int v) { SetParams(v, min_, max_); }
  // Raises EInvalidOperation when AMax < AMin; the position is clamped
  // into the range; OnChange runs when the position moved.
  void SetParams(int APosition, int AMin, int AMax);
  // The thumb's share of the range; 0: the classic fixed thumb.
  int PageSize() const { return pageSize_; }
  void SetPageSize(int v);
  int SmallChange = 1;
  int LargeChange = 1;
  // The last position reachable: Max less the page.
  int MaxPosition() const;

  TNotifyEvent OnChange;
  TScrollEvent OnScroll;

  void Dispatch(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  virtual void Change();
  virtual void Scroll(TScrollCode ScrollCode, int& ScrollPos);
  // Applies a scroll code as the bar or a key reports it.
  void DoScroll(int Code, int Pos);

 private:
  void SyncBar();
  TScrollBarKind kind_ = sbHorizontal;
  int min_ = 0;
  int max_ = 100;
  int position_ = 0;
  int pageSize_ = 0;
};
