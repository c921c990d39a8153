#include "allocation_counter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::size_t> held{0};
std::atomic<std::size_t> peak{0};
std::atomic<std::size_t> baseline{0};

// Each block carries its size in front, so that delete can count it off.
constexpr std::size_t header = alignof(std::max_align_t);

void* allocate(std::size_t size)
{
    void* block = std::malloc(size + header);
    if (block == nullptr) throw std::bad_alloc();
    *static_cast<std::size_t*>(block) = size;
    const std::size_t now = held.fetch_add(size, std::memory_order_relaxed) + size;
    std::size_t seen = peak.load(std::memory_order_relaxed);
    while (now > seen && !peak.compare_exchange_weak(seen, now, std::memory_order_relaxed)) {
    }
    return static_cast<char*>(block) + header;
}

void release(void* p) noexcept
{
    if (p == nullptr) return;
    void* block = static_cast<char*>(p) - header;
    held.fetch_sub(*static_cast<std::size_t*>(block), std::memory_order_relaxed);
    std::free(block);
}

} // namespace

namespace allocation_counter {

std::size_t current() noexcept { return held.load(); }

void start() noexcept
{
    baseline = held.load();
    peak = baseline.load();
}

std::size_t peak_since_start() noexcept { return peak.load() - baseline.load(); }

} // namespace allocation_counter

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void operator delete(void* p) noexcept { release(p); }
void operator delete[](void* p) noexcept { release(p); }
void operator delete(void* p, std::size_t) noexcept { release(p); }
void operator delete[](void* p, std::size_t) noexcept { release(p); }
