// Shared pieces of the menu tests: a form that records the menu messages it
// gets, helpers to find rows and bar items on screen, and a fixture whose
// guard timer ends any menu loop a failing test would leave waiting.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/platform/ui/FormTestFixture.h"
#include "platform/ui/menus/MenuBar.h"
#include "platform/ui/menus/MenuWindow.h"
#include "platform/ui/menus/Menus.h"

class TMenuForm : public TForm {
 public:
  explicit TMenuForm(TComponent* owner) : TForm(owner) {}
  std::string ClassName() const override { return "TMenuForm"; }
  std::vector<std::string> Log;
  void Dispatch(TMessage& m) override {
    switch (m.Msg) {
      case WM_ENTERMENULOOP: Log.push_back("enter"); break;
      case WM_EXITMENULOOP: Log.push_back("exit"); break;
      case WM_INITMENUPOPUP: Log.push_back("init " + Name(reinterpret_cast<TMenuItem*>(m.WParam))); break;
      case WM_MENUSELECT:
        if (HIWORD(m.WParam) == 0xFFFF && m.LParam == 0) Log.push_back("select end");
        else Log.push_back("select");
        break;
      default: break;
    }
    TForm::Dispatch(m);
  }
  static std::string Name(TMenuItem* item) { return item ? StripHotkey(item->Caption()) : "?"; }
};

inline TPoint Center(const TRect& r) { return TPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2}; }

// A bar item of a form in screen coordinates.
inline TRect BarItemScreenRect(TCustomForm* f, int index) {
  RECT wr{};
  GetWindowRect(f->Handle(), &wr);
  for (const TMenuBarItem& b : MenuBarItems(f->Handle(), f->Menu()->Items()))
    if (b.Index == index) return TRect{b.Rect.Left + wr.Left, b.Rect.Top + wr.Top, b.Rect.Right + wr.Left, b.Rect.Bottom + wr.Top};
  return TRect{};
}

inline TMenuItem* NewItem(TMenuItem* parent, const std::string& caption, TShortCut sc = scNone) {
  auto* item = new TMenuItem(nullptr);
  item->SetCaption(caption);
  item->SetShortCut(sc);
  if (parent) parent->Add(item);
  return item;
}

class MenuFixture : public FormsTest {
 protected:
  MenuFixture() {
    After(100000, [] { EndMenu(); });  // never wait forever on a failing test
  }
  TMenuForm* NewMenuForm(int x = 100, int y = 100, int w = 300, int h = 200) {
    TMenuForm* f = nullptr;
    app.CreateForm(f);
    f->SetBounds(x, y, w, h);
    return f;
  }
  void Click(TPoint p, TMouseButton b = TMouseButton::mbLeft) { s.display.Click(p.X, p.Y, b); }
  void Move(TPoint p) { s.display.MouseMove(p.X, p.Y); }
};
