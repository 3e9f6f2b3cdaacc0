#include "platform/ui/forms/Screen.h"

#include <algorithm>
#include <climits>

#include "platform/gdi/FontFamilies.h"
#include "platform/rtl/Exceptions.h"
#include "platform/ui/forms/Forms.h"
#include "platform/user/User.h"

namespace {

struct TBuiltInCursor {
  TCursor cursor;
  int idc;
};

// The framework's built-in cursors and the system cursor each shows.
constexpr TBuiltInCursor kBuiltIn[] = {
    {crArrow, IDC_ARROW},     {crCross, IDC_CROSS},       {crIBeam, IDC_IBEAM},       {crSizeNESW, IDC_SIZENESW},
    {crSizeNS, IDC_SIZENS},   {crSizeNWSE, IDC_SIZENWSE}, {crSizeWE, IDC_SIZEWE},     {crUpArrow, IDC_UPARROW},
    {crHourGlass, IDC_WAIT},  {crDrag, IDC_ARROW},        {crNoDrop, IDC_NO},         {crHSplit, IDC_SIZEWE},
    {crVSplit, IDC_SIZENS},   {crMultiDrag, IDC_ARROW},   {crSQLWait, IDC_WAIT},      {crNo, IDC_NO},
    {crAppStart, IDC_APPSTARTING}, {crHelp, IDC_HELP},    {crHandPoint, IDC_HAND},    {crSizeAll, IDC_SIZEALL},
};

BOOL CollectMonitor(HMONITOR m, HDC, RECT*, LPARAM lp) {
  reinterpret_cast<std::vector<HMONITOR>*>(lp)->push_back(m);
  return TRUE;
}

void InitFont(TFont& f) {
  f.SetName("Tahoma");
  f.SetHeight(-11);
  f.SetColor(clInfoText);
}

}  // namespace

TScreen* Screen = new TScreen(nullptr);

void InstallScreenHooks() {
  // Each hook is put back if someone cleared it, never replaced otherwise.
  if (!ScreenCursorHook) ScreenCursorHook = [] { return Screen ? Screen->Cursor() : crDefault; };
  if (!CursorHandleHook)
    CursorHandleHook = [](TCursor c) { return Screen ? Screen->Cursors(c) : LoadCursor(nullptr, MAKEINTRESOURCE(IDC_ARROW)); };
}

// ---- TMonitor -----------------------------------------------------------------

TRect TMonitor::BoundsRect() const {
  MONITORINFO mi;
  return GetMonitorInfo(handle_, &mi) ? mi.rcMonitor : TRect{};
}

TRect TMonitor::WorkareaRect() const {
  MONITORINFO mi;
  return GetMonitorInfo(handle_, &mi) ? mi.rcWork : TRect{};
}

bool TMonitor::Primary() const {
  MONITORINFO mi;
  return GetMonitorInfo(handle_, &mi) && (mi.dwFlags & MONITORINFOF_PRIMARY);
}

// ---- TScreen --------------------------------------------------------------------

TScreen::TScreen(TComponent* AOwner)
    : TComponent(AOwner), hintFont_(new TFont), menuFont_(new TFont), iconFont_(new TFont) {
  InitFont(*hintFont_);
  menuFont_->SetName("Tahoma");
  menuFont_->SetHeight(-11);
  iconFont_->SetName("Tahoma");
  iconFont_->SetHeight(-11);
}

TScreen::~TScreen() = default;

int TScreen::FormCount() const {
  int n = 0;
  for (TCustomForm* f : forms_)
    if (dynamic_cast<TForm*>(f)) ++n;
  return n;
}

TForm* TScreen::Forms(int index) const {
  int n = 0;
  for (TCustomForm* f : forms_)
    if (auto* form = dynamic_cast<TForm*>(f)) {
      if (n == index) return form;
      ++n;
    }
  throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

TCustomForm* TScreen::CustomForms(int index) const {
  if (index < 0 || index >= CustomFormCount()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return forms_[static_cast<size_t>(index)];
}

TForm* TScreen::ActiveForm() const { return dynamic_cast<TForm*>(activeForm_); }

void TScreen::AddForm(TCustomForm* form) {
  if (form && std::find(forms_.begin(), forms_.end(), form) == forms_.end()) forms_.push_back(form);
}

void TScreen::RemoveForm(TCustomForm* form) {
  forms_.erase(std::remove(forms_.begin(), forms_.end(), form), forms_.end());
  if (activeControl_ && activeForm_ == form) SetActiveControl(nullptr);
  if (activeForm_ == form) {
    activeForm_ = nullptr;
    if (OnActiveFormChange) OnActiveFormChange(this);
  }
}

void TScreen::SetActiveCustomForm(TCustomForm* form) {
  if (form) {
    auto it = std::find(forms_.begin(), forms_.end(), form);
    if (it == forms_.end()) return;
    std::rotate(forms_.begin(), it, it + 1);
  }
  if (form == activeForm_) return;
  activeForm_ = form;
  if (OnActiveFormChange) OnActiveFormChange(this);
}

void TScreen::SetActiveControl(TWinControl* control) {
  if (control == activeControl_) return;
  activeControl_ = control;
  if (OnActiveControlChange) OnActiveControlChange(this);
}

// ---- Cursors --------------------------------------------------------------------

HCURSOR TScreen::Cursors(int index) const {
  if (index == crNone) return nullptr;
  for (const auto& [i, h] : cursors_)
    if (i == index) return h;
  for (const TBuiltInCursor& b : kBuiltIn)
    if (b.cursor == index) return LoadCursor(nullptr, MAKEINTRESOURCE(b.idc));
  return LoadCursor(nullptr, MAKEINTRESOURCE(IDC_ARROW));
}

void TScreen::SetCursors(int index, HCURSOR cursor) {
  InstallScreenHooks();
  auto it = std::find_if(cursors_.begin(), cursors_.end(), [&](const auto& e) { return e.first == index; });
  if (it != cursors_.end()) cursors_.erase(it);
  if (cursor) cursors_.emplace_back(index, cursor);
}

void TScreen::SetCursor(TCursor value) {
  InstallScreenHooks();
  if (value == cursor_) return;
  cursor_ = value;
  if (value == crDefault) {
    // Let the window under the mouse choose its own cursor again.
    POINT p{};
    GetCursorPos(&p);
    if (HWND h = WindowFromPoint(p)) {
      LRESULT hit = SendMessage(h, WM_NCHITTEST, 0, PointToLParam(p));
      if (IsWindow(h)) SendMessage(h, WM_SETCURSOR, reinterpret_cast<WPARAM>(h), MAKELPARAM(int(hit), int(WM_MOUSEMOVE)));
      return;
    }
  }
  ::SetCursor(Cursors(value));
}

TScreenCursorGuard::TScreenCursorGuard(TCursor cursor) : saved_(Screen->Cursor()) { Screen->SetCursor(cursor); }
TScreenCursorGuard::~TScreenCursorGuard() { Screen->SetCursor(saved_); }

// ---- Geometry --------------------------------------------------------------------

int TScreen::Width() const { return GetSystemMetrics(SM_CXSCREEN); }
int TScreen::Height() const { return GetSystemMetrics(SM_CYSCREEN); }

TRect TScreen::WorkAreaRect() const {
  RECT r{};
  SystemParametersInfo(SPI_GETWORKAREA, 0, &r, 0);
  return r;
}

TRect TScreen::DesktopRect() const {
  int x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
  return Bounds(x, y, GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN));
}

void TScreen::RefreshMonitors() const {
  std::vector<HMONITOR> handles;
  EnumDisplayMonitors(nullptr, nullptr, CollectMonitor, reinterpret_cast<LPARAM>(&handles));
  bool same = handles.size() == monitors_.size();
  for (size_t i = 0; same && i < handles.size(); ++i) same = monitors_[i]->Handle() == handles[i];
  if (same) return;
  // Replaced only when the set changed, so held TMonitor pointers stay valid
  // for as long as the monitors do.
  monitors_.clear();
  for (size_t i = 0; i < handles.size(); ++i) monitors_.push_back(std::make_unique<TMonitor>(handles[i], int(i)));
}

int TScreen::MonitorCount() const {
  RefreshMonitors();
  return static_cast<int>(monitors_.size());
}

TMonitor* TScreen::Monitors(int index) const {
  RefreshMonitors();
  if (index < 0 || index >= int(monitors_.size())) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return monitors_[size_t(index)].get();
}

TMonitor* TScreen::Wrap(HMONITOR h) const {
  if (!h) return nullptr;
  RefreshMonitors();
  for (auto& m : monitors_)
    if (m->Handle() == h) return m.get();
  return nullptr;
}

TMonitor* TScreen::PrimaryMonitor() const {
  RefreshMonitors();
  for (auto& m : monitors_)
    if (m->Primary()) return m.get();
  return monitors_.empty() ? nullptr : monitors_.front().get();
}

namespace {
DWORD Flags(TMonitorDefaultTo d) {
  switch (d) {
    case mdNull: return MONITOR_DEFAULTTONULL;
    case mdPrimary: return MONITOR_DEFAULTTOPRIMARY;
    default: return MONITOR_DEFAULTTONEAREST;
  }
}
}  // namespace

TMonitor* TScreen::MonitorFromWindow(HWND hwnd, TMonitorDefaultTo d) const { return Wrap(::MonitorFromWindow(hwnd, Flags(d))); }
TMonitor* TScreen::MonitorFromPoint(TPoint p, TMonitorDefaultTo d) const { return Wrap(::MonitorFromPoint(p, Flags(d))); }
TMonitor* TScreen::MonitorFromRect(const TRect& r, TMonitorDefaultTo d) const { return Wrap(::MonitorFromRect(&r, Flags(d))); }

// ---- Fonts --------------------------------------------------------------------

TStrings* TScreen::Fonts() const {
  // Rebuilt when the family list changed, so fonts added to the process
  // later (AddFontResourceEx) show up here too.
  const int version = ScreenFontFamiliesVersion();
  if (fonts_ && fontsVersion_ == version) return fonts_.get();
  if (!fonts_) {
    fonts_ = std::make_unique<TStringList>();
    fonts_->SetSorted(true);
    fonts_->Duplicates = dupIgnore;
  }
  fontsVersion_ = version;
  std::vector<FontFamilyInfo> families = ListedFontFamilies();
  fonts_->BeginUpdate();
  fonts_->Clear();
  for (const FontFamilyInfo& f : families) fonts_->Add(f.name);
  fonts_->EndUpdate();
  return fonts_.get();
}
