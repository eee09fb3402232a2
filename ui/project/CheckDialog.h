#pragma once

#include "app/ProjectCheck.h"

#include <QDialog>

class QListWidget;

namespace zarvik {

// Lists what the project check found, one line per finding; a huge export is marked as a
// warning. Changes nothing.
class TCheckDialog : public QDialog
{
    Q_OBJECT

public:
    explicit TCheckDialog(const TCheckResult &result, QWidget *parent = nullptr);

    QListWidget *List() const { return FList; }

private:
    QListWidget *FList = nullptr;
};

} // namespace zarvik
