// The CCITT coder: bilevel rows in the modified Huffman, Group 3 (one- and
// two-dimensional) and Group 4 schemes of ITU-T T.4 and T.6, as TIFF uses
// them. Rows hold 8 pixels a byte, most significant bit first. Decoded rows
// have a set bit for white; rows given to the encoders a set bit for black.
#pragma once
#include <cstdint>

#include "platform/rtl/Streams.h"
#include "platform/rtl/Types.h"

// The codes' decoding trees are built once when the module starts; the
// trees and the lookup tables taken from them are only read afterwards, so
// any number of threads may decode at once.

// One one-dimensional row from bit StartBit of Data; returns the bit
// position after the row. FillOrder 1 reads each byte from its most
// significant bit, any other value from its least.
std::int64_t DecodeCcitt1D(Byte* Row, const Byte* Data, std::int64_t DataLength, int FillOrder,
                           std::int64_t StartBit, int Width);
// One modified Huffman row from the start of Data; returns the bytes it
// used, so that the next row begins on a byte boundary.
std::int64_t DecodeCcittHuffman(Byte* Row, const Byte* Data, std::int64_t DataLength, int FillOrder, int Width);
// One two-dimensional row against Reference (the previous row as decoded,
// all white at the start of a strip), or a one-dimensional one after an end
// of line with tag bit 1; the row is copied into Reference. FillBits: zero
// bits may stand before an end of line. Returns the bit position after it.
std::int64_t DecodeCcitt2D(Byte* Row, const Byte* Data, std::int64_t DataLength, bool FillBits, int FillOrder,
                           std::int64_t StartBit, Byte* Reference, int Width);

// Encoders. Row nil is the closing call of a strip; Abort is set when the
// stream takes fewer bytes than written. PendingBits (0 to 7) and
// PendingByte carry the bits of an unfinished byte from call to call; the
// closing calls write it padded with zero bits and leave PendingBits 0.

// One row on its own, padded with zero bits to a byte boundary.
void EncodeCcittHuffman(const Byte* Row, int Count, TStream* Stream, bool& Abort);
// Group 3 one-dimensional: each row after an end of line, rows following
// each other without padding.
void EncodeCcittRow1D(const Byte* Row, int Count, TStream* Stream, bool& Abort, int& PendingBits,
                      Byte& PendingByte);
// Group 3 two-dimensional: the first row of a strip (Reference nil) as end
// of line, tag 1 and the row one-dimensionally, the others as end of line,
// tag 0 and the row against the previous one; the closing call writes one
// end of line and frees Reference.
void EncodeCcitt1D(const Byte* Row, int Count, TStream* Stream, bool& Abort, Byte*& Reference, int& PendingBits,
                   Byte& PendingByte);
// Group 4: every row against the previous one (all white before the first);
// the closing call writes the end of block (two ends of line) and frees
// Reference.
void EncodeCcitt2D(const Byte* Row, int Count, TStream* Stream, bool& Abort, Byte*& Reference, int& PendingBits,
                   Byte& PendingByte);

// For tests: the run-code table entry (0 to 127) that the colour's tree
// finds at the start of the 32 bits (most significant first), or 128 when
// there is none. Colour 0 is white, 1 black.
int CcittTreeCode(int Colour, std::uint32_t Bits);
// The entry's run length (-1 for the zero codes that carry no pixels, -3
// for an end of line) and code length in bits.
int CcittRunOf(int Colour, int Entry);
int CcittCodeLength(int Colour, int Entry);
std::uint32_t CcittCodeBits(int Colour, int Entry);
