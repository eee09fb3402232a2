#pragma once

#include "app/Gallery.h"

#include <QDialog>

#include <optional>
#include <vector>

class QLabel;
class QListWidget;

namespace zarvik {

// "Выбрать шаблон…": the gallery's templates with their pictures and descriptions. Accepting
// it gives the chosen entry; the window applies it.
class TGalleryDialog : public QDialog
{
    Q_OBJECT

public:
    TGalleryDialog(std::vector<TGalleryEntry> entries, QWidget *parent = nullptr);

    // The entry selected when the dialog was accepted.
    std::optional<TGalleryEntry> Chosen() const;
    QListWidget *List() const { return FList; }

private:
    std::vector<TGalleryEntry> FEntries;
    QListWidget *FList = nullptr;
    QLabel *FDescription = nullptr;
};

} // namespace zarvik
