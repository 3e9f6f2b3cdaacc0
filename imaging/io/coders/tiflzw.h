// The LZW coders of TIFF strips: codes packed most significant bit first,
// the code width switched one code early, no sub-blocks. Each strip is one
// code stream that begins with a clear code. The TIFF filter reaches them
// through the DefTiffLzwDecompress / DefTiffLzwCompress hooks.
#pragma once
#include <cstdint>

#include "platform/rtl/Streams.h"

// One strip, a row a call. The first call (State nullptr) makes the decoder
// over the DataSize bytes at Data, which the caller keeps alive until the
// freeing call; every call gives a buffer whose first Size bytes are the
// next row. A code stream that ends (end code, or no whole code left in the
// data) before the row is full gives the rest of the row as zeros. A code
// past the table or a full table gives nullptr. Data nullptr frees the
// decoder and gives nullptr; the caller then sets State to nullptr.
void* TiffLzwDecode(const void* Data, std::int64_t DataSize, int Size, void** State);
// One strip, a row a call into Stream: the first call (State nullptr) makes
// the encoder and starts the code stream with a clear code; Row nullptr
// writes the pending code and the end code, flushes and frees the encoder.
// Short writes are the caller's to notice.
void TiffLzwEncode(const void* Row, int Size, TStream* Stream, void** State);
