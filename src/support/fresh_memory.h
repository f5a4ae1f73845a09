#pragma once
// Fresh memory made ready in one step.
//
// Each page of fresh memory costs a fault the first time it is touched; on a
// virtual machine that is several microseconds. A buffer that is about to be
// filled whole (a file read into it) is better made present at once: the
// system then maps its pages in one call, at about half the cost.

#include <cstddef>

// Makes the whole pages inside [data, data + size) present and writable.
// Only a hint: where the system cannot, nothing happens.
void PrepareForFilling(void* data, size_t size);
