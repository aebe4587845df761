// Playback of an enhanced metafile into a rectangle, record by record,
// passing over shapes whose device coordinates are absurd.
#pragma once

#include <windows.h>

namespace vr {

// Plays Metafile into Target (its frame mapped onto the rectangle's pixels
// inclusively) as the system's own playback does, except that drawing
// records whose points, or pens whose width, lie beyond ±131072 device
// pixels are skipped.
void PlayMetafileRecords(HDC DC, HENHMETAFILE Metafile, const RECT& Target);

}  // namespace vr
