#include "ui/project/PublishingTab.h"

#include "app/SiteAddress.h"
#include "ui/shell/Services.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace zarvik {

using namespace Qt::StringLiterals;

namespace {

struct TPublishingView
{
    QWidget *Page;
    QLineEdit *BaseUrl;
    QCheckBox *Sitemap;
    QCheckBox *Robots;
};

TPublishingView BuildPublishingTab(QWidget &window)
{
    TPublishingView view{};
    view.Page = new QWidget(&window);
    view.Page->setObjectName(u"PublishingSheet"_s);
    auto *column = new QVBoxLayout(view.Page);
    auto *form = new QFormLayout;
    view.BaseUrl = new QLineEdit;
    view.BaseUrl->setObjectName(u"BaseUrlEdit"_s);
    view.BaseUrl->setPlaceholderText(u"https://example.ru/"_s);
    auto *label = new QLabel(u"Адрес сайта:"_s);
    label->setBuddy(view.BaseUrl);
    form->addRow(label, view.BaseUrl);
    column->addLayout(form);
    view.Sitemap = new QCheckBox(u"Записывать sitemap.xml при выгрузке"_s);
    view.Sitemap->setObjectName(u"SitemapCheck"_s);
    view.Robots = new QCheckBox(u"Записывать robots.txt при выгрузке"_s);
    view.Robots->setObjectName(u"RobotsCheck"_s);
    column->addWidget(view.Sitemap);
    column->addWidget(view.Robots);
    auto *note = new QLabel(u"Эти настройки хранятся рядом с файлом проекта, в файле ИМЯ.zarvik.json. "
                            u"Для sitemap.xml нужен адрес сайта."_s);
    note->setWordWrap(true);
    column->addWidget(note);
    column->addStretch();
    return view;
}

} // namespace

TPublishingTab::TPublishingTab(TServices &services, QWidget &window)
    : FServices(services)
{
    const TPublishingView view = BuildPublishingTab(window);
    FPage = view.Page;
    FBaseUrl = view.BaseUrl;
    FSitemap = view.Sitemap;
    FRobots = view.Robots;
    connect(FBaseUrl, &QLineEdit::editingFinished, this, &TPublishingTab::PushBaseUrl);
    connect(FSitemap, &QCheckBox::toggled, this, &TPublishingTab::SitemapToggled);
    connect(FRobots, &QCheckBox::toggled, this, &TPublishingTab::RobotsToggled);
}

void TPublishingTab::LoadSettings(const std::string &projectPath)
{
    TSettingsLoad load = LoadProjectSettings(projectPath);
    FSettings = std::move(load.Settings);
    PullSettings();
    if (load.Warning)
        FServices.Prompter.ask(MessageKind::Warning, *load.Warning, Buttons::Ok);
}

void TPublishingTab::SaveSettings(const std::string &projectPath)
{
    SaveProjectSettings(projectPath, FSettings);
}

void TPublishingTab::PushBaseUrl()
{
    const std::string typed = FBaseUrl->text().toStdString();
    if (typed == FSettings.BaseUrl())
        return;
    if (!typed.empty()) {
        if (const std::optional<std::string> problem = BaseUrlProblem(typed)) {
            // The field shows the address in force before the box takes the focus, so that
            // leaving the field again does not repeat the box.
            FBaseUrl->setText(QString::fromStdString(FSettings.BaseUrl()));
            FServices.Prompter.ask(MessageKind::Error, *problem, Buttons::Ok);
            return;
        }
    }
    FSettings.SetBaseUrl(typed);
    emit Edited();
}

void TPublishingTab::SitemapToggled(bool on)
{
    FSettings.SetSitemap(on);
    emit Edited();
}

void TPublishingTab::RobotsToggled(bool on)
{
    FSettings.SetRobots(on);
    emit Edited();
}

void TPublishingTab::PullSettings()
{
    const QSignalBlocker blockUrl(FBaseUrl);
    const QSignalBlocker blockSitemap(FSitemap);
    const QSignalBlocker blockRobots(FRobots);
    FBaseUrl->setText(QString::fromStdString(FSettings.BaseUrl()));
    FSitemap->setChecked(FSettings.Sitemap());
    FRobots->setChecked(FSettings.Robots());
}

} // namespace zarvik
