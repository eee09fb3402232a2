#include "ui/shell/Icons.h"

#include "tests/ui/support/FrameFixture.h"
#include "ui/shell/PContentAddForm.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMimeDatabase>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QWidgetAction>

#include <memory>

using namespace Qt::StringLiterals;

namespace zarvik::test {

namespace {

bool Renders(const QIcon &icon)
{
    return !icon.isNull() && !icon.pixmap(16, 16).isNull() && !icon.pixmap(48, 48).isNull();
}

// Every command on the window's tool bars whose icon does not render, by objectName.
QStringList CommandsWithoutIcons(const QWidget *window)
{
    QStringList missing;
    int commands = 0;
    for (const QToolBar *bar : window->findChildren<QToolBar *>()) {
        for (QAction *action : bar->actions()) {
            if (action->isSeparator())
                continue;
            ++commands;
            if (auto *widgetAction = qobject_cast<QWidgetAction *>(action)) {
                auto *button = qobject_cast<QToolButton *>(bar->widgetForAction(widgetAction));
                if (!button || !Renders(button->icon()))
                    missing.append(button ? button->objectName() : u"(widget)"_s);
            } else if (!Renders(action->icon())) {
                missing.append(action->objectName());
            }
        }
    }
    if (commands == 0)
        missing.append(u"(no tool-bar commands at all)"_s);
    return missing;
}

} // namespace

class IconsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // A bare X server: no desktop theme anywhere.
        QIcon::setThemeSearchPaths({});
        QIcon::setThemeName(u"zarvik-no-such-theme"_s);
        // The data folders as a file manager reads them, holding only the program's MIME package.
        // The MIME database reads them once, at its first use, so they are set before anything.
        QVERIFY(FDataDirs.isValid());
        QVERIFY(QDir(FDataDirs.path()).mkpath(u"mime/packages"_s));
        QVERIFY(QFile::copy(QStringLiteral(ZARVIK_DATA_DIR "/org.zarvik.Zarvik.mime.xml"),
                            FDataDirs.filePath(u"mime/packages/org.zarvik.Zarvik.mime.xml"_s)));
        qputenv("XDG_DATA_DIRS", QFile::encodeName(FDataDirs.path()));
        qputenv("XDG_DATA_HOME", QFile::encodeName(FDataDirs.filePath(u"home"_s)));
    }

    void everyToolBarCommandHasAnIconWithoutATheme();
    void commandsOutsideTheToolBarsHaveTheirIconsToo();
    void aThemeIconIsPreferredToTheShippedOne();
    void theApplicationIconRendersAndNamesItsDesktopEntry();
    void projectFilesAreKnownByNameAndByContent();

private:
    QTemporaryDir FDataDirs;
};

void IconsTest::everyToolBarCommandHasAnIconWithoutATheme()
{
    auto frame = std::make_unique<TFrameFixture>();
    QCOMPARE(CommandsWithoutIcons(frame->Form.get()), QStringList());

    TSiteProject *project = frame->New();
    QVERIFY(project);
    QCOMPARE(CommandsWithoutIcons(project), QStringList());

    TContentAddForm contentAdd(frame->Fakes.Errors, frame->Fakes.Dialogs);
    QCOMPARE(CommandsWithoutIcons(&contentAdd), QStringList());

    // The template's insert button keeps its caption beside the new icon.
    auto *insert = project->findChild<QToolButton *>(u"InsertButton"_s);
    QVERIFY(insert);
    QCOMPARE(insert->text(), u"Вставить"_s);
    QCOMPARE(insert->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);

    QVERIFY(CloseFixture(frame));
}

void IconsTest::commandsOutsideTheToolBarsHaveTheirIconsToo()
{
    // Menu commands and the commands of the project window's procedures, some of which may be
    // built elsewhere: each name must lead to a shipped picture.
    for (const QString &name : {u"Quit"_s, u"ImportLinks"_s, u"ImportCSV"_s, u"SaveLinks"_s, u"ClearLinks"_s,
                                u"LinksGener"_s, u"SiteExport"_s, u"PreviewInBrowser"_s, u"LinkReport"_s,
                                u"CheckProject"_s, u"PruneStale"_s, u"EditSelectAll1"_s})
        QVERIFY2(Renders(ActionIcon(name)), qPrintable(name));
    QVERIFY(ActionIcon(u"SpecDigg"_s).isNull());
    QVERIFY(ActionIcon(QString()).isNull());
}

void IconsTest::aThemeIconIsPreferredToTheShippedOne()
{
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QDir dir(root.path());
    QVERIFY(dir.mkpath(u"zarvik-test/16x16/actions"_s));
    QFile index(dir.filePath(u"zarvik-test/index.theme"_s));
    QVERIFY(index.open(QIODevice::WriteOnly));
    index.write("[Icon Theme]\nName=zarvik-test\nDirectories=16x16/actions\n\n"
                "[16x16/actions]\nSize=16\nContext=Actions\nType=Fixed\n");
    index.close();
    QPixmap red(16, 16);
    red.fill(Qt::red);
    QVERIFY(red.save(dir.filePath(u"zarvik-test/16x16/actions/document-new.png"_s)));

    // Theme icons follow the theme, so the checks run while the test theme is set.
    struct TRestoreNoTheme
    {
        ~TRestoreNoTheme()
        {
            QIcon::setThemeSearchPaths({});
            QIcon::setThemeName(u"zarvik-no-such-theme"_s);
        }
    } restore;
    QIcon::setThemeSearchPaths({root.path()});
    QIcon::setThemeName(u"zarvik-test"_s);
    const QIcon themed = ActionIcon(u"NewProject"_s);
    const QIcon shipped = ActionIcon(u"SaveProject"_s); // not in the theme

    QCOMPARE(themed.name(), u"document-new"_s);
    QCOMPARE(themed.pixmap(16, 16).toImage().pixelColor(8, 8), QColor(Qt::red));
    QVERIFY(shipped.name().isEmpty());
    QVERIFY(Renders(shipped));
}

void IconsTest::theApplicationIconRendersAndNamesItsDesktopEntry()
{
    const QIcon icon = ApplicationIcon();
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QPixmap pixmap = icon.pixmap(size, size);
        QCOMPARE(pixmap.size(), QSize(size, size));
        // The centre of the icon is drawn, not transparent.
        QVERIFY2(pixmap.toImage().pixelColor(size / 2, size / 2).alpha() > 0,
                 qPrintable(QString::number(size)));
    }

    // The windows get the icon, and the program names the entry that is installed.
    SetUpDesktopIdentity();
    QVERIFY(!QApplication::windowIcon().isNull());
    const QString id = QGuiApplication::desktopFileName();
    QFile entry(QStringLiteral(ZARVIK_DATA_DIR "/") + id + u".desktop"_s);
    QVERIFY2(entry.open(QIODevice::ReadOnly), qPrintable(entry.fileName()));
    const QByteArrayList lines = entry.readAll().split('\n');
    QVERIFY(lines.contains("Icon=" + id.toUtf8()));
    QVERIFY(lines.contains("Exec=zarvik %F"));
}

void IconsTest::projectFilesAreKnownByNameAndByContent()
{
    const QMimeDatabase mime;
    QCOMPARE(mime.mimeTypeForFile(u"/nowhere/Сад.sgp"_s, QMimeDatabase::MatchExtension).name(),
             u"application/x-zarvik-project"_s);
    QCOMPARE(mime.mimeTypeForData(QByteArray("object TSiteGenerator\r\n  SiteTitle = 'x'\r\n")).name(),
             u"application/x-zarvik-project"_s);
    // The magic sits at the start only.
    QVERIFY(mime.mimeTypeForData(QByteArray(" object TSiteGenerator\r\n")).name() !=
            u"application/x-zarvik-project"_s);
    QCOMPARE(mime.mimeTypeForName(u"application/x-zarvik-project"_s).iconName(),
             u"application-x-zarvik-project"_s);
}

} // namespace zarvik::test

QTEST_MAIN(zarvik::test::IconsTest)
#include "IconsTest.moc"
