#include "engine/Random.h"

#include <gtest/gtest.h>
#include <numeric>
#include <random>
#include <vector>

using namespace zarvik;

namespace {

// Records every draw it answers, so the same draws can be replayed.
class TRecordingRandom : public TRandomSource
{
public:
    explicit TRecordingRandom(std::uint32_t seed)
        : FEngine(seed)
    {
    }
    void Reseed() override {}
    std::size_t Below(std::size_t n) override
    {
        Draws.push_back(std::uniform_int_distribution<std::size_t>(0, n - 1)(FEngine));
        return Draws.back();
    }
    std::vector<std::size_t> Draws;

private:
    std::mt19937 FEngine;
};

} // namespace

TEST(EraseAtRandom, ErasesWhatErasingOneAtATimeErases)
{
    std::mt19937 sizes(11);
    for (int round = 0; round < 300; ++round) {
        const std::size_t n = sizes() % (round < 100 ? 12 : 3000);
        const std::size_t keep = n == 0 ? 0 : sizes() % (n + 2);
        std::vector<std::size_t> items(n);
        std::iota(items.begin(), items.end(), std::size_t(100));
        TRecordingRandom source(static_cast<std::uint32_t>(round));
        std::vector<std::size_t> fast = items;
        EraseAtRandom(fast, keep, source);

        std::vector<std::size_t> slow = items;
        for (const std::size_t draw : source.Draws)
            slow.erase(slow.begin() + static_cast<std::ptrdiff_t>(draw));
        ASSERT_EQ(fast, slow) << "n " << n << ", keep " << keep;
        EXPECT_EQ(fast.size(), std::min(n, keep));
        EXPECT_EQ(source.Draws.size(), n > keep ? n - keep : 0);
    }
}
