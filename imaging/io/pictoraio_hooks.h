// The GIF LZW coder hooks of the I/O module. The GIF filter reaches its
// coders only through them, and the format registry offers GIF reading and
// writing only while they are set. Empty until the coders are installed.
#pragma once
#include "platform/rtl/Streams.h"

// Decodes one image's data (the stream on its code-size byte) into Width x
// Height palette indices, rows top first; on error the stream goes back to
// where it was.
using TVQGifLzwDecompressProc = void (*)(TStream* Stream, int Height, int Width, void* Data, bool Interlaced);
// Writes the code-size byte, the data sub-blocks and the terminator.
using TVQGifLzwCompressProc = void (*)(TStream* Stream, int Height, int Width, int BitsPerPixel, const void* Data,
                                       bool Interlaced);

inline TVQGifLzwDecompressProc DefGifLzwDecompress = nullptr;
inline TVQGifLzwCompressProc DefGifLzwCompress = nullptr;
