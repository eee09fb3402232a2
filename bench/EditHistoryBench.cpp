// The undo history on a 2,000-page site of 15 MB: the memory each kind of edit keeps and the
// time to take it back and make it again, beside the bytes of the site's texts as the baseline.
#include "app/EditHistory.h"
#include "bench/BenchSite.h"
#include "engine/SiteEdit.h"

#include <benchmark/benchmark.h>

namespace {

using namespace zarvik;

constexpr int Pages = 2000;
constexpr std::size_t PageSize = 7500;

std::size_t SiteTextBytes(const TSiteGenerator &site)
{
    std::size_t bytes = 0;
    for (int i = 0; i < site.Pages().Count(); ++i)
        bytes += site.Pages()[i].PageText().size() + site.Pages()[i].PageHTML().size();
    return bytes;
}

void Report(benchmark::State &state, const TSiteGenerator &site, const TSiteEdit &edit)
{
    state.counters["kept_MB"] = static_cast<double>(edit.Bytes()) / 1e6;
    state.counters["site_MB"] = static_cast<double>(SiteTextBytes(site)) / 1e6;
}

void LinkDistribution(benchmark::State &state)
{
    TSiteGenerator site;
    bench::FillSite(site, Pages, PageSize, 6000);
    bench::TSilentPrompter prompter;
    TSiteEdit edit;
    edit.BeginLinkDistribution(site);
    site.SetLinks(prompter);
    edit.EndLinkDistribution(site);
    for (auto _ : state) {
        edit.Undo(site);
        edit.Redo(site);
    }
    Report(state, site, edit);
}
BENCHMARK(LinkDistribution)->Unit(benchmark::kMillisecond);

void DeleteEveryOtherPage(benchmark::State &state)
{
    TSiteGenerator site;
    bench::FillSite(site, Pages, PageSize, 0);
    std::vector<int> doomed;
    for (int i = 0; i < Pages; i += 2)
        doomed.push_back(i);
    TSiteEdit edit;
    edit.DeletePages(site, doomed);
    for (auto _ : state) {
        edit.Undo(site);
        edit.Redo(site);
    }
    Report(state, site, edit);
}
BENCHMARK(DeleteEveryOtherPage)->Unit(benchmark::kMillisecond);

void HistoryOfTwentyDistributions(benchmark::State &state)
{
    TSiteGenerator site;
    bench::FillSite(site, Pages, PageSize, 6000);
    bench::TSilentPrompter prompter;
    for (auto _ : state) {
        TEditHistory history;
        for (int run = 0; run < 20; ++run) {
            auto edit = std::make_unique<TSiteEdit>();
            edit->BeginLinkDistribution(site);
            site.SetLinks(prompter);
            edit->EndLinkDistribution(site);
            history.Push(std::move(edit), "links");
        }
        state.counters["history_MB"] = static_cast<double>(history.Bytes()) / 1e6;
        state.counters["edits_kept"] = static_cast<double>(history.Count());
    }
}
BENCHMARK(HistoryOfTwentyDistributions)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
