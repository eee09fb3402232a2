#include "engine/NavigationText.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <ostream>

namespace zarvik {

using namespace navigation_markup;

TNavigationRow::TNavigationRow(std::span<const std::string_view> urls)
    : FEntryStart(urls.size() + 1)
    , FDigitStart(urls.size())
{
    std::size_t size = 0;
    for (const std::string_view url : urls)
        size += EntryOpen.size() + url.size() + EntryMiddle.size() + 10 + EntryClose.size();
    FText.reserve(size);
    char digits[24];
    for (std::size_t n = 0; n < urls.size(); ++n) {
        FEntryStart[n] = FText.size();
        FText.append(EntryOpen).append(urls[n]).append(EntryMiddle);
        FDigitStart[n] = FText.size();
        const auto written = std::to_chars(digits, digits + sizeof digits, n);
        FText.append(digits, written.ptr).append(EntryClose);
    }
    FEntryStart[urls.size()] = FText.size();
    FText.shrink_to_fit();
}

std::string_view TNavigationRow::Url(std::size_t n) const
{
    const std::size_t start = FEntryStart[n] + EntryOpen.size();
    return std::string_view(FText).substr(start, FDigitStart[n] - EntryMiddle.size() - start);
}

std::string_view TNavigationRow::Digits(std::size_t n) const
{
    return std::string_view(FText).substr(FDigitStart[n],
                                          FEntryStart[n + 1] - EntryClose.size() - FDigitStart[n]);
}

bool TNavigationRow::SameUrls(std::span<const std::string_view> urls) const
{
    if (urls.size() != Count())
        return false;
    for (std::size_t n = 0; n < urls.size(); ++n) {
        if (Url(n) != urls[n])
            return false;
    }
    return true;
}

std::size_t TNavigationRow::BarSize(std::size_t index) const
{
    const std::size_t back =
        index > 0 ? BackOpen.size() + Url(index - 1).size() + BackClose.size() : FirstBack.size();
    const std::size_t forward = index + 1 < Count()
                                    ? ForwardOpen.size() + Url(index + 1).size() + ForwardClose.size()
                                    : LastForward.size();
    const std::size_t own = FEntryStart[index + 1] - FEntryStart[index];
    return back + FText.size() - own + CurrentOpen.size() + Digits(index).size() + CurrentClose.size() +
           forward;
}

std::string TBarText::Text() const
{
    std::string out;
    CopyTo(out);
    return out;
}

void TBarText::CopyTo(std::string &out) const
{
    out.clear();
    out.reserve(Size());
    ForEachSlice([&](std::string_view piece) { out.append(piece); });
}

bool operator==(const TBarText &bar, std::string_view text)
{
    if (!bar.FRow)
        return std::string_view(bar.FText) == text;
    if (bar.Size() != text.size())
        return false;
    bool same = true;
    std::size_t at = 0;
    bar.ForEachSlice([&](std::string_view piece) {
        if (same)
            same = std::memcmp(text.data() + at, piece.data(), piece.size()) == 0;
        at += piece.size();
    });
    return same;
}

bool operator==(const TBarText &a, const TBarText &b)
{
    if (a.FRow && a.FRow == b.FRow)
        return a.FIndex == b.FIndex;
    if (!b.FRow)
        return a == std::string_view(b.FText);
    if (!a.FRow)
        return b == std::string_view(a.FText);
    return a == std::string_view(b.Text());
}

std::ostream &operator<<(std::ostream &out, const TBarText &bar)
{
    bar.ForEachSlice([&](std::string_view piece) { out << piece; });
    return out;
}

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

bool ParseBar(std::string_view text, std::vector<std::string_view> &urls, std::size_t &index)
{
    urls.clear();
    std::size_t pos = 0;
    if (text.starts_with(FirstBack)) {
        pos = FirstBack.size();
    } else if (text.starts_with(BackOpen)) {
        const std::size_t close = text.find(BackClose, BackOpen.size());
        if (close == std::string_view::npos)
            return false;
        pos = close + BackClose.size();
    } else {
        return false;
    }
    bool haveCurrent = false;
    char digits[24];
    std::string tail;
    for (std::size_t n = 0;; ++n) {
        const auto written = std::to_chars(digits, digits + sizeof digits, n);
        const std::string_view number(digits, static_cast<std::size_t>(written.ptr - digits));
        const std::string_view rest = text.substr(pos);
        if (!haveCurrent && rest.starts_with(CurrentOpen) && rest.size() > CurrentOpen.size() &&
            IsDigit(rest[CurrentOpen.size()])) {
            if (!rest.substr(CurrentOpen.size()).starts_with(number) ||
                !rest.substr(CurrentOpen.size() + number.size()).starts_with(CurrentClose))
                return false;
            haveCurrent = true;
            index = n;
            urls.emplace_back();
            pos += CurrentOpen.size() + number.size() + CurrentClose.size();
            continue;
        }
        if (!rest.starts_with(EntryOpen))
            break;
        tail.assign(EntryMiddle).append(number).append(EntryClose);
        const std::size_t end = rest.find(tail, EntryOpen.size());
        if (end == std::string_view::npos)
            break;
        urls.push_back(rest.substr(EntryOpen.size(), end - EntryOpen.size()));
        pos += end + tail.size();
    }
    return haveCurrent;
}

TBarText TBarRecognizer::Recognize(std::string &&text, std::size_t index, std::string_view url)
{
    if (text.empty())
        return TBarText(std::move(text));
    // Bars of one save usually follow the pages in order.
    for (const auto &row : FRows) {
        if (index < row->Count() && TBarText(row, index) == text)
            return TBarText(row, index);
    }
    // Pages moved since the save carry the bars of other positions.
    std::size_t own = 0;
    if (!ParseBar(text, FUrls, own))
        return TBarText(std::move(text));
    const auto sameElsewhere = [&](const TNavigationRow &row) {
        if (row.Count() != FUrls.size())
            return false;
        for (std::size_t n = 0; n < FUrls.size(); ++n) {
            if (n != own && row.Url(n) != FUrls[n])
                return false;
        }
        return true;
    };
    for (const auto &row : FRows) {
        if (sameElsewhere(*row))
            return TBarText(row, own) == text ? TBarText(row, own) : TBarText(std::move(text));
    }
    // The bar leaves out its own page's URL: a row read before knows it, else the page itself.
    FUrls[own] = own == index ? url : std::string_view();
    for (const auto &row : FRows) {
        if (row->Count() == FUrls.size()) {
            FUrls[own] = row->Url(own);
            break;
        }
    }
    auto row = std::make_shared<const TNavigationRow>(FUrls);
    if (!(TBarText(row, own) == text))
        return TBarText(std::move(text));
    // A handful of rows covers the bars of one save; more would only slow the look-up down.
    constexpr std::size_t MaxRows = 4;
    if (FRows.size() == MaxRows)
        FRows.pop_back();
    FRows.insert(FRows.begin(), row);
    return TBarText(std::move(row), own);
}

} // namespace zarvik
