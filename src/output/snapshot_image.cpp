#include "output/snapshot_image.h"

#include "assembler/assembly.h"
#include "output/output_defs.h"

namespace {

// Logical address of the first byte of each bank as the snapshot sees it.
constexpr uint32_t kBankAddress[8] = {0xC000,  0x14000, 0x8000,  0x1C000,
                                      0x20000, 0x4000,  0x28000, 0x2C000};

// The Next keeps bank n in its 8K pages 2n and 2n + 1.
constexpr uint32_t NextBankAddress(int bank) {
  return 0x40000 + static_cast<uint32_t>(bank) * kBankSize;
}

bool InSixtyFourKView(int bank) { return bank == 5 || bank == 2 || bank == 0; }

std::string ReadBankAt(const Assembly& a, uint32_t address) {
  return FetchRangeBytes(a, address, kBankSize);
}

}  // namespace

std::string SnapshotBank(const Assembly& a, int bank) {
  if (IsNext(a.machine.model) && !InSixtyFourKView(bank))
    return ReadBankAt(a, NextBankAddress(bank));
  return ReadBankAt(a, kBankAddress[bank]);
}

std::string PagedBank(const Assembly& a, int bank) {
  if (IsNext(a.machine.model)) return ReadBankAt(a, NextBankAddress(bank));
  return ReadBankAt(a, kBankAddress[bank]);
}

bool Is128KClass(uint8_t model) { return Is128KFamily(model); }

std::string FixedText(std::string_view text, size_t size) {
  std::string field(text.substr(0, size - 1));
  field.resize(size, '\0');
  return field;
}
