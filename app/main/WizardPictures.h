// The wizard's own pictures, embedded in the program (drawn by
// scripts/draw_wizard_pictures.cpp): the toolbar glyphs "NEXT" .. "REDO1",
// "SPLASH", "TITLE1", "TITLE2", "LOGO", "ARROW" as bitmaps and the after-save
// picture "LINKPIC" as a JPEG, the program's icon "MAINICON".
#pragma once
#include <memory>
#include <string>

#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Icon.h"
#include "platform/graphics/JPEGImage.h"

// The named picture as a new bitmap (a JPEG is decoded); names ignore case.
// nullptr when there is no such picture or it cannot be read.
std::unique_ptr<TBitmap> LoadWizardBitmap(const std::string& name);

// The named icon ("MAINICON", the program's); nullptr when there is none or
// it cannot be read.
std::unique_ptr<TIcon> LoadWizardIcon(const std::string& name);

// The named JPEG picture, kept compressed; nullptr when there is none.
std::unique_ptr<TJPEGImage> LoadWizardJpeg(const std::string& name);
