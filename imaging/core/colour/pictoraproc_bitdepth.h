// Moving pictures between one bit and more bits per pixel: ordered dither
// and thresholds (a given one, the grey of the average colour, or the
// maximum-entropy one), the two-colour test of the writers, the expansion
// of 1-bit framework bitmaps to 24 bits and the row converter of writers.
#pragma once
#include <cstdint>
#include <memory>

#include "imaging/core/raster/vqzutils_bitmap.h"
#include "imaging/core/base/vqzutils_progress.h"

class TBitmap;
class TVQQuantizer;

// The 8 x 8 ordered-dither matrix, indexed [x mod 8][y mod 8].
extern const Byte (&BayerMatrix)[8][8];

// Sets bit x of the 1-bit row when level[x] (0 to 64) is above
// BayerMatrix[x mod 8][y mod 8]; writes every byte of the width.
void OrderedDitherRow(const Byte* level, int width, int y, Byte* dst);

// A 24-bit bitmap becomes vqBits1: bit set when grey div 4 (64 when all
// three channels are 251 or more) is above the matrix entry. Other formats
// are left alone.
void OrderedDither1Bit(TVQBitmap* bitmap, TVQProgressRec* progress = nullptr);
// A 24-bit bitmap becomes vqBits1 through ThresholdTo1Bit.
void Threshold1Bit(TVQBitmap* bitmap, int threshold, TVQProgressRec* progress = nullptr);

// Threshold -2: maximum entropy; -1: the grey of the average colour; any
// other value as given. A destination bit is set when the pixel's grey is at
// least the threshold. The destination is 1-bit of the source's size; a
// 1-bit source is copied.
void ThresholdTo1Bit(TVQBitmap* source, TVQBitmap* dest, int threshold, TVQProgressRec* progress = nullptr);
// The maximum-entropy threshold of a grey histogram, or -1 (the average
// grey) when no candidate splits the picture into two non-empty classes.
int MaxEntropyThreshold(const Int64 counts[256]);

// Per row, the channel sums divided by the width are added up; the totals
// are divided by the height. An empty image gives 128, 128, 128.
void AverageColor(TVQBitmap* bitmap, int& red, int& green, int& blue);
// One count per pixel in the bin of its grey (1-bit pixels in bins 0 and 1).
void GreyHistogram(TVQBitmap* bitmap, Int64 counts[256]);

// A new 1-bit bitmap when the picture has exactly two colours: clear where
// the pixel is colour 0, the darker one; null otherwise.
std::unique_ptr<TVQBitmap> TwoColorBitmap(TVQBitmap* bitmap, TRGBPixel& color0, TRGBPixel& color1);

// The 24-bit framework bitmap takes the 1-bit one's size; set bits become
// white, clear ones black, whatever the 1-bit colour table says.
void Expand1To24(TBitmap* source, TBitmap* dest, TVQProgressRec* progress = nullptr);

// Converts one row between 1, 4, 8, 24 and 32 bits; returns the destination
// bytes written (0 for a pair it does not convert). Destinations filled by
// OR (24 to 4, 1 to 4) must come zeroed.
int QuantizeRow(const Byte* src, Byte* dst, std::uint16_t srcBits, std::uint16_t dstBits, std::uint16_t count,
                const TRGBPixel* palette, const TVQQuantizer* quantizer);

// Every bit of every row, padding included, is inverted.
void InvertBitmapBits(TVQBitmap* bitmap);
