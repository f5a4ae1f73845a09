// libFuzzer target for the hex reader of IMPORT_HEX: any bytes, read with any
// maximum length, must decode without a crash or a hang into records that lie
// inside the byte buffer, never more bytes than the maximum, and the same
// records when read again.
//
// Build: cmake -S . -B build-fuzz -DVELD_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++
//        cmake --build build-fuzz --target hex_import_fuzz
// Run:   build-fuzz/hex_import_fuzz fuzz/corpus/hex_import -max_total_time=300

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "memtools/hex_import.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  // The first byte picks the maximum length: none, or 0..254 bytes.
  int64_t maxBytes = data[0] == 255 ? -1 : data[0];
  std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  HexDecodeResult r = DecodeHexText(text, maxBytes);
  if (!r.error.empty()) {
    Check(r.data.records.empty() && r.data.bytes.empty());
    return 0;
  }
  uint64_t total = 0;
  for (const HexRecord& rec : r.data.records) {
    Check(rec.length > 0 && rec.length <= 255);
    Check(rec.offset == total);
    total += rec.length;
  }
  Check(total == r.data.bytes.size());
  if (maxBytes >= 0) Check(total <= static_cast<uint64_t>(maxBytes));
  HexDecodeResult again = DecodeHexText(text, maxBytes);
  Check(again.data.bytes == r.data.bytes && again.data.records.size() == r.data.records.size());
  return 0;
}
