// The content-add dialog with a 15 MB text, on the offscreen platform: loading a file into its
// editor with word wrap on (the dialog's setting) against the same load with wrap off, typing at
// the end of the loaded text, and the split preview of it.
#include "engine/EXSiteGenerator.h"
#include "engine/SplitPreview.h"
#include "ui/editor/EditorEnvironment.h"
#include "ui/editor/SourceEditor.h"
#include "ui/shell/PContentAddForm.h"
#include "ui/shell/Services.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <Qsci/qsciscintillabase.h>

#include <benchmark/benchmark.h>
#include <memory>
#include <optional>
#include <random>
#include <string>

using namespace zarvik;
using namespace Qt::StringLiterals;

namespace {

constexpr std::size_t TextSize = 15u << 20;

class TNoErrors : public TErrorDisplay
{
public:
    void ShowError(std::string_view) override {}
};

class TNoDialogs : public TFileDialogs
{
public:
    QStringList OpenFiles(QWidget *, const QString &, const QString &, bool) override { return {}; }
    QString SaveFile(QWidget *, const QString &, const QString &, const QString &) override { return {}; }
    std::optional<QString> ChooseFolder(QWidget *, const QString &) override { return std::nullopt; }
};

// Russian-like Windows-1251 text: words of 2..14 letters, sentences, paragraphs of a few hundred
// to a few thousand characters (long lines are what word wrap has to work on).
std::string MakeText()
{
    std::mt19937 rng(11);
    std::string t;
    t.reserve(TextSize + 64);
    int wordsInSentence = 0;
    int sentencesInParagraph = 0;
    while (t.size() < TextSize) {
        const int len = 2 + static_cast<int>(rng() % 13);
        for (int i = 0; i < len; ++i)
            t += static_cast<char>(0xE0 + rng() % 32);
        if (++wordsInSentence > 8 + static_cast<int>(rng() % 10)) {
            wordsInSentence = 0;
            t += '.';
            if (++sentencesInParagraph > 3 + static_cast<int>(rng() % 20)) {
                sentencesInParagraph = 0;
                t += "\r\n";
                continue;
            }
        }
        t += ' ';
    }
    return t;
}

const QString &TextFile()
{
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString p = QDir(dir.path()).filePath(u"content.txt"_s);
        QFile file(p);
        if (!file.open(QIODevice::WriteOnly))
            std::abort();
        const std::string text = MakeText();
        file.write(text.data(), static_cast<qint64>(text.size()));
        return p;
    }();
    return path;
}

struct TDialog
{
    TNoErrors Errors;
    TNoDialogs Dialogs;
    TEditorEnvironment Editors;
    TSiteGenerator Generator;
    TContentAddForm Form{Errors, Dialogs};

    TDialog()
    {
        Form.Editor().SetEnvironment(&Editors);
        Generator.SetDiggValue("!-next_page-!");
        Generator.SetMinCharsPerPage(4000);
        Generator.SetMaxCharsPerPage(5000);
        Form.Prepare(Generator);
        Form.show();
        QApplication::processEvents();
    }
    // Until the window has painted once and no queued work is left.
    void Settle()
    {
        Form.grab();
        QApplication::processEvents();
    }
};

void LoadFile(benchmark::State &state, bool wrap)
{
    const QString &path = TextFile();
    for (auto _ : state) {
        state.PauseTiming();
        auto dialog = std::make_unique<TDialog>();
        dialog->Form.Editor().SetWordWrap(wrap);
        state.ResumeTiming();
        dialog->Form.FileOpen1Accept({path});
        dialog->Settle();
        state.PauseTiming();
        dialog.reset();
        state.ResumeTiming();
    }
}

// Baseline for BM_LoadWrapped: the same load with word wrap off.
void BM_LoadUnwrapped(benchmark::State &state)
{
    LoadFile(state, false);
}
BENCHMARK(BM_LoadUnwrapped)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_LoadWrapped(benchmark::State &state)
{
    LoadFile(state, true);
}
BENCHMARK(BM_LoadWrapped)->Unit(benchmark::kMillisecond)->Iterations(3);

// Lets the editor wrap the whole document in idle time, as it does after a load: until the
// number of display lines has stayed the same for a while.
void FinishWrapping(TSourceEditor &editor)
{
    auto *sci = editor.findChild<QsciScintillaBase *>();
    const auto displayLines = [sci] {
        return sci->SendScintilla(QsciScintillaBase::SCI_VISIBLEFROMDOCLINE,
                                  sci->SendScintilla(QsciScintillaBase::SCI_GETLINECOUNT));
    };
    long last = -1;
    QElapsedTimer unchanged;
    unchanged.start();
    while (unchanged.elapsed() < 300) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
        if (const long now = displayLines(); now != last) {
            last = now;
            unchanged.restart();
        }
    }
}

enum class TWrap
{
    Off,
    Finished, // typing once the whole document is wrapped
    Running,  // typing right after the load, while the document is still being wrapped
};

// One key typed at the end of the loaded text, until it is painted and the events it caused
// are handled; without wrap as the baseline.
void TypeAtEnd(benchmark::State &state, TWrap wrap)
{
    TDialog dialog;
    TSourceEditor &editor = dialog.Form.Editor();
    editor.SetWordWrap(wrap != TWrap::Off);
    dialog.Form.FileOpen1Accept({TextFile()});
    dialog.Settle();
    if (wrap == TWrap::Finished)
        FinishWrapping(editor);
    editor.SetCaret(editor.LineCount(), static_cast<int>(editor.Line(editor.LineCount()).size()) + 1);
    editor.setFocus();
    QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : &editor;
    QTest::keyClick(target, Qt::Key_A);
    dialog.Settle();
    for (auto _ : state) {
        QTest::keyClick(target, Qt::Key_A);
        dialog.Settle();
    }
}

void BM_TypeAtEndUnwrapped(benchmark::State &state)
{
    TypeAtEnd(state, TWrap::Off);
}
BENCHMARK(BM_TypeAtEndUnwrapped)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_TypeAtEndWrapped(benchmark::State &state)
{
    TypeAtEnd(state, TWrap::Finished);
}
BENCHMARK(BM_TypeAtEndWrapped)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_TypeAtEndWhileWrapping(benchmark::State &state)
{
    TypeAtEnd(state, TWrap::Running);
}
BENCHMARK(BM_TypeAtEndWhileWrapping)->Unit(benchmark::kMillisecond)->Iterations(20);

// What the preview pane computes after an edit: the editor's text and its split.
void BM_PreviewOfLoadedText(benchmark::State &state)
{
    TDialog dialog;
    dialog.Form.FileOpen1Accept({TextFile()});
    dialog.Settle();
    for (auto _ : state) {
        const std::string text = dialog.Form.Editor().Text();
        const auto pages = PreviewContent(dialog.Generator, text);
        benchmark::DoNotOptimize(pages.data());
    }
}
BENCHMARK(BM_PreviewOfLoadedText)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
