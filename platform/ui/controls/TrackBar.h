// TTrackBar drawn plainly: a sunken channel, tick marks and a raised thumb
// that points toward the ticks (a plain rectangle with ticks on both sides).
// A press on the thumb drags it; a press beside it pages toward the press
// at once, again after 300 ms and then every 100 ms while held, until the
// thumb reaches the pointer. Keys: arrows by LineSize, Page Up/Down by
// PageSize, Home/End. Every user move tells the parent (WM_HSCROLL or
// WM_VSCROLL with a TB_* code and the position, lParam the track bar);
// OnChange runs on every change of Position, from the user or from code.
// Vertical bars have Min at the top.
#pragma once
#include <string>
#include <vector>

#include "platform/ui/controls/Controls.h"

constexpr UINT TBM_GETPOS = WM_USER;
constexpr UINT TBM_GETRANGEMIN = WM_USER + 1;
constexpr UINT TBM_GETRANGEMAX = WM_USER + 2;
constexpr UINT TBM_GETTIC = WM_USER + 3;
constexpr UINT TBM_SETTIC = WM_USER + 4;
constexpr UINT TBM_SETPOS = WM_USER + 5;
constexpr UINT TBM_SETRANGE = WM_USER + 6;
constexpr UINT TBM_SETRANGEMIN = WM_USER + 7;
constexpr UINT TBM_SETRANGEMAX = WM_USER + 8;
constexpr UINT TBM_CLEARTICS = WM_USER + 9;
constexpr UINT TBM_SETSEL = WM_USER + 10;
constexpr UINT TBM_SETSELSTART = WM_USER + 11;
constexpr UINT TBM_SETSELEND = WM_USER + 12;
constexpr UINT TBM_GETTICPOS = WM_USER + 15;
constexpr UINT TBM_GETNUMTICS = WM_USER + 16;
constexpr UINT TBM_GETSELSTART = WM_USER + 17;
constexpr UINT TBM_GETSELEND = WM_USER + 18;
constexpr UINT TBM_CLEARSEL = WM_USER + 19;
constexpr UINT TBM_SETTICFREQ = WM_USER + 20;
constexpr UINT TBM_SETPAGESIZE = WM_USER + 21;
constexpr UINT TBM_GETPAGESIZE = WM_USER + 22;
constexpr UINT TBM_SETLINESIZE = WM_USER + 23;
constexpr UINT TBM_GETLINESIZE = WM_USER + 24;
constexpr UINT TBM_GETTHUMBRECT = WM_USER + 25;
constexpr UINT TBM_GETCHANNELRECT = WM_USER + 26;
constexpr UINT TBM_SETTHUMBLENGTH = WM_USER + 27;
constexpr UINT TBM_GETTHUMBLENGTH = WM_USER + 28;

constexpr int TB_LINEUP = 0;
constexpr int TB_LINEDOWN = 1;
constexpr int TB_PAGEUP = 2;
constexpr int TB_PAGEDOWN = 3;
constexpr int TB_THUMBPOSITION = 4;
constexpr int TB_THUMBTRACK = 5;
constexpr int TB_TOP = 6;
constexpr int TB_BOTTOM = 7;
constexpr int TB_ENDTRACK = 8;

enum TTrackBarOrientation { trHorizontal, trVertical };
enum TTickMark { tmBottomRight, tmTopLeft, tmBoth };
enum TTickStyle { tsNone, tsAuto, tsManual };

class TTrackBar : public TCustomControl {
 public:
  explicit TTrackBar(TComponent* AOwner);
  ~TTrackBar() override;
  std::string ClassName() const override { return "TTrackBar"; }

  int Min() const { return min_; }
  int Max() const { return max_; }
  void SetMin(int v) { SetRange(v, std::max(v, max_)); }
  void SetMax(int v) { SetRange(std::min(v, min_), v); }
  void SetRange(int AMin, int AMax);
  int Position() const { return position_; }
  // Clamped into [Min, Max].
  void SetPosition(int v);
  TTrackBarOrientation Orientation() const { return orientation_; }
  void SetOrientation(TTrackBarOrientation v);
  int Frequency() const { return frequency_; }
  void SetFrequency(int v);
  TTickMark TickMarks() const { return tickMarks_; }
  void SetTickMarks(TTickMark v);
  TTickStyle TickStyle() const { return tickStyle_; }
  void SetTickStyle(TTickStyle v);
  // tsManual ticks (besides the two ends).
  void SetTick(int Value);
  int PageSize = 2;
  int LineSize = 1;
  int SelStart() const { return selStart_; }
  int SelEnd() const { return selEnd_; }
  void SetSelStart(int v);
  void SetSelEnd(int v);
  int ThumbLength() const { return thumbLength_; }
  void SetThumbLength(int v);

  // Client rectangles (as TBM_GETCHANNELRECT and TBM_GETTHUMBRECT answer).
  TRect ChannelRect() const;
  TRect ThumbRect() const;
  // Client coordinate along the bar of a position.
  int PixelOf(int Pos) const;
  // The tick positions drawn, ends included.
  std::vector<int> TickPositions() const;
  bool Dragging() const { return dragging_; }

  TNotifyEvent OnChange;
  void Dispatch(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;

 protected:
  void Paint() override;
  virtual void Changed();

 private:
  bool Vertical() const { return orientation_ == trVertical; }
  int ThumbBreadth() const;
  // The side the thumb points to across the bar: +1 toward the bottom or
  // right, -1 toward the top or left, 0 for a plain rectangle (ticks on both
  // sides).
  int ThumbPoint() const;
  void DrawThumb(HDC dc, const TRect& thumb) const;
  int PosAt(int along) const;
  // Moves by the user: sets the position and tells the parent.
  void UserMove(int Pos, int Code);
  void NotifyParent(int Code);
  void PageTowardPress();
  void StopRepeat();
  void HandleTBMessage(TMessage& m);

  int min_ = 0, max_ = 10, position_ = 0;
  TTrackBarOrientation orientation_ = trHorizontal;
  int frequency_ = 1;
  TTickMark tickMarks_ = tmBottomRight;
  TTickStyle tickStyle_ = tsAuto;
  std::vector<int> ticks_;
  int selStart_ = 0, selEnd_ = 0;
  int thumbLength_ = 20;
  bool dragging_ = false;
  int grab_ = 0;
  bool paging_ = false;
  int pressAlong_ = 0;
  int pageCode_ = 0;
};
