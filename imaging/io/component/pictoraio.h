// TPictoraIO: the non-visual component through which the imaging library
// reads and writes single images. It holds the image it works on, one
// parameter block, the abort flag and the progress machinery the filters
// share; every entry point may run on an I/O thread of its own.
//
// Threads: an entry point runs on a new TVQIOThread when Asynchronous is
// set and the image is not the component's own. OnProgress and OnFinishWork
// are then delivered on the main (GUI) thread through TThread::Synchronize,
// so handlers may touch windows; the main thread must keep draining the
// Synchronize queue (its message loop does, and so does WaitThreads).
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "imaging/core/base/vqwords.h"
#include "imaging/core/base/vqzutils_progress.h"
#include "imaging/core/base/vqzutils_viewlink.h"
#include "imaging/io/component/pictoraio_filters.h"
#include "imaging/io/component/pictoraio_formats.h"
#include "imaging/io/component/pictoraio_params.h"
#include "platform/graphics/Colors.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Events.h"
#include "platform/rtl/List.h"
#include "platform/rtl/Threads.h"
#include "platform/user/UserTypes.h"

class TBitmap;
class TFont;
class TImage;
class TVQBitmap;
class TVQIOThread;
class TVQTWainParams;
class TVQWia;
class TVQDirectShow;
class TStream;
struct TVQPSRecord;
struct TVQPDFRecord;

enum TIOPreviewsParam : Byte { ioppDefaultLockPreview = 1, ioppApplyButton = 2 };
enum TVQDialogsMeasureUnit : Byte { vqduInches, vqduCm, vqduSelectableDefInches, vqduSelectableDefCm };

using TVQDoPreviewsEvent = std::function<void(TObject* Sender, bool& Handled)>;
using TVQAcquireBitmapEvent = std::function<void(TObject* Sender, TVQBitmap* ABitmap, bool& Handled)>;

// Where the text an I/O thread reports about an exception goes; stderr
// unless replaced.
extern std::function<void(const std::string&)> IODebugSink;
void IODebugOutput(const std::string& text);

class TPictoraIO : public TComponent {
 public:
  explicit TPictoraIO(TComponent* AOwner);
  ~TPictoraIO() override;
  std::string ClassName() const override { return "TPictoraIO"; }

  TVQBitmap* Image() const { return image_; }
  bool OwnsImage() const { return ownsImage_; }
  TIOParamsVals* Parameters() const { return params_.get(); }

  // ---- attachment -----------------------------------------------------------
  // A caller's bitmap becomes the image (not owned) and a framework image
  // is let go; nil leaves the component without an image (entry points
  // then do nothing), unless a framework image is attached.
  void SetAttachedBitmap(TVQBitmap* Bitmap);
  // The view the component works on: its image becomes Image (not owned),
  // or, for a view that offers only a framework bitmap, an owned image
  // wrapping it; the view's change callbacks keep the two in step. Nil
  // gives the component a new empty image of its own.
  IVQViewLink* AttachedPictora() const { return attachedView_; }
  void SetAttachedPictora(IVQViewLink* View);
  // Forgets the framework bitmap; the bitmap becomes the image, not owned.
  void ReplaceImage(TVQBitmap* Bitmap);
  // A framework image control: loads fill its picture's bitmap, which the
  // image wraps without copying. Nil empties the image.
  TImage* AttachedTImage() const { return attachedTImage_; }
  void SetAttachedTImage(TImage* Img);
  // The image's framework bitmap when it is stored as one, else the
  // attached one (or nil).
  virtual TBitmap* GetFrameworkBitmap();
  // The parameter block's resolution setters call this; an attached view
  // takes the resolutions here.
  virtual void ViewResolutionChanged(int dpiX, int dpiY);

  // The attached view's background when a view is attached.
  TColor Background() const;
  // Kept as the own background without a view; with one, passed to it only
  // when PassBackground is set and it is a single-image view.
  void SetBackground(TColor value);
  bool PassBackground = false;
  bool NativePixelFormat() const { return params_ && params_->NativePixelFormat; }
  void SetNativePixelFormat(bool value) {
    if (params_) params_->NativePixelFormat = value;
  }
  // The font of the save-parameters dialog; the setter copies the font.
  TFont* PreviewFont() const { return previewFont_.get(); }
  void SetPreviewFont(const TFont* value);
  Byte OneBitMethod() const { return oneBitMethod_; }
  void SetOneBitMethod(Byte value);

  // ---- the rules every entry point follows ----------------------------------
  // False without an image; with an empty set True, else whether the
  // image's pixel format is in it (a set of 1 << TVQPixelFormat bits).
  bool PrepareImage(unsigned allowedFormats = 0);
  virtual void DoFinishWork();
  void FinishLoad();
  void ApplyDefaultDpi();
  // Waits until no I/O thread of this component runs but the caller;
  // Abort asks the running filters to stop. On the main thread it delivers
  // the threads' events meanwhile.
  void WaitThreads(bool Abort);
  bool IsIOThread();
  // The number of I/O threads listed.
  int IOThreadCount();

  // ---- entry points: dispatch -----------------------------------------------
  virtual void LoadFromFile(const std::string& FileName);
  virtual void SaveToFile(const std::string& FileName);
  virtual void LoadFromFileFormat(const std::string& FileName, int FileType);
  virtual void LoadFromStream(TStream* Stream);
  virtual void LoadFromStreamFormat(TStream* Stream, int FileType);
  virtual void SaveToStreamFormat(TStream* Stream, int FileType);
  // The image as text: Kind 0 a constant byte array, 1 a list of hex
  // literals, 2 Base64 (all three of the image encoded as FileType), 3 a
  // picture in characters; any other kind an empty file.
  virtual void SaveImageAsText(const std::string& FileName, int FileType, Byte Kind);
  // Always synchronous, as the memory is the caller's only while it runs.
  virtual void LoadFromBuffer(const void* Buffer, std::int64_t Size, int FileType);
  virtual void ParamsFromFile(const std::string& FileName);
  virtual void ParamsFromFileFormat(const std::string& FileName, int FileType);
  virtual void ParamsFromStream(TStream* Stream);
  virtual void ParamsFromStreamFormat(TStream* Stream, int FileType);

  // ---- entry points: one format ---------------------------------------------
  // Loads of a multi-image format return the count of images (-1 when the
  // load went to a thread).
  int LoadFormatFromFile(int FileType, const std::string& FileName);
  int LoadFormatFromStream(int FileType, TStream* Stream);
  void SaveFormatToFile(int FileType, const std::string& FileName);
  void SaveFormatToStream(int FileType, TStream* Stream);

  int LoadTiffFromFile(const std::string& n) { return LoadFormatFromFile(ioTIFF, n); }
  int LoadTiffFromStream(TStream* s) { return LoadFormatFromStream(ioTIFF, s); }
  void SaveTiffToFile(const std::string& n) { SaveFormatToFile(ioTIFF, n); }
  void SaveTiffToStream(TStream* s) { SaveFormatToStream(ioTIFF, s); }
  int LoadGifFromFile(const std::string& n) { return LoadFormatFromFile(ioGIF, n); }
  int LoadGifFromStream(TStream* s) { return LoadFormatFromStream(ioGIF, s); }
  void SaveGifToFile(const std::string& n) { SaveFormatToFile(ioGIF, n); }
  void SaveGifToStream(TStream* s) { SaveFormatToStream(ioGIF, s); }
  void LoadJpegFromFile(const std::string& n) { LoadFormatFromFile(ioJPEG, n); }
  void LoadJpegFromStream(TStream* s) { LoadFormatFromStream(ioJPEG, s); }
  void SaveJpegToFile(const std::string& n) { SaveFormatToFile(ioJPEG, n); }
  void SaveJpegToStream(TStream* s) { SaveFormatToStream(ioJPEG, s); }
  void LoadPcxFromFile(const std::string& n) { LoadFormatFromFile(ioPCX, n); }
  void LoadPcxFromStream(TStream* s) { LoadFormatFromStream(ioPCX, s); }
  void SavePcxToFile(const std::string& n) { SaveFormatToFile(ioPCX, n); }
  void SavePcxToStream(TStream* s) { SaveFormatToStream(ioPCX, s); }
  void LoadDcxFromFile(const std::string& n) { LoadFormatFromFile(ioDCX, n); }
  void LoadDcxFromStream(TStream* s) { LoadFormatFromStream(ioDCX, s); }
  void SaveDcxToFile(const std::string& n) { SaveFormatToFile(ioDCX, n); }
  void SaveDcxToStream(TStream* s) { SaveFormatToStream(ioDCX, s); }
  void LoadBmpFromFile(const std::string& n) { LoadFormatFromFile(ioBMP, n); }
  void LoadBmpFromStream(TStream* s) { LoadFormatFromStream(ioBMP, s); }
  void SaveBmpToFile(const std::string& n) { SaveFormatToFile(ioBMP, n); }
  void SaveBmpToStream(TStream* s) { SaveFormatToStream(ioBMP, s); }
  void LoadIcoFromFile(const std::string& n) { LoadFormatFromFile(ioICO, n); }
  void LoadIcoFromStream(TStream* s) { LoadFormatFromStream(ioICO, s); }
  void SaveIcoToFile(const std::string& n) { SaveFormatToFile(ioICO, n); }
  void SaveIcoToStream(TStream* s) { SaveFormatToStream(ioICO, s); }
  void LoadCurFromFile(const std::string& n) { LoadFormatFromFile(ioCUR, n); }
  void LoadCurFromStream(TStream* s) { LoadFormatFromStream(ioCUR, s); }
  void LoadPngFromFile(const std::string& n) { LoadFormatFromFile(ioPNG, n); }
  void LoadPngFromStream(TStream* s) { LoadFormatFromStream(ioPNG, s); }
  void SavePngToFile(const std::string& n) { SaveFormatToFile(ioPNG, n); }
  void SavePngToStream(TStream* s) { SaveFormatToStream(ioPNG, s); }
  void LoadTgaFromFile(const std::string& n) { LoadFormatFromFile(ioTGA, n); }
  void LoadTgaFromStream(TStream* s) { LoadFormatFromStream(ioTGA, s); }
  void SaveTgaToFile(const std::string& n) { SaveFormatToFile(ioTGA, n); }
  void SaveTgaToStream(TStream* s) { SaveFormatToStream(ioTGA, s); }
  void LoadPxmFromFile(const std::string& n) { LoadFormatFromFile(ioPXM, n); }
  void LoadPxmFromStream(TStream* s) { LoadFormatFromStream(ioPXM, s); }
  void SavePxmToFile(const std::string& n) { SaveFormatToFile(ioPXM, n); }
  void SavePxmToStream(TStream* s) { SaveFormatToStream(ioPXM, s); }
  void LoadJp2FromFile(const std::string& n) { LoadFormatFromFile(ioJP2, n); }
  void LoadJp2FromStream(TStream* s) { LoadFormatFromStream(ioJP2, s); }
  void SaveJp2ToFile(const std::string& n) { SaveFormatToFile(ioJP2, n); }
  void SaveJp2ToStream(TStream* s) { SaveFormatToStream(ioJP2, s); }
  void LoadJ2kFromFile(const std::string& n) { LoadFormatFromFile(ioJ2K, n); }
  void LoadJ2kFromStream(TStream* s) { LoadFormatFromStream(ioJ2K, s); }
  void SaveJ2kToFile(const std::string& n) { SaveFormatToFile(ioJ2K, n); }
  void SaveJ2kToStream(TStream* s) { SaveFormatToStream(ioJ2K, s); }
  void LoadWbmpFromFile(const std::string& n) { LoadFormatFromFile(ioWBMP, n); }
  void LoadWbmpFromStream(TStream* s) { LoadFormatFromStream(ioWBMP, s); }
  void SaveWbmpToFile(const std::string& n) { SaveFormatToFile(ioWBMP, n); }
  void SaveWbmpToStream(TStream* s) { SaveFormatToStream(ioWBMP, s); }
  void SavePSToFile(const std::string& n) { SaveFormatToFile(ioPS, n); }
  void SavePSToStream(TStream* s) { SaveFormatToStream(ioPS, s); }
  void SavePDFToFile(const std::string& n) { SaveFormatToFile(ioPDF, n); }
  void SavePDFToStream(TStream* s) { SaveFormatToStream(ioPDF, s); }

  // ---- acquisition and the save-parameters dialog ------------------------------
  // Calls OnAcquireBitmap when assigned.
  virtual void FireAcquireBitmap(TVQBitmap* ABitmap, bool& Handled);
  // An acquired bitmap: the application's OnAcquireBitmap may take it,
  // otherwise the image becomes a copy of it and Params this block.
  virtual void DoAcquireBitmap(TVQBitmap* ABitmap, TIOParamsVals*& Params);
  virtual void ResetAcquireState() { acquireState_ = 0; }
  // The save-parameters dialog for the pages (registry page bits); False
  // when OnDoPreviews does not handle it and no dialog shows a page.
  virtual bool DoPreviews(std::uint16_t Pages);

  // ---- resolution adjustment --------------------------------------------------
  // Resamples the image so that both resolutions become the larger side's
  // and the picture keeps its physical size; the size comes from the
  // block's Width and Height. FilteredAdjustDPI picks the filtered
  // resampler; an alpha channel always goes to the nearest pixel.
  void AdjustDpi();

  // ---- published properties ---------------------------------------------------
  TVQProgressEvent OnProgress;
  TNotifyEvent OnFinishWork;
  TMsgLanguage MsgLanguage = msSystem;
  unsigned PreviewsParams = 0;  // TIOPreviewsParam bits
  bool StreamHeaders = false;
  TVQDialogsMeasureUnit DialogsMeasureUnit = vqduInches;
  bool AutoAdjustDPI = false;
  bool FilteredAdjustDPI = false;
  TVQAcquireBitmapEvent OnAcquireBitmap;
  bool SimplifiedParamsDialogs = true;
  TVQDoPreviewsEvent OnDoPreviews;
  bool Asynchronous = false;
  std::string ProxyServer;
  std::string ProxyUserName;
  std::string ProxyPassword;
  // The abort flag; its address goes into every progress block. Read it
  // after the work has finished (after WaitThreads for a threaded entry).
  bool Aborting = false;

  // ---- multi-page documents --------------------------------------------------
  // A PostScript or PDF document a caller keeps open on the component, with
  // the stream it goes to (both owned); destruction ends it, so the file is
  // complete even when the caller never closed it.
  void KeepPSDocument(TVQPSRecord* Record, TStream* Stream);
  void KeepPDFDocument(TVQPDFRecord* Record, TStream* Stream);
  TVQPSRecord* PSDocument() const { return psDocument_; }
  TVQPDFRecord* PDFDocument() const { return pdfDocument_; }

  // ---- acquisition ------------------------------------------------------------
  TVQTWainParams* TWainParams() const { return twainParams_.get(); }
  // Created on the first call and kept until the component goes.
  TVQWia* GetWia();
  TVQDirectShow* GetDirectShow();
  // The acquisition's progress: OnProgress, then False once Aborting is set.
  bool WiaProgress(int Percent);
  // The window of the attached view, which answers the capture holder's
  // notifications; nil without a view.
  virtual HWND ViewWindow();

 private:
  friend class TVQIOThread;
  class TEntryScope;

  // The asynchronous rule: true when `again` went to a new I/O thread.
  bool StartOnThread(std::function<void()> again);
  void RemoveThread(TVQIOThread* thread);
  // Runs an event on the main thread (at once when called there).
  void Deliver(const std::function<void()>& event);
  TVQProgressRec MakeProgress(bool withEvents);
  void ReportOnMainThread(int percent);
  void AfterRead(int FileType, TVQFilterLoadArgs& args, bool defaultDpi, bool adjust);
  void LoadWithFilter(int FileType, TStream& stream, TVQFilterLoadArgs& args, TVQProgressRec& progress);
  void RegistryLoadByExtension(const std::string& FileName, const std::string& ext);
  void RegistrySaveByExtension(const std::string& FileName, const std::string& ext);
  void RegistryLoadByType(const std::string& FileName, int FileType);
  void ReadRegistryFile(const std::string& FileName, TVQFormatInfo* row, TVQReadProc read, bool finishWithoutImage);
  void RegistryStreamLoad(TStream* Stream, int FileType);
  void RegistryStreamSave(TStream* Stream, int FileType);
  int LoadStreamBody(int FileType, TStream* Stream, const std::string& FileName);
  // The frames of a GIF stream composed up to GifImageIndex; the frame count.
  int LoadGifFrames(TStream* Stream, TVQProgressRec& progress);
  void SaveStreamBody(int FileType, TStream& Stream);

  void Notification(TComponent* AComponent, TOperation Operation) override;
  // The attached view's change callback.
  void ViewChanged(TObject* Sender, bool Destroying);
  void DetachView();

  IVQViewLink* attachedView_ = nullptr;
  TVQCallbackHandle callbackHandle_ = kVQNoCallback;
  TVQBitmap* image_ = nullptr;
  bool ownsImage_ = true;
  TBitmap* frameworkBitmap_ = nullptr;
  TImage* attachedTImage_ = nullptr;
  TColor background_ = 0;
  Byte oneBitMethod_ = 1;
  std::unique_ptr<TIOParamsVals> params_;
  std::unique_ptr<TFont> previewFont_;
  TCriticalSection threadLock_;
  TList threads_;
  // Set by WaitThreads(True); the threads' progress turns it into Aborting
  // on their own side, so the flag itself has a single writer at a time.
  std::atomic<bool> cancelRequest_{false};
  std::uint32_t acquireState_ = 0;
  std::unique_ptr<TVQTWainParams> twainParams_;
  TVQPSRecord* psDocument_ = nullptr;
  std::unique_ptr<TStream> psStream_;
  TVQPDFRecord* pdfDocument_ = nullptr;
  std::unique_ptr<TStream> pdfStream_;
  void EndPSDocument();
  void EndPDFDocument();
  std::unique_ptr<TVQWia> wia_;
  std::unique_ptr<TVQDirectShow> directShow_;
};

// The save-parameters dialog, installed by the module that has it: shows
// the pages of the component's block and returns whether it closed with OK;
// False when it has no page to show.
extern std::function<bool(TPictoraIO& io, std::uint16_t pages)> IOSaveParamsDialog;

// Bitmap resampled to equal resolutions by Params (whose resolution
// setters then tell the owner's view); Bitmap itself when nothing is to be
// done, else a new bitmap the caller owns. No alpha channel is carried.
TVQBitmap* AdjustBitmapDpi(TVQBitmap* Bitmap, TIOParamsVals* Params, bool Filtered);

// The pages of a DCX file; 0 when it cannot be read.
int DcxPageCount(const std::string& FileName);
// The images of a TIFF file; 0 when it cannot be read.
int TiffImageCount(const std::string& FileName);
// The images of an icon file's directory; 0 when it cannot be read.
int IcoImageCount(const std::string& FileName);

// The row colour-conversion hook through which the TIFF and JPEG filters
// convert rows between colour encodings; ConvertRow unless replaced.
using TVQConvertRowProc = void (*)(void* Source, Byte SourceFormat, void* Dest, Byte DestFormat, int Count,
                                   TIOParamsVals* Params);
extern TVQConvertRowProc IOConvertRow;
// Converts Count pixels between the filters' row encodings (0 RGB, 1 BGR,
// 2 CMYK, 3 six-byte inverted CMYK, 4 CIE L*a*b*, 5 grey, 6 and 7 16-bit
// RGB little- and big-endian); other pairs write nothing.
void ConvertRow(void* Source, Byte SourceFormat, void* Dest, Byte DestFormat, int Count, TIOParamsVals* Params);
// The stored CMYK form as a 32-bit value, first byte lowest, and back.
TRGBPixel CMYKToRGB(std::uint32_t Value);
std::uint32_t RGBToCMYK(std::uint32_t Value);
