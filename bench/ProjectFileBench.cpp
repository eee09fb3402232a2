// Saving and loading a large project (2,000 pages of 4,500 Cyrillic characters) against a plain
// copy of the same text, with the peak heap of each operation in multiples of the file size.
#include "engine/EXSiteGenerator.h"
#include "persistence/ProjectFile.h"
#include "persistence/ProjectFileReader.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <malloc.h>
#include <memory>
#include <new>
#include <random>
#include <string>

using namespace zarvik;

namespace {

// Live and peak heap bytes of the whole program, counted by the replaced operator new below.
std::size_t LiveBytes = 0;
std::size_t PeakBytes = 0;

void *Allocate(std::size_t size)
{
    void *p = std::malloc(size == 0 ? 1 : size);
    if (!p)
        throw std::bad_alloc();
    LiveBytes += malloc_usable_size(p);
    if (LiveBytes > PeakBytes)
        PeakBytes = LiveBytes;
    return p;
}

void Release(void *p)
{
    if (!p)
        return;
    LiveBytes -= malloc_usable_size(p);
    std::free(p);
}

} // namespace

void *operator new(std::size_t size)
{
    return Allocate(size);
}
void *operator new[](std::size_t size)
{
    return Allocate(size);
}
void operator delete(void *p) noexcept
{
    Release(p);
}
void operator delete[](void *p) noexcept
{
    Release(p);
}
void operator delete(void *p, std::size_t) noexcept
{
    Release(p);
}
void operator delete[](void *p, std::size_t) noexcept
{
    Release(p);
}

namespace {

constexpr int PageCount = 2000;
constexpr std::size_t PageLength = 4500;

// Russian-like page text: Cyrillic words of 2..12 letters, sentences and paragraphs.
std::string PageText(std::mt19937 &rng)
{
    std::string text;
    text.reserve(PageLength + 16);
    while (text.size() < PageLength) {
        const int length = 2 + static_cast<int>(rng() % 11);
        for (int i = 0; i < length; ++i)
            text += static_cast<char>(0xE0 + rng() % 32);
        const unsigned end = rng() % 12;
        text += end == 0 ? ".\r\n" : end == 1 ? ". " : " ";
    }
    text.resize(PageLength);
    return text;
}

void FillProject(TSiteGenerator &g)
{
    std::mt19937 rng(11);
    g.SetMenuWord("\xD0\xE0\xE7\xE4\xE5\xEB");
    for (int i = 0; i < PageCount; ++i)
        g.CreateNewPage(g.NewPageTitle(i), PageText(rng));
    g.SetSiteTitle("\xD1\xE0\xE4 \xE8 \xEE\xE3\xEE\xF0\xEE\xE4");
    g.SetMaxCharsPerPage(5000);
    g.SetMinCharsPerPage(4000);
}

const std::string &ProjectText()
{
    static const std::string text = [] {
        TSiteGenerator g;
        FillProject(g);
        return WriteProjectText(g);
    }();
    return text;
}

void ReportPeak(benchmark::State &state, std::size_t peak, std::size_t fileSize)
{
    state.counters["file_MB"] = static_cast<double>(fileSize) / 1e6;
    state.counters["peak_x_file"] = static_cast<double>(peak) / static_cast<double>(fileSize);
}

void BM_WriteProjectText(benchmark::State &state)
{
    TSiteGenerator g;
    FillProject(g);
    std::size_t size = 0;
    std::size_t peak = 0;
    for (auto _ : state) {
        PeakBytes = LiveBytes;
        std::string text = WriteProjectText(g);
        size = text.size();
        peak = std::max(peak, PeakBytes);
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
    ReportPeak(state, peak, size);
}
BENCHMARK(BM_WriteProjectText)->Unit(benchmark::kMillisecond);

void BM_ReadProjectText(benchmark::State &state)
{
    const std::string &text = ProjectText();
    std::size_t peak = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto g = std::make_unique<TSiteGenerator>();
        PeakBytes = LiveBytes;
        state.ResumeTiming();
        ReadProjectText(text, *g);
        state.PauseTiming();
        peak = std::max(peak, PeakBytes);
        if (g->Pages().Count() != PageCount)
            state.SkipWithError("pages lost");
        g.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
    ReportPeak(state, peak, text.size());
}
BENCHMARK(BM_ReadProjectText)->Unit(benchmark::kMillisecond);

// The first of the reader's two passes: the syntax check, which builds nothing.
void BM_CheckProjectText(benchmark::State &state)
{
    const std::string &text = ProjectText();
    for (auto _ : state)
        TProjectFileReader(text, nullptr).Read();
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_CheckProjectText)->Unit(benchmark::kMillisecond);

// Baseline: copying the same text once, the least any writer or reader must spend on it.
void BM_CopyProjectText(benchmark::State &state)
{
    const std::string &text = ProjectText();
    for (auto _ : state) {
        std::string copy = text;
        benchmark::DoNotOptimize(copy.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_CopyProjectText)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
