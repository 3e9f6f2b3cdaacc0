// The image view headless: its defaults, zoom and scroll arithmetic, the
// pixels of its back buffer at zooms below, at and above 1 against the
// scaled drawing and its own coordinate mapping, the change callbacks and
// their order, the blit it picks, the mouse, the wheel and the keys.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "imaging/core/base/vqzdefs.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/io/acquire/vqds.h"
#include "imaging/io/component/pictoraio.h"
#include "imaging/view/pictoraview.h"
#include "platform/graphics/Bitmap.h"
#include "platform/rtl/FileUtils.h"
#include "platform/ui/forms/Screen.h"
#include "platform/ui/system/UiMessages.h"
#include "tests/platform/ui/FormTestFixture.h"

namespace {

// A picture whose every pixel tells where it came from.
void PvtPattern(TVQBitmap* b, int w, int h) {
  b->Allocate(w, h, vqRGB24);
  for (int y = 0; y < h; ++y) {
    Byte* row = b->GetScanline(y);
    for (int x = 0; x < w; ++x) {
      row[3 * x] = Byte(x * 7 + y * 13);
      row[3 * x + 1] = Byte(y);
      row[3 * x + 2] = Byte(x);
    }
  }
}

class PictoraView : public FormsTest {
 protected:
  TForm* form = nullptr;
  TPictoraView* view = nullptr;
  TVQScreenInfo savedScreen;

  void SetUp() override {
    StartImagingLibrary();
    savedScreen = VQViewScreen();
    form = NewForm(50, 50, 700, 560);
    view = new TPictoraView(form);
    view->SetParent(form);
    view->SetBorderStyle(bsNone);
    view->SetBounds(0, 0, 400, 300);
    form->Show();
    ProcessPendingMessages();
  }
  void TearDown() override {
    VQViewScreen() = savedScreen;
    EndImagingLibrary();
  }
  void Load(int w, int h) {
    PvtPattern(view->GetImage(), w, h);
    view->Update();
  }
  void Pump() {
    ProcessPendingMessages();
    view->Repaint();
  }
  TPoint At(int x, int y) { return view->ClientToScreen(TPoint{x, y}); }
};

TEST_F(PictoraView, NewViewHasItsDefaults) {
  auto* fresh = new TPictoraView(form);
  EXPECT_EQ(fresh->Width(), 105);
  EXPECT_EQ(fresh->Height(), 105);
  EXPECT_EQ(fresh->Zoom(), 100);
  EXPECT_EQ(fresh->ScrollBars(), ssBoth);
  EXPECT_EQ(fresh->ViewCursor(), 1785);
  EXPECT_EQ(fresh->Cursor(), 1785);
  EXPECT_EQ(fresh->DpiX(), 300);
  EXPECT_EQ(fresh->DpiY(), 300);
  EXPECT_EQ(fresh->SelectionOptions(), 71u);
  EXPECT_EQ(fresh->Background(), clBtnFace);
  EXPECT_EQ(fresh->BorderStyle(), bsSingle);
  EXPECT_TRUE(fresh->LegacyBitmap());
  // Without a parent it draws into 50 x 50 and cannot paint.
  EXPECT_FALSE(fresh->CanPaint());
  EXPECT_EQ(fresh->GetDrawingWidth(), 50);
  EXPECT_EQ(fresh->GetDrawingHeight(), 50);
  EXPECT_EQ(fresh->LayerCount(), 1);
  EXPECT_TRUE(fresh->GetLayer(0)->Locked);
  EXPECT_FALSE(fresh->GetLayer(0)->VisibleFrame);
}

TEST_F(PictoraView, ZoomOfZeroNegativeOrTheSameChangesNothing) {
  Load(200, 100);
  int events = 0;
  view->OnViewChange = [&](TObject*, int) { ++events; };
  for (double z : {0.0, -5.0, 100.0}) view->SetZoom(z);
  EXPECT_EQ(view->Zoom(), 100);
  EXPECT_EQ(events, 0);
  view->SetZoom(50);
  EXPECT_EQ(view->Zoom(), 50);
  EXPECT_GE(events, 1);
}

TEST_F(PictoraView, AutoFitGivesTheFitZoom) {
  view->ScrollBars();
  view->AutoFit = true;
  Load(1, 1);
  EXPECT_EQ(view->Zoom(), 100);
  Load(4000, 3000);
  EXPECT_DOUBLE_EQ(view->Zoom(), 10);
  EXPECT_DOUBLE_EQ(view->GetFitZoom(), 10);
  EXPECT_FALSE(view->IsScrollable());
}

TEST_F(PictoraView, MaximumScrollTakesTheHalfPixelOnlyBeyondTenPixels) {
  view->SetScrollBars(ssNone);
  view->SetZoom(300);
  // 3 x 135 = 405: five zoomed pixels wider than the 400 pixels shown.
  Load(135, 90);
  int mx = -1, my = -1;
  view->GetMaxScroll(mx, my);
  EXPECT_EQ(mx, 5);
  EXPECT_EQ(my, 0);
  // 3 x 137 = 411 is more than ten wider: trunc(137.5 x 3) - 400.
  Load(137, 90);
  view->GetMaxScroll(mx, my);
  EXPECT_EQ(mx, 12);
}

TEST_F(PictoraView, KeptBarsNeverHideTheImagesLastPixels) {
  view->KeepScrollBars = true;
  view->SetScrollBars(ssBoth);
  Load(20, 20);
  ASSERT_TRUE(view->GetDrawingWidth() < 400 && view->GetDrawingHeight() < 300);
  // Larger than the area inside the bars, smaller than the control.
  Load(view->GetDrawingWidth() + 6, view->GetDrawingHeight() + 6);
  int mx = 0, my = 0;
  view->GetMaxScroll(mx, my);
  EXPECT_EQ(mx, 6);
  EXPECT_EQ(my, 6);
  view->ScrollHorizontally(scEnd);
  EXPECT_EQ(view->ScreenToBitmapX(view->GetDrawingWidth() - 1), view->ImageWidth() - 1);
}

TEST_F(PictoraView, AnImageThatFitsOnceTheBarsGoHasNoScroll) {
  view->SetScrollBars(ssBoth);
  Load(395, 295);
  int mx = -1, my = -1;
  view->GetMaxScroll(mx, my);
  EXPECT_EQ(mx, 0);
  EXPECT_EQ(my, 0);
  EXPECT_EQ(view->GetDrawingWidth(), 400);
  EXPECT_EQ(view->GetDrawingHeight(), 300);
}

TEST_F(PictoraView, LineScrollIsOneImagePixelAtLeastOneScreenPixel) {
  Load(1000, 1000);
  view->SetZoom(400);
  view->SetScrollXY(0, 0);
  view->ScrollVertically(scLineForward);
  EXPECT_EQ(view->ScrollY(), 4);
  view->SetZoom(50);
  view->SetScrollXY(0, 0);
  view->ScrollVertically(scLineForward);
  EXPECT_EQ(view->ScrollY(), 1);
  view->ScrollVertically(scEnd);
  int mx = 0, my = 0;
  view->GetMaxScroll(mx, my);
  EXPECT_EQ(view->ScrollY(), my);
  view->ScrollHorizontally(scPosition, 1000000);
  EXPECT_EQ(view->ScrollX(), mx);
  view->ScrollHorizontally(scStart);
  EXPECT_EQ(view->ScrollX(), 0);
}

TEST_F(PictoraView, ZoomKeepsTheMiddleOfTheDrawingArea) {
  view->SetScrollBars(ssNone);
  view->SetBounds(0, 0, 500, 300);
  Load(1000, 600);
  view->SetScrollX(500);
  ASSERT_EQ(view->ScrollX(), 500);
  const int before = view->ScreenToBitmapX(250);
  EXPECT_EQ(before, 750);
  // Zooming in must not clamp to the range of the old zoom.
  view->SetZoom(200);
  EXPECT_EQ(view->ScrollX(), 1250);
  EXPECT_EQ(view->ScreenToBitmapX(250), 750);
  view->SetZoom(100);
  EXPECT_EQ(view->ScreenToBitmapX(250), 750);
}

TEST_F(PictoraView, ZoomStepsOfClicks) {
  struct {
    double from, in, out;
  } cases[] = {{100, 200, 75}, {200, 300, 100}, {150, 250, 100}, {33, 50, 25}, {2, 5, 2},
               {1, 2, 2},      {75, 100, 50},   {10, 25, 5},     {450, 550, 350}};
  for (auto& c : cases) {
    EXPECT_EQ(TPictoraView::ZoomInStep(c.from), c.in) << c.from;
    EXPECT_EQ(TPictoraView::ZoomOutStep(c.from), c.out) << c.from;
  }
}

// What the view drew at each window pixel is the image pixel it maps the
// pixel to, and the same as the scaled drawing gives for its source
// rectangle.
TEST_F(PictoraView, BackBufferAgreesWithTheMappingAndTheScaledDrawing) {
  view->SetScrollBars(ssNone);
  for (double zoom : {33.0, 100.0, 250.0}) {
    Load(700, 500);
    view->SetZoom(zoom);
    view->SetScrollXY(37, 21);
    Pump();
    TBitmap* buffer = view->BackBuffer();
    ASSERT_EQ(buffer->Width(), 400);
    TVQBitmap* image = view->GetImage();
    int checked = 0;
    for (int y = view->OffsetY(); y < view->OffsetY() + view->DrawnHeight(); y += 7)
      for (int x = view->OffsetX(); x < view->OffsetX() + view->DrawnWidth(); x += 5) {
        const int c = view->ScreenToBitmapX(x), r = view->ScreenToBitmapY(y);
        ASSERT_GE(c, 0);
        ASSERT_LT(c, 700);
        const Byte* got = static_cast<const Byte*>(buffer->ScanLine(y)) + 3 * x;
        const Byte* want = image->GetScanline(r) + 3 * c;
        ASSERT_EQ(got[0], want[0]) << "zoom " << zoom << " at " << x << "," << y;
        ASSERT_EQ(got[1], want[1]) << "zoom " << zoom << " at " << x << "," << y;
        ASSERT_EQ(got[2], want[2]) << "zoom " << zoom << " at " << x << "," << y;
        ++checked;
      }
    EXPECT_GT(checked, 1000);
    // The scaled drawing of the visible source rectangle with the view's
    // own tables gives the same bytes.
    TVQBitmap direct;
    direct.MemoryThreshold = 1LL << 40;
    direct.Allocate(400, 300, vqRGB24);
    std::vector<Byte*> rows;
    std::vector<int> xt, yt;
    for (int x = 0; x < view->DestWidth(); ++x) xt.push_back(view->ScreenToBitmapX(view->OffsetX() + x));
    for (int y = 0; y < view->DestHeight(); ++y) yt.push_back(view->ScreenToBitmapY(view->OffsetY() + y));
    const TRect src = view->VisibleSource();
    image->RenderToTVQBitmap(&direct, rows, xt, yt, nullptr, view->OffsetX(), view->OffsetY(), view->DestWidth(),
                             view->DestHeight(), src.Left, src.Top, src.Width(), src.Height(), false, false, 255,
                             rfNone, true, boCopy);
    for (int y = 0; y < view->DrawnHeight(); y += 3) {
      const Byte* a = static_cast<const Byte*>(buffer->ScanLine(view->OffsetY() + y)) + 3 * view->OffsetX();
      const Byte* b = direct.GetScanline(view->OffsetY() + y) + 3 * view->OffsetX();
      ASSERT_TRUE(std::equal(a, a + 3 * view->DrawnWidth(), b)) << "zoom " << zoom << " row " << y;
    }
  }
}

TEST_F(PictoraView, BitmapToScreenIsTheInverseOfScreenToBitmap) {
  view->SetScrollBars(ssNone);
  Load(300, 200);
  for (double zoom : {50.0, 100.0, 300.0}) {
    view->SetZoom(zoom);
    view->SetScrollXY(10, 10);
    Pump();
    // Each window column lies in the image column it maps to: from that
    // column's left edge to the next one's.
    for (int x = view->OffsetX(); x < view->OffsetX() + view->DrawnWidth() - 4; ++x) {
      const int c = view->ScreenToBitmapX(x);
      EXPECT_LE(view->BitmapToScreenX(c), x) << zoom << " at " << x;
      if (zoom <= 100) EXPECT_EQ(view->BitmapToScreenX(c), x) << zoom << " at " << x;
      if (zoom > 100) EXPECT_GT(view->BitmapToScreenX(c + 1), x) << zoom << " at " << x;
    }
  }
}

TEST_F(PictoraView, SmallImageIsCentredOnTheBackground) {
  view->SetScrollBars(ssNone);
  view->TVQView::SetBackground(TColor(0x00112233));
  Load(100, 50);
  Pump();
  EXPECT_EQ(view->OffsetX(), 150);
  EXPECT_EQ(view->OffsetY(), 125);
  const Byte* corner = static_cast<const Byte*>(view->BackBuffer()->ScanLine(0));
  EXPECT_EQ(corner[0], 0x11);  // blue
  EXPECT_EQ(corner[2], 0x33);  // red
  view->SetCenter(false);
  EXPECT_EQ(view->OffsetX(), 0);
  EXPECT_EQ(view->ScreenToBitmapX(10), 10);
}

TEST_F(PictoraView, ChessboardStartsWithTheComplementAtTheTopLeft) {
  view->SetScrollBars(ssNone);
  view->TVQView::SetBackground(clWhite);
  view->SetBackgroundStyle(vqbsChessboard);
  Load(1, 1);
  Pump();
  auto px = [&](int x, int y) { return static_cast<const Byte*>(view->BackBuffer()->ScanLine(y))[3 * x]; };
  EXPECT_EQ(px(0, 0), 0);
  EXPECT_EQ(px(15, 15), 0);
  EXPECT_EQ(px(16, 0), 255);
  EXPECT_EQ(px(0, 16), 255);
  EXPECT_EQ(px(16, 16), 0);
}

TEST_F(PictoraView, TheBlitFollowsTheScreenDepth) {
  Load(50, 50);
  struct {
    int bits;
    bool remote;
    TVQBlitPath path;
  } cases[] = {{32, false, TVQBlitPath::BitBlt},
               {24, false, TVQBlitPath::BitBlt},
               {16, false, TVQBlitPath::HalftoneStretch},
               {8, false, TVQBlitPath::DrawDib},
               {8, true, TVQBlitPath::BitBlt},
               {16, true, TVQBlitPath::BitBlt}};
  for (auto& c : cases) {
    VQViewScreen().BitsPerPixel = c.bits;
    VQViewScreen().RemoteSession = c.remote;
    view->Invalidate();
    Pump();
    EXPECT_EQ(view->LastBlitPath(), c.path) << c.bits << (c.remote ? " remote" : "");
  }
}

TEST_F(PictoraView, WindowShowsTheComposedPicture) {
  view->SetScrollBars(ssNone);
  Load(400, 300);
  Pump();
  const HWND top = form->Handle();
  const TPoint at = view->ClientToScreen(TPoint{123, 45});
  const TPoint inForm = form->ScreenToClient(at);
  const COLORREF shown = s.display.PixelAt(top, inForm.X + form->ClientOrigin().X - form->Left(),
                                           inForm.Y + form->ClientOrigin().Y - form->Top());
  TRGBPixel want = view->GetImage()->GetPixelRGB(123, 45);
  EXPECT_EQ(GetRValue(shown), want.r);
  EXPECT_EQ(GetGValue(shown), want.g);
  EXPECT_EQ(GetBValue(shown), want.b);
}

TEST_F(PictoraView, TheVersionTextSitsInTheBottomRightCornerOverThePicture) {
  view->SetScrollBars(ssNone);
  view->GetImage()->Allocate(400, 300, vqRGB24);
  view->GetImage()->Fill(double(clRed));
  view->SetDrawVersion(true);
  Pump();
  auto shown = [&](int x, int y) {
    const TPoint at = form->ScreenToClient(view->ClientToScreen(TPoint{x, y}));
    return s.display.PixelAt(form->Handle(), at.X + form->ClientOrigin().X - form->Left(),
                             at.Y + form->ClientOrigin().Y - form->Top());
  };
  int white = 0;
  for (int y = 290; y < 300; ++y)
    for (int x = 300; x < 400; ++x) white += shown(x, y) == RGB(255, 255, 255);
  EXPECT_GT(white, 100);
  EXPECT_EQ(shown(10, 10), RGB(255, 0, 0));
  EXPECT_EQ(shown(399, 250), RGB(255, 0, 0));
  // Drawn on the window, not into the back buffer.
  const Byte* corner = static_cast<const Byte*>(view->BackBuffer()->ScanLine(299)) + 3 * 398;
  EXPECT_EQ(corner[2], 255);
  EXPECT_EQ(corner[1], 0);
}

TEST_F(PictoraView, DelayedFilterPaintsFourTicksWithoutItThenWithIt) {
  view->SetScrollBars(ssNone);
  view->DelayZoomFilter = true;
  view->SetZoomFilter(rfFastLinear);
  Load(900, 700);
  view->SetZoom(50);
  Pump();
  view->SetScrollXY(20, 20);
  EXPECT_EQ(view->FilterCountdown(), 4);
  for (int i = 0; i < 3; ++i) view->TimerTick();
  EXPECT_EQ(view->FilterCountdown(), 1);
  const int before = view->CompositionCount();
  view->TimerTick();
  EXPECT_EQ(view->FilterCountdown(), 0);
  Pump();
  EXPECT_GT(view->CompositionCount(), before);
}

TEST_F(PictoraView, RemovingAlphaWithMergeKeepsOpaquePixels) {
  view->TVQView::SetBackground(clBlack);
  TVQBitmap* img = view->GetImage();
  img->Allocate(3, 1, vqRGB24);
  img->Fill(double(clWhite));
  img->SetAlpha(0, 0, 255);
  img->SetAlpha(1, 0, 128);
  img->SetAlpha(2, 0, 0);
  view->RemoveAlphaChannel(true);
  EXPECT_FALSE(img->HasAlphaChannel());
  EXPECT_EQ(img->GetPixelRGB(0, 0).r, 255);
  EXPECT_EQ(img->GetPixelRGB(1, 0).r, 128);
  EXPECT_EQ(img->GetPixelRGB(2, 0).r, 0);
}

// ---- the callback registry ---------------------------------------------------------------

TEST_F(PictoraView, CallbacksRunInRegistrationOrderAndHearTheDestroyOnce) {
  auto* v = new TPictoraView(form);
  std::vector<std::string> log;
  auto handler = [&log](const std::string& name) {
    return [&log, name](TObject*, bool destroying) { log.push_back(name + (destroying ? " gone" : " changed")); };
  };
  v->RegisterChangeCallback(handler("a"));
  const TVQCallbackHandle b = v->RegisterChangeCallback(handler("b"));
  v->RegisterChangeCallback(handler("c"));
  v->CallChangeCallbacks();
  EXPECT_EQ(log, (std::vector<std::string>{"a changed", "b changed", "c changed"}));
  log.clear();
  v->UnregisterChangeCallback(-1);
  v->UnregisterChangeCallback(12345);
  EXPECT_EQ(v->ChangeCallbackCount(), 3);
  v->UnregisterChangeCallback(b);
  v->UnregisterChangeCallback(b);
  EXPECT_EQ(v->ChangeCallbackCount(), 2);
  delete v;
  EXPECT_EQ(log, (std::vector<std::string>{"a gone", "c gone"}));
}

TEST_F(PictoraView, TheSameHandlerTwiceIsCalledTwice) {
  int calls = 0;
  auto h = [&calls](TObject*, bool) { ++calls; };
  const TVQCallbackHandle a = view->RegisterChangeCallback(h), b = view->RegisterChangeCallback(h);
  EXPECT_NE(a, b);
  view->CallChangeCallbacks();
  EXPECT_EQ(calls, 2);
  view->UnregisterChangeCallback(a);
  view->UnregisterChangeCallback(b);
}

TEST_F(PictoraView, ResolutionZeroIsIgnored) {
  view->SetDpi(0, 150);
  EXPECT_EQ(view->DpiX(), 300);
  EXPECT_EQ(view->DpiY(), 150);
}

TEST_F(PictoraView, FrameChangesMakeTheWindowAnewOnlyWhenTheyChange) {
  const HWND first = view->Handle();
  view->SetBorderStyle(bsNone);
  EXPECT_EQ(view->Handle(), first);
  view->SetBorderStyle(bsSingle);
  const HWND second = view->Handle();
  EXPECT_NE(second, first);
  EXPECT_TRUE(GetWindowLong(second, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  view->SetCtl3D(true);
  EXPECT_EQ(view->Handle(), second);
  view->SetCtl3D(false);
  EXPECT_NE(view->Handle(), second);
  EXPECT_TRUE(GetWindowLong(view->Handle(), GWL_STYLE) & WS_BORDER);
}

TEST_F(PictoraView, LegacyBitmapOffAndOnKeepsThePixelsAndTellsTwice) {
  Load(20, 10);
  const TRGBPixel before = view->GetImage()->GetPixelRGB(7, 3);
  int calls = 0;
  view->RegisterChangeCallback([&calls](TObject*, bool) { ++calls; });
  view->SetLegacyBitmap(false);
  EXPECT_EQ(view->GetFrameworkBitmap(), nullptr);
  view->SetLegacyBitmap(true);
  ASSERT_NE(view->GetFrameworkBitmap(), nullptr);
  EXPECT_EQ(calls, 2);
  const TRGBPixel after = view->GetImage()->GetPixelRGB(7, 3);
  EXPECT_EQ(after.r, before.r);
  EXPECT_EQ(after.g, before.g);
  EXPECT_EQ(after.b, before.b);
}

TEST_F(PictoraView, TheIOComponentLoadsIntoTheViewAndIsToldOfItsEnd) {
  const std::string file = GetTempPath() + "lumiqa-pictoraview-" + std::to_string(getpid()) + ".bmp";
  {
    TPictoraIO writer(nullptr);
    PvtPattern(writer.Image(), 64, 40);
    writer.SaveToFile(file);
    ASSERT_FALSE(writer.Aborting);
  }
  int imageChanges = 0, lastPercent = -1;
  view->OnImageChange = [&](TObject*) { ++imageChanges; };
  view->SetOnProgress([&](TObject*, int percent) { lastPercent = percent; });
  TPictoraIO* io = view->GetIO();
  EXPECT_EQ(io->AttachedPictora(), view);
  EXPECT_EQ(io->Image(), view->GetImage());
  io->LoadFromFile(file);
  DeleteFile(file);
  EXPECT_FALSE(io->Aborting);
  EXPECT_EQ(view->ImageWidth(), 64);
  EXPECT_EQ(view->ImageHeight(), 40);
  EXPECT_EQ(imageChanges, 1);
  EXPECT_EQ(lastPercent, 100);
  EXPECT_EQ(view->GetImage()->GetPixelRGB(9, 5).r, 9);
}

TEST_F(PictoraView, AnAsynchronousLoadUpdatesTheViewThroughItsMessage) {
  const std::string file = GetTempPath() + "lumiqa-pictoraview-async-" + std::to_string(getpid()) + ".bmp";
  {
    TPictoraIO writer(nullptr);
    PvtPattern(writer.Image(), 90, 70);
    writer.SaveToFile(file);
  }
  Load(10, 10);
  TPictoraIO* io = view->GetIO();
  io->Asynchronous = true;
  io->LoadFromFile(file);
  io->WaitThreads(false);
  DeleteFile(file);
  EXPECT_FALSE(io->Aborting);
  // The pixels are in; the view takes their size when its message comes.
  EXPECT_EQ(view->GetImage()->GetWidth(), 90);
  EXPECT_EQ(view->ImageWidth(), 10);
  ProcessPendingMessages();
  EXPECT_EQ(view->ImageWidth(), 90);
  EXPECT_EQ(view->ImageHeight(), 70);
}

TEST_F(PictoraView, AnAttachedComponentsBackgroundIsTheViews) {
  view->TVQView::SetBackground(TColor(0x00123456));
  TPictoraIO* io = view->GetIO();
  EXPECT_EQ(io->Background(), TColor(0x00123456));
  io->SetBackground(clRed);
  EXPECT_EQ(view->Background(), TColor(0x00123456));
  io->PassBackground = true;
  io->SetBackground(clRed);
  EXPECT_EQ(view->Background(), clRed);
  // The block's resolutions reach the view.
  io->Parameters()->SetDpiX(72);
  io->Parameters()->SetDpiY(96);
  EXPECT_EQ(view->DpiX(), 72);
  EXPECT_EQ(view->DpiY(), 96);
}

TEST_F(PictoraView, TheCaptureHolderOfTheViewsComponentNotifiesTheViewsWindow) {
  TPictoraIO* io = view->GetIO();
  view->HandleNeeded();
  ASSERT_NE(view->Handle(), nullptr);
  EXPECT_EQ(io->ViewWindow(), view->Handle());
  ASSERT_NE(io->GetDirectShow(), nullptr);
  EXPECT_EQ(io->GetDirectShow()->NotifyWindow(), view->Handle());
  TPictoraIO alone(nullptr);
  EXPECT_EQ(alone.ViewWindow(), nullptr);
}

TEST_F(PictoraView, AnAttachedComponentForgetsAViewThatGoes) {
  auto* v = new TPictoraView(form);
  TPictoraIO io(nullptr);
  io.SetAttachedPictora(v);
  EXPECT_EQ(io.Image(), v->GetImage());
  delete v;
  EXPECT_EQ(io.AttachedPictora(), nullptr);
  ASSERT_NE(io.Image(), nullptr);
  EXPECT_TRUE(io.OwnsImage());
}

// ---- input -------------------------------------------------------------------------------

TEST_F(PictoraView, InteractionSetKeepsWhatTheNewItemAllows) {
  view->SetMouseInteract(MouseBit(miZoom) | MouseBit(miScroll));
  view->SetMouseInteract(MouseBit(miZoom) | MouseBit(miScroll) | MouseBit(miSelect));
  EXPECT_EQ(view->MouseInteract(), MouseBit(miZoom) | MouseBit(miSelect));
  view->SetMouseInteract(MouseBit(miZoom) | MouseBit(miSelect) | MouseBit(miSelectPolygon));
  EXPECT_EQ(view->MouseInteract(), MouseBit(miSelectPolygon));
  view->SetMouseInteract(MouseBit(miSelectPolygon) | MouseBit(miZoom) | MouseBit(miMoveLayers));
  EXPECT_EQ(view->MouseInteract(), MouseBit(miZoom));
  view->SetMouseInteract(MouseBit(miZoom) | MouseBit(miMoveLayers) | MouseBit(miResizeLayers));
  EXPECT_EQ(view->MouseInteract(), MouseBit(miMoveLayers) | MouseBit(miResizeLayers));
}

TEST_F(PictoraView, ClicksZoomInAndOutInSteps) {
  Load(300, 200);
  view->SetMouseInteract(MouseBit(miZoom));
  const TPoint p = At(200, 150);
  s.display.Click(p.X, p.Y);
  ProcessPendingMessages();
  EXPECT_EQ(view->Zoom(), 200);
  s.clock.Advance(1000);  // not a double click
  s.display.Click(p.X, p.Y);
  ProcessPendingMessages();
  EXPECT_EQ(view->Zoom(), 300);
  view->SetZoom(150);
  s.clock.Advance(1000);
  s.display.Click(p.X, p.Y, TMouseButton::mbRight);
  ProcessPendingMessages();
  EXPECT_EQ(view->Zoom(), 100);
  view->SetZoom(2);
  int zooms = 0;
  view->OnViewChange = [&](TObject*, int change) { zooms += change; };
  s.clock.Advance(1000);
  s.display.Click(p.X, p.Y, TMouseButton::mbRight);
  ProcessPendingMessages();
  EXPECT_EQ(view->Zoom(), 2);
  EXPECT_EQ(zooms, 0);
}

TEST_F(PictoraView, AnEventMayChangeTheZoomOfAClick) {
  Load(300, 200);
  view->SetMouseInteract(MouseBit(miZoom));
  view->OnZoomIn = [](TObject*, double& z) { z = 133; };
  const TPoint p = At(100, 100);
  s.display.Click(p.X, p.Y);
  ProcessPendingMessages();
  EXPECT_EQ(view->Zoom(), 133);
}

TEST_F(PictoraView, DraggingScrollsWithTheHandCursor) {
  view->SetScrollBars(ssNone);
  Load(1000, 800);
  view->SetMouseInteract(MouseBit(miScroll));
  view->SetScrollXY(100, 100);
  const TPoint a = At(200, 150), b = At(170, 150);
  s.display.MouseDown(a.X, a.Y);
  ProcessPendingMessages();
  EXPECT_EQ(view->ShownCursor(), kVQCursorHand);
  s.display.MouseMove(b.X, b.Y);
  ProcessPendingMessages();
  EXPECT_EQ(view->ScrollX(), 130);
  EXPECT_EQ(view->ScrollY(), 100);
  const TPoint c = At(160, 140);
  s.display.MouseUp(c.X, c.Y);
  ProcessPendingMessages();
  EXPECT_EQ(view->ScrollX(), 140);
  EXPECT_EQ(view->ScrollY(), 110);
  EXPECT_EQ(view->ShownCursor(), view->ViewCursor());
}

TEST_F(PictoraView, WheelZoomsOutByEightPerCentByDefault) {
  Load(300, 200);
  // The wheel goes to the window with the focus.
  view->SetFocus();
  const TPoint p = At(100, 100);
  s.display.Wheel(p.X, p.Y, 120);
  ProcessPendingMessages();
  EXPECT_EQ(view->Zoom(), 92);
  s.display.Wheel(p.X, p.Y, -120);
  ProcessPendingMessages();
  EXPECT_EQ(view->Zoom(), 99);  // 92 + round(7.36)
}

TEST_F(PictoraView, WheelScrollsWhenAskedTo) {
  view->SetScrollBars(ssNone);
  Load(1000, 1000);
  view->WheelParams()->Action = 1;
  view->WheelParams()->StepKind = 1;
  view->WheelParams()->Step = 10;
  view->SetFocus();
  const TPoint p = At(100, 100);
  s.display.Wheel(p.X, p.Y, -120);
  ProcessPendingMessages();
  EXPECT_EQ(view->ScrollY(), 30);  // 10 % of 300
  EXPECT_EQ(view->ScrollX(), 0);
  view->WheelParams()->StepKind = 0;
  view->WheelParams()->Step = 3;
  view->SetZoom(400);
  const int before = view->ScrollY();
  s.display.Wheel(p.X, p.Y, 120);
  ProcessPendingMessages();
  EXPECT_EQ(view->ScrollY(), before - 12);
  view->AutoFit = true;
  s.display.Wheel(p.X, p.Y, 120);
  ProcessPendingMessages();
  EXPECT_EQ(view->ScrollY(), before - 12);
}

TEST_F(PictoraView, ArrowsAndPageKeysReachOnKeyDownAndShiftChangesTheCursor) {
  Load(300, 200);
  view->SetFocus();
  std::vector<int> keys;
  view->OnKeyDown = [&](TObject*, std::uint16_t& key, TShiftState) { keys.push_back(key); };
  for (int vk : {VK_PRIOR, VK_NEXT, VK_END, VK_HOME, VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN}) {
    s.display.KeyDown(vk);
    s.display.KeyUp(vk);
  }
  ProcessPendingMessages();
  EXPECT_EQ(keys, (std::vector<int>{VK_PRIOR, VK_NEXT, VK_END, VK_HOME, VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN}));
  EXPECT_TRUE(view->Focused());
  s.display.KeyDown(VK_SHIFT);
  ProcessPendingMessages();
  EXPECT_EQ(view->ShownCursor(), kVQCursorCrossPlus);
  s.display.KeyUp(VK_SHIFT);
  ProcessPendingMessages();
  EXPECT_EQ(view->ShownCursor(), kVQCursorCross);
}

TEST_F(PictoraView, ScrollBarsScaleTheZoomedRangeTo16Bits) {
  Load(100000, 400);
  ASSERT_TRUE(view->IsScrollable());
  int mx = 0, my = 0;
  view->GetMaxScroll(mx, my);
  const double factor = view->HorizontalBarFactor();
  EXPECT_DOUBLE_EQ(factor, (double(view->GetDrawingWidth()) + mx) / 65536.0);
  SendMessage(view->Handle(), WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 32768), 0);
  EXPECT_EQ(view->ScrollX(), int(32768 * factor));
  SendMessage(view->Handle(), WM_HSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), 0);
  EXPECT_EQ(view->ScrollX(), int(32768 * factor) + 1);
  SendMessage(view->Handle(), WM_HSCROLL, MAKEWPARAM(SB_BOTTOM, 0), 0);
  EXPECT_EQ(view->ScrollX(), mx);
  view->HorizontalScrollParams()->Tracking = false;
  SendMessage(view->Handle(), WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, 0), 0);
  EXPECT_EQ(view->ScrollX(), mx);
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_ALL;
  ASSERT_TRUE(GetScrollInfo(view->Handle(), SB_HORZ, &si));
  EXPECT_EQ(si.nMax, 65535);
  EXPECT_EQ(si.nPos, int(mx / factor));
}

TEST_F(PictoraView, CursorsAreRegisteredUnderTheirNumbers) {
  EXPECT_EQ(VQCursorName(1785), "CROCE3");
  EXPECT_EQ(VQCursorName(1796), "CROCE2-");
  EXPECT_EQ(VQCursorName(1797), "1795");
  EXPECT_EQ(VQCursorName(1806), "1803");
  EXPECT_EQ(VQCursorName(1810), "1808");
  EXPECT_EQ(VQCursorName(1811), "");
  for (TCursor c = 1778; c <= 1810; ++c) EXPECT_NE(Screen->Cursors(c), Screen->Cursors(crDefault)) << c;
}

}  // namespace
