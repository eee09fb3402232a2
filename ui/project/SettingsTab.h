#pragma once

#include <QObject>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>

class QLineEdit;
class QScrollArea;

namespace Ui {
class SettingsTab;
}

namespace zarvik {

class TSiteGenerator;
struct TServices;

// The settings tab (TabSheet1) of a project window: site title, export folder, menu word, the
// page splitting and link limit settings. Its controls are laid out in SettingsTab.ui; this class
// copies them into the generator (PushSettings) and back (PullSettings) and reacts to them.
// Leaving a field pushes the settings.
class TSettingsTab : public QObject
{
    Q_OBJECT

public:
    // The generator, the services and the window (the parent of its dialogs) must outlive the
    // tab. The page is not yet placed in the window.
    TSettingsTab(TSiteGenerator &generator, TServices &services, QWidget &window);
    ~TSettingsTab() override;

    QScrollArea *Page() const;

    // The fields into the generator, then Pushed. An invalid number is reported and leaves the
    // value in force.
    void PushSettings();
    // The generator into the fields; emits nothing.
    void PullSettings();
    // True when a control no longer shows what was last pushed or pulled.
    bool ChangedSincePush() const;
    // Stops leaving a field from pushing, for a window that is going away.
    void StopPushingOnExit();

    // Whether the next export writes every file, also those that have not changed (the check
    // box beside the export folder). It belongs to the window, not to the project: it is not
    // saved, starts unchecked in each window, and changing it is no edit of the project.
    bool RewriteAll() const;
    // The object name of that check box, for the export command to find it in the window.
    static constexpr const char *RewriteAllName = "RewriteAllCheck";

    void Edit1Exit();
    void Button2Click();
    void CheckBox1Click();
    void CheckBox2Click();

signals:
    // The settings reached the generator.
    void Pushed();

private:
    bool eventFilter(QObject *watched, QEvent *event) override;
    // The fields whose leaving pushes the settings.
    QList<QLineEdit *> PushingFields() const;
    // Converts an integer field; on failure shows the conversion error and returns nothing.
    std::optional<std::int32_t> ConvertField(const QLineEdit &field);
    // The controls' texts and check states, to compare with the last push.
    QStringList SettingsState() const;

    TSiteGenerator &FGenerator;
    TServices &FServices;
    QWidget &FWindow;
    std::unique_ptr<Ui::SettingsTab> FUi;
    QScrollArea *FPage;
    QStringList FPushedSettings;
};

} // namespace zarvik
