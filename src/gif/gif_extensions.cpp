#include "gif/gif_extensions.h"

#include <cstring>

#include "gif/gif_errors.h"
#include "gif/gif_stream_io.h"
#include "platform/byte_order.h"

namespace vr {

namespace {

template <class T>
std::unique_ptr<TGIFExtension> Make(TGIFSubImage* SubImage) {
  return std::make_unique<T>(SubImage);
}

std::array<char, 11> Ident(const char (&Text)[12]) {
  std::array<char, 11> id{};
  std::memcpy(id.data(), Text, 11);
  return id;
}

// Books one kept data sub-block with the image the extension belongs to.
void ReserveBlock(const TGIFExtension& Owner) {
  if (Owner.Image() != nullptr) Owner.Image()->ReserveExtensionBlock();
}

// Data sub-blocks read as strings; each string ends at its first 00 byte.
void ReadTextBlocks(TStream& Stream, const TGIFExtension& Owner, std::vector<std::string>& List) {
  List.clear();
  uint8_t size;
  char bytes[255];
  while (gifio::TryReadByte(Stream, size) && size != kGIFBlockTerminator) {
    ReserveBlock(Owner);
    gifio::ReadExactly(Stream, bytes, size);
    const void* zero = std::memchr(bytes, 0, size);
    List.emplace_back(bytes, zero != nullptr ? static_cast<const char*>(zero) - bytes : size);
  }
}

// An application extension is told apart by the identifier that follows its
// block size byte.
const TGIFExtensionClass* ResolveApplication(const TGIFExtensionClass&, TStream& Stream) {
  const int64_t start = Stream.Position();
  uint8_t size;
  if (!gifio::TryReadByte(Stream, size)) return nullptr;
  if (size == 10) {
    uint8_t skip[10];
    if (Stream.Read(skip, sizeof skip) < sizeof skip) return nullptr;
    return &TGIFUnknownAppExtension::ClassRef;
  }
  if (size == 11) {
    std::array<char, 11> id;
    if (Stream.Read(id.data(), id.size()) == id.size()) {
      const TGIFExtensionClass* found = AppExtensionRegistry().Find(id);
      return found != nullptr ? found : &TGIFUnknownAppExtension::ClassRef;
    }
  }
  Stream.SetPosition(start);
  // Any other size: the generic reader rejects sizes below 10 and a cut
  // identifier with the same errors as the specific one; a size above 11 is
  // read as an unknown application extension, its extra bytes skipped.
  return &TGIFUnknownAppExtension::ClassRef;
}

}  // namespace

const TGIFExtensionClass TGIFGraphicControlExtension::ClassRef = {
    "TGIFGraphicControlExtension", &Make<TGIFGraphicControlExtension>, nullptr};
const TGIFExtensionClass TGIFTextExtension::ClassRef = {"TGIFTextExtension", &Make<TGIFTextExtension>,
                                                        nullptr};
const TGIFExtensionClass TGIFCommentExtension::ClassRef = {"TGIFCommentExtension",
                                                           &Make<TGIFCommentExtension>, nullptr};
const TGIFExtensionClass TGIFApplicationExtension::ClassRef = {"TGIFApplicationExtension", nullptr,
                                                               &ResolveApplication};
const TGIFExtensionClass TGIFAppExtNSLoop::ClassRef = {"TGIFAppExtNSLoop", &Make<TGIFAppExtNSLoop>,
                                                       nullptr};
const TGIFExtensionClass TGIFUnknownAppExtension::ClassRef = {"TGIFUnknownAppExtension",
                                                              &Make<TGIFUnknownAppExtension>, nullptr};

// ---- Graphic control ---------------------------------------------------------

TGIFGraphicControlExtension::TGIFGraphicControlExtension(TGIFSubImage* SubImage) : TGIFExtension(SubImage) {
  if (SubImage != nullptr && SubImage->ControlExtension == nullptr) SubImage->ControlExtension = this;
}

TGIFGraphicControlExtension::~TGIFGraphicControlExtension() {
  if (SubImage() != nullptr && SubImage()->ControlExtension == this) SubImage()->ControlExtension = nullptr;
}

void TGIFGraphicControlExtension::LoadBody(TStream& Stream) {
  // A block cut short by the end of the data keeps what arrived.
  uint8_t d[6] = {BlockSize, PackedFields, 0, 0, TransparentColorIndex, Terminator};
  PutU16LE(d + 2, Delay);
  const size_t got = Stream.Read(d, sizeof d);
  TByteReader(d, sizeof d).ReadLE(BlockSize, PackedFields, Delay, TransparentColorIndex, Terminator);
  if (got < sizeof d)
    ReportWarning(gsWarning, sGIFPrematureEnd);
  else if (Transparent() && SubImage() != nullptr)
    SubImage()->IsTransparent = true;
}

// ---- Plain text and comment ----------------------------------------------------

void TGIFTextExtension::LoadBody(TStream& Stream) {
  uint8_t d[13];
  gifio::ReadExactly(Stream, d, sizeof d);
  TByteReader(d, sizeof d)
      .ReadLE(BlockSize, GridLeft, GridTop, GridWidth, GridHeight, CellWidth, CellHeight, ForegroundIndex,
              BackgroundIndex);
  ReadTextBlocks(Stream, *this, Text);
}

void TGIFCommentExtension::LoadBody(TStream& Stream) { ReadTextBlocks(Stream, *this, Text); }

// ---- Application extensions ----------------------------------------------------

void TGIFApplicationExtension::LoadBody(TStream& Stream) {
  uint8_t size;
  gifio::ReadExactly(Stream, &size, 1);
  if (size == 10)
    AppIdentifier.fill(0);
  else if (size < 11)
    throw GIFException(sGIFBadAppExtensionSize);
  gifio::ReadExactly(Stream, AppIdentifier.data(), AppIdentifier.size());
  if (size == 10)
    gifio::StepBack(Stream);
  else
    gifio::SkipBounded(Stream, size - 11);
  LoadSubBlocks(Stream);
}

TGIFAppExtNSLoop::TGIFAppExtNSLoop(TGIFSubImage* SubImage) : TGIFApplicationExtension(SubImage) {
  AppIdentifier = Ident("NETSCAPE2.0");
}

void TGIFAppExtNSLoop::LoadSubBlocks(TStream& Stream) {
  for (;;) {
    // The end of the data inside the sub-blocks ends the list.
    uint8_t size, id;
    if (!gifio::TryReadByte(Stream, size) || size == kGIFBlockTerminator) return;
    if (!gifio::TryReadByte(Stream, id)) return;
    uint8_t d[4];
    switch (id & 7) {
      case 1:
        if (size < 3) throw GIFException(sGIFInvalidData);
        gifio::ReadExactly(Stream, d, 2);
        LoopCount = GetU16LE(d);
        gifio::SkipBounded(Stream, size - 3);
        break;
      case 2:
        if (size < 5) throw GIFException(sGIFInvalidData);
        gifio::ReadExactly(Stream, d, 4);
        BufferSize = GetU32LE(d);
        gifio::SkipBounded(Stream, size - 5);
        break;
      default:
        gifio::SkipBounded(Stream, size - 1);
        break;
    }
  }
}

void TGIFUnknownAppExtension::LoadSubBlocks(TStream& Stream) {
  Blocks.clear();
  uint8_t size;
  while (gifio::TryReadByte(Stream, size) && size != kGIFBlockTerminator) {
    ReserveBlock(*this);
    std::vector<uint8_t> data(size);
    gifio::ReadExactly(Stream, data.data(), size);
    Blocks.emplace_back(std::move(data));
  }
}

// ---- Registries ------------------------------------------------------------------

const TGIFExtensionClass* TExtensionList::Find(uint8_t Label) const {
  for (auto it = FEntries.rbegin(); it != FEntries.rend(); ++it)
    if (it->first == Label) return it->second;
  return nullptr;
}

const TGIFExtensionClass* TAppExtensionList::Find(const std::array<char, 11>& Identifier) const {
  for (auto it = FEntries.rbegin(); it != FEntries.rend(); ++it)
    if (it->first == Identifier) return it->second;
  return nullptr;
}

TExtensionList& ExtensionRegistry() {
  static TExtensionList registry = [] {
    TExtensionList list;
    list.Add(kGIFPlainTextLabel, &TGIFTextExtension::ClassRef);
    list.Add(kGIFGraphicControlLabel, &TGIFGraphicControlExtension::ClassRef);
    list.Add(kGIFCommentLabel, &TGIFCommentExtension::ClassRef);
    list.Add(kGIFApplicationLabel, &TGIFApplicationExtension::ClassRef);
    return list;
  }();
  return registry;
}

TAppExtensionList& AppExtensionRegistry() {
  static TAppExtensionList registry = [] {
    TAppExtensionList list;
    list.Add(Ident("NETSCAPE2.0"), &TGIFAppExtNSLoop::ClassRef);
    list.Add(Ident("ANIMEXTS1.0"), &TGIFAppExtNSLoop::ClassRef);
    return list;
  }();
  return registry;
}

const TGIFExtensionClass* ResolveExtensionClass(TStream& Stream) {
  const int64_t start = Stream.Position();
  const TGIFExtensionClass* found = nullptr;
  uint8_t label;
  if (gifio::TryReadByte(Stream, label)) {
    found = ExtensionRegistry().Find(label);
    while (found != nullptr && found->ResolveClass != nullptr) {
      const TGIFExtensionClass* next = found->ResolveClass(*found, Stream);
      if (next == found) break;
      found = next;
    }
    // A kind that cannot be made reads nothing.
    if (found != nullptr && found->Create == nullptr) found = nullptr;
  }
  Stream.SetPosition(start);
  return found;
}

}  // namespace vr
