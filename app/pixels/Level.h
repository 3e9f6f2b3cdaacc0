// Automatic levels: stretches the channels so that together they span 0..255
// while keeping their offsets to each other.
#pragma once
#include "app/pixels/BitmapRows.h"
#include "app/pixels/RowImage.h"

// clamp(newLow + (newHigh - newLow) * (value - low) div (high - low), 0, 255),
// the division truncating; value itself when low = high.
Byte LevelMap(int low, int high, int newLow, int value, int newHigh);

void AutoLevels(const RowImage& bitmap);
// In place on a framework bitmap, converted to 24 bits first.
void AutoLevels(TBitmap* bitmap);
