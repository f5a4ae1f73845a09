// libFuzzer target for the CP/M disk code: a drive of any contents (a
// damaged or hostile directory) under small settings taken from the input.
// Reading, deleting and writing must never crash, hang, grow the drive or
// touch it outside its size; a write that succeeds reads back the same bytes.
//
// Build: cmake -S . -B build-fuzz -DVELD_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++
//        cmake --build build-fuzz --target cpm_drive_fuzz
// Run:   build-fuzz/cpm_drive_fuzz fuzz/corpus/cpm_drive -max_total_time=300

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "memtools/cpm_disk.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

constexpr size_t kHeader = 10;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kHeader) return 0;
  CpmSettings s;
  s.secPerBlock = (data[0] & 1) ? 16 : 8;
  s.blocksPerDisk = 8 + data[1] % 300;
  s.secPerTrack = 1 + data[2] % 32;
  s.dirCnt = 1 + data[3] % 128;
  s.resTracks0 = data[4] % 4;
  s.resTracksX = (data[4] >> 2) % 4;
  s.diskCnt = 1 + data[5] % 3;
  int32_t user = data[6] % 17;  // 16 is invalid on purpose
  size_t writeSize = static_cast<size_t>(data[7]) * 97;
  const char* names[] = {"A:F.BIN", "B:F.BIN", "A:G", "C:LONGNAME.EXT", "A:BAD*"};
  const char* name = names[data[8] % 5];
  // Either the input as it is, or padded to the whole drive.
  std::vector<uint8_t> bytes(data + kHeader, data + size);
  if (data[9] & 1) {
    size_t full = static_cast<size_t>(s.diskCnt) * s.blocksPerDisk * s.secPerBlock * 128;
    if (bytes.size() < full) bytes.resize(full, 0xE5);
  }
  MemoryCpmDrive drive(bytes);
  const uint64_t driveSize = drive.Size();

  std::vector<uint8_t> out;
  CpmReadFile(drive, s, user, name, out);
  Check(out.size() <= static_cast<size_t>(kCpmMaxFileBytes));
  if (data[9] & 2) CpmDeleteFile(drive, s, user, name);
  std::vector<uint8_t> file(writeSize);
  for (size_t i = 0; i < file.size(); ++i) file[i] = static_cast<uint8_t>(i * 31 + 7);
  CpmResult w = CpmWriteFile(drive, s, user, name, file);
  Check(drive.Size() == driveSize);
  if (w.ok && !file.empty()) {
    CpmResult r = CpmReadFile(drive, s, user, name, out);
    Check(r.ok && out == file);
  }
  return 0;
}
