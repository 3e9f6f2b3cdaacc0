#include "app/main/WizardPictures.h"

#include "platform/rtl/Resources.h"
#include "platform/rtl/Streams.h"

std::unique_ptr<TBitmap> LoadWizardBitmap(const std::string& name) {
  try {
    if (FindResourceData("BITMAP", name)) {
      auto bitmap = std::make_unique<TBitmap>();
      bitmap->LoadFromResourceName(name);
      return bitmap;
    }
    if (auto jpeg = LoadWizardJpeg(name)) {
      auto bitmap = std::make_unique<TBitmap>();
      bitmap->Assign(jpeg.get());
      return bitmap;
    }
  } catch (...) {
  }
  return nullptr;
}

std::unique_ptr<TIcon> LoadWizardIcon(const std::string& name) {
  try {
    if (!FindResourceData("RCDATA", name)) return nullptr;
    TResourceStream stream(name, "RCDATA");
    auto icon = std::make_unique<TIcon>();
    icon->LoadFromStream(stream);
    return icon;
  } catch (...) {
    return nullptr;
  }
}

std::unique_ptr<TJPEGImage> LoadWizardJpeg(const std::string& name) {
  try {
    if (!FindResourceData("RCDATA", name)) return nullptr;
    TResourceStream stream(name, "RCDATA");
    auto jpeg = std::make_unique<TJPEGImage>();
    jpeg->LoadFromStream(stream);
    return jpeg;
  } catch (...) {
    return nullptr;
  }
}
