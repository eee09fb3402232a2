#include "app/SiteSearch.h"

#include "engine/Cp1251.h"
#include "engine/EXSiteGenerator.h"
#include "engine/Error.h"
#include "engine/SiteEdit.h"
#include "engine/SiteRules.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <algorithm>
#include <map>
#include <pcre2.h>
#include <tuple>

namespace zarvik {
namespace {

constexpr unsigned char SmallYo = 0xB8;
constexpr unsigned char SmallYe = 0xE5;
constexpr unsigned char CapitalYo = 0xA8;
constexpr unsigned char CapitalYe = 0xC5;

// Text of the code page as UTF-8, ё and Ё written as е and Е when `foldYo`. Every byte of the
// code page becomes one character, so a character count is a byte position in the original.
std::string SubjectText(std::string_view text, bool foldYo)
{
    if (!foldYo)
        return Cp1251ToUtf8(text);
    std::string folded(text);
    for (char &c : folded) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == SmallYo)
            c = static_cast<char>(SmallYe);
        else if (byte == CapitalYo)
            c = static_cast<char>(CapitalYe);
    }
    return Cp1251ToUtf8(folded);
}

std::string FoldYoUtf8(std::string_view text)
{
    // ё is D1 91, е is D0 B5; Ё is D0 81, Е is D0 95: the same length, so offsets keep.
    std::string out(text);
    for (std::size_t i = 0; i + 1 < out.size(); ++i) {
        const auto a = static_cast<unsigned char>(out[i]);
        const auto b = static_cast<unsigned char>(out[i + 1]);
        if (a == 0xD1 && b == 0x91) {
            out[i] = static_cast<char>(0xD0);
            out[i + 1] = static_cast<char>(0xB5);
        } else if (a == 0xD0 && b == 0x81) {
            out[i + 1] = static_cast<char>(0x95);
        }
    }
    return out;
}

bool IsUtf8Continuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Walks a UTF-8 subject forwards, turning its byte offsets into positions of the code-page text
// and counting lines on the way. Offsets must not decrease between calls.
class TPositionWalker
{
public:
    TPositionWalker(std::string_view utf8)
        : FUtf8(utf8)
    {
    }

    std::size_t Position(std::size_t utf8Offset)
    {
        for (; FOffset < utf8Offset; ++FOffset) {
            const char c = FUtf8[FOffset];
            if (IsUtf8Continuation(c))
                continue;
            ++FPosition;
            if (c == '\n')
                FLineStart = FPosition, ++FLine;
        }
        return FPosition;
    }
    int Line() const { return FLine; }
    int Column() const { return static_cast<int>(FPosition - FLineStart) + 1; }

private:
    std::string_view FUtf8;
    std::size_t FOffset = 0;
    std::size_t FPosition = 0;
    std::size_t FLineStart = 0;
    int FLine = 1;
};

// The words the link distribution wrapped in anchors in a page body.
std::vector<std::string> AnchorWords(std::string_view body)
{
    std::vector<std::string> words;
    std::size_t at = 0;
    while ((at = body.find(AnchorOpen, at)) != std::string_view::npos) {
        const std::size_t middle = body.find(AnchorMiddle, at + AnchorOpen.size());
        if (middle == std::string_view::npos)
            break;
        const std::size_t wordStart = middle + AnchorMiddle.size();
        const std::size_t close = body.find(AnchorClose, wordStart);
        if (close == std::string_view::npos)
            break;
        std::string word(body.substr(wordStart, close - wordStart));
        if (!word.empty() && std::find(words.begin(), words.end(), word) == words.end())
            words.push_back(std::move(word));
        at = close + AnchorClose.size();
    }
    return words;
}

bool TouchesWord(std::string_view text, std::size_t start, std::size_t end, const std::string &word)
{
    const std::size_t from = start >= word.size() ? start - word.size() + 1 : 0;
    const std::size_t to = std::min(text.size(), end + word.size() - 1);
    if (to <= from)
        return false;
    return text.substr(from, to - from).find(word) != std::string_view::npos;
}

std::string PcreErrorText(int code)
{
    PCRE2_UCHAR buffer[256];
    const int length = pcre2_get_error_message(code, buffer, sizeof buffer);
    return length < 0 ? std::string("error ") + std::to_string(code)
                      : std::string(reinterpret_cast<const char *>(buffer), static_cast<std::size_t>(length));
}

} // namespace

std::string_view SearchAreaName(TSearchArea area)
{
    switch (area) {
    case TSearchArea::PageText:
        return "text";
    case TSearchArea::PageTitle:
        return "title";
    case TSearchArea::Template:
        return "template";
    case TSearchArea::Style:
        return "style";
    case TSearchArea::AdBlock:
        return "ad";
    }
    return {};
}

struct TSiteSearch::TCompiled
{
    pcre2_code *Code = nullptr;
    ~TCompiled() { pcre2_code_free(Code); }
};

TSiteSearch::TSiteSearch(std::string_view patternUtf8, std::string_view replacementUtf8,
                         const TSearchOptions &options)
    : FCompiled(std::make_unique<TCompiled>())
    , FOptions(options)
    , FReplacement(replacementUtf8)
{
    if (patternUtf8.empty())
        throw EError(Utf8ToCp1251("Не задан текст для поиска"));
    if (!IsValidUtf8(patternUtf8) || !IsValidUtf8(replacementUtf8))
        throw EError(Utf8ToCp1251("Текст для поиска и замены должен быть в UTF-8"));
    const std::string pattern = options.YoAsYe ? FoldYoUtf8(patternUtf8) : std::string(patternUtf8);
    uint32_t flags = PCRE2_UTF | PCRE2_NO_UTF_CHECK;
    flags |= options.Regex ? (PCRE2_UCP | PCRE2_MULTILINE) : PCRE2_LITERAL;
    if (!options.CaseSensitive)
        flags |= PCRE2_CASELESS;
    int error = 0;
    PCRE2_SIZE errorOffset = 0;
    FCompiled->Code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(), flags,
                                    &error, &errorOffset, nullptr);
    if (!FCompiled->Code)
        throw EError(Utf8ToCp1251("Ошибка в регулярном выражении (позиция " +
                                  std::to_string(errorOffset + 1) + "): " + PcreErrorText(error)));
    pcre2_jit_compile(FCompiled->Code, PCRE2_JIT_COMPLETE); // without JIT it still matches, slower
}

TSiteSearch::~TSiteSearch() = default;

bool TSiteSearch::SearchText(std::string_view text, TSearchArea area, int page, std::string_view linkBody,
                             const std::function<bool(const TSearchHit &)> &onHit) const
{
    if (text.empty())
        return true;
    const std::string subject = SubjectText(text, FOptions.YoAsYe);
    // The replacement's group references take their text from the unfolded subject, which has
    // the same offsets.
    const std::string original = FOptions.YoAsYe && FOptions.Regex ? Cp1251ToUtf8(text) : std::string();
    const std::vector<std::string> linkWords =
        linkBody.empty() ? std::vector<std::string>() : AnchorWords(linkBody);

    std::unique_ptr<pcre2_match_data, decltype(&pcre2_match_data_free)> match(
        pcre2_match_data_create_from_pattern(FCompiled->Code, nullptr), pcre2_match_data_free);
    TPositionWalker walker(subject);
    const auto *data = reinterpret_cast<PCRE2_SPTR>(subject.data());
    std::size_t from = 0;
    std::string expanded;
    while (from <= subject.size()) {
        const int rc = pcre2_match(FCompiled->Code, data, subject.size(), from, PCRE2_NO_UTF_CHECK,
                                   match.get(), nullptr);
        if (rc == PCRE2_ERROR_NOMATCH)
            break;
        if (rc < 0)
            throw EError(Utf8ToCp1251("Поиск прерван: " + PcreErrorText(rc)));
        const PCRE2_SIZE *ovector = pcre2_get_ovector_pointer(match.get());
        const std::size_t start = ovector[0];
        const std::size_t end = ovector[1];
        // An empty match moves on by one character, so the loop always ends.
        std::size_t next = end;
        if (end == start) {
            next = start + 1;
            while (next < subject.size() && IsUtf8Continuation(subject[next]))
                ++next;
        }
        const std::size_t position = walker.Position(start);
        const int line = walker.Line();
        const int column = walker.Column();
        std::size_t endPosition = position;
        for (std::size_t i = start; i < end; ++i)
            endPosition += IsUtf8Continuation(subject[i]) ? 0 : 1;
        const bool wordBefore = position > 0 && IsWordByte(text[position - 1]);
        const bool wordAfter = endPosition < text.size() && IsWordByte(text[endPosition]);
        if (end > start && !(FOptions.WholeWord && (wordBefore || wordAfter))) {
            TSearchHit hit;
            hit.Area = area;
            hit.Page = page;
            hit.Offset = position;
            hit.Length = endPosition - position;
            hit.Line = line;
            hit.Column = column;
            hit.Found = std::string(text.substr(position, hit.Length));
            if (FOptions.Regex) {
                PCRE2_SIZE length = 0;
                const std::string &from8 = original.empty() ? subject : original;
                const uint32_t substituteFlags = PCRE2_SUBSTITUTE_MATCHED | PCRE2_NO_UTF_CHECK |
                                                 PCRE2_SUBSTITUTE_REPLACEMENT_ONLY |
                                                 PCRE2_SUBSTITUTE_OVERFLOW_LENGTH;
                expanded.resize(FReplacement.size() * 2 + 64);
                for (int attempt = 0; attempt < 2; ++attempt) {
                    length = expanded.size();
                    const int src = pcre2_substitute(
                        FCompiled->Code, reinterpret_cast<PCRE2_SPTR>(from8.data()), from8.size(), start,
                        substituteFlags, match.get(), nullptr,
                        reinterpret_cast<PCRE2_SPTR>(FReplacement.data()), FReplacement.size(),
                        reinterpret_cast<PCRE2_UCHAR *>(expanded.data()), &length);
                    if (src == PCRE2_ERROR_NOMEMORY) {
                        expanded.resize(length + 1);
                        continue;
                    }
                    if (src < 0)
                        throw EError(Utf8ToCp1251("Ошибка в тексте замены: " + PcreErrorText(src)));
                    break;
                }
                hit.Replacement = Utf8ToCp1251(std::string_view(expanded.data(), length));
            } else {
                hit.Replacement = Utf8ToCp1251(FReplacement);
            }
            for (const std::string &word : linkWords) {
                if (TouchesWord(text, position, endPosition, word)) {
                    hit.InLink = true;
                    break;
                }
            }
            if (!onHit(hit))
                return false;
        }
        from = next;
    }
    return true;
}

void TSiteSearch::Search(const TSiteGenerator &generator,
                         const std::function<bool(const TSearchHit &)> &onHit) const
{
    const TSitePages &pages = generator.Pages();
    for (int i = 0; i < pages.Count(); ++i) {
        const TSitePage &page = pages[i];
        if (!SearchText(page.PageText(), TSearchArea::PageText, i, page.PageHTML(), onHit))
            return;
        if (FOptions.Titles && !SearchText(page.PageTitle(), TSearchArea::PageTitle, i, {}, onHit))
            return;
    }
    if (FOptions.Template && !SearchText(generator.SiteTemplate(), TSearchArea::Template, -1, {}, onHit))
        return;
    if (FOptions.Style && !SearchText(generator.CssCode(), TSearchArea::Style, -1, {}, onHit))
        return;
    if (FOptions.AdBlock)
        SearchText(generator.AdsenseCode(), TSearchArea::AdBlock, -1, {}, onHit);
}

std::vector<TSearchHit> TSiteSearch::FindAll(const TSiteGenerator &generator) const
{
    std::vector<TSearchHit> hits;
    Search(generator, [&](const TSearchHit &hit) {
        hits.push_back(hit);
        return true;
    });
    return hits;
}

std::vector<TSearchHit> TSiteSearch::FindIn(std::string_view text, TSearchArea area, int page) const
{
    std::vector<TSearchHit> hits;
    SearchText(text, area, page, {}, [&](const TSearchHit &hit) {
        hits.push_back(hit);
        return true;
    });
    return hits;
}

std::size_t ApplyReplacements(TSiteGenerator &generator, const std::vector<TSearchHit> &hits,
                              TSiteEdit *record)
{
    // Per text, from the last hit to the first, so earlier offsets stay where they were found.
    std::map<std::pair<TSearchArea, int>, std::vector<const TSearchHit *>> byText;
    for (const TSearchHit &hit : hits)
        byText[{hit.Area, hit.Page}].push_back(&hit);
    std::size_t replaced = 0;
    for (auto &[key, list] : byText) {
        const auto [area, pageIndex] = key;
        TSitePage *page = nullptr;
        std::string text;
        switch (area) {
        case TSearchArea::PageText:
        case TSearchArea::PageTitle:
            if (pageIndex < 0 || pageIndex >= generator.Pages().Count())
                continue;
            page = &generator.Pages()[pageIndex];
            text = area == TSearchArea::PageText ? page->PageText() : page->PageTitle();
            break;
        case TSearchArea::Template:
            text = generator.SiteTemplate();
            break;
        case TSearchArea::Style:
            text = generator.CssCode();
            break;
        case TSearchArea::AdBlock:
            text = generator.AdsenseCode();
            break;
        }
        std::sort(list.begin(), list.end(),
                  [](const TSearchHit *a, const TSearchHit *b) { return a->Offset > b->Offset; });
        std::size_t limit = text.size(); // hits must not overlap one replaced after them
        std::size_t count = 0;
        for (const TSearchHit *hit : list) {
            if (hit->Offset + hit->Length > limit || text.compare(hit->Offset, hit->Length, hit->Found) != 0)
                continue;
            text.replace(hit->Offset, hit->Length, hit->Replacement);
            limit = hit->Offset;
            ++count;
        }
        if (count == 0)
            continue;
        replaced += count;
        if (record) {
            switch (area) {
            case TSearchArea::PageText:
                record->SetPageField(*page, TPageField::Text, std::move(text));
                break;
            case TSearchArea::PageTitle:
                record->SetPageField(*page, TPageField::Title, std::move(text));
                break;
            case TSearchArea::Template:
                record->SetSiteField(generator, TSiteField::Template, std::move(text));
                break;
            case TSearchArea::Style:
                record->SetSiteField(generator, TSiteField::Style, std::move(text));
                break;
            case TSearchArea::AdBlock:
                record->SetSiteField(generator, TSiteField::AdBlock, std::move(text));
                break;
            }
            continue;
        }
        switch (area) {
        case TSearchArea::PageText:
            page->SetPageText(std::move(text));
            break;
        case TSearchArea::PageTitle:
            page->SetPageTitle(std::move(text));
            break;
        case TSearchArea::Template:
            generator.SetSiteTemplate(std::move(text));
            break;
        case TSearchArea::Style:
            generator.SetCssCode(std::move(text));
            break;
        case TSearchArea::AdBlock:
            generator.SetAdsenseCode(std::move(text));
            break;
        }
    }
    return replaced;
}

} // namespace zarvik
