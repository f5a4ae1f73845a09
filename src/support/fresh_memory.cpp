#include "support/fresh_memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace {

// Below this, the call costs about what the faults it saves cost.
constexpr size_t kWorthwhile = 8 * 1024;

}  // namespace

void PrepareForFilling(void* data, size_t size) {
#ifdef MADV_POPULATE_WRITE
  if (size < kWorthwhile) return;
  const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
  const auto start = reinterpret_cast<uintptr_t>(data);
  const uintptr_t first = (start + page - 1) & ~(page - 1);
  const uintptr_t end = (start + size) & ~(page - 1);
  if (end <= first) return;
  // Fails harmlessly on systems that do not know the advice.
  madvise(reinterpret_cast<void*>(first), end - first, MADV_POPULATE_WRITE);
#else
  (void)data;
  (void)size;
#endif
}
