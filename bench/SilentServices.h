#pragma once

// The services a project window needs, answering every question without a window: yes to a
// question with Yes, OK to the rest. Errors and the address the browser was asked to open are
// kept for the benchmark to read; ZARVIK_BENCH_VERBOSE=1 prints every question.
#include "app/BrowserLauncher.h"
#include "ui/editor/TextCodec.h"
#include "ui/shell/Services.h"

#include <QElapsedTimer>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

namespace zarvik::bench {

struct TSilentServices : TPrompter, TErrorDisplay, TFileDialogs, TContentAddDialog, TBrowserLauncher
{
    Answer ask(MessageKind, std::string_view message, Buttons buttons) override
    {
        if (std::getenv("ZARVIK_BENCH_VERBOSE"))
            std::printf("  asked: %s\n", ToQString(message).toLocal8Bit().constData());
        return buttons == Buttons::YesNo || buttons == Buttons::YesNoDefaultNo ? Answer::Yes : Answer::Ok;
    }
    void ShowError(std::string_view message) override { LastError = std::string(message); }
    QStringList OpenFiles(QWidget *, const QString &, const QString &, bool) override { return {}; }
    QString SaveFile(QWidget *, const QString &, const QString &, const QString &) override { return {}; }
    std::optional<QString> ChooseFolder(QWidget *, const QString &) override { return std::nullopt; }
    void Prepare(TSiteGenerator &) override {}
    bool Execute() override { return false; }
    std::string Text() const override { return {}; }
    bool Open(const std::string &url) override
    {
        BrowserUrl = url;
        BrowserOpenedMs = Clock.isValid() ? Clock.elapsed() : -1;
        return true;
    }

    std::string LastError;
    std::string BrowserUrl;
    qint64 BrowserOpenedMs = -1;
    QElapsedTimer Clock;
};

} // namespace zarvik::bench
