// The share both progress displays show, at the edges: nothing of nothing, a file that grew while it was
// read, and sizes where part * 100 no longer fits 64 bits.
#include <gtest/gtest.h>

#include <cstdint>

#include "progress_share.h"

namespace {

TEST(ProgressShare, PercentIsTruncatedCappedAndExactForHugeSizes) {
    constexpr uint64_t kHuge = UINT64_MAX / 10;
    struct Case {
        uint64_t part;
        uint64_t whole;
        unsigned percent;
    };
    const Case cases[] = {
        {0, 0, 0},
        {5, 0, 0},
        {0, 7, 0},
        {1, 3, 33},
        {2, 3, 66},
        {3, 3, 100},
        {4, 3, 100},
        {kHuge / 2, kHuge, 49},
        {kHuge / 2 + 1, kHuge, 50},
        {kHuge - 1, kHuge, 99},
        {UINT64_MAX / 100 + 1, UINT64_MAX, 1},
        {UINT64_MAX - 1, UINT64_MAX, 99},
        {UINT64_MAX, UINT64_MAX, 100},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ProgressPercent(c.part, c.whole), c.percent) << c.part << " of " << c.whole;
    }
}

} // namespace
