// Ownership of FreeImage handles. A picture step takes a Bitmap and returns a
// Bitmap, so the handle it was given is released by construction whenever it
// makes a new one.
#pragma once

#include <FreeImage.h>

#include <memory>

namespace pictavo {

struct FreeImageUnload {
  void operator()(FIBITMAP* bitmap) const {
    if (bitmap) FreeImage_Unload(bitmap);
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
