// Replaces the global allocation functions of the test program so a test can
// count the heap allocations made while it watches (the evaluator's integer
// path must make none). Kept in a file of its own so that no inlined call
// site sees both the replacement and a library deallocation.

#include <atomic>
#include <cstdlib>
#include <new>

#include "eval_test_support.h"

namespace eval_test {
std::atomic<bool> countAllocations{false};
std::atomic<long> allocations{0};
}  // namespace eval_test

void* operator new(std::size_t n) {
  if (eval_test::countAllocations.load(std::memory_order_relaxed)) ++eval_test::allocations;
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
// The nothrow forms (std::stable_sort's temporary buffer uses them) must come
// from the same heap as the deletes above.
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
  if (eval_test::countAllocations.load(std::memory_order_relaxed)) ++eval_test::allocations;
  return std::malloc(n ? n : 1);
}
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
