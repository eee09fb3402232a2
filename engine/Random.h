#pragma once

#include <cstddef>
#include <cstdint>
#include <random>

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

} // namespace zarvik
