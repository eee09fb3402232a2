#include "app/ProjectFiles.h"
#include "app/ProjectSettings.h"
#include "tests/app/TestServer.h"
#include "tests/ui/project/ProjectFixture.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>

#include <filesystem>

namespace zarvik::test {

using namespace Qt::StringLiterals;

class PublishingTabTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { F = std::make_unique<TProjectFixture>(); }
    void cleanup() { QVERIFY(CloseFixture(F)); }

    void tabComesAfterTheOthers();
    void refusedAddressIsReportedAndNotKept();
    void settingsAreEditsSavedBesideTheProjectAndCopiedBySaveAs();
    void brokenSettingsFileIsAWarningAndTheProjectStillOpens();
    void serverAddressIsCheckedAndPlainFtpNeedsConsent();
    void connectionCheckRunsOnAWorkerAndSaysWhatFailed();
    void unknownCertificateIsAskedAboutInTheWindowsWordsAndPinnedOnYes();
    void publishExportsShowsThePlanAndSendsTheSite();

private:
    void ShowPublishing()
    {
        auto &tabs = F->Find<QTabWidget>(u"PageControl1"_s);
        tabs.setCurrentWidget(&F->Find<QWidget>(u"PublishingSheet"_s));
    }

    std::unique_ptr<TProjectFixture> F;
    TTempFolder Folder;
};

void PublishingTabTest::tabComesAfterTheOthers()
{
    auto &tabs = F->Find<QTabWidget>(u"PageControl1"_s);
    QCOMPARE(tabs.count(), 7);
    QCOMPARE(tabs.widget(6)->objectName(), u"PublishingSheet"_s);
    QCOMPARE(tabs.tabText(6), u"Публикация"_s);
    QVERIFY(F->Find<QLineEdit>(u"BaseUrlEdit"_s).text().isEmpty());
    QVERIFY(!F->Find<QCheckBox>(u"SitemapCheck"_s).isChecked());
    QVERIFY(!F->Find<QCheckBox>(u"RobotsCheck"_s).isChecked());
}

void PublishingTabTest::refusedAddressIsReportedAndNotKept()
{
    ShowPublishing();
    F->TypeInto(u"BaseUrlEdit"_s, u"ftp://сад.рф/"_s);
    QCOMPARE(F->Messages(),
             QStringList{
                 u"Неверный адрес сайта \"ftp://сад.рф/\": он должен начинаться с http:// или https://"_s});
    QCOMPARE(F->Find<QLineEdit>(u"BaseUrlEdit"_s).text(), QString());
    QVERIFY(!F->Window->HasUnsavedEdits());
    QCOMPARE(F->Window->PublishingSettings().BaseUrl(), std::string());
}

void PublishingTabTest::settingsAreEditsSavedBesideTheProjectAndCopiedBySaveAs()
{
    ShowPublishing();
    F->TypeInto(u"BaseUrlEdit"_s, u"https://сад.рф/"_s);
    QVERIFY(F->Messages().isEmpty());
    QVERIFY(F->Window->HasUnsavedEdits());
    F->Find<QCheckBox>(u"SitemapCheck"_s).click();

    const QString path = Folder.Path(u"site.sgp"_s);
    F->Window->SaveProjectFile(path);
    QVERIFY(!F->Window->HasUnsavedEdits());
    QCOMPARE(
        Folder.Read(u"site.zarvik.json"_s),
        u"{\n  \"baseUrl\": \"https://сад.рф/\",\n  \"sitemap\": true,\n  \"robots\": false\n}\n"_s.toUtf8());

    F->Find<QCheckBox>(u"RobotsCheck"_s).click();
    QVERIFY(F->Window->HasUnsavedEdits());
    F->Window->SaveProjectFile(Folder.Path(u"copy.sgp"_s));
    QVERIFY(Folder.Read(u"copy.zarvik.json"_s).contains("\"robots\": true"));
    QVERIFY(Folder.Read(u"site.zarvik.json"_s).contains("\"robots\": false"));

    TSiteProject opened(F->Fakes.Services);
    opened.LoadProjectFile(path);
    QCOMPARE(opened.findChild<QLineEdit *>(u"BaseUrlEdit"_s)->text(), u"https://сад.рф/"_s);
    QVERIFY(opened.findChild<QCheckBox *>(u"SitemapCheck"_s)->isChecked());
    QVERIFY(!opened.findChild<QCheckBox *>(u"RobotsCheck"_s)->isChecked());
    QVERIFY(!opened.HasUnsavedEdits());
}

void PublishingTabTest::brokenSettingsFileIsAWarningAndTheProjectStillOpens()
{
    const QString path = Folder.Path(u"broken.sgp"_s);
    F->Window->SaveProjectFile(path);
    QVERIFY(Folder.Read(u"broken.zarvik.json"_s).isEmpty());
    Folder.Write(u"broken.zarvik.json"_s, "{\"sitemap\": true, \"robots\": 1}");

    TSiteProject opened(F->Fakes.Services);
    opened.LoadProjectFile(path);
    QCOMPARE(F->Messages(),
             QStringList{u"Файл настроек \""_s + Folder.Path(u"broken.zarvik.json"_s) +
                         u"\" повреждён, строка 1: значение robots должно быть true или false. "
                         u"Настройки публикации выключены"_s});
    QCOMPARE(F->Fakes.Prompter.Messages.front().Kind, MessageKind::Warning);
    QVERIFY(!opened.findChild<QCheckBox *>(u"SitemapCheck"_s)->isChecked());
    QVERIFY(!opened.HasUnsavedEdits());
}

void PublishingTabTest::serverAddressIsCheckedAndPlainFtpNeedsConsent()
{
    ShowPublishing();
    F->TypeInto(u"PublishTargetEdit"_s, u"ftps://сервер/www"_s);
    QCOMPARE(F->Messages(), QStringList{u"Адрес публикации \"ftps://сервер/www\" не подходит: не указано имя "
                                        u"пользователя (USER@HOST)"_s});
    QVERIFY(!F->Window->PublishingSettings().PublishTarget());

    // The warning about plain FTP, refused: the address is not taken.
    F->TypeInto(u"PublishTargetEdit"_s, u"ftp://anna@example.ru/www"_s);
    QCOMPARE(F->Messages().size(), 2);
    QCOMPARE(F->Messages().back(),
             u"FTP без шифрования передаёт пароль и файлы открытым текстом: их может прочитать "
             u"любой на пути до сервера. Всё равно использовать FTP?"_s);
    QVERIFY(!F->Window->PublishingSettings().PublishTarget());
    QVERIFY(F->Find<QLineEdit>(u"PublishTargetEdit"_s).text().isEmpty());

    F->TypeInto(u"PublishTargetEdit"_s, u"sftp://anna@example.ru:2222/www"_s);
    F->Find<QCheckBox>(u"TlsMax12Check"_s).click();
    QVERIFY(F->Window->HasUnsavedEdits());
    const QString path = Folder.Path(u"target.sgp"_s);
    F->TypeInto(u"PasswordEdit"_s, u"Hidden-Pw-1"_s);
    F->Window->SaveProjectFile(path);
    const QByteArray saved = Folder.Read(u"target.zarvik.json"_s);
    QVERIFY(saved.contains("\"address\": \"sftp://anna@example.ru:2222/www\""));
    QVERIFY(saved.contains("\"tlsMax\": \"1.2\""));
    QVERIFY(!saved.contains("Hidden-Pw-1"));
}

void PublishingTabTest::connectionCheckRunsOnAWorkerAndSaysWhatFailed()
{
    TTempFolder served;
    const std::string root = served.Path(u"ftp"_s).toStdString();
    std::filesystem::create_directories(root);
    const TTestServer server({std::string(ZARVIK_TEST_SERVERS) + "/ftp-server.py", root, "anna", "Right-Pw"});
    ShowPublishing();
    F->Fakes.Prompter.Script(Answer::Ok);
    F->TypeInto(u"PublishTargetEdit"_s, u"ftp://anna@127.0.0.1:%1/www"_s.arg(server.Port()));
    QCOMPARE(F->Messages().size(), 1);

    F->TypeInto(u"PasswordEdit"_s, u"Wrong-Pw"_s);
    auto &check = F->Find<QPushButton>(u"CheckConnectionButton"_s);
    check.click();
    QVERIFY(!check.isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(F->Messages().size(), 2, 20000);
    QCOMPARE(F->Messages().back(),
             u"Сервер 127.0.0.1 не принял имя пользователя \"anna\" или пароль. Проверьте их"_s);
    QVERIFY(check.isEnabled());

    F->TypeInto(u"PasswordEdit"_s, u"Right-Pw"_s);
    check.click();
    QTRY_COMPARE_WITH_TIMEOUT(F->Messages().size(), 3, 20000);
    QCOMPARE(F->Messages().back(),
             u"Соединение в порядке: вход, запись, переименование и удаление файла в папке "
             u"\"www\" работают"_s);
    // The probe was written into the folder and taken away again.
    QVERIFY(std::filesystem::is_directory(root + "/www"));
    QVERIFY(std::filesystem::is_empty(root + "/www"));
}

void PublishingTabTest::unknownCertificateIsAskedAboutInTheWindowsWordsAndPinnedOnYes()
{
    TTempFolder served;
    const TTestServer server({std::string(ZARVIK_TEST_SERVERS) + "/start-server.py", "vsftpd",
                              served.Path(u"ftps"_s).toStdString()});
    const QString fingerprint = QString::fromStdString(server.Value("FINGERPRINT"));
    ShowPublishing();
    F->TypeInto(u"PublishTargetEdit"_s, u"ftps://anonymous@127.0.0.1:%1/www"_s.arg(server.Port()));
    F->TypeInto(u"PasswordEdit"_s, u"x"_s);
    const qsizetype before = F->Messages().size();

    // Refused first: nothing is pinned.
    F->Fakes.Prompter.Script(Answer::No);
    F->Find<QPushButton>(u"CheckConnectionButton"_s).click();
    QTRY_COMPARE_WITH_TIMEOUT(F->Messages().size(), before + 1, 20000);
    const QString question = F->Messages().back();
    QVERIFY2(question.startsWith(u"Сертификат сервера 127.0.0.1 не подписан известным центром"_s),
             qPrintable(question));
    QVERIFY2(question.contains(u"Отпечаток: "_s + fingerprint), qPrintable(question));
    QVERIFY2(question.endsWith(u"Доверять этому серверу и запомнить отпечаток?"_s), qPrintable(question));
    // Neither the command line's switch nor the library's English reaches the window.
    QVERIFY2(!question.contains(u"--trust-fingerprint"_s), qPrintable(question));
    QVERIFY2(!question.contains(u"certificate"_s), qPrintable(question));
    QCOMPARE(question.count(fingerprint), 1);
    QVERIFY(!F->Find<QLabel>(u"FingerprintLabel"_s).text().contains(fingerprint));

    // Accepted: the fingerprint is pinned and the next check goes through.
    F->Fakes.Prompter.Script(Answer::Yes);
    F->Find<QPushButton>(u"CheckConnectionButton"_s).click();
    QTRY_COMPARE_WITH_TIMEOUT(F->Messages().size(), before + 2, 20000);
    QTRY_VERIFY(F->Find<QLabel>(u"FingerprintLabel"_s).text().contains(fingerprint));
    F->Fakes.Prompter.Script(Answer::Ok);
    F->Find<QPushButton>(u"CheckConnectionButton"_s).click();
    QTRY_COMPARE_WITH_TIMEOUT(F->Messages().size(), before + 3, 20000);
    QVERIFY2(F->Messages().back().startsWith(u"Соединение в порядке"_s), qPrintable(F->Messages().back()));
}

void PublishingTabTest::publishExportsShowsThePlanAndSendsTheSite()
{
    TTempFolder served;
    const std::string root = served.Path(u"ftp"_s).toStdString();
    std::filesystem::create_directories(root);
    const TTestServer server({std::string(ZARVIK_TEST_SERVERS) + "/ftp-server.py", root, "anna", "Right-Pw"});
    const QString out = Folder.Path(u"site"_s);
    QVERIFY(QDir().mkpath(out));
    F->Fakes.Dialogs.FolderAnswers.push_back(out);
    QTest::mouseClick(&F->Find<QPushButton>(u"Button2"_s), Qt::LeftButton);
    F->Window->Generator().CreateNewPage("index", "text");
    ShowPublishing();
    F->Fakes.Prompter.Script(Answer::Ok);
    F->TypeInto(u"PublishTargetEdit"_s, u"ftp://anna@127.0.0.1:%1/www"_s.arg(server.Port()));
    F->TypeInto(u"PasswordEdit"_s, u"Right-Pw"_s);

    // The export's question and report, the plan, the final report.
    for (const Answer answer : {Answer::No, Answer::Ok, Answer::Ok, Answer::Ok})
        F->Fakes.Prompter.Script(answer);
    F->Find<QPushButton>(u"PublishButton"_s).click();
    const QStringList messages = F->Messages();
    QCOMPARE(messages.size(), 5);
    QCOMPARE(messages[2], u"Сайт успешно выгружен!"_s);
    QVERIFY2(messages[3].startsWith(u"Загрузить\tstyle.css\t"_s), qPrintable(messages[3]));
    QVERIFY2(messages[3].contains(u"\nЗагрузить\tindex.html\t"_s), qPrintable(messages[3]));
    QVERIFY(messages[3].contains(u"Загрузить: 2 ("_s));
    QVERIFY(messages[3].endsWith(u"Опубликовать?"_s));
    QCOMPARE(messages[4],
             u"Сайт опубликован. Загружено: 2, заменено: 0, удалено: 0, без изменений: 0, с ошибкой: 0"_s);
    QCOMPARE(Folder.Read(u"site/index.html"_s), served.Read(u"ftp/www/index.html"_s));
    QCOMPARE(Folder.Read(u"site/style.css"_s), served.Read(u"ftp/www/style.css"_s));
}

} // namespace zarvik::test

QTEST_MAIN(zarvik::test::PublishingTabTest)
#include "PublishingTabTest.moc"
