// PNG chunk framing, the chunk types' own checks and the registry.
#include "skin/engine/sppngimage.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <map>

#include "platform/rtl/Streams.h"
#include "skin/engine/spzlibcompress.h"

void* TspPngPointerList::Item(int index) const {
  return index >= 0 && index < Count() ? items_[std::size_t(index)] : nullptr;
}

void TspPngPointerList::SetItem(int index, void* item) {
  if (index >= 0 && index < Count()) items_[std::size_t(index)] = item;
}

void TspPngPointerList::Remove(void* item) {
  for (std::size_t i = items_.size(); i-- > 0;)
    if (items_[i] == item) {
      items_.erase(items_.begin() + std::ptrdiff_t(i));
      return;
    }
}

void TspPngPointerList::SetSize(int size) { items_.resize(std::size_t(std::max(size, 0)), nullptr); }

// ---- CRC and byte order ------------------------------------------------------

std::uint32_t PngCrc(std::uint32_t crc, const std::uint8_t* data, std::size_t size) {
  static const auto table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  crc = ~crc;
  for (std::size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

namespace {

std::uint32_t Be32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

void PutBe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) out.push_back(std::uint8_t(v >> s));
}

bool ReadExactly(TStream& s, void* buffer, std::int64_t count) { return s.Read(buffer, count) == count; }

}  // namespace

// ---- Base chunk -------------------------------------------------------------------

std::string TspPngLayer::TypeName() const {
  static const std::string kPrefix = "TspPngLayer";
  const std::string name = ClassName();
  if (name == kPrefix) return UnknownType;
  if (name.size() != kPrefix.size() + 4 || name.compare(0, kPrefix.size(), kPrefix) != 0) return "";
  return name.substr(kPrefix.size());
}

bool TspPngLayer::LoadFromStream(TStream& stream, std::uint32_t length) {
  Data.clear();
  const std::string type = TypeName();
  if (type.size() != 4 || length > kMaxPngChunkBytes) return false;
  // Never allocate more than the stream can still give.
  const std::int64_t left = stream.Size() - stream.Position();
  if (std::int64_t(length) + 4 > left) return false;
  std::vector<std::uint8_t> data(length);
  std::uint8_t crcBytes[4];
  if (!ReadExactly(stream, data.data(), length) || !ReadExactly(stream, crcBytes, 4)) return false;
  std::uint32_t crc = PngCrc(0, reinterpret_cast<const std::uint8_t*>(type.data()), 4);
  crc = PngCrc(crc, data.data(), data.size());
  if (crc != Be32(crcBytes)) return false;
  Data = std::move(data);
  if (!Parse()) {
    Data.clear();
    return false;
  }
  return true;
}

bool TspPngLayer::SaveToStream(TStream& stream) {
  const std::string type = TypeName();
  if (type.size() != 4) return false;
  Build();
  if (Data.size() > kMaxPngChunkBytes) return false;
  std::vector<std::uint8_t> out;
  out.reserve(Data.size() + 12);
  PutBe32(out, std::uint32_t(Data.size()));
  out.insert(out.end(), type.begin(), type.end());
  out.insert(out.end(), Data.begin(), Data.end());
  PutBe32(out, PngCrc(0, out.data() + 4, Data.size() + 4));
  return stream.Write(out.data(), std::int64_t(out.size())) == std::int64_t(out.size());
}

bool TspPngLayer::Assign(const TspPngLayer& source) {
  if (&source == this) return true;
  if (source.ClassName() != ClassName()) return false;
  // The source's fields may be newer than its bytes.
  const_cast<TspPngLayer&>(source).Build();
  Data = source.Data;
  UnknownType = source.UnknownType;
  return Parse();
}

// ---- Chunk types ---------------------------------------------------------------------

bool TspPngLayerIHDR::Parse() {
  if (Data.size() != 13) return false;
  Width = Be32(&Data[0]);
  Height = Be32(&Data[4]);
  BitDepth = Data[8];
  ColorType = Data[9];
  CompressionMethod = Data[10];
  FilterMethod = Data[11];
  InterlaceMethod = Data[12];
  return Width <= 65535 && Height <= 65535 && CompressionMethod == 0 && InterlaceMethod <= 1;
}

void TspPngLayerIHDR::Build() {
  Data.clear();
  PutBe32(Data, Width);
  PutBe32(Data, Height);
  Data.insert(Data.end(), {BitDepth, ColorType, CompressionMethod, FilterMethod, InterlaceMethod});
}

bool TspPngLayergAMA::Parse() {
  if (Data.size() != 4) return false;
  Gamma = Be32(Data.data());
  if (Gamma != 0) {
    const double g = double(Gamma) / 100000.0 * 2.2;
    for (int i = 0; i < 256; ++i) {
      GammaTable[i] = std::uint8_t(std::clamp(std::nearbyint(255.0 * std::pow(i / 255.0, 1.0 / g)), 0.0, 255.0));
      InverseTable[i] = std::uint8_t(std::clamp(std::nearbyint(255.0 * std::pow(i / 255.0, g)), 0.0, 255.0));
    }
  }
  return true;
}

void TspPngLayergAMA::Build() {
  Data.clear();
  PutBe32(Data, Gamma);
}

int TspPngLayertRNS::SingleTransparentEntry() const {
  int found = -1;
  for (std::size_t i = 0; i < Data.size(); ++i)
    if (Data[i] != 255) {
      if (found >= 0) return -1;
      found = int(i);
    }
  return found;
}

bool TspPngLayerpHYs::Parse() {
  if (Data.size() != 9) return false;
  PPUnitX = Be32(&Data[0]);
  PPUnitY = Be32(&Data[4]);
  Unit = Data[8];
  return true;
}

void TspPngLayerpHYs::Build() {
  Data.clear();
  PutBe32(Data, PPUnitX);
  PutBe32(Data, PPUnitY);
  Data.push_back(Unit);
}

bool TspPngLayertIME::Parse() {
  if (Data.size() != 7) return false;
  Year = std::uint16_t(Data[0] << 8 | Data[1]);
  Month = Data[2], Day = Data[3], Hour = Data[4], Minute = Data[5], Second = Data[6];
  return true;
}

void TspPngLayertIME::Build() {
  Data = {std::uint8_t(Year >> 8), std::uint8_t(Year), Month, Day, Hour, Minute, Second};
}

bool TspPngLayertEXt::Parse() {
  const auto zero = std::find(Data.begin(), Data.end(), std::uint8_t(0));
  if (zero == Data.end()) return false;
  Keyword.assign(Data.begin(), zero);
  Text.assign(zero + 1, Data.end());
  return true;
}

void TspPngLayertEXt::Build() {
  Data.assign(Keyword.begin(), Keyword.end());
  Data.push_back(0);
  Data.insert(Data.end(), Text.begin(), Text.end());
}

bool TspPngLayerzTXt::Parse() {
  const auto zero = std::find(Data.begin(), Data.end(), std::uint8_t(0));
  if (zero == Data.end() || zero + 1 == Data.end() || zero[1] != 0) return false;  // method 0: zlib
  Keyword.assign(Data.begin(), zero);
  TMemoryStream packed;
  const std::size_t start = std::size_t(zero - Data.begin()) + 2;
  packed.WriteBuffer(Data.data() + start, std::int64_t(Data.size() - start));
  packed.Seek(0, soBeginning);
  Text.clear();
  try {
    TDecompressionStream inflate(packed);
    char buffer[4096];
    for (;;) {
      const std::int64_t n = inflate.Read(buffer, sizeof buffer);
      if (n <= 0) break;
      if (Text.size() + std::size_t(n) > kMaxPngTextBytes) return false;
      Text.append(buffer, std::size_t(n));
    }
  } catch (const EZlibError&) {
    return false;
  }
  return true;
}

void TspPngLayerzTXt::Build() {
  TMemoryStream packed;
  {
    TCompressionStream deflate(TCompressionLevel::clMax, packed);
    const std::string text = Text.empty() ? std::string(" ") : Text;
    deflate.WriteBuffer(text.data(), std::int64_t(text.size()));
    deflate.Finish();
  }
  Data.assign(Keyword.begin(), Keyword.end());
  Data.push_back(0);
  Data.push_back(0);
  const auto* p = static_cast<const std::uint8_t*>(packed.Memory());
  Data.insert(Data.end(), p, p + packed.Size());
}

// ---- Registry ------------------------------------------------------------------------

namespace {

struct TRegistry {
  std::vector<std::string> order;
  std::map<std::string, TspPngLayerFactory> factories;
};

template <class T>
TspPngLayerFactory Factory() {
  return [](void* owner) -> std::unique_ptr<TspPngLayer> { return std::make_unique<T>(owner); };
}

TRegistry& Registry() {
  static TRegistry r = [] {
    TRegistry reg;
    auto add = [&reg](const char* type, TspPngLayerFactory f) {
      reg.order.push_back(type);
      reg.factories[type] = std::move(f);
    };
    add("IEND", Factory<TspPngLayerIEND>());
    add("IHDR", Factory<TspPngLayerIHDR>());
    add("IDAT", Factory<TspPngLayerIDAT>());
    add("PLTE", Factory<TspPngLayerPLTE>());
    add("gAMA", Factory<TspPngLayergAMA>());
    add("tRNS", Factory<TspPngLayertRNS>());
    add("pHYs", Factory<TspPngLayerpHYs>());
    add("tIME", Factory<TspPngLayertIME>());
    add("tEXt", Factory<TspPngLayertEXt>());
    add("zTXt", Factory<TspPngLayerzTXt>());
    return reg;
  }();
  return r;
}

const std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

}  // namespace

void RegisterPngLayer(const std::string& type, TspPngLayerFactory factory) {
  TRegistry& r = Registry();
  if (!r.factories.count(type)) r.order.push_back(type);
  r.factories[type] = std::move(factory);
}

std::vector<std::string> RegisteredPngLayers() { return Registry().order; }

std::unique_ptr<TspPngLayer> CreatePngLayer(const std::string& type, void* owner) {
  const TRegistry& r = Registry();
  auto it = r.factories.find(type);
  if (it != r.factories.end()) return it->second(owner);
  auto plain = std::make_unique<TspPngLayer>(owner);
  plain->UnknownType = type;
  return plain;
}

bool ReadPngChunks(TStream& stream, std::vector<std::unique_ptr<TspPngLayer>>& chunks, void* owner) {
  std::uint8_t signature[8];
  if (!ReadExactly(stream, signature, 8) || std::memcmp(signature, kSignature, 8) != 0) return false;
  for (;;) {
    std::uint8_t head[8];
    if (!ReadExactly(stream, head, 8)) return false;
    const std::uint32_t length = Be32(head);
    const std::string type(reinterpret_cast<const char*>(head + 4), 4);
    for (char c : type)
      if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) return false;
    std::unique_ptr<TspPngLayer> chunk = CreatePngLayer(type, owner);
    if (!chunk->LoadFromStream(stream, length)) return false;
    chunks.push_back(std::move(chunk));
    if (type == "IEND") return true;
  }
}

bool WritePngChunks(TStream& stream, const std::vector<std::unique_ptr<TspPngLayer>>& chunks) {
  if (stream.Write(kSignature, 8) != 8) return false;
  for (const auto& c : chunks)
    if (!c->SaveToStream(stream)) return false;
  return true;
}
