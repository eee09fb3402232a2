#pragma once

#include "app/BrowserLauncher.h"
#include "app/SitePreview.h"
#include "tests/support/ScriptedPrompter.h"
#include "ui/project/ProgressScope.h"
#include "ui/shell/Services.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace zarvik::test {

class TRecordingErrors : public TErrorDisplay
{
public:
    void ShowError(std::string_view text) override { Shown.emplace_back(text); }
    std::vector<std::string> Shown;
};

// File dialogs answered from queues; an unscripted dialog is recorded and cancelled.
class TScriptedDialogs : public TFileDialogs
{
public:
    struct TCall
    {
        QString Kind; // "open", "save", "folder"
        QString Title;
        QString Filter;
        bool Multiple = false;
    };

    QStringList OpenFiles(QWidget *, const QString &title, const QString &filter, bool multiple) override
    {
        Calls.push_back({QStringLiteral("open"), title, filter, multiple});
        if (OpenAnswers.empty())
            return {};
        QStringList a = OpenAnswers.front();
        OpenAnswers.pop_front();
        return a;
    }
    QString SaveFile(QWidget *, const QString &title, const QString &filter, const QString &) override
    {
        Calls.push_back({QStringLiteral("save"), title, filter});
        if (SaveAnswers.empty())
            return {};
        QString a = SaveAnswers.front();
        SaveAnswers.pop_front();
        return a;
    }
    std::optional<QString> ChooseFolder(QWidget *, const QString &start) override
    {
        Calls.push_back({QStringLiteral("folder"), start, QString()});
        if (FolderAnswers.empty())
            return std::nullopt;
        const bool chosen = FolderAnswers.front().has_value();
        QString folder = chosen ? *FolderAnswers.front() : QString();
        FolderAnswers.pop_front();
        if (!chosen)
            return std::nullopt;
        return folder;
    }
    void RememberFile(const QString &, const QString &, const QString &path) override
    {
        Remembered.push_back(path);
    }
    bool Drained() const { return OpenAnswers.empty() && SaveAnswers.empty() && FolderAnswers.empty(); }

    std::deque<QStringList> OpenAnswers;
    std::deque<QString> SaveAnswers;
    std::deque<std::optional<QString>> FolderAnswers;
    std::vector<TCall> Calls;
    std::vector<QString> Remembered;
};

// The content-add dialog replaced by a scripted answer: accepted or not, and the text.
class TScriptedContentAdd : public TContentAddDialog
{
public:
    void Prepare(TSiteGenerator &generator) override { Prepared = &generator; }
    bool Execute() override
    {
        ++Executions;
        if (Answers.empty())
            return false;
        auto [accepted, text] = Answers.front();
        Answers.pop_front();
        FText = text;
        return accepted;
    }
    std::string Text() const override { return FText; }
    bool Drained() const { return Answers.empty(); }

    std::deque<std::pair<bool, std::string>> Answers;
    TSiteGenerator *Prepared = nullptr;
    int Executions = 0;

private:
    std::string FText;
};

// A browser that only notes the URLs it was asked to open.
class TRecordingBrowser : public TBrowserLauncher
{
public:
    bool Open(const std::string &url) override
    {
        Urls.push_back(url);
        return true;
    }
    std::vector<std::string> Urls;
};

// All fakes together, with the services bundle the windows take. The preview folders and the busy
// counter are the real ones, private to the fixture.
struct TFakeServices
{
    TScriptedPrompter Prompter;
    TRecordingErrors Errors;
    TScriptedDialogs Dialogs;
    TScriptedContentAdd ContentAdd;
    TRecordingBrowser Browser;
    TPreviewFolders PreviewFolders;
    TBusyCounter Busy;
    TServices Services{Prompter, Errors, Dialogs, ContentAdd, Browser, PreviewFolders, Busy};

    bool Drained() const { return Prompter.Drained() && Dialogs.Drained() && ContentAdd.Drained(); }
};

} // namespace zarvik::test
