#include "support/fresh_memory.h"

#include <alloca.h>
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <new>

namespace {

// Below this, the call costs about what the faults it saves cost.
constexpr size_t kWorthwhile = 8 * 1024;

constexpr size_t kHugePage = size_t{2} << 20;

// From a quarter of a huge page, zeroing one huge page costs less than
// faulting the buffer's small pages (128 or more), and the memory it holds
// beyond the buffer is at most three times the buffer.
constexpr size_t kHugeWorthwhile = kHugePage / 4;

uintptr_t PageSize() { return static_cast<uintptr_t>(sysconf(_SC_PAGESIZE)); }

// Makes the pages from the one holding `from` to the one holding `to - 1`
// present, for writing or for reading.
void MakePresent(uintptr_t from, uintptr_t to, int advice) {
  const uintptr_t page = PageSize();
  from &= ~(page - 1);
  to = (to + page - 1) & ~(page - 1);
  if (to > from) madvise(reinterpret_cast<void*>(from), to - from, advice);
}

// How far below main's frame a run's calls reach, with room to spare.
constexpr size_t kStackDepth = 64 * 1024;
constexpr size_t kFirstHeapRoom = 64 * 1024;
// The heap is prepared in blocks the allocator takes from its own room
// (from 128 KB it maps blocks apart), and at most as much as it grows by in
// one step, so that none of it is given back.
constexpr size_t kHeapBlock = 120 * 1024;
constexpr size_t kMostHeapRoom = 1 << 20;

char* HeapRoom(size_t size) {
  char* p = new (std::nothrow) char[size];
  if (p) PrepareForFilling(p, size);
  return p;
}

}  // namespace

void PrepareForFilling(void* data, size_t size) {
#ifdef MADV_POPULATE_WRITE
  if (size < kWorthwhile) return;
  const uintptr_t page = PageSize();
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
  const size_t page = PageSize();
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

// The bounds of the program's zeroed data, from the linker; null where it
// does not name them.
extern "C" {
[[gnu::weak]] extern char __bss_start[];
[[gnu::weak]] extern char _end[];
}

void PrepareHeapGrowth(size_t bytes) {
#ifdef MADV_POPULATE_WRITE
  bytes = bytes < kMostHeapRoom ? bytes : kMostHeapRoom;
  // Blocks taken one after the other from the heap's free room and given
  // back in the opposite order, each joining that room again: its pages stay
  // present for what the run allocates next.
  void* blocks[kMostHeapRoom / kHeapBlock + 1];
  size_t n = 0;
  for (size_t done = 0; done < bytes && n < std::size(blocks); done += kHeapBlock) {
    const size_t size = bytes - done < kHeapBlock ? bytes - done : kHeapBlock;
    void* b = std::malloc(size);
    if (!b) break;
    PrepareForFilling(b, size);
    blocks[n++] = b;
  }
  while (n > 0) std::free(blocks[--n]);
#else
  (void)bytes;
#endif
}

[[gnu::noinline]] void PrepareProcessMemory(void* stackTop) {
#ifdef M_TOP_PAD
  mallopt(M_TOP_PAD, static_cast<int>(kMostHeapRoom));
#endif
#ifdef MADV_POPULATE_WRITE
  // One fault takes the stack's mapping down to the deepest frame expected;
  // everything from there up to the caller's frame (main's, which holds the
  // assembly context) is then made present at once.
  volatile char* deepest = static_cast<volatile char*>(alloca(kStackDepth));
  deepest[0] = 0;
  MakePresent(reinterpret_cast<uintptr_t>(deepest), reinterpret_cast<uintptr_t>(stackTop),
              MADV_POPULATE_WRITE);
  if (__bss_start && _end)
    MakePresent(reinterpret_cast<uintptr_t>(__bss_start), reinterpret_cast<uintptr_t>(_end),
                MADV_POPULATE_WRITE);
#else
  (void)stackTop;
#endif
  PrepareHeapGrowth(kFirstHeapRoom);
}
