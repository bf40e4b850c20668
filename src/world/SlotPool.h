#pragma once
#include <cstddef>
#include <vector>

// Fixed-size slots carved from large blocks, for objects made and dropped by
// the thousand every step (atoms). Slots start on cache-line boundaries and
// the blocks ask for huge pages, so walks over many objects touch fewer lines
// and pages than scattered heap objects do. A freed slot is the next one given
// out (last in, first out).
class SlotPool {
public:
    static constexpr size_t kLine = 64;
    static constexpr size_t kBlockBytes = size_t(2) << 20;

    explicit SlotPool(size_t objectSize);
    ~SlotPool();
    SlotPool(const SlotPool &) = delete;
    SlotPool &operator=(const SlotPool &) = delete;

    void *allocate();
    void release(void *p);

    size_t slotSize() const { return slotBytes; }
    size_t liveCount() const { return live; }
    size_t blockCount() const { return blocks.size(); }

private:
    void addBlock();

    size_t slotBytes;
    size_t live = 0;
    std::vector<char *> blocks;
    std::vector<void *> freeSlots;
};
