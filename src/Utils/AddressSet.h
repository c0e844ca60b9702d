#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// A set of addresses in one flat table: 8 bytes a slot and no allocation per member, where a node
// based set costs a bucket and an allocation of its own for every member. Addresses are only
// compared, never followed: an address whose object is gone may still be asked about.
class AddressSet {
public:
    AddressSet() = default;
    AddressSet(const AddressSet&) = delete;
    AddressSet& operator=(const AddressSet&) = delete;

    // False when the address was there already. Null is never a member.
    bool insert(const void* address);
    // False when the address was not there.
    bool erase(const void* address);
    bool contains(const void* address) const;
    size_t size() const { return _size; }
    bool empty() const { return _size == 0; }
    // Room for that many members in all, so that inserting up to them never grows the table.
    void reserve(size_t count);
    // Lets go of the table as well.
    void clear();

private:
    size_t slotOf(const void* address) const;
    void rehash(size_t capacity);

    std::unique_ptr<const void*[]> _slots;
    size_t _capacity = 0; // a power of two, or 0
    size_t _size = 0;
};
