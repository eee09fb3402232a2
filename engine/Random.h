#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

namespace zarvik {

// Source of the random choices of the link distribution. Reseed() is called once at the start
// of every run; Below(n) draws uniformly from 0 .. n - 1 (n > 0).
class TRandomSource
{
public:
    virtual ~TRandomSource() = default;
    virtual void Reseed() = 0;
    virtual std::size_t Below(std::size_t n) = 0;
};

// Seeded from the system clock at every run, so two runs normally pick different words.
class TClockRandom : public TRandomSource
{
public:
    void Reseed() override;
    std::size_t Below(std::size_t n) override;

private:
    std::mt19937_64 FEngine;
};

// Seeded with the same number at every run, so runs repeat exactly.
class TSeededRandom : public TRandomSource
{
public:
    explicit TSeededRandom(std::uint64_t seed)
        : FSeed(seed)
        , FEngine(seed)
    {
    }
    void Reseed() override { FEngine.seed(FSeed); }
    std::size_t Below(std::size_t n) override;

private:
    std::uint64_t FSeed;
    std::mt19937_64 FEngine;
};

// Erases entries of `items` at random until `keep` remain: each draw is source.Below(size) on the
// entries left and erases the entry at that position, so the same draws erase the same entries
// as erasing them one at a time would, and every choice of survivors is equally likely. The
// survivors keep their order. Takes O(n log n) time instead of the O(n^2) of erasing in place.
void EraseAtRandom(std::vector<std::size_t> &items, std::size_t keep, TRandomSource &source);

} // namespace zarvik
