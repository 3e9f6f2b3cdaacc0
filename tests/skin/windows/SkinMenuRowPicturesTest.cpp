// A skinned menu row's pictures: the check and radio pictures for the
// normal and the selected row, the frame around a checked item's glyph,
// the owner drawing that replaces the row's content, a transparent normal
// row over the window background, and frame animations in a vertical strip.
#include "tests/skin/windows/SkinMenusTestSupport.h"

using namespace skinmenus;

namespace {

constexpr TColor kRowsNormal = 0x00E0E0E0, kRowsActive = 0x00C08040, kRowsWindow = 0x00004000,
                 kRowsCheck = 0x000000C0, kRowsCheckActive = 0x0000C000, kRowsRadio = 0x00C00000,
                 kRowsRadioActive = 0x00C0C000, kRowsAnim1 = 0x00102030, kRowsAnim2 = 0x00A0B0C0,
                 kRowsClear = 0x00FF00FF, kRowsGlyph = 0x00208020;

void RowsPut(TDibImage& img, int x, int y, TColor c) {
  img.Row(y)[x * 3] = Byte(c >> 16);
  img.Row(y)[x * 3 + 1] = Byte(c >> 8);
  img.Row(y)[x * 3 + 2] = Byte(c);
}
void RowsFill(TDibImage& img, int x0, int y0, int w, int h, TColor c) {
  for (int y = y0; y < y0 + h; ++y)
    for (int x = x0; x < x0 + w; ++x) RowsPut(img, x, y, c);
}

// 80 x 102: normal row (y 0), active row (y 24), divider (y 48), two
// animation frames stacked (y 54 and 78); at x 60 the 10 x 10 check and
// radio pictures, normal and active, each with a bottom row in the
// transparent colour.
TDibImage RowsPicture() {
  TDibImage img;
  img.Allocate(80, 102, 24);
  RowsFill(img, 0, 0, 80, 102, kRowsClear);
  RowsFill(img, 0, 0, 60, 24, kRowsNormal);
  RowsFill(img, 0, 24, 60, 24, kRowsActive);
  RowsFill(img, 0, 48, 60, 6, kRowsWindow);
  RowsFill(img, 0, 54, 60, 24, kRowsAnim1);
  RowsFill(img, 0, 78, 60, 24, kRowsAnim2);
  RowsFill(img, 60, 0, 10, 9, kRowsCheck);
  RowsFill(img, 70, 0, 10, 9, kRowsCheckActive);
  RowsFill(img, 60, 10, 10, 9, kRowsRadio);
  RowsFill(img, 70, 10, 10, 9, kRowsRadioActive);
  return img;
}

std::string RowsIni(const std::string& extra) {
  return "[VERSION]\nskinversion=1\n[PICTURES]\nactivepicturescount=2\n0=frame.bmp\n1=rows.bmp\n"
         "[FORMINFO]\nborderwidth=1\n[SKINOBJECTS]\ncount=1\n0=menuitem:menuitem\n"
         "[menuitem]\nactivepictureindex=1\nskinrect=0,0,60,24\nactiveskinrect=0,24,60,48\n"
         "dividerrect=0,48,60,54\ntextrect=20,0,56,24\nfontname=Arial\nfontheight=14\n"
         "fontcolor=$00000000\nactivefontcolor=$00FFFFFF\nunenabledfontcolor=$00808080\n"
         "checkimagerect=60,0,70,10\nactivecheckimagerect=70,0,80,10\n"
         "radioimagerect=60,10,70,20\nactiveradioimagerect=70,10,80,20\n" +
         extra +
         "[SKINCONTROLS]\ncount=0\n"
         "[POPUPWINDOW]\nwindowpictureindex=0\nmaskpictureindex=-1\nlefttoppoint=8,8\nrighttoppoint=32,8\n"
         "leftbottompoint=8,32\nrightbottompoint=32,32\nitemsrect=8,8,32,32\nscrollmarkercolor=$00808080\n"
         "scrollmarkeractivecolor=$00000000\nleftstretch=1\ntopstretch=1\nrightstretch=1\nbottomstretch=1\n";
}

class SkinMenuRowPicturesTest : public SkinMenusTest {
 protected:
  void LoadRowsSkin(const std::string& extra = "") {
    TDibImage frame;
    frame.Allocate(40, 40, 24);
    RowsFill(frame, 0, 0, 40, 40, kRowsWindow);
    folder_.WriteBytes("frame.bmp", WriteBmp(frame));
    folder_.WriteBytes("rows.bmp", WriteBmp(RowsPicture()));
    folder_.WriteText("Skin.ini", RowsIni(extra));
    auto* sd = new TspSkinData(form);
    ASSERT_TRUE(sd->LoadFromFile(folder_.Path("Skin.ini"))) << sd->LastLoadError;
    ctl->skin = sd;
    popup->SetSkinData(sd);
  }
  TspSkinPopupWindow* Open() {
    popup->Popup(100, 100);
    Idle();
    return Level(0);
  }
  // The row drawn alone, selected or not.
  static void RenderRow(TspSkinMenuItem* row, bool selected, TBitmap& b) {
    const bool was = row->Selected;
    row->Selected = selected;
    row->MorphProgress = selected ? 1 : 0;
    row->Render(&b);
    row->Selected = was;
  }
  static int CountColour(TBitmap& b, TColor c) {
    int n = 0;
    for (int y = 0; y < b.Height(); ++y)
      for (int x = 0; x < b.Width(); ++x) n += b.Canvas()->Pixels(x, y) == c;
    return n;
  }
  TSkinFolder folder_;
};

TEST_F(SkinMenuRowPicturesTest, CheckedRowsShowTheCheckAndRadioPicturesOfTheirState) {
  LoadRowsSkin();
  Add(popup->Items(), "Check")->SetChecked(true);
  TMenuItem* radio = Add(popup->Items(), "Radio");
  radio->SetRadioItem(true);
  radio->SetChecked(true);
  Add(popup->Items(), "Plain");
  TspSkinPopupWindow* w = Open();
  ASSERT_TRUE(w && w->ItemDescription);
  // Centred in (22, 0, 36, 24): the 10 x 10 picture at (24, 7).
  const struct {
    int row;
    bool selected;
    TColor colour;
  } cases[] = {{0, false, kRowsCheck}, {0, true, kRowsCheckActive}, {1, false, kRowsRadio}, {1, true, kRowsRadioActive}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.row * 2 + c.selected);
    TBitmap b;
    RenderRow(w->Items[std::size_t(c.row)].get(), c.selected, b);
    EXPECT_EQ(b.Canvas()->Pixels(26, 10), c.colour);
    EXPECT_EQ(b.Canvas()->Pixels(24, 7), c.colour);
    EXPECT_EQ(b.Canvas()->Pixels(23, 10), c.selected ? kRowsActive : kRowsNormal);
    // The picture's transparent bottom row shows the row under it.
    EXPECT_EQ(b.Canvas()->Pixels(26, 16), c.selected ? kRowsActive : kRowsNormal);
  }
  TBitmap plain;
  RenderRow(w->Items[2].get(), false, plain);
  EXPECT_EQ(CountColour(plain, kRowsCheck) + CountColour(plain, kRowsRadio), 0);
  Snapshot(w->Handle(), "menu_rows_check_radio");
}

TEST_F(SkinMenuRowPicturesTest, ACheckedItemsGlyphIsFramedInTheFontColour) {
  LoadRowsSkin();
  for (bool checked : {true, false}) {
    SCOPED_TRACE(checked);
    popup->Items()->Clear();
    TMenuItem* it = Add(popup->Items(), "Glyph");
    TBitmap* g = it->Bitmap();
    g->SetPixelFormat(pf24bit);
    g->SetSize(8, 8);
    g->Canvas()->Brush()->SetColor(kRowsGlyph);
    g->Canvas()->FillRect(TRect{0, 0, 8, 8});
    it->SetChecked(checked);
    TspSkinPopupWindow* w = Open();
    ASSERT_TRUE(w);
    TBitmap b;
    RenderRow(w->Items[0].get(), false, b);
    // The glyph at (22, 8); the frame one pixel around it.
    EXPECT_EQ(b.Canvas()->Pixels(25, 11), kRowsGlyph);
    const TColor frameColour = checked ? TColor(0) : kRowsNormal;
    EXPECT_EQ(b.Canvas()->Pixels(21, 11), frameColour);
    EXPECT_EQ(b.Canvas()->Pixels(30, 11), frameColour);
    EXPECT_EQ(b.Canvas()->Pixels(25, 7), frameColour);
    EXPECT_EQ(b.Canvas()->Pixels(25, 16), frameColour);
    menu->CloseAll();
    Idle();
  }
}

TEST_F(SkinMenuRowPicturesTest, OwnerDrawingGetsTheTextRectangleAndReplacesTheContent) {
  LoadRowsSkin();
  struct TCall {
    TObject* sender;
    TRect rect;
    TOwnerDrawState state;
  };
  std::vector<TCall> calls;
  TMenuItem* it = Add(popup->Items(), "&Drawn");
  it->SetChecked(true);
  it->SetShortCut(TextToShortCut("Ctrl+D"));
  it->OnAdvancedDrawItem = [&](TObject* s, TCanvas* c, TRect r, TOwnerDrawState st) {
    calls.push_back({s, r, st});
    c->Brush()->SetColor(kRowsGlyph);
    c->FillRect(TRect{r.Left, r.Top, r.Left + 4, r.Top + 4});
  };
  TspSkinPopupWindow* w = Open();
  ASSERT_TRUE(w);
  TspSkinMenuItem* row = w->Items[0].get();
  const int width = row->Bounds.Width();
  for (bool selected : {false, true}) {
    SCOPED_TRACE(selected);
    calls.clear();
    TBitmap b;
    RenderRow(row, selected, b);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].sender, row);
    EXPECT_EQ(calls[0].rect, (TRect{20, 0, width + 56 - 60, 24}));
    EXPECT_EQ((calls[0].state & odSelected) != 0, selected);
    // Only the background and the handler's own drawing: no caption, no
    // shortcut, no check picture.
    const TColor back = selected ? kRowsActive : kRowsNormal;
    EXPECT_EQ(CountColour(b, kRowsGlyph), 16);
    EXPECT_EQ(CountColour(b, back) + 16, b.Width() * b.Height());
  }
}

TEST_F(SkinMenuRowPicturesTest, ATransparentNormalRowShowsTheWindowBackground) {
  LoadRowsSkin("inactivetransparent=1\n");
  BuildMenu();
  TspSkinPopupWindow* w = Open();
  ASSERT_TRUE(w && w->ItemDescription);
  ASSERT_TRUE(w->BackgroundImage);
  // Row 0 is selected when the menu opens; row 1 is a normal row.
  const TRect sel = w->Items[0]->Bounds, normal = w->Items[1]->Bounds;
  EXPECT_EQ(PixelOf(w->Handle(), sel.Left + 2, sel.Top + 2), kRowsActive);
  EXPECT_EQ(PixelOf(w->Handle(), normal.Left + 2, normal.Top + 2), kRowsWindow);
  Snapshot(w->Handle(), "menu_rows_transparent");
}

TEST_F(SkinMenuRowPicturesTest, FramesOfAVerticalStripAreTakenTopToBottom) {
  LoadRowsSkin("animateskinrect=0,54,60,102\nframecount=2\nanimateinterval=30\n");
  BuildMenu();
  TspSkinPopupWindow* w = Open();
  ASSERT_TRUE(w && w->ItemDescription);
  TspSkinMenuItem* first = w->Items[0].get();
  ASSERT_TRUE(first->AnimationApplies());
  const TRect b = first->Bounds;
  const TColor expected[2] = {kRowsAnim1, kRowsAnim2};
  for (int k = 0; k < 2; ++k) {
    Advance(30);
    ASSERT_EQ(first->AnimationFrame, k + 1);
    // The whole row from that frame: top and bottom alike.
    EXPECT_EQ(PixelOf(w->Handle(), b.Left + 2, b.Top + 1), expected[k]) << k;
    EXPECT_EQ(PixelOf(w->Handle(), b.Left + 2, b.Bottom - 2), expected[k]) << k;
  }
}

}  // namespace
