// The records of enhanced (EMF) and Windows (WMF) metafiles, checked before
// the system is given them. The system's player takes every size, count,
// offset and object index in a record at its word, so a damaged file would
// make it read outside the data or use handles that do not exist. These
// checks walk every record and refuse, with "Metafile is not valid", any
// record whose fields would lead the player outside its data:
//   - record sizes: at least the record's header, inside the data;
//   - the fixed fields each record kind has, and the counted parts that
//     follow them (points, polygon counts, strings, spacing, palette
//     entries, region rectangles, style entries, gradient vertices);
//   - object indices inside the table the header declares;
//   - bitmaps inside records: a header the system accepts, the colour table
//     and the pixels it reads inside the record (rows, or run-length codes
//     up to their end; nothing of a JPEG or PNG image inside, which only a
//     printer draws);
//   - limits against files that would take the player minutes or gigabytes
//     (saved states, region rectangles).
// Brushes and pens whose pattern is a memory address or handle stored in
// the file (which means nothing in another process) are turned into solid
// ones, and a request for a pixel format into a comment; the rest of the
// picture stays. Pure C++.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vr {

// One entry of a metafile's palette, as the file stores it.
struct TPaletteEntry {
  uint8_t Red = 0, Green = 0, Blue = 0, Flags = 0;
};

// A whole EMF (as ReadEnhancedMetafile returns it): the header record at
// least 88 bytes with at least one object slot; every record at least 8
// bytes, a multiple of 4 and inside the data, to the end of the data; the
// contents of every record as above; the header's palette count equal to
// that of the first end-of-file record, whose palette lies inside it.
// Returns the number of palette entries.
uint32_t CheckEnhancedMetafileRecords(uint8_t* Data, size_t Size);

// The records of a placeable WMF (after its placeable header): an 18-byte
// header of type 1 or 2 and 9 words, then records of at least 3 words
// inside the total size the header gives (or inside the data, when that
// claims more: the header is then made to say so), each with the contents
// above, up to the end record or exactly to the total size. Returns what
// the player is to be handed: the metafile without the bytes past its
// total size, then zeros as far as the player reads past it (the face name
// of a font record, always 32 bytes, may reach past a short record).
// Bitmaps are prepared for the conversion into an enhanced metafile.
std::vector<uint8_t> CheckWindowsMetafileRecords(std::vector<uint8_t> Records);

// The palette an EMF carries in its first end-of-file record; none without
// that record, or when the entries would lie outside it.
std::vector<TPaletteEntry> EnhancedMetafilePalette(const uint8_t* Data, size_t Size);

}  // namespace vr
