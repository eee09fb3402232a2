#pragma once

#include <QAbstractListModel>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QMimeData;

namespace zarvik {

class TSitePage;
class TSitePages;

// The rows of a project window's page tree over the generator's pages: row i stands for the page
// at index i as the collection held it when the model last listed its pages (Reset, or
// ListAppendedPages for pages added at the end). A row finds its page in constant time, and only
// while the collection still holds that very page at that index: when the pages were changed
// behind the model's back, a row that no longer matches shows nothing and edits nothing until
// the next Reset.
//
// The first column shows a page's URL, and editing it sets the URL; the second shows the page's
// title. Rows can be dragged, but the model moves nothing itself: the view reports the drop and
// the window moves the page.
class TPageListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    // The MIME type of a drag of rows; the data lists the dragged rows.
    static constexpr char RowsMimeType[] = "application/x-zarvik-page-rows";

    // The collection must outlive the model.
    explicit TPageListModel(TSitePages &pages, QObject *parent = nullptr);

    // Lists every page of the collection afresh.
    void Reset();
    // Adds rows for the pages the collection holds past the listed ones.
    void ListAppendedPages();

    enum TColumn
    {
        UrlColumn,
        TitleColumn,
        ColumnCount
    };

    // The page a row stands for, or null for an invalid index or a row that no longer matches.
    TSitePage *PageAt(const QModelIndex &index) const;
    // The row's page was retitled outside the model.
    void TitleChanged(int row);
    // Whether the row's page has the text in its URL or its title, in any letter case. Every row
    // matches the empty text.
    bool RowMatches(int row, const QString &text) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    Qt::DropActions supportedDragActions() const override;
    Qt::DropActions supportedDropActions() const override;
    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;

    // Called when an edit gave a page another URL, with the URL it had before; the undo
    // history records renames through it.
    std::function<void(TSitePage &page, const std::string &before)> OnUrlRenamed;

signals:
    // The user gave the row's page a URL other than the one it had.
    void UrlEdited(const QModelIndex &index);

private:
    static std::uintptr_t Identity(const TSitePage &page);

    TSitePages &FPages;
    // The identity of each row's page when it was listed: compared, never followed.
    std::vector<std::uintptr_t> FListed;
};

} // namespace zarvik
