#include "engine/Random.h"

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

} // namespace zarvik
