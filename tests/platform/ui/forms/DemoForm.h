// The demonstration form: one of every plain control, built in code like
// the program's forms. Shared by the headless and the Xvfb rendering tests.
#pragma once
#include "platform/graphics/Bitmap.h"
#include "platform/ui/controls/ComCtrls.h"
#include "platform/ui/controls/ExtCtrls.h"
#include "platform/ui/forms/Forms.h"
#include "platform/ui/controls/StdCtrls.h"

class TDemoForm : public TForm {
 public:
  explicit TDemoForm(TComponent* owner) : TForm(owner) {
    BeginLayout();
    SetBounds(60, 60, 480, 330);
    SetCaption("Plain controls");
    SetColor(clBtnFace);

    panel = Add<TPanel>(this, 10, 10, 150, 50);
    panel->SetCaption("Panel");
    panel->SetBevelInner(bvLowered);
    panel->SetBorderWidth(2);

    label = Add<TLabel>(this, 170, 10, 10, 10);
    label->SetCaption("&Label text");

    image = Add<TImage>(this, 170, 35, 48, 32);
    TBitmap* bmp = image->Picture()->Bitmap();
    bmp->SetSize(48, 32);
    bmp->Canvas()->Brush()->SetColor(clGreen);
    bmp->Canvas()->FillRect(TRect{0, 0, 48, 32});
    bmp->Canvas()->Brush()->SetColor(clNavy);
    bmp->Canvas()->FillRect(TRect{24, 0, 48, 32});

    shape = Add<TShape>(this, 230, 35, 60, 32);
    shape->SetShape(stEllipse);
    shape->Brush()->SetColor(clYellow);

    bevel = Add<TBevel>(this, 300, 35, 60, 32);

    group = Add<TGroupBox>(this, 10, 70, 200, 110);
    group->SetCaption("Group");
    check = Add<TCheckBox>(group, 10, 25, 150, 17);
    check->SetCaption("&Check");
    check->SetChecked(true);
    radioA = Add<TRadioButton>(group, 10, 50, 150, 17);
    radioA->SetCaption("Radio A");
    radioA->SetChecked(true);
    radioB = Add<TRadioButton>(group, 10, 75, 150, 17);
    radioB->SetCaption("Radio B");

    scroll = Add<TScrollBox>(this, 220, 70, 150, 110);
    auto* inner = Add<TPanel>(scroll, 10, 200, 80, 30);
    inner->SetCaption("Far");

    ok = Add<TButton>(this, 385, 70, 80, 25);
    ok->SetCaption("OK");
    ok->SetDefault(true);
    ok->ModalResult = mrOk;
    cancel = Add<TButton>(this, 385, 100, 80, 25);
    cancel->SetCaption("Cancel");
    cancel->SetCancel(true);

    progress = Add<TProgressBar>(this, 10, 190, 300, 18);
    progress->SetSmooth(true);
    progress->SetPosition(40);

    status = Add<TStatusBar>(this, 0, 0, 10, 19);
    status->Panels()->Add()->SetText("Ready");
    status->Panels()->Items(0)->SetWidth(120);
    status->Panels()->Add()->SetText("Demo");
    EndLayout();
  }

  TPanel* panel;
  TLabel* label;
  TImage* image;
  TShape* shape;
  TBevel* bevel;
  TGroupBox* group;
  TCheckBox* check;
  TRadioButton *radioA, *radioB;
  TScrollBox* scroll;
  TButton *ok, *cancel;
  TProgressBar* progress;
  TStatusBar* status;

 private:
  template <class T>
  T* Add(TWinControl* parent, int x, int y, int w, int h) {
    T* c = new T(this);
    c->SetParent(parent);
    c->SetBounds(x, y, w, h);
    return c;
  }
};
