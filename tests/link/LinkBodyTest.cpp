#include "link/server/link_body.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

TEST(LinkBody, KeepsSmallBodiesInMemoryWithinTheSharedBudgetAndTheRestOnDisk)
{
    TempDir folder;
    const struct {
        std::vector<size_t> pieces;
        size_t memory_limit;
        size_t already_used; // by other bodies
        bool on_disk;
    } cases[] = {
        {{10, 20}, 50, 0, false}, {{40, 20}, 50, 0, true},  {{50}, 50, 0, false},
        {{30}, 50, 80, true},     {{0, 0}, 50, 100, false}, {{20, 5000, 7}, 50, 0, true},
    };
    for (const auto& c : cases) {
        link_body_budget budget(100);
        budget.used = c.already_used;
        std::string expected;
        {
            link_body body(budget, folder.path(), c.memory_limit);
            for (const size_t piece : c.pieces) {
                const std::string bytes(piece, static_cast<char>('a' + expected.size() % 26));
                ASSERT_TRUE(body.append(bytes));
                expected += bytes;
            }
            EXPECT_EQ(body.on_disk(), c.on_disk) << expected.size();
            EXPECT_EQ(body.size(), expected.size());
            EXPECT_EQ(std::string(body.view()), expected);
            EXPECT_LE(budget.used.load(), budget.limit);
            EXPECT_EQ(budget.used - c.already_used, c.on_disk ? 0 : expected.size()) << expected.size();
        }
        EXPECT_EQ(budget.used.load(), c.already_used) << "the body gave its share back";
        EXPECT_TRUE(std::filesystem::is_empty(folder.path())) << "nothing left in the folder";
    }
}

TEST(LinkBody, ABodyThatCannotGoToDiskIsRefused)
{
    link_body_budget budget(10);
    link_body body(budget, "/nonexistent/folder", 10);
    EXPECT_TRUE(body.append("0123456789"));
    EXPECT_FALSE(body.append("x"));
    EXPECT_EQ(budget.used.load(), 10u);
}

} // namespace
