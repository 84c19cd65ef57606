#include "host/document_memory.h"

#include <malloc.h>
#include <sys/mman.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <pugixml.hpp>
#include <thread>
#include <utility>

namespace brevan {

namespace {

constexpr size_t kHugePage = size_t{2} << 20;
// pugixml asks for 32 KiB pages and, for long strings, blocks of their own;
// a region holds about a thousand pages.
constexpr size_t kRegionSize = size_t{32} << 20;
constexpr size_t kAlignment = 16;
// How far ahead of the blocks handed out a region's pages are made ready,
// at most: as far as the region is already used, so that a small document
// costs no more than the huge page it touches anyway.
constexpr size_t kAhead = size_t{4} << 20;
// Tiny documents take their memory from malloc: regions, their huge pages
// and the thread that prepares them pay from this much live memory on. A
// tiny workspace otherwise spent a tenth of its time on them; much more
// from malloc, and documents of a few MB pay for 4 KiB page faults instead
// (4 MiB made one of 2 MB a third slower).
constexpr size_t kSmallDocuments = size_t{64} << 10;

size_t RoundUp(size_t size, size_t to) { return (size + to - 1) / to * to; }

struct Region {
  size_t size = 0;
  size_t used = 0;
  size_t live = 0;       // blocks handed out and not yet given back
  size_t populated = 0;  // bytes asked to be made ready
};

// Makes pages ready (faulted in and zeroed by the kernel) on a thread of
// its own, ahead of the translation that will write them: on a machine
// with a core to spare, clearing fresh memory costs the translation nothing.
class Populator {
 public:
  // A populator with its thread running, or null when no thread can start
  // (then pages are made ready as they are first written, as usual).
  static Populator* Start() {
    try {
      auto populator = std::make_unique<Populator>();
      std::thread([p = populator.get()] { p->Run(); }).detach();
      return populator.release();  // lives as long as the process, like its thread
    } catch (const std::exception&) {
      return nullptr;
    }
  }

  // False when the request could not be queued.
  bool Request(char* begin, size_t size) {
    try {
      const std::lock_guard lock(mutex_);
      work_.emplace_back(begin, size);
    } catch (const std::bad_alloc&) {
      return false;
    }
    ready_.notify_one();
    return true;
  }

 private:
  [[noreturn]] void Run() {
    for (;;) {
      std::unique_lock lock(mutex_);
      ready_.wait(lock, [this] { return !work_.empty(); });
      const auto [begin, size] = work_.front();
      work_.pop_front();
      lock.unlock();
      // Leaves the contents alone; fails harmlessly on an old kernel or
      // when the region has gone meanwhile.
      madvise(begin, size, MADV_POPULATE_WRITE);
    }
  }

  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<std::pair<char*, size_t>> work_;
};

// Blocks are carved from the current region one after the other and never
// reused one by one: a region goes back to the kernel when its last block
// does, except the current one, which starts over. pugixml frees whole
// pages, all at once when a document goes, so this wastes little.
class Regions {
 public:
  // A block of size bytes; null when there is no memory for it (pugixml
  // expects null, not an exception).
  void* Allocate(size_t size) {
    size = RoundUp(size == 0 ? 1 : size, kAlignment);
    const std::lock_guard lock(mutex_);
    if (current_ == nullptr && fromMalloc_ + size <= kSmallDocuments) {
      void* block = std::malloc(size);
      if (block != nullptr) fromMalloc_ += malloc_usable_size(block);
      return block;
    }
    if (size > kRegionSize / 4) return Add(RoundUp(size, kHugePage), size, 1);
    if (current_ == nullptr || regions_.at(current_).size - regions_.at(current_).used < size) {
      char* base = Add(kRegionSize, 0, 0);
      if (base == nullptr) return nullptr;
      current_ = base;
    }
    Region& region = regions_.at(current_);
    void* block = current_ + region.used;
    region.used += size;
    ++region.live;
    const size_t wanted =
        std::min(region.size, RoundUp(region.used + std::min(region.used, kAhead), kHugePage));
    if (wanted > region.populated && !populatorFailed_) {
      if (populator_ == nullptr) populatorFailed_ = (populator_ = Populator::Start()) == nullptr;
      if (populator_ != nullptr &&
          populator_->Request(current_ + region.populated, wanted - region.populated))
        region.populated = wanted;
    }
    return block;
  }

  void Deallocate(void* block) {
    if (block == nullptr) return;
    char* const address = static_cast<char*>(block);
    const std::lock_guard lock(mutex_);
    auto found = regions_.upper_bound(address);
    if (found == regions_.begin() || address >= std::prev(found)->first + std::prev(found)->second.size) {
      // From malloc: for a small document, or before the switch (then not counted).
      fromMalloc_ -= std::min(fromMalloc_, malloc_usable_size(block));
      std::free(block);
      return;
    }
    --found;
    if (--found->second.live > 0) return;
    if (found->first == current_) {
      // Kept with its pages for the next document: fresh pages cost more
      // than reused ones, most of all to a tool translating many files.
      found->second.used = 0;
      return;
    }
    munmap(found->first, found->second.size);
    regions_.erase(found);
  }

  size_t Count() {
    const std::lock_guard lock(mutex_);
    return regions_.size();
  }

 private:
  // A new region of size bytes with used bytes in live blocks; its base,
  // or null when there is no memory for it.
  char* Add(size_t size, size_t used, size_t live) {
    char* base = Map(size);
    if (base == nullptr) return nullptr;
    try {
      regions_.emplace(base, Region{size, used, live});
    } catch (const std::bad_alloc&) {
      munmap(base, size);
      return nullptr;
    }
    return base;
  }

  // size bytes on a huge-page boundary, marked for huge pages; null when
  // the kernel refuses.
  static char* Map(size_t size) {
    void* raw = mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) return nullptr;
    const uintptr_t start = reinterpret_cast<uintptr_t>(raw);
    const uintptr_t aligned = RoundUp(start, kHugePage);
    if (aligned > start) munmap(raw, aligned - start);
    const uintptr_t end = start + size + kHugePage;
    if (end > aligned + size) munmap(reinterpret_cast<void*>(aligned + size), end - aligned - size);
    char* base = reinterpret_cast<char*>(aligned);
    madvise(base, size, MADV_HUGEPAGE);  // a hint: without huge pages all still works
    return base;
  }

  std::mutex mutex_;
  std::map<char*, Region> regions_;  // by base address
  char* current_ = nullptr;
  size_t fromMalloc_ = 0;  // live bytes handed out from malloc (small documents)
  Populator* populator_ = nullptr;
  bool populatorFailed_ = false;
};

Regions& TheRegions() {
  static Regions* regions = new Regions;  // never destroyed: documents may outlive statics
  return *regions;
}

std::atomic<bool> inUse{false};

void* AllocateBlock(size_t size) { return TheRegions().Allocate(size); }
void DeallocateBlock(void* block) { TheRegions().Deallocate(block); }

}  // namespace

void UseLargePages() {
  static std::once_flag once;
  std::call_once(once, [] {
    TheRegions();
    pugi::set_memory_management_functions(AllocateBlock, DeallocateBlock);
    inUse = true;
  });
}

void PrepareLargeBuffer(void* data, size_t bytes) {
  if (!inUse) return;
  constexpr uintptr_t kPage = 4096;
  const auto address = reinterpret_cast<uintptr_t>(data);
  const uintptr_t hugeBegin = RoundUp(address, kHugePage);
  const uintptr_t hugeEnd = (address + bytes) / kHugePage * kHugePage;
  if (hugeEnd > hugeBegin) madvise(reinterpret_cast<void*>(hugeBegin), hugeEnd - hugeBegin, MADV_HUGEPAGE);
  // One call makes every page ready: faulting them in one by one costs
  // far more, most of all on virtual machines.
  const uintptr_t begin = RoundUp(address, kPage);
  const uintptr_t end = (address + bytes) / kPage * kPage;
  if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
}

// From malloc when not from regions: a document made before the switch
// gives its blocks back through the regions, which free what is not
// theirs with free.
void* AllocateDocumentBlock(size_t bytes) { return inUse ? AllocateBlock(bytes) : std::malloc(bytes); }

void FreeDocumentBlock(void* block) {
  if (inUse)
    DeallocateBlock(block);
  else
    std::free(block);
}

size_t LargePageRegions() { return TheRegions().Count(); }

}  // namespace brevan
