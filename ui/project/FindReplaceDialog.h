#pragma once

#include "app/SiteSearch.h"

#include <QDialog>

#include <functional>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace zarvik {

class TSiteGenerator;

// Find and replace across the project. "Найти" lists every hit under its page (or the template,
// the style sheet, the ad block) with its line and, beside it, the line as the replacement would
// make it; each hit has a tick. "Заменить отмеченные" hands the ticked hits to the window, which
// makes the change as one undoable step. A double-click on a hit asks the window to show it.
// The dialog only reads the generator.
class TFindReplaceDialog : public QDialog
{
    Q_OBJECT

public:
    using TApply = std::function<void(const std::vector<TSearchHit> &hits)>;
    using TShow = std::function<void(const TSearchHit &hit)>;

    TFindReplaceDialog(const TSiteGenerator &generator, TApply apply, TShow show, QWidget *parent = nullptr);

    // Runs the search with the dialog's fields; an invalid pattern is shown under the fields.
    void Find();
    // Applies the ticked hits, then searches again.
    void ReplaceTicked();

    QTreeWidget *Results() const { return FResults; }
    const std::vector<TSearchHit> &Hits() const { return FHits; }
    std::vector<TSearchHit> TickedHits() const;

private:
    TSearchOptions Options() const;
    void ShowItem(QTreeWidgetItem *item);

    const TSiteGenerator &FGenerator;
    TApply FApply;
    TShow FShow;
    std::vector<TSearchHit> FHits;

    QLineEdit *FPattern = nullptr;
    QLineEdit *FReplacement = nullptr;
    QCheckBox *FRegex = nullptr;
    QCheckBox *FWholeWord = nullptr;
    QCheckBox *FCase = nullptr;
    QCheckBox *FYo = nullptr;
    QCheckBox *FTitles = nullptr;
    QCheckBox *FTemplate = nullptr;
    QCheckBox *FStyle = nullptr;
    QCheckBox *FAdBlock = nullptr;
    QLabel *FSummary = nullptr;
    QTreeWidget *FResults = nullptr;
    QPushButton *FReplaceButton = nullptr;
};

} // namespace zarvik
