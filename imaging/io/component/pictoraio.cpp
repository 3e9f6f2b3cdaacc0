#include "imaging/io/component/pictoraio.h"

#include <cstdio>
#include <thread>
#include <utility>

#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/io/component/pictoraio_thread.h"
#include "imaging/io/acquire/vqds.h"
#include "imaging/io/acquire/vqtwain.h"
#include "imaging/io/acquire/vqwia.h"
#include "imaging/io/formats/bmpfilt_ps.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Graphics.h"
#include "platform/graphics/Picture.h"
#include "platform/ui/controls/ExtCtrls.h"
#include "platform/user/User.h"

std::function<void(const std::string&)> IODebugSink;

void IODebugOutput(const std::string& text) {
  if (IODebugSink)
    IODebugSink(text);
  else
    std::fprintf(stderr, "%s\n", text.c_str());
}

TPictoraIO::TPictoraIO(TComponent* AOwner) : TComponent(AOwner) {
  image_ = new TVQBitmap();
  ownsImage_ = true;
  params_ = std::make_unique<TIOParamsVals>(this);
  previewFont_ = std::make_unique<TFont>();
  twainParams_ = std::make_unique<TVQTWainParams>(this);
}

void TPictoraIO::SetPreviewFont(const TFont* value) {
  if (value) previewFont_->Assign(value);
}

TPictoraIO::~TPictoraIO() {
  WaitThreads(false);
  EndPSDocument();
  EndPDFDocument();
  DetachView();
  if (attachedTImage_) attachedTImage_->RemoveFreeNotification(this);
  directShow_.reset();
  wia_.reset();
  twainParams_.reset();
  params_.reset();
  if (ownsImage_) delete image_;
  image_ = nullptr;
}

HWND TPictoraIO::ViewWindow() { return attachedView_ ? attachedView_->ViewWindow() : nullptr; }

// ---- multi-page documents ---------------------------------------------------------

void TPictoraIO::KeepPSDocument(TVQPSRecord* Record, TStream* Stream) {
  EndPSDocument();
  psDocument_ = Record;
  psStream_.reset(Stream);
}

void TPictoraIO::KeepPDFDocument(TVQPDFRecord* Record, TStream* Stream) {
  EndPDFDocument();
  pdfDocument_ = Record;
  pdfStream_.reset(Stream);
}

// The end routines write the trailer (or the whole PDF) and free the record;
// a failing stream must not stop the component's own clean-up.
void TPictoraIO::EndPSDocument() {
  TVQPSRecord* record = std::exchange(psDocument_, nullptr);
  try {
    if (record && psStream_)
      PSEndDocument(record, *psStream_);
    else
      delete record;
  } catch (...) {
  }
  psStream_.reset();
}

void TPictoraIO::EndPDFDocument() {
  TVQPDFRecord* record = std::exchange(pdfDocument_, nullptr);
  try {
    if (record && pdfStream_)
      PDFEndDocument(record, *pdfStream_, *params_);
    else
      delete record;
  } catch (...) {
  }
  pdfStream_.reset();
}

// ---- attachment ----------------------------------------------------------------

void TPictoraIO::ReplaceImage(TVQBitmap* Bitmap) {
  frameworkBitmap_ = nullptr;
  if (ownsImage_) delete image_;
  image_ = Bitmap;
  ownsImage_ = false;
}

void TPictoraIO::DetachView() {
  if (!attachedView_) return;
  attachedView_->UnregisterChangeCallback(callbackHandle_);
  if (TComponent* c = attachedView_->ViewComponent()) c->RemoveFreeNotification(this);
  callbackHandle_ = kVQNoCallback;
  attachedView_ = nullptr;
}

void TPictoraIO::SetAttachedPictora(IVQViewLink* View) {
  DetachView();
  if (!View) {
    if (ownsImage_) delete image_;
    image_ = new TVQBitmap();
    ownsImage_ = true;
    frameworkBitmap_ = nullptr;
    return;
  }
  if (ownsImage_) delete image_;
  image_ = nullptr;
  ownsImage_ = false;
  frameworkBitmap_ = View->GetFrameworkBitmap();
  if (TVQBitmap* own = View->GetImage()) {
    image_ = own;
    frameworkBitmap_ = nullptr;
  } else {
    image_ = new TVQBitmap();
    ownsImage_ = true;
    if (frameworkBitmap_) image_->EncapsulateTBitmap(frameworkBitmap_, true);
  }
  attachedView_ = View;
  if (TComponent* c = View->ViewComponent()) c->FreeNotification(this);
  if (attachedTImage_) {
    attachedTImage_->RemoveFreeNotification(this);
    attachedTImage_ = nullptr;
  }
  callbackHandle_ = View->RegisterChangeCallback([this](TObject* s, bool d) { ViewChanged(s, d); });
}

void TPictoraIO::ViewChanged(TObject*, bool Destroying) {
  if (Destroying) {
    // The registry forgets the record itself; the view's image is gone.
    if (attachedView_)
      if (TComponent* c = attachedView_->ViewComponent()) c->RemoveFreeNotification(this);
    callbackHandle_ = kVQNoCallback;
    attachedView_ = nullptr;
    frameworkBitmap_ = nullptr;
    if (!ownsImage_) image_ = nullptr;
    SetAttachedPictora(nullptr);
    return;
  }
  if (!attachedView_) return;
  frameworkBitmap_ = attachedView_->GetFrameworkBitmap();
  if (ownsImage_ && image_) {
    if (frameworkBitmap_) image_->EncapsulateTBitmap(frameworkBitmap_, true);
  } else {
    image_ = attachedView_->GetImage();
    if (image_) frameworkBitmap_ = nullptr;
  }
}

TColor TPictoraIO::Background() const { return attachedView_ ? attachedView_->GetBackground() : background_; }

void TPictoraIO::SetBackground(TColor value) {
  if (!attachedView_)
    background_ = value;
  else if (PassBackground && !attachedView_->IsMultiImageView())
    attachedView_->SetBackground(value);
}

void TPictoraIO::SetAttachedBitmap(TVQBitmap* Bitmap) {
  DetachView();
  if (!Bitmap && attachedTImage_) return;
  ReplaceImage(Bitmap);
  if (Bitmap && attachedTImage_) {
    attachedTImage_->RemoveFreeNotification(this);
    attachedTImage_ = nullptr;
  }
}

void TPictoraIO::SetAttachedTImage(TImage* Img) {
  DetachView();
  if (attachedTImage_) attachedTImage_->RemoveFreeNotification(this);
  attachedTImage_ = Img;
  if (Img) {
    // A caller's bitmap is not taken over: the picture gets an image of ours.
    if (!ownsImage_ || !image_) {
      image_ = new TVQBitmap();
      ownsImage_ = true;
    }
    frameworkBitmap_ = Img->Picture()->Bitmap();
    // An empty picture takes the 24 bits every load can fill.
    const TPixelFormat f = frameworkBitmap_->PixelFormat();
    if (frameworkBitmap_->Empty() && f != pf1bit && f != pf8bit && f != pf24bit) frameworkBitmap_->SetPixelFormat(pf24bit);
    image_->EncapsulateTBitmap(frameworkBitmap_, true);
    Img->FreeNotification(this);
  } else {
    frameworkBitmap_ = nullptr;
    if (image_) image_->FreeImage(true);
  }
}

void TPictoraIO::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent && AComponent == attachedTImage_) SetAttachedTImage(nullptr);
  if (Operation == opRemove && AComponent && attachedView_ && AComponent == attachedView_->ViewComponent()) {
    // Gone without its destroy broadcast reaching us: forget it unregistered.
    callbackHandle_ = kVQNoCallback;
    attachedView_ = nullptr;
    frameworkBitmap_ = nullptr;
    if (!ownsImage_) image_ = nullptr;
    SetAttachedPictora(nullptr);
  }
}

TBitmap* TPictoraIO::GetFrameworkBitmap() {
  if (image_ && image_->Location() == vqTBitmap) return image_->GetTBitmap();
  return frameworkBitmap_;
}

void TPictoraIO::ViewResolutionChanged(int dpiX, int dpiY) {
  if (attachedView_) attachedView_->SetDpi(dpiX, dpiY);
}

void TPictoraIO::SetOneBitMethod(Byte value) {
  // Ours: 0 threshold, 1 dithering; the bitmap's: 0 ordered dither, 1
  // threshold. The meaning is carried over, not the number.
  if (image_) image_->BiLevelMethod = value == 1 ? 0 : 1;
  oneBitMethod_ = value;
}

std::function<bool(TPictoraIO& io, std::uint16_t pages)> IOSaveParamsDialog;

void TPictoraIO::FireAcquireBitmap(TVQBitmap* ABitmap, bool& Handled) {
  if (OnAcquireBitmap) OnAcquireBitmap(this, ABitmap, Handled);
}

void TPictoraIO::DoAcquireBitmap(TVQBitmap* ABitmap, TIOParamsVals*& Params) {
  if (!PrepareImage()) return;
  bool handled = false;
  FireAcquireBitmap(ABitmap, handled);
  if (handled) return;
  Params = params_.get();
  image_->Assign(ABitmap);
  if (AutoAdjustDPI) AdjustDpi();
  FinishLoad();
}

bool TPictoraIO::DoPreviews(std::uint16_t Pages) {
  bool handled = false;
  if (OnDoPreviews) OnDoPreviews(this, handled);
  if (handled) return true;
  if (!PrepareImage()) return false;
  const TVQPixelFormat format = image_->GetPixelFormat();
  if (!image_->IsEmpty() && format != vqRGB24 && format != vqBits1) image_->SetPixelFormat(vqRGB24);
  const bool ok = Pages != 0 && IOSaveParamsDialog && IOSaveParamsDialog(*this, Pages);
  FinishLoad();
  return ok;
}

// ---- common rules ------------------------------------------------------------------

bool TPictoraIO::PrepareImage(unsigned allowedFormats) {
  if (!image_) return false;
  // The bitmap's owner may have changed it since.
  if (frameworkBitmap_) image_->EncapsulateTBitmap(frameworkBitmap_, false);
  if (allowedFormats == 0) return true;
  return (allowedFormats >> unsigned(image_->GetPixelFormat())) & 1u;
}

void TPictoraIO::Deliver(const std::function<void()>& event) {
  if (IsMainThread())
    event();
  else
    TThread::Synchronize(event);
}

void TPictoraIO::DoFinishWork() {
  if (OnProgress) Deliver([this] { OnProgress(this, 100); });
  if (OnFinishWork) Deliver([this] { OnFinishWork(this); });
}

void TPictoraIO::FinishLoad() {
  if (attachedView_) {
    if (frameworkBitmap_ && image_) image_->RemoveAlphaChannel();
    // Only the view's own thread may update it: an I/O thread posts.
    if (IsIOThread()) {
      if (HWND h = attachedView_->ViewWindow()) PostMessage(h, kVQUpdateMessage, 0, 0);
    } else {
      attachedView_->UpdateView();
    }
    attachedView_->ImageChange();
    return;
  }
  if (!frameworkBitmap_) return;
  // A framework bitmap keeps no alpha channel.
  if (image_) image_->RemoveAlphaChannel();
  // Its change repaints the control, which only the main thread may do.
  TBitmap* bitmap = frameworkBitmap_;
  Deliver([bitmap] { bitmap->SetModified(true); });
}

void TPictoraIO::ApplyDefaultDpi() {
  if (params_->DpiX() < 2) params_->SetDpiX(kIODefaultDpi);
  if (params_->DpiY() < 2) params_->SetDpiY(kIODefaultDpi);
}

void TPictoraIO::ReportOnMainThread(int percent) {
  if (OnProgress) Deliver([this, percent] { OnProgress(this, percent); });
  // Checked after the event, which may have waited for the main thread
  // while it asked the threads to stop.
  if (cancelRequest_.load()) Aborting = true;
}

TVQProgressRec TPictoraIO::MakeProgress(bool withEvents) {
  TVQProgressRec progress;
  progress.Sender = this;
  progress.Aborting = &Aborting;
  // On an I/O thread every report is also the point where a cancel request
  // reaches the flag the filter tests.
  if (withEvents && (OnProgress || !IsMainThread()))
    progress.OnProgress = [this](TObject*, int percent) { ReportOnMainThread(percent); };
  return progress;
}

// ---- threads ----------------------------------------------------------------------

bool TPictoraIO::StartOnThread(std::function<void()> again) {
  if (ownsImage_ || !Asynchronous || IsIOThread()) return false;
  cancelRequest_.store(false);
  TVQIOThread::Launch(this, std::move(again));
  return true;
}

void TPictoraIO::RemoveThread(TVQIOThread* thread) {
  threadLock_.Enter();
  threads_.Remove(thread);
  threadLock_.Leave();
}

bool TPictoraIO::IsIOThread() {
  const DWORD me = GetCurrentThreadId();
  threadLock_.Enter();
  bool found = false;
  for (int i = 0; i < threads_.Count() && !found; ++i)
    found = static_cast<TVQIOThread*>(threads_.Items(i))->ThreadID() == me;
  threadLock_.Leave();
  return found;
}

int TPictoraIO::IOThreadCount() {
  threadLock_.Enter();
  const int n = threads_.Count();
  threadLock_.Leave();
  return n;
}

void TPictoraIO::WaitThreads(bool Abort) {
  // A caller that is itself one of the threads does not wait for itself.
  const int self = IsIOThread() ? 1 : 0;
  while (true) {
    if (Abort) cancelRequest_.store(true);
    if (IOThreadCount() <= self) break;
    if (IsMainThread())
      CheckSynchronize(1);  // the threads may be waiting for their events
    else
      std::this_thread::yield();
  }
  if (Abort) Aborting = true;
}

// ---- acquisition ----------------------------------------------------------------

TVQWia* TPictoraIO::GetWia() {
  if (!wia_) {
    wia_ = std::make_unique<TVQWia>(this);
    wia_->ProgressSender = this;
    wia_->OnProgress = [this](TObject*, int Percent) { return WiaProgress(Percent); };
  }
  return wia_.get();
}

bool TPictoraIO::WiaProgress(int Percent) {
  if (OnProgress) OnProgress(this, Percent);
  return !Aborting;
}

TVQDirectShow* TPictoraIO::GetDirectShow() {
  if (!directShow_) {
    directShow_ = std::make_unique<TVQDirectShow>();
    if (HWND view = ViewWindow()) directShow_->SetNotifyWindow(view, kVQDirectShowNewFrame, kVQDirectShowEvent);
  }
  return directShow_.get();
}
