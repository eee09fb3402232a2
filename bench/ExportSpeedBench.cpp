// The export against the page cache, and the memory the navigation takes, measured in one run:
//   - a 2,000-page export against plain open/write/close of the same bytes into as many files,
//     into a tmpfs folder (/dev/shm), where only the program's own work counts, and into a disk
//     folder, where both sides wait on writeback as well;
//   - the whole road from 1,000 content files (split, links, export) against the raw write of
//     its output, on tmpfs;
//   - opening the project saved after an export of 2,629 pages: time and peak memory;
//   - peak memory of an export of 10,000 pages (into a disk folder), and of rendering 30,000
//     pages into a sink that discards the bytes.
// Each memory figure comes from a child process of its own, whose peak resident size is what
// getrusage reports. Usage: export_speed_bench [disk folder] (default: the system's temporary
// folder). ZARVIK_BENCH_SKIP_HUGE=1 leaves out the 10,000- and 30,000-page runs,
// ZARVIK_BENCH_SKIP_SINK=1 the 30,000-page one alone.
#include "app/ProjectFiles.h"
#include "bench/BenchSite.h"
#include "persistence/ProjectFile.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace zarvik;
namespace fs = std::filesystem;

namespace {

const char *const Template = bench::PageTemplate;

using TClock = std::chrono::steady_clock;

double Seconds(TClock::time_point start)
{
    return std::chrono::duration<double>(TClock::now() - start).count();
}

// A site of `pages` pages whose bodies are their texts as paragraphs (no link distribution, so
// that only the export is measured).
void MakeSite(TSiteGenerator &site, int pages, std::size_t pageSize)
{
    bench::FillSite(site, pages, pageSize, 0);
    site.SetSiteTemplate(Template);
    site.SetSiteTitle("\xD1\xE0\xE4");
    site.SetAdsenseCode("<script src=\"ads.js\"></script>");
    site.SetCssCode("body { margin: 0 }\r\n");
    for (int i = 0; i < pages; ++i)
        site.Pages()[i].SetPageHTML("<p>" + site.Pages()[i].PageText() + "</p>");
}

std::string NewFolder(const fs::path &base, const char *name)
{
    std::string pattern = (base / (std::string(name) + "-XXXXXX")).string();
    if (!::mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        std::exit(1);
    }
    return pattern;
}

void Empty(const std::string &folder)
{
    for (const auto &entry : fs::directory_iterator(folder))
        fs::remove_all(entry.path());
}

// The files of an export, rendered in advance.
using TFiles = std::vector<std::pair<std::string, std::string>>;

TFiles Rendered(TSiteGenerator &site)
{
    site.GeneratePag();
    TFiles files;
    for (int i = 0; i < site.Pages().Count(); ++i)
        files.emplace_back(site.Pages()[i].PageUrl(), site.TemplateProcessingF(i));
    files.emplace_back("style.css", site.CssCode());
    return files;
}

std::size_t Bytes(const TFiles &files)
{
    std::size_t bytes = 0;
    for (const auto &file : files)
        bytes += file.second.size();
    return bytes;
}

double WriteRaw(const TFiles &files, const std::string &folder)
{
    const auto start = TClock::now();
    for (const auto &[name, data] : files) {
        const std::string path = folder + "/" + name;
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd < 0 || ::write(fd, data.data(), data.size()) != static_cast<ssize_t>(data.size())) {
            std::perror(path.c_str());
            std::exit(1);
        }
        ::close(fd);
    }
    return Seconds(start);
}

// The best of `rounds` runs of `run` into the emptied folder.
double Best(int rounds, const std::string &folder, const std::function<double()> &run)
{
    double best = 1e9;
    for (int round = 0; round < rounds; ++round) {
        Empty(folder);
        ::sync();
        best = std::min(best, run());
    }
    return best;
}

// The work a child process does (see Child); its result goes to the parent through the pipe.
std::function<double()> ChildWork(const std::string &name, const std::string &arg);

// Runs the work `name` in a new process of this program, which starts small; returns its peak
// resident size in MB and what the work reported (a time in seconds, say), or -1 when the child
// failed.
std::pair<double, double> Child(const std::string &name, const std::string &arg)
{
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        return {-1, -1};
    std::fflush(stdout);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeEnds[0]);
        const std::string fd = std::to_string(pipeEnds[1]);
        ::execl("/proc/self/exe", "export_speed_bench", "--child", name.c_str(), arg.c_str(), fd.c_str(),
                static_cast<char *>(nullptr));
        std::_Exit(127);
    }
    ::close(pipeEnds[1]);
    double result = -1;
    if (::read(pipeEnds[0], &result, sizeof result) != sizeof result)
        result = -1;
    ::close(pipeEnds[0]);
    int status = 0;
    struct rusage usage
    {
    };
    ::wait4(child, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return {-1, -1};
    return {static_cast<double>(usage.ru_maxrss) / 1024.0, result};
}

void ExportSpeed(const std::string &label, const std::string &folder)
{
    TSiteGenerator site;
    MakeSite(site, 2000, 4500);
    bench::TSilentPrompter prompter;
    const TFiles files = Rendered(site);
    const double exportTime = Best(3, folder, [&] {
        const auto start = TClock::now();
        site.ExportSite(folder, prompter);
        return Seconds(start);
    });
    const double rawTime = Best(3, folder, [&] { return WriteRaw(files, folder); });
    std::printf("export 2000 pages (%.0f MB) %-6s  export %.3f s  raw write %.3f s  ratio %.2f\n",
                static_cast<double>(Bytes(files)) / 1e6, label.c_str(), exportTime, rawTime,
                rawTime / exportTime);
    Empty(folder);
}

void BuildSpeed(const std::string &folder)
{
    const std::string content = bench::BuildContent();
    TFiles files;
    const double buildTime = Best(3, folder, [&] {
        const auto start = TClock::now();
        TSiteGenerator site;
        bench::BuildWholeSite(site, content, folder);
        const double time = Seconds(start);
        if (files.empty())
            files = Rendered(site);
        return time;
    });
    const double rawTime = Best(3, folder, [&] { return WriteRaw(files, folder); });
    std::printf("build 1000 content files (%.0f MB) tmpfs  build %.3f s  raw write %.3f s  ratio %.2f\n",
                static_cast<double>(Bytes(files)) / 1e6, buildTime, rawTime, rawTime / buildTime);
    Empty(folder);
}

void OpenSpeed(const fs::path &base)
{
    const std::string folder = NewFolder(base, "zarvik-open");
    const std::string path = folder + "/big.sgp";
    {
        TSiteGenerator site;
        MakeSite(site, 2629, 4500);
        site.GeneratePag();
        SaveProject(path, site);
    }
    const double size = static_cast<double>(fs::file_size(path)) / 1e6;
    const auto [peak, time] = Child("open", path);
    std::printf("open project of 2629 pages (%.0f MB)  open %.3f s  peak %.0f MB (%.2f of the file)\n", size,
                time, peak, peak / size);
    fs::remove_all(folder);
}

void HugeRuns(const fs::path &disk)
{
    const std::string folder = NewFolder(disk, "zarvik-huge");
    const auto [exportPeak, exportTime] = Child("export", folder);
    std::printf("export 10000 pages to disk  %.1f s  peak %.0f MB\n", exportTime, exportPeak);
    fs::remove_all(folder);
    if (std::getenv("ZARVIK_BENCH_SKIP_SINK"))
        return;

    const auto [renderPeak, renderTime] = Child("render", "");
    std::printf("render 30000 pages into a sink  %.1f s  peak %.0f MB\n", renderTime, renderPeak);
}

std::function<double()> ChildWork(const std::string &name, const std::string &arg)
{
    if (name == "open") {
        return [arg] {
            double best = 1e9;
            for (int round = 0; round < 3; ++round) {
                TSiteGenerator site;
                const auto start = TClock::now();
                LoadProject(arg, site);
                best = std::min(best, Seconds(start));
            }
            return best;
        };
    }
    if (name == "export") {
        return [arg] {
            TSiteGenerator site;
            MakeSite(site, 10000, 1000);
            bench::TSilentPrompter prompter;
            const auto start = TClock::now();
            site.ExportSite(arg, prompter);
            return Seconds(start);
        };
    }
    return [] {
        TSiteGenerator site;
        MakeSite(site, 30000, 1000);
        const auto start = TClock::now();
        site.GeneratePag();
        const int sink = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        for (int i = 0; i < site.Pages().Count(); ++i) {
            const std::string page = site.TemplateProcessingF(i);
            if (::write(sink, page.data(), page.size()) < 0)
                return -1.0;
        }
        ::close(sink);
        return Seconds(start);
    };
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 5 && std::string(argv[1]) == "--child") {
        const double result = ChildWork(argv[2], argv[3])();
        const int fd = std::atoi(argv[4]);
        return ::write(fd, &result, sizeof result) == sizeof result ? 0 : 2;
    }
    const fs::path disk = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path();
    const fs::path shm = "/dev/shm";
    // The memory runs first, while this process is small: children share its pages.
    if (!std::getenv("ZARVIK_BENCH_SKIP_HUGE"))
        HugeRuns(disk);
    OpenSpeed(shm);

    const std::string shmFolder = NewFolder(shm, "zarvik-speed");
    const std::string diskFolder = NewFolder(disk, "zarvik-speed");
    ExportSpeed("tmpfs", shmFolder);
    ExportSpeed("disk", diskFolder);
    BuildSpeed(shmFolder);
    fs::remove_all(shmFolder);
    fs::remove_all(diskFolder);
    return 0;
}
