#include "support/fresh_memory.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <new>

namespace {

// Below this, the call costs about what the faults it saves cost.
constexpr size_t kWorthwhile = 8 * 1024;

constexpr size_t kHugePage = size_t{2} << 20;

// From a quarter of a huge page, zeroing one huge page costs less than
// faulting the buffer's small pages (128 or more), and the memory it holds
// beyond the buffer is at most three times the buffer.
constexpr size_t kHugeWorthwhile = kHugePage / 4;

char* HeapRoom(size_t size) {
  char* p = new (std::nothrow) char[size];
  if (p) PrepareForFilling(p, size);
  return p;
}

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

char* AllocateForFilling(size_t size, size_t& mapped) {
  mapped = 0;
#if defined(MADV_HUGEPAGE) && defined(MADV_POPULATE_WRITE)
  if (size < kHugeWorthwhile || size > SIZE_MAX / 2 - kHugePage) return HeapRoom(size);
  // A buffer under one huge page takes a whole one; a larger one keeps its
  // tail in small pages, so it holds no memory it does not use.
  const size_t whole = size < kHugePage ? kHugePage : size & ~(kHugePage - 1);
  const auto page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  const size_t length = size < kHugePage ? kHugePage : (size + page - 1) & ~(page - 1);
  void* m =
      mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (m == MAP_FAILED) return HeapRoom(size);
  // Only the aligned part is kept: a huge page must start on a 2 MB bound.
  const auto start = reinterpret_cast<uintptr_t>(m);
  const uintptr_t aligned = (start + kHugePage - 1) & ~(kHugePage - 1);
  if (aligned > start) munmap(m, aligned - start);
  const uintptr_t slackEnd = start + length + kHugePage;
  if (slackEnd > aligned + length)
    munmap(reinterpret_cast<void*>(aligned + length), slackEnd - (aligned + length));
  char* data = reinterpret_cast<char*>(aligned);
  // Both are hints: where the system holds no huge page, small pages serve.
  madvise(data, whole, MADV_HUGEPAGE);
  // Only the pages the buffer covers: a huge page is made present whole
  // anyway, and where the system gives small pages the rest stays unused.
  madvise(data, (size + page - 1) & ~(page - 1), MADV_POPULATE_WRITE);
  mapped = length;
  return data;
#else
  return HeapRoom(size);
#endif
}

void FreeForFilling(char* data, size_t mapped) {
  if (mapped > 0)
    munmap(data, mapped);
  else
    delete[] data;
}

void GrowHeapInLargeSteps() {
#ifdef M_TOP_PAD
  mallopt(M_TOP_PAD, 1 << 20);
#endif
}
