// Find across a 2,000-page site of 15 MB: the time to the first hit and to all hits, beside a
// plain byte search of the same texts as the baseline.
#include "app/SiteSearch.h"
#include "bench/BenchSite.h"
#include "engine/Cp1251.h"

#include <benchmark/benchmark.h>

namespace {

using namespace zarvik;

constexpr int Pages = 2000;
constexpr std::size_t PageSize = 7500;

const TSiteGenerator &Site()
{
    static TSiteGenerator *site = [] {
        auto *generator = new TSiteGenerator;
        bench::FillSite(*generator, Pages, PageSize, 0);
        return generator;
    }();
    return *site;
}

// A word of the middle page, as typed (UTF-8, lower case).
std::string Word()
{
    const std::string &text = Site().Pages()[Pages / 2].PageText();
    const std::size_t start = text.find(' ', 100) + 1;
    return Cp1251ToUtf8(text.substr(start, text.find(' ', start) - start));
}

void BaselineByteSearch(benchmark::State &state)
{
    const std::string word = Utf8ToCp1251(Word());
    for (auto _ : state) {
        std::size_t hits = 0;
        for (int i = 0; i < Pages; ++i) {
            const std::string &text = Site().Pages()[i].PageText();
            for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1))
                ++hits;
        }
        benchmark::DoNotOptimize(hits);
        state.counters["hits"] = static_cast<double>(hits);
    }
}
BENCHMARK(BaselineByteSearch)->Unit(benchmark::kMillisecond);

void FindAll(benchmark::State &state, TSearchOptions options)
{
    const TSiteSearch search(Word(), "", options);
    for (auto _ : state) {
        const std::vector<TSearchHit> hits = search.FindAll(Site());
        state.counters["hits"] = static_cast<double>(hits.size());
    }
}
BENCHMARK_CAPTURE(FindAll, IgnoringCase, TSearchOptions{})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FindAll, WholeWordsYo, TSearchOptions{false, true, false, true})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FindAll, Regex, TSearchOptions{true, true, false, false})->Unit(benchmark::kMillisecond);

void FirstHit(benchmark::State &state)
{
    // A word of the last page: the first hit comes after most of the site was searched.
    const std::string &text = Site().Pages()[Pages - 1].PageText();
    const std::size_t start = text.find(' ', 100) + 1;
    const TSiteSearch search(Cp1251ToUtf8(text.substr(start, text.find(' ', start) - start)), "", {});
    for (auto _ : state) {
        int seen = 0;
        search.Search(Site(), [&](const TSearchHit &) { return ++seen < 1; });
        benchmark::DoNotOptimize(seen);
    }
}
BENCHMARK(FirstHit)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
