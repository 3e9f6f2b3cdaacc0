// The JPEG 2000 filter's own files only: OpenJPEG streams over a TStream and
// the codec's messages routed into the abort flag.
#pragma once
#include <openjpeg.h>

#include <cstdint>
#include <memory>

#include "platform/rtl/Streams.h"

// What the stream and message callbacks share. Positions the codec asks for
// count from Base; a read stream ends at End, a write stream keeps there the
// end of what it wrote.
struct TJ2kIO {
  TStream* Stream = nullptr;
  std::int64_t Base = 0;
  std::int64_t End = 0;
  bool* Aborting = nullptr;
  // Set by a codec error or a stream failure.
  bool Failed = false;
};

struct TJ2kCodecFree {
  void operator()(opj_codec_t* c) const { opj_destroy_codec(c); }
};
struct TJ2kStreamFree {
  void operator()(opj_stream_t* s) const { opj_stream_destroy(s); }
};
struct TJ2kImageFree {
  void operator()(opj_image_t* i) const { opj_image_destroy(i); }
};
using TJ2kCodecPtr = std::unique_ptr<opj_codec_t, TJ2kCodecFree>;
using TJ2kStreamPtr = std::unique_ptr<opj_stream_t, TJ2kStreamFree>;
using TJ2kImagePtr = std::unique_ptr<opj_image_t, TJ2kImageFree>;

// A stream reading io.Stream from its position to its end (the codec is told
// the length, so no box or tile part can claim more than is there). A set
// abort flag makes further reads fail.
TJ2kStreamPtr J2kReadStream(TJ2kIO& io);
// A stream writing at io.Stream's position; a short write fails it.
TJ2kStreamPtr J2kWriteStream(TJ2kIO& io);
// Errors set io.Failed and the abort flag; warnings and notes are dropped.
void J2kRouteMessages(opj_codec_t* codec, TJ2kIO& io);
// Lets the codec use as many threads as the row-parallel work does.
void J2kUseThreads(opj_codec_t* codec);
