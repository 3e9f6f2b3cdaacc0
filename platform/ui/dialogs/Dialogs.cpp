#include "platform/ui/dialogs/Dialogs.h"

#include <algorithm>
#include <memory>

#include "platform/gdi/Gdi.h"
#include "platform/ui/dialogs/MessageWrap.h"
#include "platform/ui/forms/Application.h"
#include "platform/ui/forms/Screen.h"
#include "platform/ui/controls/StdCtrls.h"
#include "platform/user/User.h"
#include "platform/rtl/StockTexts.h"

namespace {

struct TButtonInfo {
  const char* name;
  const char* caption;
  TModalResult result;
};

constexpr TButtonInfo kButtons[] = {
    {"Yes", "&Yes", mrYes},         {"No", "&No", mrNo},          {"OK", "OK", mrOk},
    {"Cancel", "Cancel", mrCancel}, {"Abort", "&Abort", mrAbort}, {"Retry", "&Retry", mrRetry},
    {"Ignore", "&Ignore", mrIgnore}, {"All", "&All", mrAll},      {"NoToAll", "N&o to All", mrNoToAll},
    {"YesToAll", "Yes to &All", mrYesToAll}, {"Help", "&Help", mrNone},
};

constexpr const char* kCaptions[] = {"Warning", "Error", "Information", "Confirm"};

constexpr int kMessageMargin = 10;
constexpr int kGlyphSize = 32;
constexpr int kMessageButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kButtonGap = 8;

// The type's glyph, drawn plainly: a filled disc or triangle with a sign.
class TMessageGlyph : public TGraphicControl {
 public:
  TMessageGlyph(TComponent* owner, TMsgDlgType type) : TGraphicControl(owner), type_(type) {}

 protected:
  void Paint() override {
    TCanvas* c = Canvas();
    static constexpr TColor kFill[] = {TColor(0x0000C0FF), TColor(0x000000C0), TColor(0x00C06000), TColor(0x00C06000)};
    static constexpr const char* kSign[] = {"!", "X", "i", "?"};
    c->Brush()->SetColor(kFill[type_]);
    c->Pen()->SetColor(clBlack);
    if (type_ == mtWarning) {
      TPoint tri[] = {{kGlyphSize / 2, 1}, {kGlyphSize - 1, kGlyphSize - 2}, {0, kGlyphSize - 2}};
      c->Polygon(tri, 3);
    } else {
      c->Ellipse(0, 0, kGlyphSize, kGlyphSize);
    }
    c->Brush()->SetStyle(bsClear);
    c->Font()->SetName("Arial");
    c->Font()->SetHeight(-20);
    c->Font()->SetStyle(fsBold);
    c->Font()->SetColor(type_ == mtWarning ? clBlack : clWhite);
    RECT r = Rect(0, 4, kGlyphSize, kGlyphSize);
    DrawText(c->Handle(), kSign[type_], -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }

 private:
  TMsgDlgType type_;
};

// The dialog form: Enter and Esc reach the default and cancel buttons even
// when the focus is on none of them.
class TMessageForm : public TForm {
 public:
  explicit TMessageForm(TComponent* owner) : TForm(owner) {}
  TButton* DefaultButton = nullptr;
  TButton* CancelButton = nullptr;
  void Dispatch(TMessage& Message) override {
    if (Message.Msg == CM_DIALOGKEY && (Message.WParam == VK_RETURN || Message.WParam == VK_ESCAPE)) {
      TWinControl* focused = ActiveControl();
      TButton* target = Message.WParam == VK_ESCAPE ? CancelButton : nullptr;
      if (Message.WParam == VK_RETURN) target = dynamic_cast<TButton*>(focused) ? dynamic_cast<TButton*>(focused) : DefaultButton;
      if (target) {
        target->Click();
        Message.Result = 1;
        return;
      }
    }
    TForm::Dispatch(Message);
  }
};

TSize MeasureText(const std::string& text, TFont* font, int maxWidth) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font->Handle());
  // maxWidth 0: one line, as wide as it is.
  RECT r = Rect(0, 0, maxWidth, 0);
  DrawText(dc, text.c_str(), -1, &r, DT_CALCRECT | DT_NOPREFIX | (maxWidth > 0 ? DT_WORDBREAK : DT_SINGLELINE));
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return TSize{r.Width(), r.Height()};
}

}  // namespace

TForm* CreateMessageDialog(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons) {
  auto* form = new TMessageForm(Application);
  try {
    form->BeginLayout();
    form->SetBorderStyle(bsDialog);
    form->SetBorderIcons(biSystemMenu);
    form->SetPosition(poScreenCenter);
    form->KeyPreview = true;
    form->SetCaption(DlgType == mtCustom ? Application->Title() : StockText(kCaptions[DlgType]));

    int textLeft = kMessageMargin;
    int glyphBottom = 0;
    if (DlgType != mtCustom) {
      auto* glyph = new TMessageGlyph(form, DlgType);
      glyph->SetName("Image");
      glyph->SetParent(form);
      glyph->SetBounds(kMessageMargin, kMessageMargin, kGlyphSize, kGlyphSize);
      textLeft = kMessageMargin + kGlyphSize + kMessageMargin;
      glyphBottom = kMessageMargin + kGlyphSize;
    }
    auto* label = new TLabel(form);
    label->SetName("Message");
    label->SetParent(form);
    label->SetShowAccelChar(false);
    label->SetWordWrap(true);
    // The box stays within its share of the work area: long lines, paths
    // too, are broken to the room left beside the glyph.
    const int room = std::max(100, MessageBoxMaxWidth() - textLeft - kMessageMargin - (form->Width() - form->ClientWidth()));
    const std::string wrapped = WrapMessageText(
        Msg, room, [label](std::string_view line) { return MeasureText(std::string(line), label->Font(), 0).cx; });
    TSize text = MeasureText(wrapped, label->Font(), room);
    label->SetBounds(textLeft, kMessageMargin, text.cx, text.cy);
    label->SetCaption(wrapped);

    int count = 0;
    for (int b = mbYes; b <= mbHelp; ++b)
      if (Buttons.Contains(TMsgDlgBtn(b))) ++count;
    int rowWidth = count > 0 ? count * kMessageButtonWidth + (count - 1) * kButtonGap : 0;
    int clientWidth = std::max(textLeft + text.cx + kMessageMargin, rowWidth + 2 * kMessageMargin);
    int buttonTop = std::max(kMessageMargin + text.cy, glyphBottom) + 2 * kMessageMargin;
    form->SetClientSize(clientWidth, buttonTop + (count > 0 ? kButtonHeight + kMessageMargin : 0));

    TMsgDlgBtn defaultBtn = Buttons.Contains(mbOK) ? mbOK : Buttons.Contains(mbYes) ? mbYes : mbRetry;
    TMsgDlgBtn cancelBtn = Buttons.Contains(mbCancel) ? mbCancel : Buttons.Contains(mbNo) ? mbNo : mbOK;
    int x = (clientWidth - rowWidth) / 2;
    for (int b = mbYes; b <= mbHelp; ++b) {
      if (!Buttons.Contains(TMsgDlgBtn(b))) continue;
      const TButtonInfo& info = kButtons[b];
      auto* button = new TButton(form);
      button->SetName(info.name);
      button->SetParent(form);
      button->SetCaption(StockText(info.caption));
      button->ModalResult = info.result;
      button->SetBounds(x, buttonTop, kMessageButtonWidth, kButtonHeight);
      if (b == defaultBtn) {
        button->SetDefault(true);
        form->DefaultButton = button;
        form->SetActiveControl(button);
      }
      if (b == cancelBtn) {
        button->SetCancel(true);
        form->CancelButton = button;
      }
      if (b == mbHelp) button->OnClick = [form](TObject*) { Application->HelpContext(form->HelpContext); };
      x += kMessageButtonWidth + kButtonGap;
    }
    form->EndLayout();
  } catch (...) {
    delete form;
    throw;
  }
  form->AfterConstruction();
  return form;
}

int MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx) {
  std::unique_ptr<TForm> form(CreateMessageDialog(Msg, DlgType, Buttons));
  form->HelpContext = HelpCtx;
  auto alive = form->AliveToken();
  int result = form->ShowModal();
  // A handler may have freed the dialog already.
  if (!*alive) (void)form.release();
  return result;
}

void ShowMessage(const std::string& Msg) { MessageDlg(Msg, mtCustom, {mbOK}, 0); }

int PlainMessageBox(const std::string& Text, const std::string& Caption, UINT Flags) {
  TMsgDlgButtons buttons;
  switch (Flags & 0x0F) {
    case MB_OKCANCEL: buttons = mbOKCancel; break;
    case MB_ABORTRETRYIGNORE: buttons = mbAbortRetryIgnore; break;
    case MB_YESNOCANCEL: buttons = mbYesNoCancel; break;
    case MB_YESNO: buttons = mbYesNo; break;
    case MB_RETRYCANCEL: buttons = TMsgDlgButtons{mbRetry, mbCancel}; break;
    default: buttons = TMsgDlgButtons{mbOK}; break;
  }
  TMsgDlgType type = mtCustom;
  switch (Flags & 0xF0) {
    case MB_ICONHAND: type = mtError; break;
    case MB_ICONQUESTION: type = mtConfirmation; break;
    case MB_ICONEXCLAMATION: type = mtWarning; break;
    case MB_ICONASTERISK: type = mtInformation; break;
    default: break;
  }
  std::unique_ptr<TForm> form(CreateMessageDialog(Text, type, buttons));
  form->SetCaption(Caption);
  auto alive = form->AliveToken();
  int result = form->ShowModal();
  if (!*alive) (void)form.release();
  return result;
}
