#include "Utils/RandomData.h"

#include <gtest/gtest.h>

#include <array>
#include <bitset>
#include <sys/wait.h>
#include <unistd.h>

namespace {

TEST(RandomData, EveryByteValueOccursAndCallsDiffer)
{
    const auto data = randomDataWithLength(64 * 1024);
    std::bitset<256> seen;
    for (uint8_t b : data) seen.set(b);
    EXPECT_TRUE(seen.all());
    EXPECT_NE(randomDataWithLength(32), randomDataWithLength(32));
}

// A generator seeded from the clock gives two processes started together the same bytes, and so
// the same identifiers.
TEST(RandomData, TwoProcessesAtTheSameMomentGetDifferentBytes)
{
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const auto bytes = randomDataWithLength(16);
        const ssize_t written = write(pipeEnds[1], bytes.data(), bytes.size());
        _exit(written == 16 ? 0 : 1);
    }
    const auto ours = randomDataWithLength(16);
    close(pipeEnds[1]);
    std::array<uint8_t, 16> theirs{};
    size_t got = 0;
    while (got < theirs.size()) {
        const ssize_t n = read(pipeEnds[0], theirs.data() + got, theirs.size() - got);
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    close(pipeEnds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_EQ(got, theirs.size());
    EXPECT_FALSE(std::equal(ours.begin(), ours.end(), theirs.begin()));
}

} // namespace
