// The extension kinds of a GIF stream and the two registries that map a
// label, and an application identifier, to the kind that reads it.
// Pure C++.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "gif/gif_blocks.h"
#include "gif/gif_image_core.h"

namespace vr {

// Graphic control (label F9): transparency, disposal and delay of a frame.
class TGIFGraphicControlExtension : public TGIFExtension {
 public:
  static const TGIFExtensionClass ClassRef;
  // The first one made for a frame becomes its ControlExtension.
  explicit TGIFGraphicControlExtension(TGIFSubImage* SubImage);
  ~TGIFGraphicControlExtension() override;
  const char* ClassName() const override { return "TGIFGraphicControlExtension"; }
  uint8_t ExtensionLabel() const override { return kGIFGraphicControlLabel; }
  const TGIFExtensionClass& ClassType() const override { return ClassRef; }

  uint8_t BlockSize = 4;
  uint8_t PackedFields = 0;  // bit 0 transparent, bit 1 user input, bits 2-4 disposal
  uint16_t Delay = 0;        // in delay units
  uint8_t TransparentColorIndex = 0;
  uint8_t Terminator = kGIFBlockTerminator;

  bool Transparent() const { return (PackedFields & 0x01) != 0; }
  // One of the kDisposal methods, or 4 to 7 (undefined).
  int Disposal() const { return (PackedFields >> 2) & 7; }

 protected:
  void LoadBody(TStream& Stream) override;
};

// Plain text (label 01): a text grid and its strings.
class TGIFTextExtension : public TGIFExtension {
 public:
  static const TGIFExtensionClass ClassRef;
  using TGIFExtension::TGIFExtension;
  const char* ClassName() const override { return "TGIFTextExtension"; }
  uint8_t ExtensionLabel() const override { return kGIFPlainTextLabel; }
  const TGIFExtensionClass& ClassType() const override { return ClassRef; }

  uint8_t BlockSize = 12;
  uint16_t GridLeft = 0;
  uint16_t GridTop = 0;
  uint16_t GridWidth = 0;
  uint16_t GridHeight = 0;
  uint8_t CellWidth = 0;
  uint8_t CellHeight = 0;
  uint8_t ForegroundIndex = 0;
  uint8_t BackgroundIndex = 0;
  std::vector<std::string> Text;

 protected:
  void LoadBody(TStream& Stream) override;
};

// Comment (label FE): its strings.
class TGIFCommentExtension : public TGIFExtension {
 public:
  static const TGIFExtensionClass ClassRef;
  using TGIFExtension::TGIFExtension;
  const char* ClassName() const override { return "TGIFCommentExtension"; }
  uint8_t ExtensionLabel() const override { return kGIFCommentLabel; }
  const TGIFExtensionClass& ClassType() const override { return ClassRef; }

  std::vector<std::string> Text;

 protected:
  void LoadBody(TStream& Stream) override;
};

// Application extension (label FF): an 11-byte identifier, then data
// sub-blocks that each kind reads its own way.
class TGIFApplicationExtension : public TGIFExtension {
 public:
  static const TGIFExtensionClass ClassRef;
  using TGIFExtension::TGIFExtension;
  const char* ClassName() const override { return "TGIFApplicationExtension"; }
  uint8_t ExtensionLabel() const override { return kGIFApplicationLabel; }
  const TGIFExtensionClass& ClassType() const override { return ClassRef; }

  // 8-byte identifier followed by a 3-byte authentication code.
  std::array<char, 11> AppIdentifier{};
  std::string Identifier() const { return std::string(AppIdentifier.data(), AppIdentifier.size()); }

 protected:
  void LoadBody(TStream& Stream) override;
  virtual void LoadSubBlocks(TStream& Stream) = 0;
};

// The looping extension ("NETSCAPE2.0", also "ANIMEXTS1.0").
class TGIFAppExtNSLoop : public TGIFApplicationExtension {
 public:
  static const TGIFExtensionClass ClassRef;
  explicit TGIFAppExtNSLoop(TGIFSubImage* SubImage);
  const char* ClassName() const override { return "TGIFAppExtNSLoop"; }
  const TGIFExtensionClass& ClassType() const override { return ClassRef; }

  uint16_t LoopCount = 0;  // 0: endless
  uint32_t BufferSize = 0;

 protected:
  void LoadSubBlocks(TStream& Stream) override;
};

// One data sub-block kept as read.
class TGIFBlock {
 public:
  explicit TGIFBlock(std::vector<uint8_t> Data) : FData(std::move(Data)) {}
  uint8_t Size() const { return static_cast<uint8_t>(FData.size()); }
  const std::vector<uint8_t>& Data() const { return FData; }

 private:
  std::vector<uint8_t> FData;
};

// Any other application extension: its sub-blocks kept in order.
class TGIFUnknownAppExtension : public TGIFApplicationExtension {
 public:
  static const TGIFExtensionClass ClassRef;
  using TGIFApplicationExtension::TGIFApplicationExtension;
  const char* ClassName() const override { return "TGIFUnknownAppExtension"; }
  const TGIFExtensionClass& ClassType() const override { return ClassRef; }

  std::vector<TGIFBlock> Blocks;

 protected:
  void LoadSubBlocks(TStream& Stream) override;
};

// Extension labels to kinds; a lookup scans from the last entry to the first.
class TExtensionList {
 public:
  void Add(uint8_t Label, const TGIFExtensionClass* Class) { FEntries.emplace_back(Label, Class); }
  const TGIFExtensionClass* Find(uint8_t Label) const;

 private:
  std::vector<std::pair<uint8_t, const TGIFExtensionClass*>> FEntries;
};

// Application identifiers (11 bytes, compared exactly) to kinds; a lookup
// scans from the last entry to the first.
class TAppExtensionList {
 public:
  void Add(const std::array<char, 11>& Identifier, const TGIFExtensionClass* Class) {
    FEntries.emplace_back(Identifier, Class);
  }
  const TGIFExtensionClass* Find(const std::array<char, 11>& Identifier) const;

 private:
  std::vector<std::pair<std::array<char, 11>, const TGIFExtensionClass*>> FEntries;
};

// Made with the built-in kinds on first use.
TExtensionList& ExtensionRegistry();
TAppExtensionList& AppExtensionRegistry();

// The kind that reads the extension whose introducer (21) was just read, or
// null when there is none. The stream position is left unchanged.
const TGIFExtensionClass* ResolveExtensionClass(TStream& Stream);

}  // namespace vr
