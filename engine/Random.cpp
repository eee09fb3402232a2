#include "engine/Random.h"

#include <bit>
#include <chrono>

namespace zarvik {

void TClockRandom::Reseed()
{
    FEngine.seed(static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()));
}

std::size_t TClockRandom::Below(std::size_t n)
{
    return std::uniform_int_distribution<std::size_t>(0, n - 1)(FEngine);
}

std::size_t TSeededRandom::Below(std::size_t n)
{
    return std::uniform_int_distribution<std::size_t>(0, n - 1)(FEngine);
}

void EraseAtRandom(std::vector<std::size_t> &items, std::size_t keep, TRandomSource &source)
{
    const std::size_t n = items.size();
    if (n <= keep)
        return;
    // On short lists moving the tail down is cheaper than building the tree.
    if (n <= 1024) {
        while (items.size() > keep)
            items.erase(items.begin() + static_cast<std::ptrdiff_t>(source.Below(items.size())));
        return;
    }
    // A Fenwick tree over "still there" flags finds the entry at a position among those left by
    // descending from the top bit. Every flag starts at 1, so node i holds the lowest set bit of i.
    std::vector<std::size_t> tree(n + 1);
    for (std::size_t i = 1; i <= n; ++i)
        tree[i] = i & (~i + 1);
    std::vector<bool> erased(n);
    const std::size_t top = std::bit_floor(n);
    for (std::size_t left = n; left > keep; --left) {
        std::size_t rank = source.Below(left) + 1;
        std::size_t node = 0;
        for (std::size_t step = top; step > 0; step >>= 1) {
            if (node + step <= n && tree[node + step] < rank) {
                node += step;
                rank -= tree[node];
            }
        }
        // `node` entries come before the one found; it is entry `node` counting from 0.
        erased[node] = true;
        for (std::size_t i = node + 1; i <= n; i += i & (~i + 1))
            --tree[i];
    }
    std::size_t kept = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (!erased[i])
            items[kept++] = items[i];
    }
    items.resize(kept);
}

} // namespace zarvik
