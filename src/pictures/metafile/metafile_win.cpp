// The metafile class: EMF and placeable WMF files into enhanced-metafile
// handles, sizes in 0.01 mm and pixels, the palette, playback and sharing.
#include "pictures/metafile/metafile_win.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "pictures/metafile/metafile_header.h"
#include "pictures/metafile/metafile_playback_win.h"
#include "pictures/metafile/metafile_records.h"
#include "pictures/picture_types.h"
#include "platform/byte_order.h"
#include "platform/dpi.h"

namespace vr {

VR_DEFINE_GRAPHIC_CLASS(TMetafile, TGraphic)

void TMetafileImage::ReleaseHandles() {
  Handle.Reset();
  Palette.Reset();
}

namespace {

[[noreturn]] void InvalidMetafile() { throw EInvalidGraphic(SInvalidMetafile); }

int32_t Saturate32(int64_t Value) {
  return static_cast<int32_t>(std::clamp<int64_t>(Value, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

// The bytes of an enhanced metafile handle.
std::vector<uint8_t> EnhancedMetafileBytes(HENHMETAFILE Handle) {
  std::vector<uint8_t> bytes(GetEnhMetaFileBits(Handle, 0, nullptr));
  if (bytes.empty() || GetEnhMetaFileBits(Handle, static_cast<UINT>(bytes.size()), bytes.data()) == 0) bytes.clear();
  return bytes;
}

// The records of a WMF as an enhanced metafile. The first conversion finds
// the frame the records span; the second gives that frame as the extent.
// What comes out is checked like any EMF: a WMF may carry a whole EMF of
// its own, which the system takes over as it is.
TEnhMetafileHandle ConvertWindowsMetafile(const std::vector<uint8_t>& Records, uint32_t& PaletteEntries) {
  METAFILEPICT picture{MM_ANISOTROPIC, 0, 0, nullptr};
  const UINT size = static_cast<UINT>(Records.size());
  TEnhMetafileHandle first(SetWinMetaFileBits(size, Records.data(), nullptr, &picture));
  ENHMETAHEADER header{};
  if (!first || GetEnhMetaFileHeader(first.Get(), sizeof header, &header) == 0) InvalidMetafile();
  picture.xExt = header.rclFrame.right;
  picture.yExt = header.rclFrame.bottom;
  TEnhMetafileHandle second(SetWinMetaFileBits(size, Records.data(), nullptr, &picture));
  if (!second) InvalidMetafile();
  std::vector<uint8_t> bytes = EnhancedMetafileBytes(second.Get());
  if (bytes.empty()) InvalidMetafile();
  PaletteEntries = CheckEnhancedMetafileRecords(bytes.data(), bytes.size());
  return second;
}

}  // namespace

TMetafile::TMetafile() {
  FTransparent = true;
  NewImage();
}

void TMetafile::NewImage() { FImage = TSharedRef<TMetafileImage>::Make(); }

void TMetafile::Unshare() {
  if (FImage.Unique()) return;
  auto copy = TSharedRef<TMetafileImage>::Make();
  if (FImage->Handle) {
    copy->Handle.Reset(CopyEnhMetaFileA(FImage->Handle.Get(), nullptr));
    if (!copy->Handle) RaiseOutOfResources();
  }
  copy->Width = FImage->Width;
  copy->Height = FImage->Height;
  copy->Inch = FImage->Inch;
  copy->ProvisionalWidth = FImage->ProvisionalWidth;
  copy->ProvisionalHeight = FImage->ProvisionalHeight;
  copy->DevicePixelsX = FImage->DevicePixelsX;
  copy->DevicePixelsY = FImage->DevicePixelsY;
  copy->DeviceMillimetersX = FImage->DeviceMillimetersX;
  copy->DeviceMillimetersY = FImage->DeviceMillimetersY;
  copy->PaletteEntries = FImage->PaletteEntries;
  FImage = std::move(copy);
}

void TMetafile::AssignFrom(const TPersistent* Source) {
  if (Source == nullptr) {
    NewImage();
    FEnhanced = true;
  } else if (auto* other = dynamic_cast<const TMetafile*>(Source)) {
    if (other == this) return;
    FImage = other->FImage;
    FEnhanced = other->FEnhanced;
  } else {
    TGraphic::AssignFrom(Source);
    return;
  }
  SetPaletteModified(FImage->PaletteEntries != 0);
  NotifyChange(this);
}

void TMetafile::LoadFromStream(TStream& Stream) {
  // Far beyond any metafile; refused before anything is read into memory.
  if (static_cast<uint64_t>(Stream.Remaining()) > kMaxPictureBytes) InvalidMetafile();
  // The new image replaces the old one only once it is complete.
  auto image = TSharedRef<TMetafileImage>::Make();
  bool enhanced = false;
  if (IsEnhancedMetafileStream(Stream)) {
    TEmfHeaderFields header;
    std::vector<uint8_t> bytes = ReadEnhancedMetafile(Stream, header);
    image->PaletteEntries = CheckEnhancedMetafileRecords(bytes.data(), bytes.size());
    const TMetafileSize size = EmfFrameSize(header);
    image->Handle.Reset(SetEnhMetaFileBits(static_cast<UINT>(bytes.size()), bytes.data()));
    if (!image->Handle) InvalidMetafile();
    image->Width = size.Width;
    image->Height = size.Height;
    image->Inch = 0;
    enhanced = true;
  } else {
    TPlaceableHeader header;
    // Bytes past the metafile's own size are not handed on.
    const std::vector<uint8_t> records = CheckWindowsMetafileRecords(ReadPlaceableMetafile(Stream, header));
    const TMetafileSize size = PlaceableSize(header);
    image->Handle = ConvertWindowsMetafile(records, image->PaletteEntries);
    image->Width = size.Width;
    image->Height = size.Height;
    image->Inch = header.Inch;
  }
  ENHMETAHEADER header{};
  if (GetEnhMetaFileHeader(image->Handle.Get(), sizeof header, &header) == 0) InvalidMetafile();
  image->DevicePixelsX = header.szlDevice.cx;
  image->DevicePixelsY = header.szlDevice.cy;
  image->DeviceMillimetersX = header.szlMillimeters.cx;
  image->DeviceMillimetersY = header.szlMillimeters.cy;
  FImage = std::move(image);
  FEnhanced = enhanced;
  SetPaletteModified(FImage->PaletteEntries != 0);
  NotifyChange(this);
}

void TMetafile::SaveToStream(TStream& Stream) {
  if (!FImage->Handle) return;
  HENHMETAFILE handle = FImage->Handle.Get();
  if (FEnhanced) {
    const std::vector<uint8_t> bytes = EnhancedMetafileBytes(handle);
    if (!bytes.empty()) Stream.WriteBuffer(bytes.data(), bytes.size());
    return;
  }
  TWindowDC screen(nullptr);
  std::vector<uint8_t> records(GetWinMetaFileBits(handle, 0, nullptr, MM_ANISOTROPIC, screen.Get()));
  if (records.empty() ||
      GetWinMetaFileBits(handle, static_cast<UINT>(records.size()), records.data(), MM_ANISOTROPIC, screen.Get()) == 0)
    return;
  const int64_t inch = FImage->Inch != 0 ? FImage->Inch : 96;
  const auto box = [&](int32_t size) {
    return static_cast<uint16_t>(static_cast<int16_t>(std::clamp<int64_t>(MulDivRound(size, inch, 2540), -32768, 32767)));
  };
  uint8_t header[kPlaceableHeaderSize] = {};
  PutU32LE(header, kPlaceableKey);
  PutU16LE(header + kPlaceableBox + 4, box(FImage->Width));  // right and bottom; left and top are 0
  PutU16LE(header + kPlaceableBox + 6, box(FImage->Height));
  PutU16LE(header + kPlaceableInch, FImage->Inch);
  PutU16LE(header + kPlaceableChecksum, PlaceableChecksum(header));
  Stream.WriteBuffer(header, sizeof header);
  Stream.WriteBuffer(records.data(), records.size());
}

int TMetafile::PixelsOf(int32_t Size, int32_t DevicePixels, int32_t DeviceMillimeters) const {
  return MetafilePixels(Size, FImage->Inch, DevicePixels, DeviceMillimeters, ScreenPixelsPerInch());
}

int32_t TMetafile::SizeOf(int Pixels, int32_t DevicePixels, int32_t DeviceMillimeters) const {
  if (FImage->Inch == 0 && DevicePixels > 0 && DeviceMillimeters > 0)
    return Saturate32(MulDivRound(Pixels, int64_t{DeviceMillimeters} * 100, DevicePixels));
  const int ppi = ScreenPixelsPerInch();
  return ppi > 0 ? Saturate32(MulDivRound(Pixels, 2540, ppi)) : 0;
}

int TMetafile::ReadWidth() const {
  if (!FImage->Handle) return FImage->ProvisionalWidth;
  return PixelsOf(FImage->Width, FImage->DevicePixelsX, FImage->DeviceMillimetersX);
}

int TMetafile::ReadHeight() const {
  if (!FImage->Handle) return FImage->ProvisionalHeight;
  return PixelsOf(FImage->Height, FImage->DevicePixelsY, FImage->DeviceMillimetersY);
}

void TMetafile::WriteWidth(int Value) {
  if (Value == ReadWidth()) return;
  Unshare();
  if (!FImage->Handle)
    FImage->ProvisionalWidth = Value;
  else
    FImage->Width = SizeOf(Value, FImage->DevicePixelsX, FImage->DeviceMillimetersX);
  NotifyChange(this);
}

void TMetafile::WriteHeight(int Value) {
  if (Value == ReadHeight()) return;
  Unshare();
  if (!FImage->Handle)
    FImage->ProvisionalHeight = Value;
  else
    FImage->Height = SizeOf(Value, FImage->DevicePixelsY, FImage->DeviceMillimetersY);
  NotifyChange(this);
}

HPALETTE TMetafile::ReadPalette() {
  if (!FImage->Handle || FImage->PaletteEntries == 0) return nullptr;
  if (!FImage->Palette) {
    // The entries are read from the metafile's own end record.
    const std::vector<uint8_t> bytes = EnhancedMetafileBytes(FImage->Handle.Get());
    const std::vector<TPaletteEntry> entries = EnhancedMetafilePalette(bytes.data(), bytes.size());
    // A logical palette holds at most 256 entries: the first 256 are used.
    const size_t count = std::min<size_t>(entries.size(), 256);
    if (count == 0) return nullptr;
    std::vector<uint8_t> block(sizeof(LOGPALETTE) + count * sizeof(PALETTEENTRY));
    auto* palette = reinterpret_cast<LOGPALETTE*>(block.data());
    palette->palVersion = 0x300;
    palette->palNumEntries = static_cast<WORD>(count);
    for (size_t i = 0; i < count; ++i)
      palette->palPalEntry[i] = PALETTEENTRY{entries[i].Red, entries[i].Green, entries[i].Blue, entries[i].Flags};
    FImage->Palette.Reset(CreatePalette(palette));
  }
  return FImage->Palette.Get();
}

void TMetafile::DrawInto(TCanvas& Canvas, const RECT& Rect) {
  if (!FImage->Handle) return;
  HDC dc = Canvas.Handle();
  HPALETTE palette = ReadPalette();
  TSelectPalette select(dc, palette, true);
  if (palette != nullptr) RealizePalette(dc);
  // The frame maps onto the rectangle's pixels inclusively, hence one less.
  const RECT target{Rect.left, Rect.top, Rect.right - 1, Rect.bottom - 1};
  PlayMetafileRecords(dc, FImage->Handle.Get(), target);
}

}  // namespace vr
