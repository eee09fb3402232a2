#pragma once

#include "app/ProjectSettings.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <optional>
#include <string>
#include <utility>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QThread;
class QWidget;

namespace zarvik {

struct TServices;

// The publishing tab of a project window: the settings kept beside the project file (the site's
// base address, whether the export writes sitemap.xml and robots.txt, the server the site is
// published to). The tab holds them; the window loads and saves them with the project file. The
// password is typed here and kept, when asked, in the Secret Service only.
class TPublishingTab : public QObject
{
    Q_OBJECT

public:
    // The services and the window must outlive the tab. The page is not yet placed in the window.
    TPublishingTab(TServices &services, QWidget &window);
    // Waits for a connection check still under way.
    ~TPublishingTab() override;

    QWidget *Page() const { return FPage; }
    const TProjectSettings &Settings() const { return FSettings; }

    // Reads the settings beside the project file (a file-system name) into the controls; a
    // broken file is named in a warning and leaves every setting off.
    void LoadSettings(const std::string &projectPath);
    // Writes them beside the project file (see SaveProjectSettings). Throws EError.
    void SaveSettings(const std::string &projectPath);

    // Takes the address field's text when it differs from the address in force, as leaving the
    // field does: a refused address is reported and the field shows the address in force again.
    void PushBaseUrl();
    // Takes the server address field's text as PushBaseUrl does; plain FTP is taken only after
    // the user accepts the warning that it sends the password in clear.
    void PushTarget();

    // Logs in on a worker thread and writes, renames and removes a probe file; the result is
    // shown when the thread is done (CheckFinished). A new server identity is offered for pinning.
    void CheckConnectionClicked();

    // Exports as the window's export command does, then publishes the export folder through the
    // publish dialog (plan, confirmation, progress, report).
    void PublishClicked();

signals:
    // The user changed a setting.
    void Edited();

    // Emitted on the window's thread once a connection check has been reported.
    void CheckFinished();

private:
    struct TCheckResult;
    void ReportCheck(const TCheckResult &result, const TPublishTarget &target, const std::string &password);
    // The stored target, after the typed address was taken in, with the password typed or kept
    // in the Secret Service (empty when neither). Nothing while a check runs, or when no target
    // is set (the user is told).
    std::optional<std::pair<TPublishTarget, std::string>> TargetToUse();
    // Applies a change to the stored target, when there is one, and reports the edit.
    void ChangeTarget(const std::function<void(TPublishTarget &)> &change);
    void PassiveToggled(bool on);
    void TlsMax12Toggled(bool on);
    void SitemapToggled(bool on);
    void RobotsToggled(bool on);
    void PullSettings();

    TServices &FServices;
    QWidget &FWindow;
    TProjectSettings FSettings;
    QWidget *FPage = nullptr;
    QLineEdit *FBaseUrl = nullptr;
    QCheckBox *FSitemap = nullptr;
    QCheckBox *FRobots = nullptr;
    QLineEdit *FTarget = nullptr;
    QCheckBox *FPassive = nullptr;
    QCheckBox *FTlsMax12 = nullptr;
    QLabel *FFingerprint = nullptr;
    QLineEdit *FPassword = nullptr;
    QCheckBox *FRemember = nullptr;
    QPushButton *FCheck = nullptr;
    QPushButton *FPublish = nullptr;
    QPointer<QThread> FCheckThread;
};

} // namespace zarvik
