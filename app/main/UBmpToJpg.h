// Writing the working picture to JPEG and BMP files. Both writes go through
// the safe save: a temporary file beside the target is renamed over it only
// when complete, so a failure never leaves half a file in the user's place.
#pragma once
#include <string>

#include "platform/graphics/Bitmap.h"

// Quality 1..100 (values outside are clamped). False on any failure; never
// raises.
bool SaveAsJpeg(TBitmap* picture, const std::string& fileName, int quality);

// Writes the picture as a 24-bit BMP file (the picture is converted to 24
// bits in place first). False with the reason in *error (when given) on any
// failure; never raises.
bool SavePictureAsBmp(TBitmap* picture, const std::string& fileName, std::string* error);
