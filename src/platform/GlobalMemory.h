// Movable global memory blocks: the way packed device-independent bitmaps
// travel between the image loader, the TIFF loader and the scanner layer.
//
// A block is named by an opaque handle (never a pointer). GlobalLock pins the
// block and gives its address, GlobalUnlock releases one lock, GlobalFree
// releases the block (also while locked). Handles are never reused, so a
// stale or doubly freed handle is recognised and refused instead of touching
// freed memory. All functions may be called from any thread.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

using GlobalHandle = uintptr_t;  // 0 is "no block"

// Allocation flags, with their usual values.
constexpr uint32_t kGmemFixed = 0x0000;
constexpr uint32_t kGmemMoveable = 0x0002;
constexpr uint32_t kGmemZeroInit = 0x0040;

// The largest block handed out; bigger requests fail like an exhausted heap.
constexpr size_t kMaxGlobalBlock = size_t{1} << 30;

// A new block of `bytes` bytes (at least 1 is reserved), zero-filled with
// kGmemZeroInit; 0 when the memory cannot be had.
GlobalHandle GlobalAlloc(uint32_t flags, size_t bytes);
// The block's address, counting one more lock; nullptr for an unknown handle.
void* GlobalLock(GlobalHandle handle);
// Releases one lock; true while the block is still locked afterwards.
bool GlobalUnlock(GlobalHandle handle);
// Releases the block: 0 on success, the handle itself when it is unknown.
GlobalHandle GlobalFree(GlobalHandle handle);
// The block's size in bytes; 0 for an unknown handle.
size_t GlobalSize(GlobalHandle handle);

}  // namespace platform
