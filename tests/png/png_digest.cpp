// Prints what the PNG loader makes of every file of a folder, one line a
// file: the header, a hash of the bitmap rows, the alpha plane and the key
// mask, the chunks kept, the error raised (class and text) and where the
// stream stood afterwards. Built with chunk CRCs unchecked and the memory
// cap of the fuzz target, so that files found by the fuzzer reach the
// decoder here as they did there. Two builds of the decoder that print the
// same lines decode those files alike:
//   png_digest FOLDER > before.txt   ...   diff before.txt after.txt
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/exceptions.h"
#include "platform/stream.h"
#include "png/png_core.h"

namespace {

uint64_t Fnv1a(uint64_t Hash, const uint8_t* Bytes, size_t Size) {
  for (size_t i = 0; i < Size; ++i) Hash = (Hash ^ Bytes[i]) * 1099511628211ull;
  return Hash;
}

std::string Digest(const std::vector<uint8_t>& Bytes) {
  vr::TPNGCore core;
  core.MaxImageBytes = uint64_t{64} << 20;
  core.MaxTextBytes = uint64_t{1} << 20;
  vr::TMemoryStream stream(Bytes);
  std::string error;
  try {
    core.LoadFromStream(stream);
  } catch (const vr::Exception& e) {
    error = std::string(e.ClassName()) + " \"" + e.Message() + "\"";
  } catch (const std::exception& e) {
    error = std::string("std::exception \"") + e.what() + "\"";
  }
  char text[200];
  std::string line = std::to_string(core.ChunkList.Count()) + " chunks";
  if (core.HasHeader()) {
    const vr::TChunkIHDR& h = core.RequireHeader();
    uint64_t hash = 14695981039346656037ull;
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

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: png_digest FOLDER\n");
    return 2;
  }
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(argv[1]))
    if (entry.is_regular_file()) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  for (const auto& path : files) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::printf("%s: %s\n", path.filename().c_str(), Digest(bytes).c_str());
  }
  return 0;
}
