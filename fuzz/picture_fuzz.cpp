// libFuzzer target for the picture readers: any bytes, read as a bitmap or a
// PNG file, must give a picture or a refusal without a crash, a read past
// the buffer or a hang; a picture read must be complete.
//
// Build: cmake -S . -B build-fuzz -DVELD_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++
//        cmake --build build-fuzz --target picture_fuzz
// Run:   build-fuzz/picture_fuzz fuzz/corpus/picture -max_total_time=300

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "support/picture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (const Picture& p : {ReadPicture(bytes), ReadBmpPicture(bytes), ReadPngPicture(bytes)}) {
    if (p.status == PictureStatus::kOk) {
      if (p.width <= 0 || p.height <= 0 || p.paletteCount < 0 || p.paletteCount > 256) abort();
      if (p.pixels.size() != static_cast<size_t>(p.width) * static_cast<size_t>(p.height)) abort();
    } else if (!p.pixels.empty()) {
      abort();
    }
    if (p.status == PictureStatus::kBroken && p.problem.empty()) abort();
  }
  return 0;
}
