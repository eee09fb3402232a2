#include "ui/shell/MessageBoxPrompter.h"

#include "tests/support/Ru.h"
#include "tests/ui/support/Widgets.h"
#include "ui/shell/Application.h"

#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace zarvik::test {

namespace {

QList<QMessageBox::StandardButton> ButtonsOf(const QMessageBox &box)
{
    QList<QMessageBox::StandardButton> out;
    for (QAbstractButton *button : box.buttons())
        out.append(box.standardButton(button));
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace

class MessageBoxPrompterTest : public QObject
{
    Q_OBJECT

private slots:
    void kindsGiveTheirIconAndRussianCaption_data();
    void kindsGiveTheirIconAndRussianCaption();
    void buttonSets();
    void textIsPlainWithLineBreaksFromCr();
    void errorDisplayIsCaptionedWithTheApplicationTitle();
    void askRunsTheBoxAndReturnsTheButtonPressed();
    void escapeGivesTheCancellingAnswer();
    void theSaveQuestionHasThreeButtons();
    void qtButtonsReadInRussian();
    void replacingQuestionDefaultsToNoAndDetailsStandApart();
};

void MessageBoxPrompterTest::kindsGiveTheirIconAndRussianCaption_data()
{
    QTest::addColumn<MessageKind>("kind");
    QTest::addColumn<QMessageBox::Icon>("icon");
    QTest::addColumn<QString>("caption");
    QTest::newRow("warning") << MessageKind::Warning << QMessageBox::Warning << u"Предупреждение"_s;
    QTest::newRow("error") << MessageKind::Error << QMessageBox::Critical << u"Ошибка"_s;
    QTest::newRow("information") << MessageKind::Information << QMessageBox::Information << u"Информация"_s;
}

void MessageBoxPrompterTest::kindsGiveTheirIconAndRussianCaption()
{
    QFETCH(MessageKind, kind);
    QFETCH(QMessageBox::Icon, icon);
    QFETCH(QString, caption);
    const auto box = TMessageBoxPrompter::CreateMessageBox(nullptr, kind, Ru("Текст"), Buttons::Ok);
    QCOMPARE(box->icon(), icon);
    QCOMPARE(box->windowTitle(), caption);
    QCOMPARE(box->text(), u"Текст"_s);
}

void MessageBoxPrompterTest::buttonSets()
{
    using B = QMessageBox::StandardButton;
    const auto ok = TMessageBoxPrompter::CreateMessageBox(nullptr, MessageKind::Error, "x", Buttons::Ok);
    QCOMPARE(ButtonsOf(*ok), QList<B>({B::Ok}));
    const auto okCancel =
        TMessageBoxPrompter::CreateMessageBox(nullptr, MessageKind::Warning, "x", Buttons::OkCancel);
    QCOMPARE(ButtonsOf(*okCancel), QList<B>({B::Ok, B::Cancel}));
    const auto yesNo =
        TMessageBoxPrompter::CreateMessageBox(nullptr, MessageKind::Warning, "x", Buttons::YesNo);
    QCOMPARE(ButtonsOf(*yesNo), QList<B>({B::Yes, B::No}));
}

void MessageBoxPrompterTest::textIsPlainWithLineBreaksFromCr()
{
    // Link-distribution messages quote HTML; a lone CR separates their lines.
    const auto box = TMessageBoxPrompter::CreateMessageBox(
        nullptr, MessageKind::Information, Ru("Ссылка <a href=\"x\">слово</a>\rвторая\r\nтретья"),
        Buttons::Ok);
    QCOMPARE(box->textFormat(), Qt::PlainText);
    QCOMPARE(box->text(), u"Ссылка <a href=\"x\">слово</a>\nвторая\nтретья"_s);
}

void MessageBoxPrompterTest::errorDisplayIsCaptionedWithTheApplicationTitle()
{
    const auto box =
        TMessageBoxPrompter::CreateErrorBox(nullptr, Ru("Cannot open file \"/tmp/сад.sgp\". No such file."));
    QCOMPARE(box->windowTitle(), u"Zarvik"_s);
    QCOMPARE(box->icon(), QMessageBox::Critical);
    QCOMPARE(box->text(), u"Cannot open file \"/tmp/сад.sgp\". No such file."_s);
    QCOMPARE(box->buttons().size(), 1);
    QCOMPARE(box->standardButton(box->buttons().front()), QMessageBox::Ok);
}

void MessageBoxPrompterTest::askRunsTheBoxAndReturnsTheButtonPressed()
{
    TMessageBoxPrompter prompter;
    QString seenText;
    QString seenTitle;
    WhenModal([&](QWidget *dialog) {
        auto *box = qobject_cast<QMessageBox *>(dialog);
        QVERIFY(box);
        seenText = box->text();
        seenTitle = box->windowTitle();
        box->button(QMessageBox::Ok)->click();
    });
    QCOMPARE(prompter.ask(MessageKind::Warning, Ru("Перезаписать указанный файл?"), Buttons::OkCancel),
             Answer::Ok);
    QCOMPARE(seenText, u"Перезаписать указанный файл?"_s);
    QCOMPARE(seenTitle, u"Предупреждение"_s);

    WhenModal([](QWidget *dialog) { qobject_cast<QMessageBox *>(dialog)->button(QMessageBox::No)->click(); });
    QCOMPARE(prompter.ask(MessageKind::Warning, "?", Buttons::YesNo), Answer::No);

    WhenModal([&](QWidget *dialog) {
        seenTitle = dialog->windowTitle();
        qobject_cast<QMessageBox *>(dialog)->button(QMessageBox::Ok)->click();
    });
    prompter.ShowError(Ru("Ошибка."));
    QCOMPARE(seenTitle, u"Zarvik"_s);
}

void MessageBoxPrompterTest::escapeGivesTheCancellingAnswer()
{
    TMessageBoxPrompter prompter;
    WhenModal([](QWidget *dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
    QCOMPARE(prompter.ask(MessageKind::Warning, "?", Buttons::OkCancel), Answer::Cancel);
    WhenModal([](QWidget *dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
    QCOMPARE(prompter.ask(MessageKind::Warning, "?", Buttons::YesNo), Answer::No);
    // The save question: Escape and the box's close button keep what is open.
    WhenModal([](QWidget *dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
    QCOMPARE(prompter.ask(MessageKind::Warning, "?", Buttons::SaveDiscardCancel), Answer::Cancel);
    WhenModal([](QWidget *dialog) { dialog->close(); });
    QCOMPARE(prompter.ask(MessageKind::Warning, "?", Buttons::SaveDiscardCancel), Answer::Cancel);
}

void MessageBoxPrompterTest::theSaveQuestionHasThreeButtons()
{
    TMessageBoxPrompter prompter;
    const auto box =
        TMessageBoxPrompter::CreateMessageBox(nullptr, MessageKind::Warning, "x", Buttons::SaveDiscardCancel);
    QStringList texts;
    for (QAbstractButton *button : box->buttons())
        texts.append(button->text());
    texts.sort();
    QCOMPARE(texts, QStringList({u"Не сохранять"_s, u"Отмена"_s, u"Сохранить"_s}));
    QCOMPARE(static_cast<QAbstractButton *>(box->defaultButton()), box->button(QMessageBox::Save));
    const std::vector<std::pair<QMessageBox::StandardButton, Answer>> answers{
        {QMessageBox::Save, Answer::Ok},
        {QMessageBox::Discard, Answer::No},
        {QMessageBox::Cancel, Answer::Cancel}};
    for (const auto &[button, answer] : answers) {
        WhenModal(
            [button](QWidget *dialog) { qobject_cast<QMessageBox *>(dialog)->button(button)->click(); });
        QCOMPARE(prompter.ask(MessageKind::Warning, "?", Buttons::SaveDiscardCancel), answer);
    }
}

void MessageBoxPrompterTest::qtButtonsReadInRussian()
{
    QVERIFY(InstallQtTranslations(*QCoreApplication::instance()));
    const auto box =
        TMessageBoxPrompter::CreateMessageBox(nullptr, MessageKind::Warning, "x", Buttons::OkCancel);
    QCOMPARE(box->button(QMessageBox::Cancel)->text().remove(u'&'), u"Отмена"_s);
    const auto question =
        TMessageBoxPrompter::CreateMessageBox(nullptr, MessageKind::Warning, "x", Buttons::YesNo);
    QCOMPARE(question->button(QMessageBox::Yes)->text().remove(u'&'), u"Да"_s);
    QCOMPARE(question->button(QMessageBox::No)->text().remove(u'&'), u"Нет"_s);
    QVERIFY(!InstallQtTranslations(*QCoreApplication::instance(), u"/nonexistent-folder"_s));
}

void MessageBoxPrompterTest::replacingQuestionDefaultsToNoAndDetailsStandApart()
{
    using B = QMessageBox::StandardButton;
    const auto replace = TMessageBoxPrompter::CreateMessageBox(nullptr, MessageKind::Warning,
                                                               Ru("Заменить их?"), Buttons::YesNoDefaultNo);
    QCOMPARE(ButtonsOf(*replace), QList<B>({B::Yes, B::No}));
    QCOMPARE(replace->standardButton(replace->defaultButton()), B::No);
    QCOMPARE(replace->standardButton(replace->escapeButton()), B::No);

    TMessageBoxPrompter prompter;
    QString seenText;
    QString seenDetails;
    WhenModal([&](QWidget *dialog) {
        auto *box = qobject_cast<QMessageBox *>(dialog);
        QVERIFY(box);
        seenText = box->text();
        seenDetails = box->informativeText();
        box->button(QMessageBox::Ok)->click();
    });
    QCOMPARE(prompter.AskWithDetails(MessageKind::Information, Ru("Сайт успешно выгружен!"),
                                     Ru("Папка: /home/u/site"), Buttons::Ok),
             Answer::Ok);
    QCOMPARE(seenText, u"Сайт успешно выгружен!"_s);
    QCOMPARE(seenDetails, u"Папка: /home/u/site"_s);
}

} // namespace zarvik::test

QTEST_MAIN(zarvik::test::MessageBoxPrompterTest)
#include "MessageBoxPrompterTest.moc"
