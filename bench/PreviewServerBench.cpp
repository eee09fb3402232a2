// The preview of one page on a big site: a 2,629-page site of 15 MB of text, one page asked for
// over HTTP from the preview server (render included), the rendering alone, and, for comparison,
// the whole-site render into a folder that the preview did before the server.
#include "app/PreviewPages.h"
#include "app/ProjectDefaults.h"
#include "app/SitePreview.h"
#include "bench/BenchSite.h"
#include "engine/Cp1251.h"
#include "engine/EXSiteGenerator.h"
#include "preview/PreviewServer.h"
#include "tests/support/HttpExchange.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>
#include <memory>
#include <string>

using namespace zarvik;

namespace {

constexpr int SitePages = 2629;
constexpr std::size_t PageBytes = 15'000'000 / SitePages;

TSiteGenerator &BigSite()
{
    static const std::unique_ptr<TSiteGenerator> site = [] {
        auto generator = std::make_unique<TSiteGenerator>();
        ApplyNewProjectDefaults(*generator);
        bench::FillSite(*generator, SitePages, PageBytes, 6000);
        TSitePages &pages = generator->Pages();
        for (int i = 0; i < pages.Count(); ++i)
            pages[i].SetPageHTML("<p>" + pages[i].PageText() + "</p>");
        return generator;
    }();
    return *site;
}

// A page in the middle of the site: its bar has links on both sides.
std::string MiddlePage()
{
    return Cp1251ToUtf8(BigSite().Pages()[SitePages / 2].PageUrl());
}

void BM_PreviewRequestOnePage(benchmark::State &state)
{
    TSiteGenerator &site = BigSite();
    TPreviewServer server([&site](const std::string &path) { return RenderPreviewFile(site, path); });
    server.Start();
    const std::string address = server.Address(PreviewUrlPath(site.Pages()[SitePages / 2].PageUrl()));
    std::size_t bytes = 0;
    for (auto _ : state) {
        const test::THttpReply reply = test::HttpGet(address);
        if (reply.Status != 200) {
            state.SkipWithError("the server did not answer 200");
            return;
        }
        bytes = static_cast<std::size_t>(reply.Body.size());
    }
    state.counters["page_bytes"] = static_cast<double>(bytes);
    state.counters["pages"] = SitePages;
}
BENCHMARK(BM_PreviewRequestOnePage)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RenderOnePage(benchmark::State &state)
{
    TSiteGenerator &site = BigSite();
    const std::string path = MiddlePage();
    for (auto _ : state)
        benchmark::DoNotOptimize(RenderPreviewFile(site, path));
}
BENCHMARK(BM_RenderOnePage)->Unit(benchmark::kMillisecond)->UseRealTime();

// What F5 did before the server: the whole site rendered into a new temporary folder.
void BM_RenderWholeSiteIntoFolder(benchmark::State &state)
{
    TSiteGenerator &site = BigSite();
    for (auto _ : state) {
        auto folders = std::make_unique<TPreviewFolders>();
        RenderPreview(site, folders->Create());
        // Removing the folder is not part of the render.
        state.PauseTiming();
        folders.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_RenderWholeSiteIntoFolder)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
