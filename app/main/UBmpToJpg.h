// Writing the working picture to JPEG and BMP files. Both writes go through
// the safe save: a temporary file beside the target is renamed over it only
// when complete, so a failure never leaves half a file in the user's place.
#pragma once
#include <exception>
#include <string>

#include "platform/graphics/Bitmap.h"

// Quality 1..100 (values outside are clamped). False with the reason in
// *error (when given, in the user's words) on any failure; never raises.
bool SaveAsJpeg(TBitmap* picture, const std::string& fileName, int quality, std::string* error = nullptr);

// Writes the picture as a 24-bit BMP file (the picture is converted to 24
// bits in place first). False with the reason in *error (when given, in the
// user's words) on any failure; never raises.
bool SavePictureAsBmp(TBitmap* picture, const std::string& fileName, std::string* error);

// Why a file could not be written, for the user, from the errno value a
// failed save carries (0: no more is known).
std::string SaveFailureReason(int errorCode);
// The same for any exception a save raised.
std::string SaveFailureReason(const std::exception& e);
