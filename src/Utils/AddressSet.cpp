#include "Utils/AddressSet.h"

#include <bit>

size_t AddressSet::slotOf(const void* address) const
{
    // Objects are aligned, so the low bits say little; the multiplication spreads the rest over the
    // high bits, which pick the slot.
    const uint64_t key = reinterpret_cast<uintptr_t>(address) * 0x9E3779B97F4A7C15ull;
    return static_cast<size_t>(key >> (64 - std::countr_zero(_capacity)));
}

bool AddressSet::contains(const void* address) const
{
    if (!address || _size == 0) return false;
    const size_t mask = _capacity - 1;
    for (size_t slot = slotOf(address);; slot = (slot + 1) & mask) {
        if (_slots[slot] == address) return true;
        if (!_slots[slot]) return false;
    }
}

bool AddressSet::insert(const void* address)
{
    if (!address) return false;
    // At most three quarters full, so that a run of taken slots stays short.
    if ((_size + 1) * 4 > _capacity * 3) rehash(_capacity ? _capacity * 2 : 16);
    const size_t mask = _capacity - 1;
    size_t slot = slotOf(address);
    for (; _slots[slot]; slot = (slot + 1) & mask) {
        if (_slots[slot] == address) return false;
    }
    _slots[slot] = address;
    ++_size;
    return true;
}

bool AddressSet::erase(const void* address)
{
    if (!address || _size == 0) return false;
    const size_t mask = _capacity - 1;
    size_t hole = slotOf(address);
    for (; _slots[hole] != address; hole = (hole + 1) & mask) {
        if (!_slots[hole]) return false;
    }
    // Moves back each later member of the run that its own slot allows into the hole, so that no
    // run is broken and a lookup can still stop at the first empty slot.
    for (size_t next = (hole + 1) & mask; _slots[next]; next = (next + 1) & mask) {
        const size_t home = slotOf(_slots[next]);
        // The member may move when its home is not inside (hole, next], cyclically.
        const bool homeAfterHole = hole <= next ? (hole < home && home <= next) : (hole < home || home <= next);
        if (!homeAfterHole) {
            _slots[hole] = _slots[next];
            hole = next;
        }
    }
    _slots[hole] = nullptr;
    --_size;
    return true;
}

void AddressSet::clear()
{
    _slots.reset();
    _capacity = 0;
    _size = 0;
}

void AddressSet::reserve(size_t count)
{
    if (count == 0) return;
    size_t capacity = _capacity ? _capacity : 16;
    while (count * 4 > capacity * 3) capacity *= 2;
    if (capacity > _capacity) rehash(capacity);
}

void AddressSet::rehash(size_t capacity)
{
    // Allocated before anything changes: when memory runs out, the set stays as it was.
    const size_t oldCapacity = _capacity;
    std::unique_ptr<const void*[]> old = std::make_unique<const void*[]>(capacity);
    old.swap(_slots);
    _capacity = capacity;
    const size_t mask = _capacity - 1;
    for (size_t i = 0; i < oldCapacity; ++i) {
        if (!old[i]) continue;
        size_t slot = slotOf(old[i]);
        while (_slots[slot]) slot = (slot + 1) & mask;
        _slots[slot] = old[i];
    }
}
