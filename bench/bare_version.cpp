// pictavo_bare_version
//
// The least a FreeImage program does: start, initialise FreeImage and print
// its version. scripts/benchmark.sh times `pictavo -v` and `pictavo -h`
// against it, so what the program adds to every run shows on its own.
#include <FreeImage.h>

#include <cstdio>

int main() {
  FreeImage_Initialise(FALSE);
  std::printf("FreeImage %s\n", FreeImage_GetVersion());
  FreeImage_DeInitialise();
  return 0;
}
