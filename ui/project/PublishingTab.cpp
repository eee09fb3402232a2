#include "ui/project/PublishingTab.h"

#include "app/PublishTransport.h"
#include "app/Publisher.h"
#include "app/SecretStore.h"
#include "app/SiteAddress.h"
#include "engine/Cp1251.h"
#include "engine/Error.h"
#include "ui/project/FProject.h"
#include "ui/project/PublishDialog.h"
#include "ui/shell/Services.h"

#include <QAction>
#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QThread>
#include <QVBoxLayout>

#include <functional>
#include <memory>

namespace zarvik {

using namespace Qt::StringLiterals;

namespace {

struct TPublishingView
{
    QWidget *Page;
    QLineEdit *BaseUrl;
    QCheckBox *Sitemap;
    QCheckBox *Robots;
    QLineEdit *Target;
    QCheckBox *Passive;
    QCheckBox *TlsMax12;
    QLabel *Fingerprint;
    QLineEdit *Password;
    QCheckBox *Remember;
    QPushButton *Check;
    QPushButton *Publish;
};

QLineEdit *AddField(QFormLayout &form, const QString &objectName, const QString &label)
{
    auto *field = new QLineEdit;
    field->setObjectName(objectName);
    auto *caption = new QLabel(label);
    caption->setBuddy(field);
    form.addRow(caption, field);
    return field;
}

void BuildServerGroup(QVBoxLayout &column, TPublishingView &view)
{
    auto *group = new QGroupBox(u"Сервер"_s);
    auto *form = new QFormLayout(group);
    view.Target = AddField(*form, u"PublishTargetEdit"_s, u"Адрес сервера:"_s);
    view.Target->setPlaceholderText(u"ftps://пользователь@сервер/папка"_s);
    view.Passive = new QCheckBox(u"Пассивный режим FTP"_s);
    view.Passive->setObjectName(u"PassiveCheck"_s);
    form->addRow(view.Passive);
    view.TlsMax12 = new QCheckBox(u"TLS не выше 1.2 (если файлы приходят пустыми или обрезанными)"_s);
    view.TlsMax12->setObjectName(u"TlsMax12Check"_s);
    form->addRow(view.TlsMax12);
    view.Fingerprint = new QLabel;
    view.Fingerprint->setObjectName(u"FingerprintLabel"_s);
    view.Fingerprint->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *pinned = new QLabel(u"Доверенный отпечаток:"_s);
    pinned->setBuddy(view.Fingerprint);
    form->addRow(pinned, view.Fingerprint);
    view.Password = AddField(*form, u"PasswordEdit"_s, u"Пароль:"_s);
    view.Password->setEchoMode(QLineEdit::Password);
    view.Remember = new QCheckBox(u"Запомнить пароль"_s);
    view.Remember->setObjectName(u"RememberPasswordCheck"_s);
    form->addRow(view.Remember);
    view.Check = new QPushButton(u"Проверить соединение"_s);
    view.Check->setObjectName(u"CheckConnectionButton"_s);
    form->addRow(view.Check);
    view.Publish = new QPushButton(u"Опубликовать"_s);
    view.Publish->setObjectName(u"PublishButton"_s);
    form->addRow(view.Publish);
    column.addWidget(group);
}

TPublishingView BuildPublishingTab(QWidget &window)
{
    TPublishingView view{};
    // The page scrolls, so that the server's fields never set a least size for the window.
    auto *scroll = new QScrollArea(&window);
    scroll->setObjectName(u"PublishingSheet"_s);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    view.Page = scroll;
    auto *content = new QWidget;
    scroll->setWidget(content);
    auto *column = new QVBoxLayout(content);
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
    BuildServerGroup(*column, view);
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
    , FWindow(window)
{
    const TPublishingView view = BuildPublishingTab(window);
    FPage = view.Page;
    FBaseUrl = view.BaseUrl;
    FSitemap = view.Sitemap;
    FRobots = view.Robots;
    connect(FBaseUrl, &QLineEdit::editingFinished, this, &TPublishingTab::PushBaseUrl);
    connect(FSitemap, &QCheckBox::toggled, this, &TPublishingTab::SitemapToggled);
    connect(FRobots, &QCheckBox::toggled, this, &TPublishingTab::RobotsToggled);
    FTarget = view.Target;
    FPassive = view.Passive;
    FTlsMax12 = view.TlsMax12;
    FFingerprint = view.Fingerprint;
    FPassword = view.Password;
    FRemember = view.Remember;
    FCheck = view.Check;
    connect(FTarget, &QLineEdit::editingFinished, this, &TPublishingTab::PushTarget);
    connect(FPassive, &QCheckBox::toggled, this, &TPublishingTab::PassiveToggled);
    connect(FTlsMax12, &QCheckBox::toggled, this, &TPublishingTab::TlsMax12Toggled);
    connect(FCheck, &QPushButton::clicked, this, &TPublishingTab::CheckConnectionClicked);
    FPublish = view.Publish;
    connect(FPublish, &QPushButton::clicked, this, &TPublishingTab::PublishClicked);
    PullSettings();
}

TPublishingTab::~TPublishingTab()
{
    if (FCheckThread)
        FCheckThread->wait();
}

// What a check on the worker thread found, handed to the window's thread.
struct TPublishingTab::TCheckResult
{
    std::optional<std::string> Failure;
    TTransferFailure Kind = TTransferFailure::Other;
    std::string Fingerprint;
};

void TPublishingTab::PushTarget()
{
    const std::string typed = FTarget->text().trimmed().toStdString();
    const std::optional<TPublishTarget> &current = FSettings.PublishTarget();
    if (typed == (current ? TargetAddress(*current) : std::string()))
        return;
    auto restore = [this] { PullSettings(); };
    if (typed.empty()) {
        FSettings.SetPublishTarget(std::nullopt);
        restore();
        emit Edited();
        return;
    }
    TPublishTarget target;
    try {
        target = ParseTargetAddress(typed);
    } catch (const EError &e) {
        restore();
        FServices.Prompter.ask(MessageKind::Error, e.Message(), Buttons::Ok);
        return;
    }
    if (target.Protocol == TPublishProtocol::Ftp &&
        FServices.Prompter.ask(
            MessageKind::Warning,
            Utf8ToCp1251("FTP без шифрования передаёт пароль и файлы открытым текстом: их "
                         "может прочитать любой на пути до сервера. Всё равно использовать "
                         "FTP?"),
            Buttons::OkCancel) != Answer::Ok) {
        restore();
        return;
    }
    if (current)
        KeepSettingsOf(target, *current);
    FSettings.SetPublishTarget(target);
    PullSettings();
    emit Edited();
}

void TPublishingTab::ChangeTarget(const std::function<void(TPublishTarget &)> &change)
{
    std::optional<TPublishTarget> target = FSettings.PublishTarget();
    if (!target)
        return;
    change(*target);
    FSettings.SetPublishTarget(target);
    emit Edited();
}

void TPublishingTab::PassiveToggled(bool on)
{
    ChangeTarget([on](TPublishTarget &target) { target.Passive = on; });
}

void TPublishingTab::TlsMax12Toggled(bool on)
{
    ChangeTarget([on](TPublishTarget &target) { target.TlsMax12 = on; });
}

std::optional<std::pair<TPublishTarget, std::string>> TPublishingTab::TargetToUse()
{
    PushTarget();
    if (FCheckThread)
        return std::nullopt;
    if (!FSettings.PublishTarget()) {
        FServices.Prompter.ask(MessageKind::Warning, Utf8ToCp1251("Сначала укажите адрес сервера"),
                               Buttons::Ok);
        return std::nullopt;
    }
    const TPublishTarget target = *FSettings.PublishTarget();
    std::string password = FPassword->text().toStdString();
    if (password.empty())
        password = LookupPublishPassword(target).value_or(std::string());
    return std::pair(target, std::move(password));
}

void TPublishingTab::CheckConnectionClicked()
{
    const auto ready = TargetToUse();
    if (!ready)
        return;
    const auto &[target, password] = *ready;
    auto result = std::make_shared<TCheckResult>();
    // The worker gets copies: it touches nothing of the window or the project.
    FCheckThread = QThread::create([target, password, result] {
        try {
            const std::unique_ptr<TRemoteFolder> remote = ConnectRemoteFolder(target, password);
            CheckConnection(*remote);
        } catch (const ETransferError &e) {
            result->Failure = e.Message();
            result->Kind = e.Kind();
            result->Fingerprint = e.Fingerprint();
        } catch (const EError &e) {
            result->Failure = e.Message();
        }
    });
    FCheck->setEnabled(false);
    connect(FCheckThread, &QThread::finished, this, [this, result, target, password] {
        FCheckThread->deleteLater();
        FCheckThread = nullptr;
        FCheck->setEnabled(true);
        ReportCheck(*result, target, password);
        emit CheckFinished();
    });
    FCheckThread->start();
}

void TPublishingTab::PublishClicked()
{
    auto *project = dynamic_cast<TSiteProject *>(&FWindow);
    auto *exportAction = FWindow.findChild<QAction *>(u"SiteExport"_s);
    if (project == nullptr || exportAction == nullptr)
        return;
    const auto ready = TargetToUse();
    if (!ready)
        return;
    const auto &[target, password] = *ready;
    if (password.empty() && target.SshKey.empty()) {
        FServices.Prompter.ask(MessageKind::Warning, Utf8ToCp1251("Введите пароль в поле «Пароль»"),
                               Buttons::Ok);
        return;
    }
    // The export asks what the export command asks; only the files that changed are written.
    exportAction->trigger();
    const std::string folder = Cp1251ToUtf8(project->Generator().SavePath());
    TPublishDialog dialog(&FWindow, FServices.Prompter, target, password, folder);
    if (dialog.Run() && FRemember->isChecked() && !password.empty() &&
        !StorePublishPassword(target, password))
        FServices.Prompter.ask(
            MessageKind::Warning,
            Utf8ToCp1251("Хранилище паролей недоступно: пароль не сохранён и будет спрошен снова"),
            Buttons::Ok);
}

void TPublishingTab::ReportCheck(const TCheckResult &result, const TPublishTarget &target,
                                 const std::string &password)
{
    if (result.Failure && (result.Kind == TTransferFailure::UnknownCertificate ||
                           result.Kind == TTransferFailure::UnknownHostKey)) {
        // The transport's message speaks to the command line (its switch, the library's words);
        // the window asks in its own words and pins on a yes.
        const bool certificate = result.Kind == TTransferFailure::UnknownCertificate;
        const std::string question =
            (certificate ? "Сертификат сервера " + target.Host +
                               " не подписан известным центром сертификации (так бывает с самоподписанным "
                               "сертификатом)."
                         : "Ключ сервера " + target.Host + " ещё не известен.") +
            "\r\nОтпечаток: " + result.Fingerprint +
            "\r\nСверьте его с тем, что сообщает хостинг. Доверять этому серверу и запомнить отпечаток?";
        const Answer answer =
            FServices.Prompter.ask(MessageKind::Warning, Utf8ToCp1251(question), Buttons::YesNo);
        if (answer == Answer::Yes && FSettings.PublishTarget() == target) {
            TPublishTarget pinned = target;
            pinned.Fingerprint = result.Fingerprint;
            FSettings.SetPublishTarget(pinned);
            PullSettings();
            emit Edited();
        }
        return;
    }
    if (result.Failure) {
        FServices.Prompter.ask(MessageKind::Error, *result.Failure, Buttons::Ok);
        return;
    }
    std::string text = "Соединение в порядке: вход, запись, переименование и удаление файла в папке \"" +
                       target.Folder + "\" работают";
    if (FRemember->isChecked() && !password.empty() && !StorePublishPassword(target, password))
        text += ". Хранилище паролей недоступно: пароль не сохранён и будет спрошен снова";
    FServices.Prompter.ask(MessageKind::Information, Utf8ToCp1251(text), Buttons::Ok);
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
    const QSignalBlocker blockTarget(FTarget);
    const QSignalBlocker blockPassive(FPassive);
    const QSignalBlocker blockTls(FTlsMax12);
    FBaseUrl->setText(QString::fromStdString(FSettings.BaseUrl()));
    FSitemap->setChecked(FSettings.Sitemap());
    FRobots->setChecked(FSettings.Robots());
    const std::optional<TPublishTarget> &target = FSettings.PublishTarget();
    FTarget->setText(target ? QString::fromStdString(TargetAddress(*target)) : QString());
    FPassive->setChecked(target ? target->Passive : true);
    FTlsMax12->setChecked(target && target->TlsMax12);
    FFingerprint->setText(target && !target->Fingerprint.empty() ? QString::fromStdString(target->Fingerprint)
                                                                 : u"нет"_s);
}

} // namespace zarvik
