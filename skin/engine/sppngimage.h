// PNG chunk classes and their registry.
//
// Each chunk class stands for one chunk type, named after the class
// (TspPngLayerIHDR holds IHDR). A chunk reads and writes its framing (big-
// endian length, type, data, CRC-32 over type and data) and checks what its
// type requires. Pixel data is kept as it is: nothing here decodes IDAT.
// Every length is checked against the bytes left and a limit, so a damaged
// or hostile stream is refused instead of read past.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/Object.h"

class TStream;

// A growable array of untyped pointers belonging to an owner.
class TspPngPointerList : public TObject {
 public:
  explicit TspPngPointerList(void* owner) : Owner(owner) {}
  std::string ClassName() const override { return "TspPngPointerList"; }
  void* Owner;
  int Count() const { return int(items_.size()); }
  void Add(void* item) { items_.push_back(item); }
  // nullptr out of range.
  void* Item(int index) const;
  // Ignored out of range.
  void SetItem(int index, void* item);
  // The last occurrence goes; the rest moves down.
  void Remove(void* item);
  void SetSize(int size);

 private:
  std::vector<void*> items_;
};

// Largest chunk a stream may hold, and the most a zTXt text may inflate to.
constexpr std::uint32_t kMaxPngChunkBytes = 0x7FFFFFFFu;
constexpr std::size_t kMaxPngTextBytes = std::size_t{16} << 20;

class TspPngLayer : public TObject {
 public:
  explicit TspPngLayer(void* owner) : Owner(owner) {}
  std::string ClassName() const override { return "TspPngLayer"; }

  // The four characters after "TspPngLayer" in the class name; "" when
  // there are not exactly four.
  virtual std::string TypeName() const;
  // Reads `length` data bytes and the CRC that follows them; false when
  // the stream ends early, the CRC differs or the data is not valid for
  // the type (the chunk then holds nothing).
  virtual bool LoadFromStream(TStream& stream, std::uint32_t length);
  // Writes length, type, data and CRC.
  virtual bool SaveToStream(TStream& stream);
  // Copies a chunk of the same class; false for another class.
  virtual bool Assign(const TspPngLayer& source);

  std::vector<std::uint8_t> Data;
  void* Owner;
  // The type of a chunk this class does not know.
  std::string UnknownType;

 protected:
  // Checks and takes apart Data; false refuses the chunk.
  virtual bool Parse() { return true; }
  // Builds Data from the fields before saving.
  virtual void Build() {}
};

#define SP_PNG_CHUNK(Class, Base)                                          \
 public:                                                                   \
  explicit Class(void* owner) : Base(owner) {}                             \
  std::string ClassName() const override { return #Class; }

class TspPngLayerIEND : public TspPngLayer {
  SP_PNG_CHUNK(TspPngLayerIEND, TspPngLayer)
 protected:
  bool Parse() override { return Data.empty(); }
};

class TspPngLayerIHDR : public TspPngLayer {
  SP_PNG_CHUNK(TspPngLayerIHDR, TspPngLayer)
  std::uint32_t Width = 0, Height = 0;
  std::uint8_t BitDepth = 8, ColorType = 2, CompressionMethod = 0, FilterMethod = 0, InterlaceMethod = 0;

 protected:
  bool Parse() override;
  void Build() override;
};

class TspPngLayerIDAT : public TspPngLayer {
  SP_PNG_CHUNK(TspPngLayerIDAT, TspPngLayer)
};

class TspPngLayerPLTE : public TspPngLayer {
  SP_PNG_CHUNK(TspPngLayerPLTE, TspPngLayer)
  int Count() const { return int(Data.size() / 3); }

 protected:
  bool Parse() override { return Data.size() % 3 == 0 && Data.size() <= 256 * 3; }
};

class TspPngLayergAMA : public TspPngLayer {
  SP_PNG_CHUNK(TspPngLayergAMA, TspPngLayer)
  std::uint32_t Gamma = 1;
  // For a value other than 0: table[i] = round(255 x (i / 255)^(1 / g))
  // with g = Gamma / 100000 x 2.2, and its inverse.
  std::uint8_t GammaTable[256] = {};
  std::uint8_t InverseTable[256] = {};

 protected:
  bool Parse() override;
  void Build() override;
};

class TspPngLayertRNS : public TspPngLayer {
  SP_PNG_CHUNK(TspPngLayertRNS, TspPngLayer)
  // For a palette image: the one entry that is not opaque when exactly one
  // is not 255, else -1.
  int SingleTransparentEntry() const;

 protected:
  bool Parse() override { return Data.size() <= 256; }
};

class TspPngLayerpHYs : public TspPngLayer {
  SP_PNG_CHUNK(TspPngLayerpHYs, TspPngLayer)
  std::uint32_t PPUnitX = 0, PPUnitY = 0;
  std::uint8_t Unit = 0;

 protected:
  bool Parse() override;
  void Build() override;
};

class TspPngLayertIME : public TspPngLayer {
  SP_PNG_CHUNK(TspPngLayertIME, TspPngLayer)
  std::uint16_t Year = 0;
  std::uint8_t Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;

 protected:
  bool Parse() override;
  void Build() override;
};

class TspPngLayertEXt : public TspPngLayer {
  SP_PNG_CHUNK(TspPngLayertEXt, TspPngLayer)
  std::string Keyword, Text;

 protected:
  bool Parse() override;
  void Build() override;
};

class TspPngLayerzTXt : public TspPngLayertEXt {
  SP_PNG_CHUNK(TspPngLayerzTXt, TspPngLayertEXt)

 protected:
  bool Parse() override;
  void Build() override;
};

// ---- Registry -------------------------------------------------------------------

using TspPngLayerFactory = std::function<std::unique_ptr<TspPngLayer>(void* owner)>;
// Registered once at start: IEND, IHDR, IDAT, PLTE, gAMA, tRNS, pHYs, tIME,
// tEXt, zTXt.
void RegisterPngLayer(const std::string& type, TspPngLayerFactory factory);
std::vector<std::string> RegisteredPngLayers();
// A chunk of the registered class for the type, or a plain TspPngLayer
// keeping the type in UnknownType.
std::unique_ptr<TspPngLayer> CreatePngLayer(const std::string& type, void* owner);

// CRC-32 as PNG files use it.
std::uint32_t PngCrc(std::uint32_t crc, const std::uint8_t* data, std::size_t size);

// Reads a PNG stream's signature and chunks up to IEND. False with the
// chunks read so far when the signature, a length, a CRC or a chunk's
// content is wrong, or the stream ends before IEND.
bool ReadPngChunks(TStream& stream, std::vector<std::unique_ptr<TspPngLayer>>& chunks, void* owner = nullptr);
bool WritePngChunks(TStream& stream, const std::vector<std::unique_ptr<TspPngLayer>>& chunks);
