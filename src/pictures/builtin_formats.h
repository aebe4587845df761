// The formats every picture holder knows from the start: metafiles, icons
// and bitmaps, the framework's own image classes. The registry and the
// clipboard list call these once, when they are first used; the image
// libraries register their formats at the program's start.
#pragma once

namespace vr {

class TClipboardFormats;
class TFileFormatsList;

// "wmf", "emf", "ico" and "bmp", in this order.
void RegisterBuiltInFormats(TFileFormatsList& List);
// The system's metafile, enhanced-metafile and bitmap clipboard formats.
void RegisterBuiltInClipboardFormats(TClipboardFormats& Formats);

}  // namespace vr
