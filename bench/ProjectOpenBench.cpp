// Opening a big project in the desktop program's project window: the file is read into the
// generator, the settings are pulled into the controls and the page tree is rebuilt. Runs
// offscreen; the project comes from the environment (see bench/project-open.sh), and its size and
// page count are reported beside the time.
#include "app/SitePreview.h"
#include "bench/SilentServices.h"
#include "engine/EXSiteGenerator.h"
#include "ui/editor/EditorEnvironment.h"
#include "ui/project/FProject.h"
#include "ui/project/ProgressScope.h"
#include "ui/shell/Services.h"

#include <QApplication>

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

using namespace zarvik;

namespace {

using bench::TSilentServices;

std::string ProjectPath()
{
    const char *path = std::getenv("ZARVIK_BENCH_PROJECT");
    return path ? path : "";
}

void BM_OpenProjectInWindow(benchmark::State &state)
{
    const std::string path = ProjectPath();
    if (path.empty() || !std::filesystem::exists(path)) {
        state.SkipWithError("set ZARVIK_BENCH_PROJECT to a project file");
        return;
    }
    TSilentServices silent;
    TPreviewFolders previewFolders;
    TBusyCounter busy;
    TServices services{silent, silent, silent, silent, silent, previewFolders, busy};
    TEditorEnvironment editors;
    services.EditorEnvironment = &editors;
    int pages = 0;
    for (auto _ : state) {
        auto window = std::make_unique<TSiteProject>(services);
        window->LoadProjectFile(QString::fromStdString(path));
        QApplication::processEvents();
        pages = window->Generator().Pages().Count();
        // Closing the window is not part of opening the project.
        state.PauseTiming();
        window.reset();
        state.ResumeTiming();
    }
    const auto size = std::filesystem::file_size(path);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
    state.counters["file_MB"] = static_cast<double>(size) / 1e6;
    state.counters["pages"] = pages;
}
BENCHMARK(BM_OpenProjectInWindow)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
