#pragma once

// How the C library's allocator keeps memory, for a window that runs for days
// and is idle nearly all of that time.
namespace HeapTuning {

// Blocks of 128 KiB and more (decoded pictures, large query results) get
// pages of their own, which go back to the system when they are freed. The
// allocator otherwise raises that limit to the largest block freed so far,
// after which every picture of that size is carved from the heap and its
// pages stay with the process once it is freed.
void KeepLargeBlocksApart();

// Gives the heap's free pages back to the system a few seconds after the last
// call (interface thread): after a burst of work such as building a view,
// whose passing allocations leave free but resident pages behind.
void ReturnFreeMemorySoon();

} // namespace HeapTuning
