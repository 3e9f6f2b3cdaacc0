// Text and byte encoders shared by the writers: ASCII85 and run-length data
// for PostScript and PDF filters, and Base64 text.
#pragma once
#include <cstdint>

#include "platform/rtl/Types.h"

class TStream;

// Encodes count bytes as ASCII85 (PostScript ASCII85Decode data), advancing
// source and dest. counter is the caller's line counter: each group's
// characters are added to it, and when it passes 74 after a group a CR LF is
// written and it restarts at 0. The data ends with "~>" CR LF. Returns the
// characters written, line breaks and end marker included. destSize is the
// room at dest; below ASCII85BufferSize(count) it raises EInvalidOperation
// before writing anything.
int EncodeASCII85(const Byte*& source, int count, char*& dest, int& counter, Int64 destSize);
// Upper bound of EncodeASCII85's output for count bytes.
Int64 ASCII85BufferSize(Int64 count);

// Encodes length bytes in the PostScript run-length format, ending with the
// end-of-data byte 128. Returns the bytes written. A literal run takes the
// first byte of a following repetition, so pairs split across runs can make
// the output half as long again as the input: destSize below
// RunLengthBufferSize(length) raises EInvalidOperation before writing.
int EncodeRunLength(const Byte* source, int length, Byte* dest, Int64 destSize);
Int64 RunLengthBufferSize(Int64 length);

// Encodes the 3 bytes at source into 4 characters of the RFC 4648 alphabet;
// count (1 to 3) is how many of them are real, the rest being padded with '='.
void EncodeBase64Group(const Byte* source, char* out, int count);

// Writes the stream's bytes from its position to its end as Base64 lines to
// textFile; a line ends (CR LF) once it holds lineLength / 4 groups or more,
// and at the end of the data. An empty rest writes nothing.
void WriteBase64Lines(TStream* stream, TStream* textFile, int lineLength);
