#include "ui/project/SettingsTab.h"

#include "app/IntegerConversion.h"
#include "app/ProjectDefaults.h"
#include "engine/EXSiteGenerator.h"
#include "engine/Error.h"
#include "ui/editor/TextCodec.h"
#include "ui/shell/RunCommand.h"
#include "ui/shell/Services.h"
#include "ui_SettingsTab.h"

#include <QFocusEvent>
#include <QScrollArea>

namespace zarvik {

using namespace Qt::StringLiterals;

TSettingsTab::TSettingsTab(TSiteGenerator &generator, TServices &services, QWidget &window)
    : FGenerator(generator)
    , FServices(services)
    , FWindow(window)
    , FUi(std::make_unique<Ui::SettingsTab>())
    , FPage(new QScrollArea)
{
    FUi->setupUi(FPage);

    FUi->Edit1->setText(ToQString(DefaultSiteTitle));
    FUi->Edit4->setText(ToQString(DefaultSavePath));
    FUi->LabeledEdit4->setText(ToQString(DefaultMenuWord));
    FUi->CheckBox1->setChecked(DefaultUseDigg);
    FUi->LabeledEdit1->setText(ToQString(DefaultDiggValue));
    FUi->LabeledEdit1->setEnabled(DefaultUseDigg);
    FUi->Edit2->setText(ToQString(DefaultMinCharsText));
    FUi->Edit3->setText(ToQString(DefaultMaxCharsText));
    FUi->LabeledEdit2->setText(ToQString(DefaultLinkLimitText));
    FUi->CheckBox2->setChecked(DefaultUseLinkLimit);
    FUi->LabeledEdit2->setEnabled(DefaultUseLinkLimit);

    for (QLineEdit *field : PushingFields())
        field->installEventFilter(this);
    connect(FUi->Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    connect(FUi->CheckBox1, &QCheckBox::clicked, this, [this] { CheckBox1Click(); });
    connect(FUi->CheckBox2, &QCheckBox::clicked, this, [this] { CheckBox2Click(); });
}

TSettingsTab::~TSettingsTab() = default;

QScrollArea *TSettingsTab::Page() const
{
    return FPage;
}

QList<QLineEdit *> TSettingsTab::PushingFields() const
{
    // The export folder is read-only: it changes through its button, which pushes by itself.
    return {FUi->Edit1, FUi->LabeledEdit4, FUi->LabeledEdit1, FUi->Edit2, FUi->Edit3, FUi->LabeledEdit2};
}

void TSettingsTab::StopPushingOnExit()
{
    for (QLineEdit *field : PushingFields())
        field->removeEventFilter(this);
}

bool TSettingsTab::eventFilter(QObject *watched, QEvent *event)
{
    // Leaving a settings field pushes the settings. Focus lost to a message box, a menu or
    // another application is not leaving the field, and neither is focus that moves on because
    // a push disabled the field (the link limit switching itself off).
    if (event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        const auto *field = qobject_cast<QWidget *>(watched);
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && field &&
            field->isEnabled())
            Edit1Exit();
    }
    return QObject::eventFilter(watched, event);
}

void TSettingsTab::Edit1Exit()
{
    runCommand(FServices.Errors, [this] { PushSettings(); });
}

void TSettingsTab::Button2Click()
{
    runCommand(FServices.Errors, [this] {
        if (auto folder = FServices.Dialogs.ChooseFolder(&FWindow, QString()))
            FUi->Edit4->setText(*folder);
        PushSettings();
    });
}

void TSettingsTab::CheckBox1Click()
{
    FUi->LabeledEdit1->setEnabled(FUi->CheckBox1->isChecked());
    FGenerator.SetUseDigg(FUi->CheckBox1->isChecked());
}

void TSettingsTab::CheckBox2Click()
{
    FUi->LabeledEdit2->setEnabled(FUi->CheckBox2->isChecked());
    if (!FUi->CheckBox2->isChecked())
        PushSettings();
}

std::optional<std::int32_t> TSettingsTab::ConvertField(const QLineEdit &field)
{
    try {
        return StrToInt(FromQString(field.text()));
    } catch (const EError &e) {
        FServices.Prompter.ask(MessageKind::Error, e.Message(), Buttons::Ok);
        return std::nullopt;
    }
}

void TSettingsTab::PushSettings()
{
    if (auto value = ConvertField(*FUi->Edit2))
        FGenerator.SetMinCharsPerPage(*value);
    if (auto value = ConvertField(*FUi->Edit3))
        FGenerator.SetMaxCharsPerPage(*value);

    QLineEdit &maxLinks = *FUi->LabeledEdit2;
    if (FUi->CheckBox2->isChecked()) {
        if (auto value = ConvertField(maxLinks))
            FGenerator.SetMaxLinksPerPage(*value);
        else
            maxLinks.setText(u"0"_s);
        // Exactly "0" switches the limit off, as if the user had unchecked the box.
        if (maxLinks.text() == u"0"_s) {
            FGenerator.SetMaxLinksPerPage(0);
            FUi->CheckBox2->setChecked(false);
            CheckBox2Click();
        }
    } else {
        FGenerator.SetMaxLinksPerPage(0);
    }

    FGenerator.SetSiteTitle(FromQString(FUi->Edit1->text()));
    FGenerator.SetSavePath(FromQString(FUi->Edit4->text()));
    FGenerator.SetUseDigg(FUi->CheckBox1->isChecked());
    FGenerator.SetDiggValue(FromQString(FUi->LabeledEdit1->text()));
    FGenerator.SetMenuWord(FromQString(FUi->LabeledEdit4->text()));
    FPushedSettings = SettingsState();
    emit Pushed();
}

void TSettingsTab::PullSettings()
{
    FUi->Edit2->setText(QString::number(FGenerator.MinCharsPerPage()));
    FUi->Edit3->setText(QString::number(FGenerator.MaxCharsPerPage()));
    FUi->LabeledEdit4->setText(ToQString(FGenerator.MenuWord()));
    FUi->CheckBox1->setChecked(FGenerator.UseDigg());
    FUi->LabeledEdit1->setEnabled(FUi->CheckBox1->isChecked());
    FUi->LabeledEdit1->setText(ToQString(FGenerator.DiggValue()));
    FUi->LabeledEdit2->setText(QString::number(FGenerator.MaxLinksPerPage()));
    FUi->CheckBox2->setChecked(FGenerator.MaxLinksPerPage() != 0);
    FUi->LabeledEdit2->setEnabled(FUi->CheckBox2->isChecked());
    FUi->Edit1->setText(ToQString(FGenerator.SiteTitle()));
    FUi->Edit4->setText(ToQString(FGenerator.SavePath()));
    FPushedSettings = SettingsState();
}

bool TSettingsTab::RewriteAll() const
{
    return FUi->RewriteAllCheck->isChecked();
}

bool TSettingsTab::ChangedSincePush() const
{
    return SettingsState() != FPushedSettings;
}

QStringList TSettingsTab::SettingsState() const
{
    const auto checked = [](const QCheckBox *box) { return box->isChecked() ? u"1"_s : u"0"_s; };
    return {FUi->Edit1->text(),        FUi->Edit4->text(),      FUi->LabeledEdit4->text(),
            FUi->LabeledEdit1->text(), FUi->Edit2->text(),      FUi->Edit3->text(),
            FUi->LabeledEdit2->text(), checked(FUi->CheckBox1), checked(FUi->CheckBox2)};
}

} // namespace zarvik
