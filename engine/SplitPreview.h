#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The cutting of a text into pages, shared by AddContent and by the preview of what it would do.
// Offsets are 0-based byte offsets into the Windows-1251 text.
namespace zarvik {

class TSiteGenerator;

// Why a page of the split ended.
enum class TPageEnd
{
    Marker,         // at a page-break marker, which goes into no page
    SentenceEnd,    // after a full stop followed by a space, or between two carriage returns
    HardCut,        // at the length limit, between a word and a space or punctuation
    HardCutMidWord, // at the length limit, between two letters or digits of one word
    EndOfText       // the last page: the rest of the text
};

// One page of the split: its bytes are text[Offset, Offset + Length). Cut is where the scan
// closed it: Offset + Length, except for an empty page between two overlapping markers, whose
// cut lies before its offset. For a Marker end the marker begins at Cut; the end of text gives
// the text's length.
struct TTextPiece
{
    std::size_t Offset = 0;
    std::size_t Length = 0;
    std::size_t Cut = 0;
    TPageEnd End = TPageEnd::EndOfText;

    bool operator==(const TTextPiece &) const = default;
};

// The settings the split reads from a generator.
struct TSplitSettings
{
    std::string Marker;
    std::int32_t MinChars = 0;
    std::int32_t MaxChars = 0;
};

TSplitSettings SplitSettingsOf(const TSiteGenerator &generator);

// Cuts the text and calls `onPiece` once for every page, in order; at least once (an empty text
// gives one empty piece). An empty marker never cuts; a maximum below 1 means no length limit; a
// negative minimum reads as 0.
void SplitContent(std::string_view text, const TSplitSettings &settings,
                  const std::function<void(const TTextPiece &)> &onPiece);

// A page that AddContent would append, with the title and URL it would get.
struct TPreviewPage
{
    std::string Title;
    std::string Url;
    TTextPiece Piece;
};

// The pages AddContent(text) would append to the generator, which is left unchanged.
std::vector<TPreviewPage> PreviewContent(const TSiteGenerator &generator, std::string_view text);

// The sharp edges of the rules that a preview points out.
struct TSplitWarnings
{
    // The text ends with the marker, or with the marker and one character: it stays as text.
    bool MarkerAtEndIgnored = false;
    // The limits leave no room for a sentence end: every cut but a marker's is a hard cut.
    bool OnlyHardCuts = false;
    // Number of pages cut in the middle of a word.
    std::size_t MidWordCuts = 0;

    bool Any() const { return MarkerAtEndIgnored || OnlyHardCuts || MidWordCuts > 0; }
};

TSplitWarnings SplitWarningsOf(std::string_view text, const TSplitSettings &settings,
                               const std::vector<TPreviewPage> &pages);

// A short English name of the end ("marker", "sentence", "hard cut", "mid-word", "end").
std::string_view PageEndName(TPageEnd end);

} // namespace zarvik
