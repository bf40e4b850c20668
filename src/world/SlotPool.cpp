#include "world/SlotPool.h"

#include <cstdlib>
#include <new>

#include <sys/mman.h>

#if defined(__has_feature)
#if __has_feature(address_sanitizer) && !defined(__SANITIZE_ADDRESS__)
#define __SANITIZE_ADDRESS__ 1
#endif
#endif
// Under AddressSanitizer a free slot is poisoned, so a use after delete is caught.
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define DROVAN_POISON(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#define DROVAN_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#else
#define DROVAN_POISON(p, n) ((void)(p), (void)(n))
#define DROVAN_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

SlotPool::SlotPool(size_t objectSize) : slotBytes((objectSize + kLine - 1) / kLine * kLine) {}

SlotPool::~SlotPool() {
    for (char *b : blocks) {
        DROVAN_UNPOISON(b, kBlockBytes);
        std::free(b);
    }
}

void SlotPool::addBlock() {
    char *b = static_cast<char *>(std::aligned_alloc(kBlockBytes, kBlockBytes));
    if (!b) throw std::bad_alloc();
    // Advice only: without huge pages the block works the same.
    madvise(b, kBlockBytes, MADV_HUGEPAGE);
    blocks.push_back(b);
    size_t n = kBlockBytes / slotBytes;
    // Pushed last to first, so the block is given out from its start.
    for (size_t k = n; k-- > 0;) freeSlots.push_back(b + k * slotBytes);
    DROVAN_POISON(b, kBlockBytes);
}

void *SlotPool::allocate() {
    if (freeSlots.empty()) addBlock();
    void *p = freeSlots.back();
    freeSlots.pop_back();
    live++;
    DROVAN_UNPOISON(p, slotBytes);
    return p;
}

void SlotPool::release(void *p) {
    if (!p) return;
    DROVAN_POISON(p, slotBytes);
    freeSlots.push_back(p);
    live--;
}
