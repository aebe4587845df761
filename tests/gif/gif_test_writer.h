// Builds GIF streams for the tests: an LZW encoder that writes each code at
// the width the decoder reads it, data sub-blocks, and a block-by-block
// stream builder that can also write damaged streams.
#pragma once

// Frame descriptions name only the fields they need.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#endif

#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "gif/gif_blocks.h"
#include "gif/gif_image_core.h"
#include "platform/byte_order.h"
#include "platform/stream.h"

namespace giftest {

using Bytes = std::vector<uint8_t>;

// Codes packed least significant bit first.
class BitPacker {
 public:
  void Put(uint32_t Code, int Width) {
    FAcc |= static_cast<uint64_t>(Code) << FBits;
    FBits += Width;
    while (FBits >= 8) {
      FOut.push_back(static_cast<uint8_t>(FAcc));
      FAcc >>= 8;
      FBits -= 8;
    }
  }
  Bytes Finish() {
    if (FBits > 0) FOut.push_back(static_cast<uint8_t>(FAcc));
    FAcc = 0;
    FBits = 0;
    return std::move(FOut);
  }

 private:
  Bytes FOut;
  uint64_t FAcc = 0;
  int FBits = 0;
};

// Follows the decoder's table growth: the width of the next code.
class CodeWidth {
 public:
  explicit CodeWidth(int MinCodeSize) : FClear(1 << MinCodeSize), FMin(MinCodeSize) { Reset(); }
  int Width() const { return FWidth; }
  void Emitted(int Code) {
    if (Code == FClear) return Reset();
    if (Code == FClear + 1) return;
    if (FFirst) {
      FFirst = false;
      return;
    }
    if (FNext < 4096 && ++FNext >= FLimit && FLimit < 4096) {
      FLimit *= 2;
      ++FWidth;
    }
  }

 private:
  void Reset() {
    FWidth = FMin + 1;
    FNext = FClear + 2;
    FLimit = 2 * FClear;
    FFirst = true;
  }
  int FClear, FMin, FWidth = 0, FNext = 0, FLimit = 0;
  bool FFirst = true;
};

// Raw codes at the widths a decoder reads them (tables follow the codes).
inline Bytes PackCodes(const std::vector<int>& Codes, int MinCodeSize) {
  BitPacker bits;
  CodeWidth width(MinCodeSize);
  for (int code : Codes) {
    bits.Put(static_cast<uint32_t>(code), width.Width());
    width.Emitted(code);
  }
  return bits.Finish();
}

struct LzwOptions {
  bool LeadingClear = true;
  int ExtraClears = 0;         // clear codes repeated at the start
  bool EndCode = true;
  bool DeferredClear = false;  // keep going with a full table instead of clearing
};

// The LZW codes of Pixels (each below 1 << MinCodeSize).
inline std::vector<int> LzwCodes(const Bytes& Pixels, int MinCodeSize, LzwOptions Options = {}) {
  const int clear = 1 << MinCodeSize;
  std::vector<int> codes;
  if (Options.LeadingClear)
    for (int i = 0; i <= Options.ExtraClears; ++i) codes.push_back(clear);
  if (!Pixels.empty()) {
    std::map<std::pair<int, int>, int> table;
    int next = clear + 2;
    int w = Pixels[0];
    for (size_t i = 1; i < Pixels.size(); ++i) {
      const int c = Pixels[i];
      auto it = table.find({w, c});
      if (it != table.end()) {
        w = it->second;
        continue;
      }
      codes.push_back(w);
      if (next < 4096) {
        table[{w, c}] = next++;
      } else if (!Options.DeferredClear) {
        codes.push_back(clear);
        table.clear();
        next = clear + 2;
      }
      w = c;
    }
    codes.push_back(w);
  }
  if (Options.EndCode) codes.push_back(clear + 1);
  return codes;
}

// Data sub-blocks of at most BlockSize bytes, with the 00 terminator.
inline Bytes SubBlocks(const Bytes& Data, size_t BlockSize = 255, bool Terminator = true) {
  Bytes out;
  for (size_t at = 0; at < Data.size(); at += BlockSize) {
    const size_t n = std::min(BlockSize, Data.size() - at);
    out.push_back(static_cast<uint8_t>(n));
    out.insert(out.end(), Data.begin() + static_cast<long>(at), Data.begin() + static_cast<long>(at + n));
  }
  if (Terminator) out.push_back(0);
  return out;
}

// Rows of a display-order picture in the order an interlaced stream holds them.
inline Bytes InterlacedOrder(const Bytes& Pixels, int Width, int Height) {
  Bytes out;
  const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass)
    for (int y = start[pass]; y < Height; y += step[pass])
      out.insert(out.end(), Pixels.begin() + y * Width, Pixels.begin() + (y + 1) * Width);
  return out;
}

struct FrameSpec {
  int Left = 0, Top = 0, Width = 0, Height = 0;
  Bytes Pixels;  // display order
  std::vector<vr::TGIFRGB> Local;
  bool Interlaced = false;
  int MinCodeSize = 8;
  size_t BlockSize = 255;
  LzwOptions Lzw;
};

class GifBuilder {
 public:
  Bytes Data;

  GifBuilder& Raw(std::initializer_list<int> Values) {
    for (int v : Values) Data.push_back(static_cast<uint8_t>(v));
    return *this;
  }
  GifBuilder& Raw(const Bytes& Values) {
    Data.insert(Data.end(), Values.begin(), Values.end());
    return *this;
  }
  GifBuilder& U16(int Value) {
    uint8_t b[2];
    vr::PutU16LE(b, static_cast<uint16_t>(Value));
    return Raw({b[0], b[1]});
  }

  GifBuilder& Header(int Width, int Height, const std::vector<vr::TGIFRGB>& Global = {}, int Background = 0,
                     const char* Signature = "GIF89a") {
    Data.insert(Data.end(), Signature, Signature + 6);
    U16(Width).U16(Height);
    Raw({Global.empty() ? 0 : 0x80 | 0x70 | SizeField(Global), Background, 0});
    return Table(Global);
  }
  GifBuilder& Control(int Disposal, int Delay, int TransparentIndex = -1) {
    Raw({vr::kGIFExtensionIntroducer, vr::kGIFGraphicControlLabel, 4,
         Disposal << 2 | (TransparentIndex >= 0 ? 1 : 0)});
    U16(Delay);
    return Raw({TransparentIndex >= 0 ? TransparentIndex : 0, vr::kGIFBlockTerminator});
  }
  GifBuilder& Comment(const std::vector<std::string>& Lines) {
    Raw({vr::kGIFExtensionIntroducer, vr::kGIFCommentLabel});
    for (const std::string& line : Lines) {
      Data.push_back(static_cast<uint8_t>(line.size()));
      Data.insert(Data.end(), line.begin(), line.end());
    }
    return Raw({vr::kGIFBlockTerminator});
  }
  GifBuilder& Loop(int Count, const char* Identifier = "NETSCAPE2.0") {
    Raw({vr::kGIFExtensionIntroducer, vr::kGIFApplicationLabel, 11});
    Data.insert(Data.end(), Identifier, Identifier + 11);
    Raw({3, 1});
    return U16(Count).Raw({vr::kGIFBlockTerminator});
  }
  GifBuilder& Descriptor(int Left, int Top, int Width, int Height, int Flags) {
    Raw({vr::kGIFImageSeparator});
    U16(Left).U16(Top).U16(Width).U16(Height);
    return Raw({Flags});
  }
  GifBuilder& ImageData(const Bytes& Codes, int MinCodeSize, size_t BlockSize = 255) {
    Data.push_back(static_cast<uint8_t>(MinCodeSize));
    return Raw(SubBlocks(Codes, BlockSize));
  }
  GifBuilder& Frame(const FrameSpec& F) {
    int flags = F.Interlaced ? 0x40 : 0;
    if (!F.Local.empty()) flags |= 0x80 | SizeField(F.Local);
    Descriptor(F.Left, F.Top, F.Width, F.Height, flags);
    Table(F.Local);
    const Bytes order = F.Interlaced ? InterlacedOrder(F.Pixels, F.Width, F.Height) : F.Pixels;
    return ImageData(PackCodes(LzwCodes(order, F.MinCodeSize, F.Lzw), F.MinCodeSize), F.MinCodeSize,
                     F.BlockSize);
  }
  GifBuilder& Trailer() { return Raw({vr::kGIFTrailer}); }

 private:
  static int SizeField(const std::vector<vr::TGIFRGB>& Table) {
    int n = 0;
    while ((2 << n) < static_cast<int>(Table.size())) ++n;
    return n;
  }
  GifBuilder& Table(const std::vector<vr::TGIFRGB>& Table) {
    if (Table.empty()) return *this;
    const int n = 2 << SizeField(Table);
    for (int i = 0; i < n; ++i) {
      const vr::TGIFRGB c = i < static_cast<int>(Table.size()) ? Table[i] : vr::TGIFRGB{};
      Raw({c.Red, c.Green, c.Blue});
    }
    return *this;
  }
};

// A picture of Width x Height indices below Colors, with runs and noise.
inline Bytes TestPixels(int Width, int Height, int Colors, uint32_t Seed = 1) {
  Bytes p(static_cast<size_t>(Width) * Height);
  uint32_t s = Seed;
  for (size_t i = 0; i < p.size(); ++i) {
    s = s * 1103515245u + 12345u;
    p[i] = (s >> 16) % 4 == 0 ? static_cast<uint8_t>((s >> 8) % Colors) : static_cast<uint8_t>((i / 7) % Colors);
  }
  return p;
}

inline std::vector<vr::TGIFRGB> Grey(int Count) {
  std::vector<vr::TGIFRGB> t;
  for (int i = 0; i < Count; ++i) {
    const uint8_t v = static_cast<uint8_t>(i * 255 / (Count > 1 ? Count - 1 : 1));
    t.push_back({v, v, v});
  }
  return t;
}

// An image that records its warnings and progress.
struct RecordingImage : vr::TGIFImageCore {
  std::vector<std::string> Warnings;
  std::vector<std::string> Progress;  // "stage percent message"
  int DrawingReleased = 0;

  RecordingImage() {
    WarningHandler = [this](vr::TObject*, vr::TGIFSeverity Severity, const std::string& Message) {
      Warnings.push_back(Severity == vr::gsWarning ? Message : "?" + Message);
    };
  }
  void GIFProgress(vr::TGIFProgressStage Stage, int Percent, bool, const std::string& Msg) override {
    static const char* names[] = {"starting", "running", "ending"};
    Progress.push_back(std::string(names[static_cast<int>(Stage)]) + " " + std::to_string(Percent) + " " + Msg);
  }
  void ReleaseDrawingState() override { ++DrawingReleased; }

  void Load(const Bytes& Data) {
    vr::TMemoryStream stream(Data);
    LoadFromStream(stream);
  }
};

}  // namespace giftest
