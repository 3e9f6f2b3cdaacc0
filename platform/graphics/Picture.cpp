#include "platform/graphics/Picture.h"

#include <algorithm>
#include <cctype>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Icon.h"
#include "platform/graphics/JPEGImage.h"
#include "platform/graphics/Metafile.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"

namespace {

struct TFormat {
  std::string Extension;  // lower case
  std::string Description;
  TGraphicFactory Factory;
};

std::string Lower(std::string s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::vector<TFormat>& Formats() {
  static std::vector<TFormat> formats = [] {
    auto bmp = [] { return std::unique_ptr<TGraphic>(new TBitmap); };
    auto jpg = [] { return std::unique_ptr<TGraphic>(new TJPEGImage); };
    auto ico = [] { return std::unique_ptr<TGraphic>(new TIcon); };
    auto mf = [] { return std::unique_ptr<TGraphic>(new TMetafile); };
    return std::vector<TFormat>{
        {"bmp", "Bitmaps", bmp},        {"jpg", "JPEG Image File", jpg}, {"jpeg", "JPEG Image File", jpg},
        {"jpe", "JPEG Image File", jpg}, {"jfif", "JPEG Image File", jpg}, {"ico", "Icons", ico},
        {"cur", "Cursors", ico},        {"emf", "Enhanced Metafiles", mf}, {"wmf", "Metafiles", mf},
    };
  }();
  return formats;
}

TFormat* Find(const std::string& extension) {
  std::string ext = Lower(extension);
  if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
  for (TFormat& f : Formats())
    if (f.Extension == ext) return &f;
  return nullptr;
}

}  // namespace

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::Changed() {
  if (OnChange) OnChange(this);
}

void TPicture::Take(std::unique_ptr<TGraphic> g) {
  graphic_ = std::move(g);
  if (graphic_) graphic_->OnChange = [this](TObject*) { Changed(); };
  Changed();
}

void TPicture::SetGraphic(const TGraphic* graphic) {
  if (!graphic) {
    Take(nullptr);
    return;
  }
  if (graphic == graphic_.get()) return;
  std::unique_ptr<TGraphic> copy = graphic->NewSameKind();
  copy->Assign(graphic);
  Take(std::move(copy));
}

void TPicture::TakeGraphic(std::unique_ptr<TGraphic> graphic) { Take(std::move(graphic)); }

TBitmap* TPicture::Bitmap() {
  if (!dynamic_cast<TBitmap*>(graphic_.get())) Take(std::make_unique<TBitmap>());
  return static_cast<TBitmap*>(graphic_.get());
}

TIcon* TPicture::Icon() {
  if (!dynamic_cast<TIcon*>(graphic_.get())) Take(std::make_unique<TIcon>());
  return static_cast<TIcon*>(graphic_.get());
}

void TPicture::LoadFromFile(const std::string& fileName) {
  std::size_t dot = fileName.find_last_of('.');
  std::size_t slash = fileName.find_last_of('/');
  std::string ext = dot == std::string::npos || (slash != std::string::npos && dot < slash) ? "" : fileName.substr(dot + 1);
  TFormat* f = Find(ext);
  if (!f) throw EInvalidGraphic("Unknown picture file extension (." + ext + ")");
  std::unique_ptr<TGraphic> g = f->Factory();
  g->LoadFromFile(fileName);
  Take(std::move(g));
}

void TPicture::SaveToFile(const std::string& fileName) {
  if (!graphic_) throw EInvalidGraphicOperation("The picture is empty");
  graphic_->SaveToFile(fileName);
}

void TPicture::LoadFromStream(TStream& stream) {
  std::uint8_t sig[4] = {0, 0, 0, 0};
  std::int64_t start = stream.Position();
  std::int64_t got = stream.Read(sig, 4);
  stream.SetPosition(start);
  std::unique_ptr<TGraphic> g;
  if (got >= 2 && sig[0] == 'B' && sig[1] == 'M')
    g = std::make_unique<TBitmap>();
  else if (got >= 2 && sig[0] == 0xFF && sig[1] == 0xD8)
    g = std::make_unique<TJPEGImage>();
  else if (got == 4 && sig[0] == 0 && sig[1] == 0 && (sig[2] == 1 || sig[2] == 2) && sig[3] == 0)
    g = std::make_unique<TIcon>();
  else
    throw EInvalidGraphic("Unknown picture format");
  g->LoadFromStream(stream);
  Take(std::move(g));
}

void TPicture::SaveToStream(TStream& stream) {
  if (!graphic_) throw EInvalidGraphicOperation("The picture is empty");
  graphic_->SaveToStream(stream);
}

void TPicture::Assign(const TPersistent* source) {
  if (!source) {
    Take(nullptr);
    return;
  }
  if (auto* p = dynamic_cast<const TPicture*>(source)) {
    if (p != this) SetGraphic(p->graphic_.get());
    return;
  }
  if (auto* g = dynamic_cast<const TGraphic*>(source)) {
    SetGraphic(g);
    return;
  }
  TPersistent::Assign(source);
}

void TPicture::AssignTo(TPersistent* dest) const {
  if (graphic_ && dynamic_cast<TGraphic*>(dest)) {
    dest->Assign(graphic_.get());
    return;
  }
  TPersistent::AssignTo(dest);
}

void TPicture::RegisterFileFormat(const std::string& extension, const std::string& description,
                                  TGraphicFactory factory) {
  std::string ext = Lower(extension);
  if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
  if (TFormat* f = Find(ext)) {
    f->Description = description;
    f->Factory = std::move(factory);
    return;
  }
  Formats().push_back({ext, description, std::move(factory)});
}

void TPicture::UnregisterFileFormat(const std::string& extension) {
  std::string ext = Lower(extension);
  if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
  auto& v = Formats();
  v.erase(std::remove_if(v.begin(), v.end(), [&](const TFormat& f) { return f.Extension == ext; }), v.end());
}

bool TPicture::SupportsExtension(const std::string& extension) { return Find(extension) != nullptr; }

std::string TPicture::GraphicFilter() {
  std::string all, each;
  for (const TFormat& f : Formats()) {
    std::string mask = "*." + f.Extension;
    all += (all.empty() ? "" : ";") + mask;
    each += "|" + f.Description + " (" + mask + ")|" + mask;
  }
  return "All (" + all + ")|" + all + each;
}
