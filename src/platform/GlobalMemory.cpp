// Movable global memory blocks (see GlobalMemory.h): a table from handle to
// block under one mutex. Handles count up from an odd start and are never
// handed out twice.
#include "platform/GlobalMemory.h"

#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <new>

namespace platform {
namespace {

struct Block {
  std::unique_ptr<uint8_t[]> Data;
  size_t Size = 0;
  uint32_t Locks = 0;
};

struct BlockTable {
  std::mutex Lock;
  std::map<GlobalHandle, Block> Blocks;
  GlobalHandle Next = 0x1001;
};

BlockTable& Table() {
  static BlockTable table;
  return table;
}

}  // namespace

GlobalHandle GlobalAlloc(uint32_t flags, size_t bytes) {
  if (bytes > kMaxGlobalBlock) return 0;
  const size_t reserved = bytes == 0 ? 1 : bytes;
  std::unique_ptr<uint8_t[]> data(new (std::nothrow) uint8_t[reserved]);
  if (!data) return 0;
  if (flags & kGmemZeroInit) std::memset(data.get(), 0, reserved);
  BlockTable& table = Table();
  std::lock_guard<std::mutex> guard(table.Lock);
  const GlobalHandle handle = table.Next;
  table.Next += 2;
  table.Blocks.emplace(handle, Block{std::move(data), bytes, 0});
  return handle;
}

void* GlobalLock(GlobalHandle handle) {
  BlockTable& table = Table();
  std::lock_guard<std::mutex> guard(table.Lock);
  const auto it = table.Blocks.find(handle);
  if (it == table.Blocks.end()) return nullptr;
  ++it->second.Locks;
  return it->second.Data.get();
}

bool GlobalUnlock(GlobalHandle handle) {
  BlockTable& table = Table();
  std::lock_guard<std::mutex> guard(table.Lock);
  const auto it = table.Blocks.find(handle);
  if (it == table.Blocks.end() || it->second.Locks == 0) return false;
  return --it->second.Locks > 0;
}

GlobalHandle GlobalFree(GlobalHandle handle) {
  BlockTable& table = Table();
  std::lock_guard<std::mutex> guard(table.Lock);
  return table.Blocks.erase(handle) == 1 ? 0 : handle;
}

size_t GlobalSize(GlobalHandle handle) {
  BlockTable& table = Table();
  std::lock_guard<std::mutex> guard(table.Lock);
  const auto it = table.Blocks.find(handle);
  return it == table.Blocks.end() ? 0 : it->second.Size;
}

}  // namespace platform
