// Candidate collection of the link distribution: the direct pairwise test against the indexed
// one, on the same 10,000 pages, and the whole distribution over that site; then one huge page.
#include "bench/BenchSite.h"
#include "engine/WordIndex.h"

#include <benchmark/benchmark.h>
#include <memory>
#include <random>
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

// Arg 0: the chain-head table grows with the page; 1: the table stays at its starting size, as
// it always did before, as the baseline.
void BM_CollectHugePage(benchmark::State &state)
{
    TLinkWordCollector collector(TWordIndex::DefaultSearchBudget, TWordIndex::DefaultHeadBits,
                                 state.range(0) == 0 ? TWordIndex::MaxHeadBits : TWordIndex::DefaultHeadBits);
    for (auto _ : state) {
        collector.Collect(HugePage(), 5);
        benchmark::DoNotOptimize(collector.Count());
    }
    state.counters["candidates"] = static_cast<double>(collector.Count());
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(HugePageSize));
}
BENCHMARK(BM_CollectHugePage)->Unit(benchmark::kMillisecond)->Iterations(1)->Arg(0)->Arg(1);

// The random trimming of `range(0)` candidates to 10: arg 1 erases one at a time, as the
// distribution did before (the baseline), arg 0 uses EraseAtRandom. Both make the same draws.
void BM_TrimCandidates(benchmark::State &state)
{
    const auto count = static_cast<std::size_t>(state.range(0));
    std::vector<std::size_t> all(count);
    for (std::size_t i = 0; i < count; ++i)
        all[i] = i;
    TSeededRandom random(9);
    std::vector<std::size_t> chosen;
    for (auto _ : state) {
        chosen = all;
        if (state.range(1) == 0) {
            EraseAtRandom(chosen, 10, random);
        } else {
            while (chosen.size() > 10)
                chosen.erase(chosen.begin() + static_cast<std::ptrdiff_t>(random.Below(chosen.size())));
        }
        benchmark::DoNotOptimize(chosen.data());
    }
}
BENCHMARK(BM_TrimCandidates)
    ->Unit(benchmark::kMillisecond)
    ->Args({100'000, 0})
    ->Args({100'000, 1})
    ->Args({1'500'000, 0});

// The whole distribution on a site of one 20 MB page with ten links.
void BM_SetLinksHugePage(benchmark::State &state)
{
    TSiteGenerator site;
    site.CreateNewPage("index", HugePage());
    site.SetSiteUrlsToLink({"a1.html", "a2.html", "a3.html", "a4.html", "a5.html", "a6.html", "a7.html",
                            "a8.html", "a9.html", "a10.html"});
    site.SetRandomSource(std::make_unique<TSeededRandom>(3));
    bench::TSilentPrompter prompter;
    for (auto _ : state)
        site.SetLinks(prompter);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(HugePageSize));
}
BENCHMARK(BM_SetLinksHugePage)->Unit(benchmark::kMillisecond)->Iterations(1);

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
