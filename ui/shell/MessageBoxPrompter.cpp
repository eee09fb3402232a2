#include "ui/shell/MessageBoxPrompter.h"

#include "app/ErrorDisplay.h"
#include "ui/editor/TextCodec.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCursor>

using namespace Qt::StringLiterals;

namespace zarvik {

namespace {

QString MessageText(std::string_view cp1251)
{
    QString text = ToQString(cp1251);
    text.replace(u"\r\n"_s, u"\n"_s);
    text.replace(u'\r', u'\n');
    return text;
}

QString KindCaption(MessageKind kind)
{
    switch (kind) {
    case MessageKind::Warning:
        return u"Предупреждение"_s;
    case MessageKind::Error:
        return u"Ошибка"_s;
    case MessageKind::Information:
        return u"Информация"_s;
    }
    return {};
}

QMessageBox::Icon KindIcon(MessageKind kind)
{
    switch (kind) {
    case MessageKind::Warning:
        return QMessageBox::Warning;
    case MessageKind::Error:
        return QMessageBox::Critical;
    case MessageKind::Information:
        return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

std::unique_ptr<QMessageBox> NewBox(QWidget *parent, QMessageBox::Icon icon, const QString &caption,
                                    const QString &text)
{
    auto box = std::make_unique<QMessageBox>(parent);
    box->setIcon(icon);
    box->setWindowTitle(caption);
    box->setTextFormat(Qt::PlainText);
    box->setText(text);
    return box;
}

// A box asked from inside a long operation shows the ordinary pointer, not the busy one.
class TPointerForBox
{
public:
    TPointerForBox()
        : FActive(QGuiApplication::overrideCursor() != nullptr)
    {
        if (FActive)
            QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    }
    ~TPointerForBox()
    {
        if (FActive)
            QGuiApplication::restoreOverrideCursor();
    }
    TPointerForBox(const TPointerForBox &) = delete;
    TPointerForBox &operator=(const TPointerForBox &) = delete;

private:
    bool FActive;
};

} // namespace

TMessageBoxPrompter::TMessageBoxPrompter(QWidget *parent)
    : FParent(parent)
{
}

QWidget *TMessageBoxPrompter::Owner() const
{
    if (FParent)
        return FParent;
    if (QWidget *modal = QApplication::activeModalWidget())
        return modal;
    return QApplication::activeWindow();
}

std::unique_ptr<QMessageBox> TMessageBoxPrompter::CreateMessageBox(QWidget *parent, MessageKind kind,
                                                                   std::string_view text, Buttons buttons)
{
    auto box = NewBox(parent, KindIcon(kind), KindCaption(kind), MessageText(text));
    switch (buttons) {
    case Buttons::Ok:
        box->setStandardButtons(QMessageBox::Ok);
        box->setDefaultButton(QMessageBox::Ok);
        box->setEscapeButton(QMessageBox::Ok);
        break;
    case Buttons::OkCancel:
        box->setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box->setDefaultButton(QMessageBox::Ok);
        box->setEscapeButton(QMessageBox::Cancel);
        break;
    case Buttons::YesNo:
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box->setDefaultButton(QMessageBox::Yes);
        box->setEscapeButton(QMessageBox::No);
        break;
    case Buttons::YesNoDefaultNo:
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box->setDefaultButton(QMessageBox::No);
        box->setEscapeButton(QMessageBox::No);
        break;
    case Buttons::SaveDiscardCancel:
        box->setStandardButtons(QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
        box->button(QMessageBox::Save)->setText(u"Сохранить"_s);
        box->button(QMessageBox::Discard)->setText(u"Не сохранять"_s);
        box->button(QMessageBox::Cancel)->setText(u"Отмена"_s);
        box->setDefaultButton(QMessageBox::Save);
        // Escape and the box's own close button keep what is open.
        box->setEscapeButton(QMessageBox::Cancel);
        break;
    }
    return box;
}

std::unique_ptr<QMessageBox> TMessageBoxPrompter::CreateErrorBox(QWidget *parent, std::string_view text)
{
    auto box = NewBox(parent, QMessageBox::Critical, ToQString(ApplicationTitle), MessageText(text));
    box->setStandardButtons(QMessageBox::Ok);
    box->setDefaultButton(QMessageBox::Ok);
    box->setEscapeButton(QMessageBox::Ok);
    return box;
}

Answer TMessageBoxPrompter::AnswerFor(QMessageBox::StandardButton button, Buttons buttons)
{
    switch (buttons) {
    case Buttons::Ok:
        return Answer::Ok;
    case Buttons::OkCancel:
        return button == QMessageBox::Ok ? Answer::Ok : Answer::Cancel;
    case Buttons::YesNo:
    case Buttons::YesNoDefaultNo:
        return button == QMessageBox::Yes ? Answer::Yes : Answer::No;
    case Buttons::SaveDiscardCancel:
        return button == QMessageBox::Save      ? Answer::Ok
               : button == QMessageBox::Discard ? Answer::No
                                                : Answer::Cancel;
    }
    return Answer::Cancel;
}

Answer TMessageBoxPrompter::ask(MessageKind kind, std::string_view text, Buttons buttons)
{
    const auto box = CreateMessageBox(Owner(), kind, text, buttons);
    const TPointerForBox pointer;
    box->exec();
    return AnswerFor(box->standardButton(box->clickedButton()), buttons);
}

Answer TMessageBoxPrompter::AskWithDetails(MessageKind kind, std::string_view text, std::string_view details,
                                           Buttons buttons)
{
    const auto box = CreateMessageBox(Owner(), kind, text, buttons);
    box->setInformativeText(MessageText(details));
    const TPointerForBox pointer;
    box->exec();
    return AnswerFor(box->standardButton(box->clickedButton()), buttons);
}

void TMessageBoxPrompter::ShowError(std::string_view text)
{
    const auto box = CreateErrorBox(Owner(), text);
    const TPointerForBox pointer;
    box->exec();
}

} // namespace zarvik
