#include "png/png_messages.h"

namespace vr {

namespace {

struct TPngTextEntry {
  TPngText Id;
  const char* Text;
};

constexpr TPngTextEntry PngTexts[] = {
    {TPngText::CannotAssignChunk, "The chunks must be compatible to be assigned."},
    {TPngText::UnexpectedEnd,
     "This \"Portable Network Graphics\" image is invalid because the decoder found an unexpected end "
     "of the file."},
    {TPngText::NoImageData, "This \"Portable Network Graphics\" image contains no data."},
    {TPngText::CannotChangeSize,
     "The \"Portable Network Graphics\" image can not be resize by changing width and height "
     "properties. Try assigning the image from a bitmap."},
    {TPngText::OutMemory,
     "Some operation could not be performed because the system is out of resources. Close some "
     "windows and try again."},
    {TPngText::HeaderNotPresent,
     "This operation is not valid because the current image contains no valid header."},
    {TPngText::InvalidCRC,
     "This \"Portable Network Graphics\" image is not valid because it contains invalid pieces of "
     "data (crc error)"},
    {TPngText::InvalidIHDR,
     "The \"Portable Network Graphics\" image could not be loaded because one of its main piece of "
     "data (ihdr) might be corrupted"},
    {TPngText::MissingMultipleIDAT,
     "This \"Portable Network Graphics\" image is invalid because it has missing image parts."},
    {TPngText::ZLIBError,
     "Could not decompress the image because it contains invalid compressed data.\r\n Description: "},
    {TPngText::InvalidPalette, "The \"Portable Network Graphics\" image contains an invalid palette."},
    {TPngText::InvalidFileHeader,
     "The file being readed is not a valid \"Portable Network Graphics\" image because it contains "
     "an invalid header. This file may be corruped, try obtaining it again."},
    {TPngText::IHDRNotFirst,
     "This \"Portable Network Graphics\" image is not supported or it might be invalid.\r\n(IHDR "
     "chunk is not the first)"},
    {TPngText::SizeExceeds,
     "This \"Portable Network Graphics\" image is not supported because either it's width or height "
     "exceeds the maximum size, which is 65535 pixels length."},
    {TPngText::UnknownPaletteEntry, "There is no such palette entry."},
    {TPngText::UnknownCriticalChunk,
     "This \"Portable Network Graphics\" image contains an unknown critical part which could not be "
     "decoded."},
    {TPngText::UnknownCompression,
     "This \"Portable Network Graphics\" image is encoded with an unknown compression scheme which "
     "could not be decoded."},
    {TPngText::UnknownInterlace,
     "This \"Portable Network Graphics\" image uses an unknown interlace scheme which could not be "
     "decoded."},
};

}  // namespace

const char* PngText(TPngText Id) {
  for (const TPngTextEntry& e : PngTexts)
    if (e.Id == Id) return e.Text;
  return "";
}

const char* PngText(int StringId) { return PngText(static_cast<TPngText>(StringId)); }

}  // namespace vr
