#pragma once

#include "app/ProjectSettings.h"

#include <QObject>

#include <string>

class QCheckBox;
class QLineEdit;
class QWidget;

namespace zarvik {

struct TServices;

// The publishing tab of a project window: the settings kept beside the project file (the site's
// base address, whether the export writes sitemap.xml and robots.txt). The tab holds them; the
// window loads and saves them with the project file.
class TPublishingTab : public QObject
{
    Q_OBJECT

public:
    // The services and the window must outlive the tab. The page is not yet placed in the window.
    TPublishingTab(TServices &services, QWidget &window);

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

signals:
    // The user changed a setting.
    void Edited();

private:
    void SitemapToggled(bool on);
    void RobotsToggled(bool on);
    void PullSettings();

    TServices &FServices;
    TProjectSettings FSettings;
    QWidget *FPage = nullptr;
    QLineEdit *FBaseUrl = nullptr;
    QCheckBox *FSitemap = nullptr;
    QCheckBox *FRobots = nullptr;
};

} // namespace zarvik
