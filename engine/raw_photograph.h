// The Auto load: the photograph, not a thumbnail. A camera file's embedded
// preview is often a thumbnail (80 x 60 for some Kodak files, 640 x 480 for
// Canon CRW), and FreeImage's own RAW renderings leave out the automatic
// brightness that every RAW developer applies. Auto therefore takes the
// preview only when it holds the whole picture and otherwise renders the RAW
// data with LibRaw's defaults and the camera's white balance: 8 bits per
// channel in sRGB, upright.
//
// Needs FreeImage and LibRaw only, so that every process that decodes (a
// console run's copy, the window's decoder helper) can run it.
#pragma once

#include <string>

#include "engine/bitmap.h"

namespace pictavo {

// The load flags that stand for LoadRawPhotograph among the decoder attempts.
// No FreeImage flag uses this bit; it never reaches FreeImage.
inline constexpr int kRawPhotographFlags = 0x40000000;

// Whether a preview of the given size counts as the photograph: both sides
// at least 90 % of the full picture's, as it stands upright.
bool PreviewHoldsWholePicture(int previewWidth, int previewHeight, int fullWidth, int fullHeight);

// Turns a picture the way LibRaw turns its renderings for a flip code
// (imgdata.sizes.flip: 0 upright, 3 half a turn, 5 a quarter turn to the
// left, 6 to the right; bits 1 and 2 mirror, bit 4 transposes). Null when
// FreeImage cannot turn it.
Bitmap TurnByFlip(Bitmap image, int flip);

// The file as the photograph (see above). When the rendering fails, any
// preview is better than nothing and is given instead. Null when LibRaw does
// not know the file or gives no picture at all; the caller then tries the
// other decoders.
Bitmap LoadRawPhotograph(const std::string& path);

}  // namespace pictavo
