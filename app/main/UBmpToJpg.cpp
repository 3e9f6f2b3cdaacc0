#include "app/main/UBmpToJpg.h"

#include <algorithm>

#include "platform/graphics/JPEGImage.h"
#include "platform/rtl/Exceptions.h"

bool SaveAsJpeg(TBitmap* picture, const std::string& fileName, int quality) {
  if (!picture || picture->Empty()) return false;
  try {
    TJPEGImage jpeg;
    jpeg.Assign(picture);
    jpeg.CompressionQuality = std::clamp(quality, 1, 100);
    jpeg.SaveToFile(fileName);
    return true;
  } catch (...) {
    return false;
  }
}

bool SavePictureAsBmp(TBitmap* picture, const std::string& fileName, std::string* error) {
  auto fail = [error](const std::string& reason) {
    if (error) *error = reason;
    return false;
  };
  if (!picture || picture->Empty()) return fail("No picture to save");
  try {
    picture->SetPixelFormat(pf24bit);
    picture->SaveToFile(fileName);
    return true;
  } catch (const Exception& e) {
    return fail(e.Message());
  } catch (const std::exception& e) {
    return fail(e.what());
  } catch (...) {
    return fail("Unknown error");
  }
}
