#include "Utils/AddressSet.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <unordered_set>
#include <vector>

namespace {

const void* address(uintptr_t value)
{
    return reinterpret_cast<const void*>(value);
}

// Inserts and erases mixed at random, checked against a node based set after every step and over
// every address ever used: erasing from the middle of a run of taken slots, and growing, must lose
// no member and keep no former one.
TEST(AddressSet, AgreesWithANodeBasedSetThroughInsertsAndErases)
{
    const struct {
        const char* name;
        size_t addresses; // drawn from this many
        uintptr_t stride; // apart, as objects of one size are
        int insertPercent;
        size_t steps;
    } cases[] = {
        {"few addresses, mostly erased", 40, 16, 40, 4000},
        {"many objects of one size", 50000, 512, 70, 120000},
        {"neighbouring bytes", 3000, 1, 55, 30000},
        {"large strides, full table", 20000, 1 << 20, 90, 40000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::mt19937 random(7);
        std::uniform_int_distribution<size_t> pick(1, c.addresses);
        std::uniform_int_distribution<int> percent(0, 99);
        AddressSet set;
        std::unordered_set<const void*> expected;
        size_t disagreements = 0;
        for (size_t step = 0; step < c.steps; ++step) {
            const void* a = address(0x10000 + pick(random) * c.stride);
            if (percent(random) < c.insertPercent) {
                if (set.insert(a) != expected.insert(a).second) ++disagreements;
            } else if (set.erase(a) != (expected.erase(a) == 1)) {
                ++disagreements;
            }
            if (set.size() != expected.size()) ++disagreements;
        }
        for (size_t i = 0; i <= c.addresses + 1; ++i) {
            const void* a = address(0x10000 + i * c.stride);
            if (set.contains(a) != (expected.count(a) == 1)) ++disagreements;
        }
        EXPECT_EQ(disagreements, 0u);
    }
}

// Reserving moves the members into a table of the new size: none may be lost, whether it comes
// before any member, between them or asks for less than there is.
TEST(AddressSet, ReservingKeepsEveryMember)
{
    const struct {
        size_t before;
        size_t reserved;
        size_t after;
    } cases[] = {{0, 0, 10}, {0, 1000, 1000}, {300, 100, 700}, {500, 5000, 4500}, {12, 13, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.before << " then " << c.reserved << " reserved then " << c.after);
        AddressSet set;
        const size_t total = c.before + c.after;
        for (size_t i = 1; i <= c.before; ++i) set.insert(address(i * 48));
        set.reserve(c.reserved);
        for (size_t i = c.before + 1; i <= total; ++i) set.insert(address(i * 48));
        EXPECT_EQ(set.size(), total);
        size_t wrong = 0;
        for (size_t i = 1; i <= total + 50; ++i) wrong += set.contains(address(i * 48)) != (i <= total);
        EXPECT_EQ(wrong, 0u);
    }
}

TEST(AddressSet, NullIsNeverAMemberAndClearEmptiesTheSet)
{
    AddressSet set;
    EXPECT_FALSE(set.contains(address(64)));
    EXPECT_FALSE(set.erase(address(64)));
    EXPECT_FALSE(set.insert(nullptr));
    EXPECT_FALSE(set.contains(nullptr));
    for (uintptr_t i = 1; i <= 100; ++i) set.insert(address(i * 8));
    EXPECT_EQ(set.size(), 100u);
    set.clear();
    EXPECT_TRUE(set.empty());
    EXPECT_FALSE(set.contains(address(8)));
    EXPECT_TRUE(set.insert(address(8)));
    EXPECT_TRUE(set.contains(address(8)));
}

} // namespace
