#include "ui/project/PublishDialog.h"

#include "app/ExportRecord.h"
#include "app/PublishTransport.h"
#include "app/Publisher.h"
#include "app/SiteFiles.h"
#include "engine/Cp1251.h"
#include "engine/Error.h"
#include "engine/Prompter.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

#include <memory>
#include <optional>

namespace zarvik {

using namespace Qt::StringLiterals;

namespace {

// Runs `work` on a worker thread while the window's events go on; returns when it is done.
void RunOffThread(const std::function<void()> &work)
{
    QEventLoop loop;
    QThread *thread = QThread::create(work);
    QObject::connect(thread, &QThread::finished, &loop, &QEventLoop::quit);
    thread->start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    thread->wait();
    delete thread;
}

QString Megabytes(std::uint64_t bytes)
{
    return QString::number(static_cast<double>(bytes) / (1024.0 * 1024.0), 'f', 1);
}

} // namespace

TPublishDialog::TPublishDialog(QWidget *parent, TPrompter &prompter, TPublishTarget target,
                               std::string password, std::string folder)
    : QDialog(parent)
    , FPrompter(prompter)
    , FTarget(std::move(target))
    , FPassword(std::move(password))
    , FFolder(std::move(folder))
{
    setObjectName(u"PublishDialog"_s);
    setWindowTitle(u"Публикация"_s);
    auto *column = new QVBoxLayout(this);
    FFileLabel = new QLabel;
    FFileLabel->setObjectName(u"PublishFileLabel"_s);
    FBar = new QProgressBar;
    FBar->setObjectName(u"PublishProgress"_s);
    FBar->setAccessibleName(u"Ход публикации"_s);
    FBytesLabel = new QLabel;
    FBytesLabel->setObjectName(u"PublishBytesLabel"_s);
    FCancel = new QPushButton(u"Отмена"_s);
    FCancel->setObjectName(u"PublishCancelButton"_s);
    column->addWidget(FFileLabel);
    column->addWidget(FBar);
    column->addWidget(FBytesLabel);
    column->addWidget(FCancel, 0, Qt::AlignRight);
    connect(FCancel, &QPushButton::clicked, this, [this] {
        FCancelled = true;
        FCancel->setEnabled(false);
        FFileLabel->setText(u"Остановка после текущего файла..."_s);
    });
}

bool TPublishDialog::Run()
{
    const std::string address = TargetAddress(FTarget);
    std::optional<TExportRecord> record;
    try {
        record = LoadPublishedFiles(FFolder);
    } catch (const EError &e) {
        FPrompter.ask(MessageKind::Error, e.Message(), Buttons::Ok);
        return false;
    }
    if (!record) {
        FPrompter.ask(
            MessageKind::Error,
            Utf8ToCp1251("В папке \"" + FFolder + "\" нет записи о выгрузке: выгрузите сайт ещё раз"),
            Buttons::Ok);
        return false;
    }
    // The folder lives on the worker threads only, one at a time.
    std::unique_ptr<TRemoteFolder> remote;
    TRemoteState state;
    std::optional<std::string> failure;
    RunOffThread([&] {
        try {
            remote = ConnectRemoteFolder(FTarget, FPassword);
            state = ReadRemoteState(FFolder, address, *remote);
        } catch (const EError &e) {
            failure = e.Message();
        }
    });
    if (failure) {
        FPrompter.ask(MessageKind::Error, *failure, Buttons::Ok);
        return false;
    }
    const TPublishPlan plan = PlanPublish(*record, state.Files, false);
    // The whole list is what the command line's dry run prints; a box shows its start.
    constexpr std::size_t ListedInTheBox = 20;
    std::string question = DescribePlan(plan, ListedInTheBox);
    if (state.Source == TRemoteState::TSource::None)
        question +=
            "На сервере нет списка загруженных файлов: все файлы будут загружены, ни один не удалён.\n";
    if (state.Source == TRemoteState::TSource::Broken)
        question +=
            "Список загруженных файлов на сервере повреждён: все файлы будут загружены, ни один не удалён.\n";
    if (state.Source == TRemoteState::TSource::Journal)
        question += "Прерванная публикация продолжится с того места, где остановилась.\n";
    if (plan.Empty() && state.Source != TRemoteState::TSource::Journal) {
        FPrompter.ask(MessageKind::Information, Utf8ToCp1251("Сервер уже в порядке: отправлять нечего"),
                      Buttons::Ok);
        return true;
    }
    if (FPrompter.ask(MessageKind::Information, Utf8ToCp1251(question + "Опубликовать?"),
                      Buttons::OkCancel) != Answer::Ok)
        return false;
    if (plan.Deletes.size() > static_cast<std::size_t>(DefaultMaxDeletes) &&
        FPrompter.ask(
            MessageKind::Warning,
            Utf8ToCp1251("Публикация удалит на сервере файлов: " + std::to_string(plan.Deletes.size()) +
                         ", больше предела " + std::to_string(DefaultMaxDeletes) + ". Удалить их?"),
            Buttons::YesNo) != Answer::Yes)
        return false;

    FBar->setRange(0, static_cast<int>(plan.Uploads.size()));
    FStarted = QDateTime::currentMSecsSinceEpoch();
    show();
    TPublishProgress progress;
    progress.FileStarted = [this](std::size_t index, std::size_t count, const std::string &name,
                                  std::uint64_t size) {
        const QString shown = QString::fromStdString(name);
        QMetaObject::invokeMethod(
            this, [=, this] { ShowFile(index, count, shown, size); }, Qt::QueuedConnection);
    };
    progress.BytesSent = [this](std::uint64_t sent) {
        QMetaObject::invokeMethod(
            this, [=, this] { ShowBytes(sent); }, Qt::QueuedConnection);
    };
    progress.Cancelled = [this] { return FCancelled.load(); };
    TPublishReport report;
    RunOffThread([&] {
        try {
            report = RunPublish(plan, state.Files, FFolder, address, *remote, progress);
        } catch (const EError &e) {
            report.Failure = e.Message();
        }
    });
    // The queued progress calls are done with before the dialog goes.
    QCoreApplication::processEvents();
    hide();
    const std::string summary = DescribeReport(report);
    if (report.Failure) {
        FPrompter.ask(MessageKind::Error,
                      *report.Failure +
                          Utf8ToCp1251(".\r\n" + summary +
                                       ". Запустите публикацию снова: она продолжится с этого места"),
                      Buttons::Ok);
        return false;
    }
    if (report.Cancelled) {
        FPrompter.ask(MessageKind::Information,
                      Utf8ToCp1251("Публикация остановлена. " + summary +
                                   ". Следующая публикация продолжится с этого места"),
                      Buttons::Ok);
        return false;
    }
    FPrompter.ask(MessageKind::Information, Utf8ToCp1251("Сайт опубликован. " + summary), Buttons::Ok);
    return true;
}

void TPublishDialog::ShowFile(std::size_t index, std::size_t count, const QString &name, std::uint64_t size)
{
    FDoneBytes += FFileSize;
    FFileSize = size;
    FBar->setValue(static_cast<int>(index) - 1);
    if (!FCancelled)
        FFileLabel->setText(u"Файл %1 из %2: %3"_s.arg(index).arg(count).arg(name));
}

void TPublishDialog::ShowBytes(std::uint64_t sent)
{
    const std::uint64_t total = FDoneBytes + sent;
    const double seconds = std::max<qint64>(1, QDateTime::currentMSecsSinceEpoch() - FStarted) / 1000.0;
    FBytesLabel->setText(
        u"Отправлено %1 МБ, %2 МБ/с"_s.arg(Megabytes(total))
            .arg(QString::number(static_cast<double>(total) / seconds / (1024.0 * 1024.0), 'f', 1)));
}

} // namespace zarvik
