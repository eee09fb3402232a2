#pragma once

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace zarvik {

// The about box: the program's name and version, shown modally by the main window.
class TForm2 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm2(QWidget *parent = nullptr);

private:
    QLabel *FHeading;
    QPlainTextEdit *FInfo;
    QPushButton *FCloseButton;
};

} // namespace zarvik
