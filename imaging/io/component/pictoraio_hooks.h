// The four LZW coder hooks of the I/O module. The GIF and TIFF filters reach
// their coders only through them (or through the copies a parameter block
// takes), and the format registry offers GIF reading and writing only while
// the GIF pair is set. Empty until the coders are installed.
#pragma once
#include <cstdint>

#include "platform/rtl/Streams.h"

// Decodes one image's data (the stream on its code-size byte) into Width x
// Height palette indices, rows top first; on error the stream goes back to
// where it was.
using TVQGifLzwDecompressProc = void (*)(TStream* Stream, int Height, int Width, void* Data, bool Interlaced);
// Writes the code-size byte, the data sub-blocks and the terminator.
using TVQGifLzwCompressProc = void (*)(TStream* Stream, int Height, int Width, int BitsPerPixel, const void* Data,
                                       bool Interlaced);
// One TIFF strip, a row a call: the first call (State nullptr) makes the
// decoder over the DataSize bytes at Data and gives the first row, later
// calls the next ones (Data no longer read, but kept alive by the caller),
// a call with Data nullptr frees the decoder. The result's first Size bytes
// are the row; nullptr on error.
using TVQTiffLzwDecompressFunc = void* (*)(const void* Data, std::int64_t DataSize, int Size, void** State);
// One TIFF strip, a row a call into Stream: the first call (State nullptr)
// makes the encoder, a call with Row nullptr ends the code stream and frees
// it.
using TVQTiffLzwCompressProc = void (*)(const void* Row, int Size, TStream* Stream, void** State);

inline TVQGifLzwDecompressProc DefGifLzwDecompress = nullptr;
inline TVQGifLzwCompressProc DefGifLzwCompress = nullptr;
inline TVQTiffLzwDecompressFunc DefTiffLzwDecompress = nullptr;
inline TVQTiffLzwCompressProc DefTiffLzwCompress = nullptr;
