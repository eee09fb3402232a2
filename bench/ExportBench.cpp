// The export of a 2,000-page site against writing the same bytes into as many files with plain
// write calls, and against rendering with one new string per placeholder step (the way pages were
// rendered before); a second export of the unchanged site, which its export record lets leave
// every file alone, against the first; then the whole road from 1,000 content files to the site,
// against the raw write of its output.
#include "app/ExportRecord.h"
#include "bench/BenchSite.h"
#include "engine/TextReplace.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace zarvik;

namespace {

constexpr int SitePages = 2000;
constexpr std::size_t PageSize = 4500;
constexpr int SiteLinks = 6000;

const char *const Template = bench::PageTemplate;

// The files an export of `site` writes, rendered in advance, to be written into `folder`.
using TRenderedFiles = std::vector<std::pair<std::string, std::string>>;

TRenderedFiles RenderedFiles(const TSiteGenerator &site, const std::string &folder)
{
    TRenderedFiles files;
    for (int i = 0; i < site.Pages().Count(); ++i)
        files.emplace_back(folder + "/" + site.Pages()[i].PageUrl(), site.TemplateProcessingF(i));
    files.emplace_back(folder + "/style.css", site.CssCode());
    return files;
}

// Writes the files with plain write() calls, one open and one write each, in every iteration.
// Returns the bytes of one round.
std::int64_t WriteFilesRaw(benchmark::State &state, const TRenderedFiles &files)
{
    std::int64_t bytes = 0;
    for (const auto &file : files)
        bytes += static_cast<std::int64_t>(file.second.size());
    for (auto _ : state) {
        for (const auto &[path, data] : files) {
            const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
            if (fd < 0 || ::write(fd, data.data(), data.size()) != static_cast<ssize_t>(data.size())) {
                state.SkipWithError("write failed");
                break;
            }
            ::close(fd);
        }
    }
    state.SetBytesProcessed(state.iterations() * bytes);
    return bytes;
}

struct TExportFixture
{
    TSiteGenerator Site;
    std::filesystem::path Root;
    std::string ExportFolder;
    std::string BaselineFolder;

    TExportFixture()
    {
        bench::FillSite(Site, SitePages, PageSize, SiteLinks);
        Site.SetSiteTemplate(Template);
        Site.SetSiteTitle("\xD1\xE0\xE4");
        Site.SetAdsenseCode("<script src=\"ads.js\"></script>");
        Site.SetCssCode("body { margin: 0 }\r\n");
        Site.SetRandomSource(std::make_unique<TSeededRandom>(7));
        bench::TSilentPrompter prompter;
        Site.SetLinks(prompter);

        std::string pattern = (std::filesystem::temp_directory_path() / "zarvik-export-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            std::abort();
        Root = pattern;
        std::filesystem::create_directory(Root / "export");
        std::filesystem::create_directory(Root / "baseline");
        ExportFolder = (Root / "export").string();
        BaselineFolder = (Root / "baseline").string();
    }
    ~TExportFixture() { std::filesystem::remove_all(Root); }
};

TExportFixture &Fixture()
{
    static TExportFixture fixture;
    return fixture;
}

std::int64_t FolderBytes(const std::string &folder)
{
    std::int64_t total = 0;
    for (const auto &entry : std::filesystem::directory_iterator(folder))
        total += static_cast<std::int64_t>(entry.file_size());
    return total;
}

void BM_ExportSite(benchmark::State &state)
{
    TExportFixture &f = Fixture();
    bench::TSilentPrompter prompter;
    for (auto _ : state)
        f.Site.ExportSite(f.ExportFolder, prompter);
    state.SetBytesProcessed(state.iterations() * FolderBytes(f.ExportFolder));
}
BENCHMARK(BM_ExportSite)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

// The same files, rendered beforehand and held in memory, written with open, write and close.
void BM_WriteBaseline(benchmark::State &state)
{
    TExportFixture &f = Fixture();
    f.Site.GeneratePag();
    const std::int64_t bytes = WriteFilesRaw(state, RenderedFiles(f.Site, f.BaselineFolder));
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(BM_WriteBaseline)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

// The export's files rendered with the plain seven-step chain, one new string per step, and
// written with write(): the baseline of the pieces and writev.
void BM_ExportPlainChain(benchmark::State &state)
{
    TExportFixture &f = Fixture();
    f.Site.GeneratePag();
    const TSiteGenerator &site = f.Site;
    std::string text;
    std::string scratch;
    std::int64_t bytes = 0;
    for (auto _ : state) {
        bytes = 0;
        for (int i = 0; i < site.Pages().Count(); ++i) {
            const TSitePage &page = site.Pages()[i];
            const std::string title = site.SiteTitle() + " - " + page.PageTitle();
            text = site.SiteTemplate();
            ReplaceAllInPlace(text, "SiteGeneratorChange.Menu", site.SiteMenu(), scratch);
            ReplaceAllInPlace(text, "SiteGeneratorChange.MainText", page.PageHTML(), scratch);
            ReplaceAllInPlace(text, "SiteGeneratorChange.Pagination", page.Pagination().Text(), scratch);
            ReplaceAllInPlace(text, "SiteGeneratorChange.Header", site.SiteHeader(), scratch);
            ReplaceAllInPlace(text, "SiteGeneratorChange.Footer", site.SiteFooter(), scratch);
            ReplaceAllInPlace(text, "SiteGeneratorChange.Adsense", site.AdsenseCode(), scratch);
            ReplaceAllInPlace(text, "SiteGeneratorChange.Title", title, scratch);
            const std::string path = f.BaselineFolder + "/" + page.PageUrl();
            const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
            if (fd < 0 || ::write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
                state.SkipWithError("write failed");
                break;
            }
            ::close(fd);
            bytes += static_cast<std::int64_t>(text.size());
        }
    }
    state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK(BM_ExportPlainChain)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

// The modification time (ns) of each file of the folder but the export record.
std::map<std::string, std::int64_t> FileTimes(const std::string &folder)
{
    std::map<std::string, std::int64_t> times;
    for (const auto &entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        struct stat info;
        if (name != ExportRecordName && ::lstat(entry.path().c_str(), &info) == 0)
            times[name] =
                static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
    }
    return times;
}

// Each round exports the site with its record into an emptied folder (on /dev/shm when there is
// one, so that the disk does not decide), then exports it again unchanged. Reports both times,
// their ratio (the target is at most 0.2) and the bytes the second export wrote apart from the
// record (the target is 0).
void BM_SecondExportUnchanged(benchmark::State &state)
{
    TExportFixture &f = Fixture();
    std::filesystem::path base = std::filesystem::exists("/dev/shm") ? "/dev/shm" : f.Root;
    std::string pattern = (base / "zarvik-export-again-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        state.SkipWithError("no folder for the export");
        return;
    }
    const std::string folder = pattern;
    bench::TSilentPrompter prompter;
    using TClock = std::chrono::steady_clock;
    double first = 0;
    double second = 0;
    std::int64_t rewritten = 0;
    for (auto _ : state) {
        state.PauseTiming();
        for (const auto &entry : std::filesystem::directory_iterator(folder))
            std::filesystem::remove(entry.path());
        state.ResumeTiming();
        const auto start = TClock::now();
        TExportRecordLedger firstLedger(false);
        f.Site.ExportSite(folder, prompter, &firstLedger);
        const auto middle = TClock::now();
        state.PauseTiming();
        const auto before = FileTimes(folder);
        state.ResumeTiming();
        const auto again = TClock::now();
        TExportRecordLedger secondLedger(false);
        f.Site.ExportSite(folder, prompter, &secondLedger);
        const auto end = TClock::now();
        state.PauseTiming();
        for (const auto &[name, time] : FileTimes(folder)) {
            if (before.count(name) == 0 || before.at(name) != time)
                rewritten += static_cast<std::int64_t>(
                    std::filesystem::file_size(std::filesystem::path(folder) / name));
        }
        state.ResumeTiming();
        first += std::chrono::duration<double, std::milli>(middle - start).count();
        second += std::chrono::duration<double, std::milli>(end - again).count();
    }
    std::filesystem::remove_all(folder);
    const auto rounds = static_cast<double>(state.iterations());
    state.counters["first_ms"] = first / rounds;
    state.counters["second_ms"] = second / rounds;
    state.counters["ratio"] = first > 0 ? second / first : 0;
    state.counters["second_bytes"] = static_cast<double>(rewritten) / rounds;
}
BENCHMARK(BM_SecondExportUnchanged)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

const std::string &Content()
{
    static const std::string text = bench::BuildContent();
    return text;
}

// A new project built from the content: split into pages, links distributed, site exported.
void BuildSite(TSiteGenerator &site, const std::string &folder)
{
    bench::BuildWholeSite(site, Content(), folder, "<script src=\"ads.js\"></script>");
}

void BM_WholeRoad(benchmark::State &state)
{
    TExportFixture &f = Fixture();
    for (auto _ : state) {
        TSiteGenerator site;
        BuildSite(site, f.ExportFolder);
    }
    state.SetBytesProcessed(state.iterations() * FolderBytes(f.ExportFolder));
}
BENCHMARK(BM_WholeRoad)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

// The whole road's files, rendered beforehand, written with open, write and close.
void BM_WholeRoadWriteBaseline(benchmark::State &state)
{
    TExportFixture &f = Fixture();
    TSiteGenerator site;
    BuildSite(site, f.ExportFolder);
    WriteFilesRaw(state, RenderedFiles(site, f.BaselineFolder));
    state.counters["pages"] = site.Pages().Count();
}
BENCHMARK(BM_WholeRoadWriteBaseline)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

} // namespace

BENCHMARK_MAIN();
