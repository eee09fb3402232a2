#pragma once

#include "app/PublishTarget.h"

#include <QDialog>

#include <atomic>
#include <string>

class QLabel;
class QProgressBar;
class QPushButton;

namespace zarvik {

class TPrompter;

// Publishes an exported folder: the plan is made on a worker thread and shown for confirmation
// (files to upload, replace and delete, counts and bytes); the run then goes on a worker thread
// while this dialog shows file N of M, the bytes, the speed and the file in flight, with a cancel
// button that stops between files. Nothing of the project is touched off the window's thread:
// the worker gets the folder, the target and the password, and reports through queued calls.
class TPublishDialog : public QDialog
{
    Q_OBJECT

public:
    TPublishDialog(QWidget *parent, TPrompter &prompter, TPublishTarget target, std::string password,
                   std::string folder);

    // Makes the plan, asks, runs and reports. Returns true when the run completed. A failure that
    // the user must act on (login, identity, ...) is shown and returns false; a new server
    // identity is shown with its fingerprint in the message.
    bool Run();

private:
    void ShowFile(std::size_t index, std::size_t count, const QString &name, std::uint64_t size);
    void ShowBytes(std::uint64_t sent);

    TPrompter &FPrompter;
    TPublishTarget FTarget;
    std::string FPassword;
    std::string FFolder;
    QLabel *FFileLabel = nullptr;
    QLabel *FBytesLabel = nullptr;
    QProgressBar *FBar = nullptr;
    QPushButton *FCancel = nullptr;
    std::atomic<bool> FCancelled = false;
    std::uint64_t FFileSize = 0;
    std::uint64_t FDoneBytes = 0;
    qint64 FStarted = 0;
};

} // namespace zarvik
