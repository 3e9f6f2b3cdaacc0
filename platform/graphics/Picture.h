// TPicture: holds one graphic of any registered kind and picks the kind for
// a file by its extension. The registry starts with bmp, jpg/jpeg/jpe/jfif,
// ico, cur, wmf and emf; other layers add their own kinds (png, tif...).
#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/graphics/Graphic.h"
#include "platform/rtl/Events.h"
#include "platform/rtl/Object.h"

class TBitmap;
class TIcon;
class TStream;

using TGraphicFactory = std::function<std::unique_ptr<TGraphic>()>;

class TPicture : public TPersistent {
 public:
  TPicture();
  ~TPicture() override;
  std::string ClassName() const override { return "TPicture"; }

  TGraphic* Graphic() const { return graphic_.get(); }
  // Stores a copy of graphic (nullptr clears).
  void SetGraphic(const TGraphic* graphic);
  // Holds graphic itself, with no copy: for a picture made only to be shown.
  void TakeGraphic(std::unique_ptr<TGraphic> graphic);
  // The graphic as a bitmap; a picture holding another kind (or nothing)
  // is replaced by an empty bitmap first.
  TBitmap* Bitmap();
  TIcon* Icon();
  int Width() const { return graphic_ ? graphic_->Width() : 0; }
  int Height() const { return graphic_ ? graphic_->Height() : 0; }

  // Raises EInvalidGraphic for an extension no class is registered for.
  void LoadFromFile(const std::string& fileName);
  // Saves in the graphic's own format; nothing to save raises.
  void SaveToFile(const std::string& fileName);
  // Tells the kind from the first bytes (BMP, JPEG, ICO/CUR).
  void LoadFromStream(TStream& stream);
  void SaveToStream(TStream& stream);

  void Assign(const TPersistent* source) override;
  TNotifyEvent OnChange;

  // Extensions without the dot, compared ignoring case. A later
  // registration of the same extension replaces the earlier one.
  static void RegisterFileFormat(const std::string& extension, const std::string& description,
                                 TGraphicFactory factory);
  static void UnregisterFileFormat(const std::string& extension);
  static bool SupportsExtension(const std::string& extension);
  // "All (*.bmp;*.jpg)|*.bmp;*.jpg|Bitmaps (*.bmp)|*.bmp|..." for file dialogs.
  static std::string GraphicFilter();

 protected:
  void AssignTo(TPersistent* dest) const override;

 private:
  void Take(std::unique_ptr<TGraphic> g);
  void Changed();
  std::unique_ptr<TGraphic> graphic_;
};
