// GIF filter of the imaging library: one frame of a GIF stream into a
// bitmap, its transparency mask and the parameter block; a bitmap as a
// one-frame GIF89a stream; frames counted or removed by copying a file
// block by block. Image data goes through the GIF LZW hooks.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/Streams.h"

class TVQBitmap;
class TVQMask;
class TIOParamsVals;
struct TVQProgressRec;

// Where the blocks of one GIF stream are: read once, it lets a caller that
// reads frame after frame of the same stream go straight to each frame.
struct TGifStreamIndex {
  struct TFrame {
    std::int64_t Descriptor = 0;  // stream position after the ',' byte
    // The last graphic control extension seen before the frame.
    bool HasControl = false;
    std::uint8_t ControlFlags = 0;
    std::uint16_t Delay = 0;
    std::uint8_t TransparentIndex = 0;
  };
  struct TComment {
    int Frame = 0;  // frames seen before it
    std::string Text;
  };
  std::int64_t Start = -1;  // the stream position it describes; -1: none yet
  std::uint8_t Header[13] = {};
  bool HeaderComplete = false;
  std::vector<std::uint8_t> GlobalTable;  // as far as the stream holds it
  bool EndsAfterHeader = false;
  std::vector<TFrame> Frames;
  std::vector<TComment> Comments;
  std::int64_t End = 0;  // where reading stopped: after the trailer, or the stream's end
};

// Reads frame GifImageIndex of the stream at its position. FrameCount and
// GifImageCount receive the number of frames. Unless NoAlphaMask, Mask
// (created when nil) gets 255 for every pixel and 0 for the transparent
// ones. Bad data sets *Progress.Aborting. Index, when given, is used when it
// describes this stream position and filled otherwise.
void LoadGifImage(TStream& Stream, TVQBitmap* Bitmap, int& FrameCount, bool NoAlphaMask,
                  std::unique_ptr<TVQMask>& Mask, bool ParamsOnly, TVQProgressRec& Progress, TIOParamsVals& Params,
                  TGifStreamIndex* Index = nullptr);
// Writes a complete one-frame GIF stream.
void SaveGifImage(TStream& Stream, TVQBitmap* Bitmap, TIOParamsVals& Params, TVQProgressRec& Progress);
// Copies the file without frame Index (and the graphic control extension
// before it), as version 89a, over the file when WriteBack; returns the
// frames copied, 0 for a file that is not a GIF. Index -1 only counts.
int DeleteGifFrame(const std::string& FileName, int Index, bool WriteBack);
// The frames of a GIF file; 0 when it cannot be read.
int GifFrameCount(const std::string& FileName);
// Fills the I/O component's GIF slot (done once at start-up).
void InstallGifFilter();
