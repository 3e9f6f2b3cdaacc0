// The open dialog's preview pane driven headless: a picked BMP or PNG shows
// in the pane's view with its size and colours, a JPEG once its reader is
// in, and an unreadable file, a folder or a vanished name empty the pane
// without a word.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>

#include "imaging/core/base/vqzdefs.h"
#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/io/component/pictoraio.h"
#include "imaging/view/pictoraview.h"
#include "imaging/view/vqopensavedlg.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/JPEGImage.h"
#include "platform/rtl/FileUtils.h"
#include <zlib.h>
#include "platform/ui/controls/SpeedButton.h"
#include "platform/ui/controls/StdCtrls.h"
#include "platform/ui/forms/Screen.h"
#include "platform/ui/lists/ComboBox.h"
#include "tests/platform/ui/FormTestFixture.h"

namespace {

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool SaveAsJpegForTest(TBitmap* b, const std::string& path) {
  try {
    TJPEGImage jpeg;
    jpeg.Assign(b);
    jpeg.SaveToFile(path);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

// A PNG of w x h pixels in 16-bit grey with alpha (32 bits a pixel).
void WriteGreyAlpha16Png(const std::string& path, int w, int h) {
  auto be32 = [](std::string& out, std::uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out.push_back(char((v >> s) & 0xFF));
  };
  auto chunk = [&](std::string& out, const char* type, const std::string& data) {
    be32(out, std::uint32_t(data.size()));
    const std::string body = std::string(type, 4) + data;
    out += body;
    be32(out, std::uint32_t(crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size()))));
  };
  std::string ihdr;
  be32(ihdr, std::uint32_t(w));
  be32(ihdr, std::uint32_t(h));
  ihdr += std::string("\x10\x04\x00\x00\x00", 5);
  std::string raw;
  for (int y = 0; y < h; ++y) {
    raw.push_back(0);
    for (int x = 0; x < w; ++x) raw += std::string("\x80\x00\xFF\xFF", 4);
  }
  uLongf size = compressBound(uLong(raw.size()));
  std::string packed(size, '\0');
  compress(reinterpret_cast<Bytef*>(packed.data()), &size, reinterpret_cast<const Bytef*>(raw.data()), uLong(raw.size()));
  packed.resize(size);
  std::string png("\x89PNG\r\n\x1a\n", 8);
  chunk(png, "IHDR", ihdr);
  chunk(png, "IDAT", packed);
  chunk(png, "IEND", "");
  std::ofstream(path, std::ios::binary) << png;
}

class PreviewPane : public FormsTest {
 protected:
  std::string dir;

  void SetUp() override {
    StartImagingLibrary();
    static int counter = 0;
    dir = GetTempPath() + "lumiqa-previewpane-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
    ASSERT_TRUE(ForceDirectories(dir + "/folder"));
    TPictoraIO io(nullptr);
    io.Image()->Allocate(120, 80, vqRGB24);
    io.Image()->Fill(double(TColor(0x0000C0FF)));
    io.SaveToFile(dir + "/photo.bmp");
    io.Image()->Allocate(60, 90, vqRGB24);
    io.Image()->Fill(double(TColor(0x00FF4000)));
    io.SaveToFile(dir + "/photo.png");
    std::ofstream(dir + "/broken.bmp") << "BM this is no picture";
    std::ofstream(dir + "/broken.png") << "\x89PNG\r\n\x1a\n truncated";
  }
  void TearDown() override {
    SetFileDialogTestHook(nullptr);
    for (const char* f : {"photo.bmp", "photo.png", "broken.bmp", "broken.png", "photo.jpg"}) DeleteFile(dir + "/" + f);
    RemoveDir(dir + "/folder");
    RemoveDir(dir);
    EndImagingLibrary();
  }
  static TPictoraView* View(TOpenPictoraDialog& d) {
    return dynamic_cast<TPictoraView*>(d.FindComponent("PictoraView"));
  }
  static std::string Label(TOpenPictoraDialog& d, const std::string& name) {
    auto* l = dynamic_cast<TLabel*>(d.FindComponent(name));
    return l ? l->Caption() : "missing";
  }
};

TEST_F(PreviewPane, PickedBmpAndPngShowWithTheirSizes) {
  TOpenPictoraDialog d(nullptr);
  d.SetInitialDir(dir);
  d.AutoSetFilter = false;
  d.Filter = "All|*.*";
  struct TSeen {
    int w = 0, h = 0;
    TRGBPixel centre{};
    std::string size, colours;
    bool previewEnabled = false;
  } bmp, png;
  auto look = [&](TSeen& s) {
    TPictoraView* v = View(d);
    s.w = v->ImageWidth();
    s.h = v->ImageHeight();
    if (s.w > 0) s.centre = v->GetImage()->GetPixelRGB(s.w / 2, s.h / 2);
    s.size = Label(d, "PicLabel1");
    s.colours = Label(d, "PicLabel2");
    s.previewEnabled = dynamic_cast<TSpeedButton*>(d.FindComponent("PreviewButton"))->Enabled();
  };
  SetFileDialogTestHook([&](TFileDialogDriver& dr) {
    dr.Select("photo.bmp");
    look(bmp);
    dr.Select("photo.png");
    look(png);
    // A picture of the dialog to look at, beside the program.
    s.display.RunUntilIdle();
    EXPECT_TRUE(s.display.WriteBmp(dr.Dialog(), (ProgramFolder() + "open_pictora_preview.bmp").c_str()));
    dr.PressCancel();
  });
  EXPECT_FALSE(d.Execute());
  EXPECT_EQ(bmp.w, 120);
  EXPECT_EQ(bmp.h, 80);
  EXPECT_EQ(bmp.centre.r, 0xFF);
  EXPECT_EQ(bmp.centre.g, 0xC0);
  EXPECT_EQ(bmp.size, "120 x 80 pixel");
  EXPECT_EQ(bmp.colours.substr(0, 9), "16777216 ");
  EXPECT_TRUE(bmp.previewEnabled);
  EXPECT_EQ(png.w, 60);
  EXPECT_EQ(png.h, 90);
  EXPECT_EQ(png.centre.b, 0xFF);
  EXPECT_EQ(png.centre.g, 0x40);
  EXPECT_EQ(png.size, "60 x 90 pixel");
}

TEST_F(PreviewPane, UnreadableFilesFoldersAndVanishedNamesEmptyThePaneSilently) {
  TOpenPictoraDialog d(nullptr);
  d.SetInitialDir(dir);
  d.AutoSetFilter = false;
  d.Filter = "All|*.*";
  std::vector<std::string> seen;
  auto state = [&]() {
    TPictoraView* v = View(d);
    const bool enabled = dynamic_cast<TSpeedButton*>(d.FindComponent("PreviewButton"))->Enabled();
    return std::to_string(v->ImageWidth()) + "x" + std::to_string(v->ImageHeight()) + " " + Label(d, "PicLabel1") +
           (enabled ? " +" : " -");
  };
  int shown = 0;
  d.OnSelectionChange = [&](TObject*) { ++shown; };
  SetFileDialogTestHook([&](TFileDialogDriver& dr) {
    dr.Select("photo.bmp");
    seen.push_back(state());
    dr.Select("broken.bmp");
    seen.push_back(state());
    dr.Select("photo.png");
    seen.push_back(state());
    dr.Select("broken.png");
    seen.push_back(state());
    dr.Select("photo.png");
    DeleteFile(dir + "/photo.png");
    dr.Select("folder");
    seen.push_back(state());
    dr.PressCancel();
  });
  EXPECT_FALSE(d.Execute());
  EXPECT_EQ(seen, (std::vector<std::string>{"120x80 120 x 80 pixel +", "1x1  -", "60x90 60 x 90 pixel +", "1x1  -",
                                            "1x1  -"}));
  EXPECT_GE(shown, 5);
}

TEST_F(PreviewPane, ThePaneSitsRightOfTheListWithItsZoomList) {
  TOpenPictoraDialog d(nullptr);
  d.SetInitialDir(dir);
  std::vector<std::string> zooms;
  int panelLeft = -1, panelWidth = -1;
  double zoomAfterPick = 0;
  int fitsW = -1, fitsH = -1;
  SetFileDialogTestHook([&](TFileDialogDriver& dr) {
    auto* combo = dynamic_cast<TComboBox*>(d.FindComponent("ZoomCombo"));
    for (int i = 0; i < combo->Items()->Count(); ++i) zooms.push_back(combo->Items()->Strings(i));
    auto* panel = dynamic_cast<TControl*>(d.FindComponent("PicturePanel"));
    panelLeft = panel->Left();
    panelWidth = panel->Width();
    dr.Select("photo.bmp");
    // "Fit": the picture takes the view's size in one direction.
    TPictoraView* v = View(d);
    zoomAfterPick = v->Zoom();
    fitsW = v->GetDrawingWidth() - int(120 * zoomAfterPick / 100);
    fitsH = v->GetDrawingHeight() - int(80 * zoomAfterPick / 100);
    combo->SetItemIndex(4);
    d.ApplyZoom();
    dr.PressCancel();
  });
  d.Execute();
  EXPECT_EQ(zooms, (std::vector<std::string>{"Fit", "25%", "50%", "75%", "100%", "125%", "150%", "175%", "200%",
                                             "300%", "400%"}));
  EXPECT_GT(panelLeft, 200);
  EXPECT_GT(panelWidth, 100);
  EXPECT_NE(zoomAfterPick, 100);
  EXPECT_GE(fitsW, 0);
  EXPECT_GE(fitsH, 0);
  // Within the margin of the frame on each side.
  EXPECT_LE(std::min(fitsW, fitsH), 5);
  EXPECT_EQ(View(d)->Zoom(), 100);
}

TEST_F(PreviewPane, SizeTextsFollowTheirRules) {
  // A 4 x 4 picture in files of 1023 and 1024 bytes (the rest is slack
  // after the pixels), and the 120 x 80 one.
  {
    TPictoraIO io(nullptr);
    io.Image()->Allocate(4, 4, vqRGB24);
    io.SaveToFile(dir + "/small.bmp");
  }
  const std::string small = ReadFileBytes(dir + "/small.bmp");
  ASSERT_LT(small.size(), 1023u);
  std::ofstream(dir + "/k1023.bmp", std::ios::binary) << small + std::string(1023 - small.size(), '\0');
  std::ofstream(dir + "/k1024.bmp", std::ios::binary) << small + std::string(1024 - small.size(), '\0');
  DeleteFile(dir + "/small.bmp");
  TOpenPictoraDialog d(nullptr);
  d.SetInitialDir(dir);
  d.AutoSetFilter = false;
  d.Filter = "All|*.*";
  std::vector<std::string> info;
  SetFileDialogTestHook([&](TFileDialogDriver& dr) {
    for (const char* f : {"k1023.bmp", "k1024.bmp", "photo.bmp"}) {
      dr.Select(f);
      info.push_back(Label(d, "InfoLabel2"));
    }
    dr.PressCancel();
  });
  d.Execute();
  DeleteFile(dir + "/k1023.bmp");
  DeleteFile(dir + "/k1024.bmp");
  ASSERT_EQ(info.size(), 3u);
  // File size, three blanks, then the memory: four rows of 12 bytes;
  // 120 x 80 x 24 bits 28800 bytes, 28 Kb.
  EXPECT_NE(info[0].find(": 1023 bytes   "), std::string::npos) << info[0];
  EXPECT_NE(info[0].find(": 48 bytes"), std::string::npos) << info[0];
  EXPECT_NE(info[1].find(": 1 Kb   "), std::string::npos) << info[1];
  EXPECT_NE(info[2].find(": 28 Kb"), std::string::npos) << info[2];
}

TEST_F(PreviewPane, ASelectionDuringAPreviewIsShownOnceItEnds) {
  TOpenPictoraDialog d(nullptr);
  d.SetInitialDir(dir);
  d.AutoSetFilter = false;
  d.Filter = "All|*.*";
  int w = 0, h = 0;
  SetFileDialogTestHook([&](TFileDialogDriver& dr) {
    // The list moves on while the first picture still loads.
    auto* io = dynamic_cast<TPictoraIO*>(d.FindComponent("PreviewIO"));
    ASSERT_NE(io, nullptr);
    TVQProgressEvent pane = io->OnProgress;
    bool once = false;
    io->OnProgress = [&](TObject* sender, int percent) {
      if (pane) pane(sender, percent);
      if (!once) {
        once = true;
        dr.Select("photo.png");
      }
    };
    dr.Select("photo.bmp");
    w = View(d)->ImageWidth();
    h = View(d)->ImageHeight();
    io->OnProgress = pane;
    dr.PressCancel();
  });
  d.Execute();
  EXPECT_EQ(w, 60);
  EXPECT_EQ(h, 90);
}

TEST_F(PreviewPane, APickedJpegShowsScaledToTheView) {
  // A 1200 x 900 JPEG written through the framework's JPEG class.
  {
    TBitmap b(1200, 900, pf24bit);
    b.Canvas()->Brush()->SetColor(TColor(0x00206080));
    b.Canvas()->FillRect(TRect{0, 0, 1200, 900});
    ASSERT_TRUE(SaveAsJpegForTest(&b, dir + "/photo.jpg"));
  }
  {
    TPictoraIO probe(nullptr);
    probe.LoadFromFile(dir + "/photo.jpg");
    if (probe.Aborting) GTEST_SKIP() << "the imaging library reads no JPEG yet";
  }
  TOpenPictoraDialog d(nullptr);
  d.SetInitialDir(dir);
  d.AutoSetFilter = false;
  d.Filter = "All|*.*";
  int w = 0, h = 0;
  std::string size;
  SetFileDialogTestHook([&](TFileDialogDriver& dr) {
    dr.Select("photo.jpg");
    w = View(d)->ImageWidth();
    h = View(d)->ImageHeight();
    size = Label(d, "PicLabel1");
    dr.PressCancel();
  });
  d.Execute();
  // Decoded at a reduction that still covers the view; the text gives the
  // file's own size.
  EXPECT_GT(w, 0);
  EXPECT_LT(w, 1200);
  EXPECT_EQ(w * 3, h * 4);
  EXPECT_EQ(size, "1200 x 900 pixel");
}

TEST_F(PreviewPane, ColourCountsFromThirtyTwoBitsUpArePowers) {
  WriteGreyAlpha16Png(dir + "/deep.png", 4, 3);
  TOpenPictoraDialog d(nullptr);
  d.SetInitialDir(dir);
  d.AutoSetFilter = false;
  d.Filter = "All|*.*";
  std::string colours, size;
  SetFileDialogTestHook([&](TFileDialogDriver& dr) {
    dr.Select("deep.png");
    colours = Label(d, "PicLabel2");
    size = Label(d, "PicLabel1");
    dr.PressCancel();
  });
  d.Execute();
  DeleteFile(dir + "/deep.png");
  EXPECT_EQ(size, "4 x 3 pixel");
  EXPECT_EQ(colours.substr(0, 5), "2^32 ") << colours;
  EXPECT_NE(colours.find("(32 bit)"), std::string::npos) << colours;
}

TEST_F(PreviewPane, ThePreviewButtonShowsThePictureFullSizeUntilEsc) {
  TOpenPictoraDialog d(nullptr);
  d.SetInitialDir(dir);
  d.AutoSetFilter = false;
  d.Filter = "All|*.*";
  std::string caption, closedBy;
  int w = 0, h = 0, cw = 0, fh = 0;
  bool modal = false;
  SetFileDialogTestHook([&](TFileDialogDriver& dr) {
    dr.Select("photo.bmp");
    After(50, [&] {
      TForm* f = Screen->ActiveForm();
      if (!f || f->Name() != "PreviewForm") return;
      modal = f->Modal();
      caption = f->Caption();
      auto* v = dynamic_cast<TPictoraView*>(f->FindComponent("PictoraView"));
      w = v ? v->ImageWidth() : -1;
      h = v ? v->ImageHeight() : -1;
      cw = f->ClientWidth();
      fh = f->Height();
      s.display.KeyDown(VK_ESCAPE);
      s.display.KeyUp(VK_ESCAPE);
      After(500, [&, f] {
        // Still up: Esc did not close it.
        if (Screen->ActiveForm() == f) {
          closedBy = "timeout";
          f->Close();
        }
      });
    });
    dynamic_cast<TSpeedButton*>(d.FindComponent("PreviewButton"))->Click();
    if (closedBy.empty()) closedBy = "esc";
    dr.PressCancel();
  });
  d.Execute();
  EXPECT_TRUE(modal);
  EXPECT_EQ(caption, dir + "/photo.bmp");
  EXPECT_EQ(w, 120);
  EXPECT_EQ(h, 80);
  // Wider than 100: the picture's width as the client width.
  EXPECT_EQ(cw, 120);
  // At most 100 high: the form is 100 high.
  EXPECT_EQ(fh, 100);
  EXPECT_EQ(closedBy, "esc");
}

}  // namespace
