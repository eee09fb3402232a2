#pragma once

#include <cstddef>
#include <iosfwd>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The pagination bars as slices of one shared text. Every bar of a site lists the same row of
// page links, with the current page's entry unlinked and a back and a forward link around the
// row; the row is held once, and a bar is a reference to it plus the index of its page, so the
// memory for all bars grows with the page count, not with its square.
namespace zarvik {

// The markup of the menu and the bars.
namespace navigation_markup {
inline constexpr std::string_view MenuOpen = "<ul>\r";
inline constexpr std::string_view MenuItemOpen = "<li><a href=\"";
inline constexpr std::string_view MenuItemMiddle = "\">";
inline constexpr std::string_view MenuItemClose = "</a></li>\r";
inline constexpr std::string_view MenuClose = "</ul>";
// A number entry of a page other than the current one, and the current page's own entry.
inline constexpr std::string_view EntryOpen = " <a href=\"";
inline constexpr std::string_view EntryMiddle = "\">";
inline constexpr std::string_view EntryClose = "</a> ";
inline constexpr std::string_view CurrentOpen = " ";
inline constexpr std::string_view CurrentClose = " ";
// The back piece: unlinked on the first page, else linked to the page before.
inline constexpr std::string_view FirstBack = "&lt;&lt;&lt; ";
inline constexpr std::string_view BackOpen = "<a href=\"";
inline constexpr std::string_view BackClose = "\">&lt;&lt;&lt; </a> ";
// The forward piece: linked to the page after, unlinked on the last page.
inline constexpr std::string_view ForwardOpen = " <a href=\"";
inline constexpr std::string_view ForwardClose = "\">&gt;&gt;&gt; </a>";
inline constexpr std::string_view LastForward = " &gt;&gt;&gt;";
} // namespace navigation_markup

// The linked number entries of a list of pages, end to end, built once from their URLs and
// never changed afterwards: bars built from it stay what they were when the pages change.
class TNavigationRow
{
public:
    // `urls` in page order; there must be at least one.
    explicit TNavigationRow(std::span<const std::string_view> urls);

    std::size_t Count() const { return FDigitStart.size(); }
    std::string_view Url(std::size_t n) const;
    // Whether the row was built from exactly these URLs.
    bool SameUrls(std::span<const std::string_view> urls) const;

    // The row itself, for a reader that wants to index it once.
    std::string_view Text() const { return FText; }

    // The length of the bar of page `index` (< Count()).
    std::size_t BarSize(std::size_t index) const;
    // Calls `slice(std::string_view)` with the bar of page `index`, piece by piece, in order;
    // no piece is empty. At most MaxBarSlices pieces.
    template <class TSlice> void ForEachBarSlice(std::size_t index, TSlice &&slice) const;
    static constexpr std::size_t MaxBarSlices = 11;

private:
    std::string_view Digits(std::size_t n) const;

    std::string FText;
    // FEntryStart[n] .. FEntryStart[n + 1] is page n's entry; FDigitStart[n] its number.
    std::vector<std::size_t> FEntryStart;
    std::vector<std::size_t> FDigitStart;
};

// A page's pagination bar: its own text (as set or as read from a hand-edited project file), or
// the bar of one page of a shared row. Copying a shared bar copies a reference.
class TBarText
{
public:
    TBarText() = default;
    // A bar held as its own text.
    TBarText(std::string text) // NOLINT(google-explicit-constructor): a bar is assigned texts
        : FText(std::move(text))
    {
    }
    TBarText(const char *text)
        : FText(text)
    {
    }
    // The bar of the page at `index` of `row`.
    TBarText(std::shared_ptr<const TNavigationRow> row, std::size_t index)
        : FRow(std::move(row))
        , FIndex(index)
    {
    }

    bool Empty() const { return Size() == 0; }
    std::size_t Size() const { return FRow ? FRow->BarSize(FIndex) : FText.size(); }
    // Whether the bar is a slice of a shared row, and which.
    bool Shared() const { return FRow != nullptr; }
    const TNavigationRow *Row() const { return FRow.get(); }

    // Calls `slice(std::string_view)` with the bar's bytes, piece by piece; no piece is empty.
    template <class TSlice> void ForEachSlice(TSlice &&slice) const
    {
        if (FRow)
            FRow->ForEachBarSlice(FIndex, slice);
        else if (!FText.empty())
            slice(std::string_view(FText));
    }
    // Appends the bar's pieces to `pieces`; they view this bar and its row.
    void AppendSlices(std::vector<std::string_view> &pieces) const
    {
        ForEachSlice([&](std::string_view piece) { pieces.push_back(piece); });
    }
    // A bar's own text, moved out; empty for a shared bar.
    std::string TakeText() && { return FRow ? std::string() : std::move(FText); }
    // The bar as one text, built on each call.
    std::string Text() const;
    // Replaces the contents of `out` by the bar, reusing its memory.
    void CopyTo(std::string &out) const;

    friend bool operator==(const TBarText &bar, std::string_view text);
    friend bool operator==(const TBarText &a, const TBarText &b);
    friend bool operator==(const TBarText &bar, const std::string &text)
    {
        return bar == std::string_view(text);
    }
    friend bool operator==(const TBarText &bar, const char *text) { return bar == std::string_view(text); }

private:
    std::string FText;
    std::shared_ptr<const TNavigationRow> FRow;
    std::size_t FIndex = 0;
};

std::ostream &operator<<(std::ostream &out, const TBarText &bar);

// Turns bars read as texts back into slices, for bars that some row of page links would give
// byte for byte; the rows are found by taking the bars apart. Bars of one save (all built from
// one page list) then share one row, whether or not the pages have changed since.
class TBarRecognizer
{
public:
    // The bar read for the page at `index`: a slice of a known row, or of a row made from the
    // text itself, when one gives exactly these bytes; otherwise the text as it is. A bar of
    // another position (the pages were moved after the bars were built) is recognised too.
    // `url` is the page's own URL as far as it is known: a bar does not hold it, and it is
    // taken for the row made from the text when no row read before supplies one.
    TBarText Recognize(std::string &&text, std::size_t index, std::string_view url);

private:
    // The rows found so far, the last found first.
    std::vector<std::shared_ptr<const TNavigationRow>> FRows;
    std::vector<std::string_view> FUrls;
};

// Takes a bar apart: the URLs of its row and the index of its own (unlinked) entry, when the
// text has the form of a bar. The result is only a candidate: a URL holding markup of the bar
// can make it wrong, so the caller compares the rebuilt bar with the text.
bool ParseBar(std::string_view text, std::vector<std::string_view> &urls, std::size_t &index);

template <class TSlice> void TNavigationRow::ForEachBarSlice(std::size_t index, TSlice &&slice) const
{
    using namespace navigation_markup;
    const std::string_view text(FText);
    const std::size_t count = Count();
    if (index > 0) {
        slice(BackOpen);
        if (const std::string_view url = Url(index - 1); !url.empty())
            slice(url);
        slice(BackClose);
    } else {
        slice(FirstBack);
    }
    if (FEntryStart[index] > 0)
        slice(text.substr(0, FEntryStart[index]));
    slice(CurrentOpen);
    slice(Digits(index));
    slice(CurrentClose);
    if (FEntryStart[index + 1] < text.size())
        slice(text.substr(FEntryStart[index + 1]));
    if (index + 1 < count) {
        slice(ForwardOpen);
        if (const std::string_view url = Url(index + 1); !url.empty())
            slice(url);
        slice(ForwardClose);
    } else {
        slice(LastForward);
    }
}

} // namespace zarvik
