// Byte order: 16- and 32-bit values loaded from and stored into byte
// buffers, little-endian (bitmaps, icons, metafiles, GIF, sounds) and
// big-endian (PNG), and a reader that takes values one after another from
// a buffer and never past its end. Pure C++, header only.
//
// The loads and stores are written byte by byte so that they hold on any
// machine and in constant expressions; GCC and Clang turn each into a single
// move (with a byte swap for big-endian values on x86).
//
// Use:
//   uint32_t size = GetU32LE(p + 2);   PutU32BE(chunk, length);
//   TByteReader r(data, size, [] { throw EInvalidGraphic(SInvalidIcon); });
//   uint16_t type = r.U16LE();        // raises through the handler when short
//   r.ReadLE(Width, Height, Flags);   // each field as wide as its type
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace vr {

// ---- loads (the caller has checked that the bytes are there)

constexpr uint16_t GetU16LE(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
constexpr uint32_t GetU32LE(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}
constexpr int16_t GetS16LE(const uint8_t* p) { return static_cast<int16_t>(GetU16LE(p)); }
constexpr int32_t GetS32LE(const uint8_t* p) { return static_cast<int32_t>(GetU32LE(p)); }

constexpr uint16_t GetU16BE(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }
constexpr uint32_t GetU32BE(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 |
         static_cast<uint32_t>(p[3]);
}

// ---- stores (the caller has made room for them)

constexpr void PutU16LE(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
constexpr void PutU32LE(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}
constexpr void PutU16BE(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v >> 8);
  p[1] = static_cast<uint8_t>(v);
}
constexpr void PutU32BE(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 24);
  p[1] = static_cast<uint8_t>(v >> 16);
  p[2] = static_cast<uint8_t>(v >> 8);
  p[3] = static_cast<uint8_t>(v);
}

constexpr uint16_t SwapBytes16(uint16_t Value) { return static_cast<uint16_t>((Value >> 8) | (Value << 8)); }
constexpr uint32_t SwapBytes32(uint32_t Value) {
  return (Value >> 24) | ((Value >> 8) & 0xFF00u) | ((Value << 8) & 0xFF0000u) | (Value << 24);
}

// ---- a bounds-checked reader

// Reads values one after another from Size bytes at Data. A read that finds
// too few bytes left fails: it calls the caller's OnShort, which raises the
// caller's own error; without one (or if it returns) the reader is marked
// failed, moves to the end and gives 0, and stays failed. So a format whose
// reader has a handler reads field after field without a check of its own,
// and one without asks Failed() once at the end.
class TByteReader {
 public:
  using TShortHandler = void (*)();

  constexpr TByteReader(const uint8_t* Data, size_t Size, TShortHandler OnShort = nullptr)
      : FData(Data), FSize(Size), FOnShort(OnShort) {}

  constexpr size_t Position() const { return FPosition; }
  constexpr size_t Remaining() const { return FSize - FPosition; }
  constexpr bool Failed() const { return FFailed; }
  // Whether Count more bytes can be read.
  constexpr bool Has(size_t Count) const { return !FFailed && Count <= Remaining(); }

  constexpr uint8_t U8() { return Take(1) ? FData[FPosition - 1] : 0; }
  constexpr uint16_t U16LE() { return Take(2) ? GetU16LE(FData + FPosition - 2) : 0; }
  constexpr uint32_t U32LE() { return Take(4) ? GetU32LE(FData + FPosition - 4) : 0; }
  constexpr int16_t S16LE() { return static_cast<int16_t>(U16LE()); }
  constexpr int32_t S32LE() { return static_cast<int32_t>(U32LE()); }
  constexpr uint16_t U16BE() { return Take(2) ? GetU16BE(FData + FPosition - 2) : 0; }
  constexpr uint32_t U32BE() { return Take(4) ? GetU32BE(FData + FPosition - 4) : 0; }
  // The next Count bytes, stepped over; null when fewer are left.
  constexpr const uint8_t* Bytes(size_t Count) { return Take(Count) ? FData + FPosition - Count : nullptr; }
  constexpr bool Skip(size_t Count) { return Take(Count); }

  // Reads the fields one after another, each as many bytes as its integer
  // type has (1, 2 or 4); whether all of them were there.
  template <typename... T>
  constexpr bool ReadLE(T&... Fields) {
    (ReadField<false>(Fields), ...);
    return !FFailed;
  }
  template <typename... T>
  constexpr bool ReadBE(T&... Fields) {
    (ReadField<true>(Fields), ...);
    return !FFailed;
  }

 private:
  template <bool BigEndian, typename T>
  constexpr void ReadField(T& Field) {
    static_assert(std::is_integral_v<T> && (sizeof(T) == 1 || sizeof(T) == 2 || sizeof(T) == 4));
    if constexpr (sizeof(T) == 1)
      Field = static_cast<T>(U8());
    else if constexpr (sizeof(T) == 2)
      Field = static_cast<T>(BigEndian ? U16BE() : U16LE());
    else
      Field = static_cast<T>(BigEndian ? U32BE() : U32LE());
  }

  constexpr bool Take(size_t Count) {
    if (Has(Count)) {
      FPosition += Count;
      return true;
    }
    if (FOnShort != nullptr) FOnShort();
    FFailed = true;
    FPosition = FSize;
    return false;
  }

  const uint8_t* FData;
  size_t FSize;
  size_t FPosition = 0;
  TShortHandler FOnShort;
  bool FFailed = false;
};

}  // namespace vr
