#pragma once

#include "engine/ExportLedger.h"
#include "engine/NavigationText.h"
#include "engine/Prompter.h"
#include "engine/Random.h"
#include "engine/StringList.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// The site model and the operations on it. All text is Windows-1251 bytes; lengths and
// positions count bytes.
namespace zarvik {

class TSitePages;

// One page of the site. Owned by exactly one TSitePages; setting its strings never marks the
// project as changed.
class TSitePage
{
public:
    explicit TSitePage(TSitePages &collection)
        : FCollection(&collection)
    {
    }
    TSitePage(const TSitePage &) = delete;
    TSitePage &operator=(const TSitePage &) = delete;

    // Published properties, in published order.
    const std::string &PageText() const { return FPageText; }
    void SetPageText(std::string value) { FPageText = std::move(value); }
    const std::string &PageHTML() const { return FPageHTML; }
    void SetPageHTML(std::string value) { FPageHTML = std::move(value); }
    const std::string &PageTitle() const { return FPageTitle; }
    void SetPageTitle(std::string value) { FPageTitle = std::move(value); }
    // The bar is read through TBarText whether it is its own text or a slice of the row that
    // GeneratePag shares between all bars.
    const TBarText &Pagination() const { return FPagination; }
    void SetPagination(TBarText value) { FPagination = std::move(value); }
    // Moves the bar's text out, leaving the bar empty; empty for a shared bar.
    std::string TakePagination() { return std::exchange(FPagination, TBarText()).TakeText(); }
    const std::string &PageUrl() const { return FPageUrl; }
    void SetPageUrl(std::string value) { FPageUrl = std::move(value); }

    std::size_t TextLength() const { return FPageText.size(); }

    // 0-based position in the owning collection. Setting it moves the page there; the pages in
    // between shift by one. Titles and URLs are never renamed by a move.
    int Index() const;
    void SetIndex(int index);

    TSitePages &Collection() const { return *FCollection; }

    // Copies the five strings of another page.
    void Assign(const TSitePage &other);

private:
    TSitePages *FCollection;
    std::string FPageText;
    std::string FPageHTML;
    std::string FPageTitle;
    std::string FPageUrl;
    TBarText FPagination;
};

// The ordered page collection; it creates, owns and frees its pages. References to pages stay
// valid across moves and across deletion of other pages.
class TSitePages
{
public:
    TSitePages() = default;
    TSitePages(const TSitePages &) = delete;
    TSitePages &operator=(const TSitePages &) = delete;

    int Count() const { return static_cast<int>(FItems.size()); }
    // Throws std::out_of_range for an index outside 0 .. Count() - 1.
    TSitePage &Items(int index) const;
    TSitePage &operator[](int index) const { return *FItems[static_cast<std::size_t>(index)]; }

    // Appends an empty page at the end.
    TSitePage &Add();
    // Throws std::out_of_range for a bad index.
    void Delete(int index);
    void Clear()
    {
        FItems.clear();
        ++FRemovals;
    }
    // Moves the page at `from` to `to`; both must be valid.
    void Move(int from, int to);
    // Takes the page at `index` out of the collection without destroying it (an undoable
    // delete); counts as a removal. Throws std::out_of_range for a bad index.
    std::unique_ptr<TSitePage> Detach(int index);
    // Puts a page taken out of this collection back at `index` (0 .. Count()).
    void Attach(int index, std::unique_ptr<TSitePage> page);
    int IndexOf(const TSitePage &page) const;

    // Replaces the pages by copies of the other collection's pages.
    void Assign(const TSitePages &other);

    // Counts the calls that can take pages away (Delete, Clear, Assign): while it stays the same,
    // every page reference taken before is still valid.
    std::uint64_t Removals() const { return FRemovals; }

private:
    std::vector<std::unique_ptr<TSitePage>> FItems;
    std::uint64_t FRemovals = 0;
};

// One link handed out by a link distribution.
struct TLinkPlacement
{
    // The page that took it; owned by the generator's page collection.
    const TSitePage *Page = nullptr;
    // Its 0-based line in SiteUrlsToLink.
    int LinkIndex = 0;
    // The word it was planted on.
    std::string Word;
    // How many occurrences of the word became its anchor; 0 when the real text does not hold the
    // word (one joined across a lone LF), which still uses the link up.
    int Replacements = 0;
};

// Reports progress of a long operation: `done` of `total` steps.
using TProgressCallback = std::function<void(std::size_t done, std::size_t total)>;

// The engine, one per project.
class TSiteGenerator
{
public:
    TSiteGenerator();
    ~TSiteGenerator();
    TSiteGenerator(const TSiteGenerator &) = delete;
    TSiteGenerator &operator=(const TSiteGenerator &) = delete;

    // Published properties, in published order. The setters marked "changes" set Changed to true
    // on every call, even when the value is the same.
    TSitePages &Pages() { return FPages; }
    const TSitePages &Pages() const { return FPages; }
    void SetPages(const TSitePages &pages); // changes
    const TStringList &SiteText() const { return FSiteText; }
    void SetSiteText(TStringList lines); // changes
    const std::string &SiteTemplate() const { return FSiteTemplate; }
    void SetSiteTemplate(std::string value); // changes
    const TStringList &SiteUrlsToLink() const { return FSiteUrlsToLink; }
    void SetSiteUrlsToLink(TStringList lines); // changes
    const std::string &SiteMenu() const { return FSiteMenu; }
    void SetSiteMenu(std::string value) { FSiteMenu = std::move(value); }
    const std::string &AdsenseCode() const { return FAdsenseCode; }
    void SetAdsenseCode(std::string value) { FAdsenseCode = std::move(value); }
    const std::string &CssCode() const { return FCssCode; }
    void SetCssCode(std::string value) { FCssCode = std::move(value); }
    const std::string &SiteTitle() const { return FSiteTitle; }
    void SetSiteTitle(std::string value); // changes
    const std::string &SiteHeader() const { return FSiteHeader; }
    void SetSiteHeader(std::string value) { FSiteHeader = std::move(value); }
    const std::string &SiteFooter() const { return FSiteFooter; }
    void SetSiteFooter(std::string value) { FSiteFooter = std::move(value); }
    std::int32_t MaxCharsPerPage() const { return FMaxCharsPerPage; }
    void SetMaxCharsPerPage(std::int32_t value) { FMaxCharsPerPage = value; }
    std::int32_t MinCharsPerPage() const { return FMinCharsPerPage; }
    void SetMinCharsPerPage(std::int32_t value) { FMinCharsPerPage = value; }
    const std::string &SavePath() const { return FSavePath; }
    void SetSavePath(std::string value) { FSavePath = std::move(value); }
    bool UseDigg() const { return FUseDigg; }
    void SetUseDigg(bool value); // changes
    const std::string &DiggValue() const { return FDiggValue; }
    void SetDiggValue(std::string value); // changes
    std::int32_t AlgoType() const { return FAlgoType; }
    void SetAlgoType(std::int32_t value); // changes
    std::int32_t MaxLinksPerPage() const { return FMaxLinksPerPage; }
    void SetMaxLinksPerPage(std::int32_t value); // changes
    std::int32_t MaxPages() const { return FMaxPages; }
    void SetMaxPages(std::int32_t value); // changes
    const std::string &MenuWord() const { return FMenuWord; }
    void SetMenuWord(std::string value); // changes
    bool Changed() const { return FChanged; }
    void SetChanged(bool value) { FChanged = value; }
    // True once a link distribution has run to its end; there is no setter.
    bool LinksWasSetted() const { return FLinksWasSetted; }

    // Appends a page named for its index: "index.html" for the first, "pageN.html" after.
    TSitePage &AddPage(std::string title);
    // AddPage(title), then the page's text.
    TSitePage &CreateNewPage(std::string title, std::string text);
    // The title a page gets when it lands at index n: "index" for 0, else MenuWord + " " + n.
    std::string NewPageTitle(int index) const;
    void SetSiteTemplateFromStrings(const TStringList &lines); // changes

    // Cuts the text into new pages appended after the existing ones.
    void AddContent(const std::string &text);

    // Plants the link list on words of every page and marks the pages up as paragraphs.
    // Reports through the prompter; see LinkDistribution.cpp.
    void SetLinks(TPrompter &prompter);
    // What the last completed SetLinks placed, one entry per link handed out, in link order; kept
    // while the project is open and never saved. Null when no run has completed in this
    // generator, and once the record may no longer hold: a page has been deleted or the pages
    // replaced (Removals of Pages), or the link list set to other lines. Moving pages, adding
    // pages and editing a page's text or title leave it standing: the bodies it describes are
    // still the pages' bodies, and a reader can compare them with the texts.
    const std::vector<TLinkPlacement> *LinkPlacements() const;
    void SetPTegsInPage(int index);

    // Rebuilds SiteMenu and every page's Pagination; nothing happens without pages.
    void GeneratePag();

    // The template filled for one page.
    std::string TemplateProcessingF(int index) const;
    // Writes the site into `folder`; throws EError when a file cannot be created or written.
    // The folder and the page URLs are model text (Windows-1251) and are converted to UTF-8 for
    // the file system. A relative folder is taken from the current folder. A URL that is
    // absolute or has a component starting with "." (".." or a hidden name), and a page file or
    // style.css that symbolic links lead out of the folder, throw EError before anything is
    // written for them; so does a file that is the project file (see SetProjectFilePath).
    // Each file is written whole (see TWholeFile): its other hard links keep the old bytes, and
    // an export that stops leaves every file either as it was or complete. With a ledger, files
    // it finds unchanged are left alone (see TExportLedger). Returns what was written; zero
    // counts when the folder was refused with a message.
    TExportCounts ExportSite(const std::string &folder, TPrompter &prompter, TExportLedger *ledger = nullptr);
    // ExportSite(SavePath()), except that a relative SavePath, which a project file received from
    // someone else may hold, is refused with an error message and nothing is written.
    TExportCounts SiteImport(TPrompter &prompter, TExportLedger *ledger = nullptr);

    // The file this project is opened from or saved to, as model text (Windows-1251), so that an
    // export never overwrites it; empty (the default) when the project has no file yet.
    const std::string &ProjectFilePath() const { return FProjectFilePath; }
    void SetProjectFilePath(std::string path) { FProjectFilePath = std::move(path); }

    // The source of the link distribution's random choices; a clock-seeded one by default.
    void SetRandomSource(std::unique_ptr<TRandomSource> source);
    TRandomSource &RandomSource() { return *FRandom; }

    // Called during long operations (link distribution, export); may be empty.
    void SetProgressCallback(TProgressCallback callback) { FProgress = std::move(callback); }

private:
    // Undo and redo put the distributed flag and the placement record back as they were.
    friend class TSiteEdit;
    void ForgetPlacements()
    {
        FPlacements.clear();
        FHasPlacements = false;
    }
    // The export; `storedFolder` says that the folder is SavePath, which must be absolute.
    TExportCounts ExportInto(const std::string &folder, bool storedFolder, TPrompter &prompter,
                             TExportLedger *ledger);
    void ReportProgress(std::size_t done, std::size_t total) const
    {
        if (FProgress)
            FProgress(done, total);
    }

    TSitePages FPages;
    TStringList FSiteText;
    std::string FSiteTemplate;
    TStringList FSiteUrlsToLink;
    std::string FSiteMenu;
    std::string FAdsenseCode;
    std::string FSiteTitle;
    std::string FSiteHeader;
    std::string FSiteFooter;
    std::int32_t FMaxCharsPerPage = 0;
    std::int32_t FMinCharsPerPage = 0;
    std::string FSavePath;
    std::string FCssCode;
    bool FUseDigg = false;
    std::string FDiggValue;
    std::int32_t FMaxLinksPerPage = 0;
    std::int32_t FMaxPages = 0;
    std::int32_t FAlgoType = 0;
    std::string FMenuWord;
    bool FChanged = false;
    bool FLinksWasSetted = false;
    std::string FProjectFilePath;

    std::vector<TLinkPlacement> FPlacements;
    bool FHasPlacements = false;
    // Pages().Removals() when FPlacements was made.
    std::uint64_t FPlacementRemovals = 0;

    std::unique_ptr<TRandomSource> FRandom;
    TProgressCallback FProgress;
};

} // namespace zarvik
