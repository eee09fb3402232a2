// Candidate collection of the link distribution: the direct pairwise test against the indexed
// one, on the same 10,000 pages, and the whole distribution over that site.
#include "bench/BenchSite.h"
#include "engine/WordIndex.h"

#include <benchmark/benchmark.h>
#include <string>
#include <vector>

using namespace zarvik;

namespace {

constexpr int SitePages = 10000;
constexpr std::size_t PageSize = 4500;
constexpr int SiteLinks = 30000;

TSiteGenerator &Site()
{
    static TSiteGenerator *site = [] {
        auto *s = new TSiteGenerator;
        bench::FillSite(*s, SitePages, PageSize, SiteLinks);
        s->SetRandomSource(std::make_unique<TSeededRandom>(42));
        return s;
    }();
    return *site;
}

// The indexed collection's lists for every page, made once and compared with the pairwise ones.
const std::vector<std::vector<std::string>> &IndexedLists()
{
    static const std::vector<std::vector<std::string>> lists = [] {
        std::vector<std::vector<std::string>> out;
        TLinkWordCollector collector;
        for (int i = 0; i < Site().Pages().Count(); ++i) {
            collector.Collect(Site().Pages()[i].PageText());
            out.push_back(collector.Words());
        }
        return out;
    }();
    return lists;
}

void BM_CollectPairwise(benchmark::State &state)
{
    const TSitePages &pages = Site().Pages();
    const auto &expected = IndexedLists();
    std::vector<std::vector<std::string>> lists(static_cast<std::size_t>(pages.Count()));
    std::size_t words = 0;
    for (auto _ : state) {
        for (int i = 0; i < pages.Count(); ++i)
            lists[static_cast<std::size_t>(i)] = CollectLinkWordsPairwise(pages[i].PageText());
    }
    for (const auto &list : lists)
        words += list.size();
    if (lists != expected)
        state.SkipWithError("the pairwise and the indexed collection differ");
    state.counters["candidates"] = static_cast<double>(words);
}
BENCHMARK(BM_CollectPairwise)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_CollectIndexed(benchmark::State &state)
{
    const TSitePages &pages = Site().Pages();
    const std::size_t minLength = static_cast<std::size_t>(state.range(0));
    TLinkWordCollector collector;
    std::size_t words = 0;
    for (auto _ : state) {
        words = 0;
        for (int i = 0; i < pages.Count(); ++i) {
            collector.Collect(pages[i].PageText(), minLength);
            words += collector.Count();
        }
        benchmark::DoNotOptimize(words);
    }
    state.counters["candidates"] = static_cast<double>(words);
}
// 0: the full candidate list, as the pairwise collection makes it; 5: what the distribution uses.
BENCHMARK(BM_CollectIndexed)->Unit(benchmark::kMillisecond)->Arg(0)->Arg(5);

void BM_SetLinks(benchmark::State &state)
{
    TSiteGenerator &site = Site();
    bench::TSilentPrompter prompter;
    for (auto _ : state)
        site.SetLinks(prompter);
    state.counters["messages"] =
        static_cast<double>(prompter.Count) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_SetLinks)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    // The site is made before any measurement starts.
    IndexedLists();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
