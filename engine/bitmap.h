// Ownership of FreeImage handles. A picture step takes a Bitmap and returns a
// Bitmap, so the handle it was given is released by construction whenever it
// makes a new one.
#pragma once

#include <FreeImage.h>

#include <memory>

namespace pictavo {

struct FreeImageUnload {
  // A bitmap may wrap pixels it does not own (a decode handed over in shared
  // memory); their owner is kept here and let go once the bitmap is unloaded.
  std::shared_ptr<void> pixelOwner;

  void operator()(FIBITMAP* bitmap) {
    if (bitmap) FreeImage_Unload(bitmap);
    pixelOwner.reset();
  }
};
using Bitmap = std::unique_ptr<FIBITMAP, FreeImageUnload>;

struct FreeImageCloseMemory {
  void operator()(FIMEMORY* memory) const {
    if (memory) FreeImage_CloseMemory(memory);
  }
};
using MemoryStream = std::unique_ptr<FIMEMORY, FreeImageCloseMemory>;

}  // namespace pictavo
