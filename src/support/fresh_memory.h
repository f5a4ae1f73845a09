#pragma once
// Fresh memory made ready in one step.
//
// Each page of fresh memory costs a fault the first time it is touched; on a
// virtual machine that is several microseconds. A buffer that is about to be
// filled whole (a file read into it) is better made present at once: the
// system then maps its pages in one call, at about half the cost. A large one
// is better still held in huge pages (2 MB), which the system makes present
// a whole page at a time.

#include <cstddef>

// Makes the whole pages inside [data, data + size) present and writable.
// Only a hint: where the system cannot, nothing happens.
void PrepareForFilling(void* data, size_t size);

// Room for `size` bytes about to be filled whole. Large buffers are mapped
// from the system, 2 MB aligned, and asked to be held in huge pages: a buffer
// under 2 MB (from 512 KB) in one, a larger one in as many as it fills, its
// tail in small pages. `mapped` is then the length mapped, else 0 (heap room,
// made present by PrepareForFilling). Returns nullptr when no memory is left.
char* AllocateForFilling(size_t size, size_t& mapped);

// Gives back room from AllocateForFilling.
void FreeForFilling(char* data, size_t mapped);

// Called first thing in main, with an address above main's frame (argv).
// Asks the heap to grow in steps of 1 MB beyond what is asked for, instead of
// 128 KB: a large source's run then grows it in a few calls instead of dozens
// (the room grown into and not yet used is not memory held). Then makes
// present in a few calls what every run touches: the stack (main's frame
// holds the assembly context), the program's zeroed data and the first room
// of the heap.
void PrepareProcessMemory(void* stackTop);

// Makes present about `bytes` (at most 1 MB) of the heap's free room, for a
// run that is about to allocate that much.
void PrepareHeapGrowth(size_t bytes);
