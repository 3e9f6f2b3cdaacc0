// What the JPEG filter's reader and writer share: the error manager. Only
// the filter's sources include it (it brings in libjpeg's header).
#pragma once
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

// The codec's error record with the filter's routines. libjpeg leaves
// through longjmp, so everything it jumps over is plain data: each codec
// call runs inside a short phase function that owns the jump target.
struct TJpegFiltError {
  jpeg_error_mgr pub;  // first: libjpeg sees only this
  // The caller's abort flag, or nil (finishing ignores errors).
  bool* aborting = nullptr;
  std::jmp_buf jump;
  // The message code of the error that ended a phase.
  int errorCode = 0;
  // Warnings since the last reset, and the code of the last one.
  int warnings = 0;
  int lastWarning = 0;
};

// Installs the routines and zeroes the rest of the record.
void JpegFiltInitError(TJpegFiltError& e, bool* aborting);
