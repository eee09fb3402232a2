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

using TLists = std::vector<std::vector<std::string>>;

// The indexed collection's lists for every page, with all words (0) or with the words that can
// carry a link (5); made once and compared with the pairwise ones.
TLists IndexedLists(std::size_t minLength)
{
    TLists out;
    TLinkWordCollector collector;
    for (int i = 0; i < Site().Pages().Count(); ++i) {
        collector.Collect(Site().Pages()[i].PageText(), minLength);
        out.push_back(collector.Words());
    }
    return out;
}

const TLists &FullLists()
{
    static const TLists lists = IndexedLists(0);
    return lists;
}

const TLists &LinkLists()
{
    static const TLists lists = IndexedLists(5);
    return lists;
}

void BM_CollectPairwise(benchmark::State &state)
{
    const TSitePages &pages = Site().Pages();
    TLists lists(static_cast<std::size_t>(pages.Count()));
    for (auto _ : state) {
        for (int i = 0; i < pages.Count(); ++i)
            lists[static_cast<std::size_t>(i)] = CollectLinkWordsPairwise(pages[i].PageText());
    }
    std::size_t words = 0;
    bool same = lists == FullLists();
    for (std::size_t i = 0; i < lists.size(); ++i) {
        words += lists[i].size();
        std::vector<std::string> longWords;
        for (const auto &word : lists[i]) {
            if (word.size() >= 5)
                longWords.push_back(word);
        }
        same = same && longWords == LinkLists()[i];
    }
    if (!same)
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

// One page of 20 MB, as a maximum page length below 1 or a hand-made project gives.
constexpr std::size_t HugePageSize = 20'000'000;

const std::string &HugePage()
{
    static const std::string text = [] {
        std::mt19937 rng(5);
        return bench::RussianLikeText(rng, HugePageSize);
    }();
    return text;
}

void BM_CollectHugePage(benchmark::State &state)
{
    TLinkWordCollector collector;
    for (auto _ : state) {
        collector.Collect(HugePage(), 5);
        benchmark::DoNotOptimize(collector.Count());
    }
    state.counters["candidates"] = static_cast<double>(collector.Count());
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(HugePageSize));
}
BENCHMARK(BM_CollectHugePage)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    // The site and the lists to compare with are made before any measurement starts.
    FullLists();
    LinkLists();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
