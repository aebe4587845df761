// Prints what the GIF reader makes of every file of a folder, one line a
// file: the frames with their descriptors and a hash of their pixels, the
// warnings in order, the error raised (class and text) and where the stream
// stood afterwards. Two builds of the reader that print the same lines
// decode those files alike; run it over a fuzz corpus before and after a
// change to the decoder and compare:
//   gif_digest FOLDER > before.txt   ...   diff before.txt after.txt
// The caps on frame and total pixels are those of the fuzz target, so that
// files found by the fuzzer behave here as they did there.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "gif/gif_image_core.h"
#include "platform/stream.h"
#include "support/digest_tool.h"

namespace {

uint64_t Fnv1a(const std::vector<uint8_t>& Bytes) {
  return vr::test::Fnv1a(vr::test::kFnv1aBasis, Bytes.data(), Bytes.size());
}

std::string Digest(const std::vector<uint8_t>& Bytes) {
  vr::TGIFImageCore image;
  image.MaxFramePixels = size_t{1} << 20;
  image.MaxTotalPixels = size_t{1} << 22;
  std::string warnings;
  image.WarningHandler = [&](vr::TObject*, vr::TGIFSeverity Severity, const std::string& Message) {
    warnings += (Severity == vr::gsWarning ? " W:" : " S:") + Message + ";";
  };
  vr::TMemoryStream stream(Bytes);
  std::string error;
  try {
    image.LoadFromStream(stream);
  } catch (const std::exception& e) {
    error = vr::test::DescribeError(e);
  }
  char text[160];
  std::string line = std::to_string(image.Frames().Count()) + " frames";
  for (int i = 0; i < image.Frames().Count(); ++i) {
    const vr::TGIFSubImage& f = image.Frames()[i];
    std::snprintf(text, sizeof text, " | %d,%d %dx%d f%02X t%d n%zu %016llx", f.Left, f.Top, f.Width, f.Height,
                  f.ImageFlags, f.IsTransparent ? f.TransparentIndex() : -1, f.PixelData.size(),
                  static_cast<unsigned long long>(Fnv1a(f.PixelData)));
    line += text;
  }
  line += " | warnings:" + warnings;
  line += " | error: " + (error.empty() ? std::string("none") : error);
  line += " | at " + std::to_string(stream.Position());
  return line;
}

}  // namespace

int main(int argc, char** argv) { return vr::test::PrintDigests(argc, argv, "gif_digest", Digest); }
