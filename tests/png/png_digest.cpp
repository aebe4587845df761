// Prints what the PNG loader makes of every file of a folder, one line a
// file: the header, a hash of the bitmap rows, the alpha plane and the key
// mask, the chunks kept, the error raised (class and text) and where the
// stream stood afterwards. Built with chunk CRCs unchecked and the memory
// cap of the fuzz target, so that files found by the fuzzer reach the
// decoder here as they did there. Two builds of the decoder that print the
// same lines decode those files alike:
//   png_digest FOLDER > before.txt   ...   diff before.txt after.txt
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/stream.h"
#include "png/png_core.h"
#include "support/digest_tool.h"

namespace {

using vr::test::Fnv1a;

std::string Digest(const std::vector<uint8_t>& Bytes) {
  vr::TPNGCore core;
  core.MaxImageBytes = uint64_t{64} << 20;
  core.MaxTextBytes = uint64_t{1} << 20;
  vr::TMemoryStream stream(Bytes);
  std::string error;
  try {
    core.LoadFromStream(stream);
  } catch (const std::exception& e) {
    error = vr::test::DescribeError(e);
  }
  char text[200];
  std::string line = std::to_string(core.ChunkList.Count()) + " chunks";
  if (core.HasHeader()) {
    const vr::TChunkIHDR& h = core.RequireHeader();
    uint64_t hash = vr::test::kFnv1aBasis;
    if (h.PixelBits != nullptr) hash = Fnv1a(hash, h.PixelBits, h.RowStride * h.Height);
    if (h.AlphaPlane != nullptr) hash = Fnv1a(hash, h.AlphaPlane, size_t{h.Width} * h.Height);
    if (h.KeyMask != nullptr) hash = Fnv1a(hash, h.KeyMask, h.KeyMaskStride * h.Height);
    hash = Fnv1a(hash, reinterpret_cast<const uint8_t*>(&h.DibInfo), sizeof h.DibInfo);
    std::snprintf(text, sizeof text, " | %ux%u t%u d%u i%u %016llx", h.Width, h.Height, h.ColorType, h.BitDepth,
                  h.InterlaceMethod, static_cast<unsigned long long>(hash));
    line += text;
  }
  line += " | error: " + (error.empty() ? std::string("none") : error);
  line += " | at " + std::to_string(stream.Position());
  return line;
}

}  // namespace

int main(int argc, char** argv) { return vr::test::PrintDigests(argc, argv, "png_digest", Digest); }
