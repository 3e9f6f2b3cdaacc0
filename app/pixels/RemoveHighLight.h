// Highlight removal on a patch of skin: finds the bright pixels inside the
// skin area and re-colours them from the skin around them.
#pragma once
#include <cstdint>
#include <optional>
#include <vector>

#include "app/pixels/BitmapRows.h"
#include "app/pixels/RowImage.h"

// What PrepareHighlightMask finds in a patch of Width by Height pixels, row by row.
struct HighlightMask {
  int Width = 0, Height = 0;
  std::vector<Byte> Pixels;             // blue, green, red copy of the patch
  std::vector<Byte> Luma;               // Round(0.299 R + 0.587 G + 0.114 B)
  std::vector<std::uint8_t> Skin;       // skin-coloured and bright enough
  std::vector<std::uint8_t> SkinRegion; // not reachable from the border through non-skin
  std::vector<std::uint8_t> Highlight;  // the pixels to re-colour
};

HighlightMask PrepareHighlightMask(const RowImage& patch);

// A copy of the patch with every highlight pixel given the hue of its
// surroundings, a blend of saturations by `amount` (0..100) and one step less value.
RowImageBuffer ApplyHighlightRemoval(const HighlightMask& mask, int amount);

// Weighted mean colour of the nearest non-highlight pixels along 16 rays;
// none when every ray leaves the patch first.
std::optional<BGR> SampleSurroundings(const HighlightMask& mask, int row, int column);

// The highlight step on framework bitmaps. The step keeps one mask, that of
// the patch it last prepared, and its later calls name only the patch or a
// pixel of it; these entry points keep that mask here for them.
//
// Builds the kept mask from the patch (converted to 24 bits in place) and returns it.
const HighlightMask& PrepareHighlightMask(TBitmap* patch);
// The mask the last PrepareHighlightMask(TBitmap*) built; empty before the first.
const HighlightMask& CurrentHighlightMask();
// A new 24-bit copy of the patch, owned by the caller, with the kept mask's
// highlight pixels re-coloured. The patch must have the mask's size.
std::unique_ptr<TBitmap> ApplyHighlightRemoval(TBitmap* patch, int amount);
// SampleSurroundings over the kept mask.
std::optional<BGR> SampleSurroundings(int row, int column);

// The patch under a rectangle drawn on the display (edges inclusive), in
// picture pixels: each edge divided by the zoom and rounded, then kept on the picture.
TRect HighlightRectToImage(int left, int top, int right, int bottom, double zoom, int imageWidth,
                           int imageHeight);
