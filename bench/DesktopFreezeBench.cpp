// How long the desktop program keeps its window from repainting on big inputs, offscreen, in one
// run: pasting a 15 MB text into the content-add dialog (with the split preview shown), opening
// and saving a big project in a project window, the project check, the link report, the export
// and the preview in a browser up to their first progress dialog, and one page asked for from
// the preview server. Prints one line per figure.
//
//   ZARVIK_BENCH_PROJECT=project.sgp desktop_freeze_bench
// The project should be one saved after an export (see bench/desktop-freeze.sh); its export
// folder (made when missing) is used for the export, which runs twice (a first export, then one over the
// record of the first). Without a project only the paste is measured.
#include "app/SitePreview.h"
#include "bench/SilentServices.h"
#include "engine/EXSiteGenerator.h"
#include "ui/editor/EditorEnvironment.h"
#include "ui/editor/SourceEditor.h"
#include "ui/editor/TextCodec.h"
#include "ui/project/FProject.h"
#include "ui/project/ProgressScope.h"
#include "ui/shell/PContentAddForm.h"
#include "ui/shell/Services.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QMimeData>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <random>
#include <string>

using namespace zarvik;
using namespace Qt::StringLiterals;

namespace {

constexpr std::size_t TextSize = 15u << 20;

using bench::TSilentServices;

// Notes when the first progress dialog is shown, counted from Start().
class TDialogWatch : public QObject
{
public:
    TDialogWatch() { qApp->installEventFilter(this); }
    ~TDialogWatch() override { qApp->removeEventFilter(this); }
    void Start()
    {
        FirstMs = -1;
        Clock.start();
    }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && FirstMs < 0 && qobject_cast<QProgressDialog *>(watched))
            FirstMs = Clock.elapsed();
        return false;
    }
    qint64 FirstMs = -1;
    QElapsedTimer Clock;
};

// Russian-like Windows-1251 text as the clipboard would hold it (Unicode): words, sentences and
// paragraphs of a few hundred to a few thousand characters.
QString MakeText()
{
    std::mt19937 rng(11);
    QString t;
    t.reserve(static_cast<qsizetype>(TextSize) + 64);
    int wordsInSentence = 0;
    int sentencesInParagraph = 0;
    while (static_cast<std::size_t>(t.size()) < TextSize) {
        const int len = 2 + static_cast<int>(rng() % 13);
        for (int i = 0; i < len; ++i)
            t += QChar(static_cast<char16_t>(0x0430 + rng() % 32));
        if (++wordsInSentence > 8 + static_cast<int>(rng() % 10)) {
            wordsInSentence = 0;
            t += u'.';
            if (++sentencesInParagraph > 3 + static_cast<int>(rng() % 20)) {
                sentencesInParagraph = 0;
                t += u"\r\n"_s;
                continue;
            }
        }
        t += u' ';
    }
    return t;
}

void Print(const char *what, double ms, const char *note = "")
{
    std::printf("%-48s %10.0f ms %s\n", what, ms, note);
    std::fflush(stdout);
}

void PrintDialog(const char *what, qint64 ms)
{
    if (ms < 0)
        std::printf("%-48s %13s\n", what, "none");
    else
        std::printf("%-48s %10lld ms\n", what, static_cast<long long>(ms));
    std::fflush(stdout);
}

// Handles the events for a while (the debounced preview and deferred deletions included).
void Settle(int ms)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

void MeasurePaste(TDialogWatch &watch)
{
    TSilentServices silent;
    TEditorEnvironment editors;
    TSiteGenerator generator;
    generator.SetDiggValue("!-next_page-!");
    generator.SetMinCharsPerPage(4000);
    generator.SetMaxCharsPerPage(5000);
    TContentAddForm form(silent, silent);
    form.Editor().SetEnvironment(&editors);
    form.Prepare(generator);
    form.SetPreviewShown(true);
    form.show();
    QApplication::processEvents();

    const QString text = MakeText();
    QApplication::clipboard()->setText(text);
    form.Editor().setFocus();
    QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : &form.Editor();
    QElapsedTimer clock;
    watch.Start();
    clock.start();
    QTest::keyClick(target, Qt::Key_V, Qt::ControlModifier);
    const double pasted = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    form.grab();
    const double painted = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    // The preview follows after its pause in typing.
    while (form.PreviewPages().size() < 2 && clock.elapsed() < 120'000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    const double previewed = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    Print("paste 15 MB (Ctrl+V returns)", pasted);
    Print("paste 15 MB, painted", painted);
    char note[64];
    std::snprintf(note, sizeof note, "(%zu pages, %lld lines)", form.PreviewPages().size(),
                  static_cast<long long>(form.Editor().LineCount()));
    Print("paste 15 MB, split preview shown", previewed, note);
    PrintDialog("paste 15 MB, first progress dialog", watch.FirstMs);

    // The same text loaded from a file, for comparison.
    form.FClearExecute();
    Settle(400);
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(u"content.txt"_s);
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            std::abort();
        const std::string cp1251 = FromQString(text);
        file.write(cp1251.data(), static_cast<qint64>(cp1251.size()));
    }
    clock.restart();
    form.FileOpen1Accept({path});
    form.grab();
    Print("load of the same text from a file, painted", static_cast<double>(clock.nsecsElapsed()) / 1e6);
}

double Ms(const QElapsedTimer &clock)
{
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

void Trigger(TSiteProject &window, const char *action)
{
    QAction *a = window.findChild<QAction *>(QString::fromLatin1(action));
    if (!a)
        std::abort();
    a->trigger();
}

void MeasureProject(TDialogWatch &watch, const std::string &project)
{
    TSilentServices silent;
    TPreviewFolders previewFolders;
    TBusyCounter busy;
    TServices services{silent, silent, silent, silent, silent, previewFolders, busy};
    TEditorEnvironment editors;
    services.EditorEnvironment = &editors;
    auto window = std::make_unique<TSiteProject>(services);
    window->show();
    QApplication::processEvents();

    QElapsedTimer clock;
    watch.Start();
    clock.start();
    window->LoadProjectFile(QString::fromStdString(project));
    char note[96];
    std::snprintf(note, sizeof note, "(%.0f MB, %d pages)",
                  static_cast<double>(std::filesystem::file_size(project)) / 1e6,
                  window->Generator().Pages().Count());
    Print("open project", Ms(clock), note);
    PrintDialog("open project, first progress dialog", watch.FirstMs);
    Settle(200);

    QTemporaryDir dir;
    const QString saved = QDir(dir.path()).filePath(u"saved.sgp"_s);
    watch.Start();
    clock.restart();
    window->SaveProjectFile(saved);
    Print("save project", Ms(clock));
    PrintDialog("save project, first progress dialog", watch.FirstMs);
    Settle(200);

    watch.Start();
    clock.restart();
    Trigger(*window, "CheckProject");
    Print("check", Ms(clock));
    PrintDialog("check, first progress dialog", watch.FirstMs);
    Settle(200);

    watch.Start();
    clock.restart();
    Trigger(*window, "LinkReport");
    Print("link report", Ms(clock));
    PrintDialog("link report, first progress dialog", watch.FirstMs);
    Settle(200);

    // The export folder of the project, which the first export makes.
    const std::string folder = window->Generator().SavePath();
    std::printf("export folder: %s\n", folder.c_str());
    std::filesystem::create_directories(folder);
    for (const char *round : {"export (first)", "export (over its record)"}) {
        watch.Start();
        clock.restart();
        silent.LastError.clear();
        Trigger(*window, "SiteExport");
        const double total = Ms(clock);
        std::string what = std::string(round) + ", first progress dialog";
        PrintDialog(what.c_str(), watch.FirstMs);
        Print(round, total, silent.LastError.empty() ? "" : "(failed)");
        if (!silent.LastError.empty())
            std::printf("  %s\n", ToQString(silent.LastError).toLocal8Bit().constData());
        Settle(200);
    }

    silent.Clock.start();
    watch.Start();
    Trigger(*window, "PreviewInBrowser");
    Print("F5 preview until the browser is asked", static_cast<double>(silent.BrowserOpenedMs));
    PrintDialog("F5 preview, first progress dialog", watch.FirstMs);
    if (!silent.BrowserUrl.empty()) {
        // A page near the end of the site, asked for as the browser would.
        const int count = window->Generator().Pages().Count();
        const std::string url = window->Generator().Pages()[count - 2].PageUrl();
        std::string address = silent.BrowserUrl;
        address = address.substr(0, address.rfind('/') + 1) + url;
        QNetworkAccessManager network;
        for (int round = 0; round < 3; ++round) {
            clock.restart();
            QNetworkReply *reply = network.get(QNetworkRequest(QUrl(QString::fromStdString(address))));
            QEventLoop loop;
            QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
            loop.exec();
            const double ms = Ms(clock);
            std::snprintf(note, sizeof note, "(HTTP %d, %lld bytes)",
                          reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(),
                          static_cast<long long>(reply->readAll().size()));
            Print("one-page preview request", ms, note);
            reply->deleteLater();
        }
    }
    Settle(100);
    clock.restart();
    window.reset();
    Print("close window (not a figure)", Ms(clock));
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TDialogWatch watch;
    if (!std::getenv("ZARVIK_BENCH_SKIP_PASTE"))
        MeasurePaste(watch);
    const char *project = std::getenv("ZARVIK_BENCH_PROJECT");
    if (project && std::filesystem::exists(project))
        MeasureProject(watch, project);
    else
        std::printf("set ZARVIK_BENCH_PROJECT to a project file for the project figures\n");
    return 0;
}
