#include "ui/shell/about.h"

#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace zarvik {

TForm2::TForm2(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(u"Form2"_s);
    setWindowTitle(u"О программе"_s);
    setModal(true);

    FHeading = new QLabel(u"Zarvik"_s, this);
    FHeading->setObjectName(u"Label1"_s);
    QFont headingFont = FHeading->font();
    headingFont.setPixelSize(19);
    FHeading->setFont(headingFont);

    FInfo = new QPlainTextEdit(this);
    FInfo->setObjectName(u"Memo1"_s);
    FInfo->setReadOnly(true);
    FInfo->setAccessibleName(u"Сведения о программе"_s);
    FInfo->setPlainText(u"Версия 2.0 от 12.01.2009\n"
                        u"Разработчик: команда Zarvik\n"
                        u"Сайт программы: https://zarvik.example/\n"_s);

    FCloseButton = new QPushButton(u"Закрыть"_s, this);
    FCloseButton->setObjectName(u"Button1"_s);
    FCloseButton->setDefault(true);
    connect(FCloseButton, &QPushButton::clicked, this, &QDialog::accept);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(FCloseButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(FHeading);
    layout->addWidget(FInfo);
    layout->addLayout(buttons);

    setFixedSize(375, 210);
    move(465, 364);
}

} // namespace zarvik
