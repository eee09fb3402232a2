#pragma once

#include "engine/StringList.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zarvik {

// How the source editor's document and the text it stands for correspond.
//
// The document is what the editing control holds: UTF-8, with its line breaks as they came (CR LF,
// CR or LF). The text is what the rest of the program reads: Windows-1251 bytes joined by CR LF.
// Every character of the document is one byte of the text, or a decimal numeric reference
// ("&#8364;", "&#128512;") when the code page lacks it; every line break is CR LF. So a document
// position and a text offset part ways at the first Cyrillic letter, character outside the code
// page or lone CR or LF.
//
// Document positions and text offsets are 0-based byte counts. The map reads the document it is
// given without copying it: the bytes must stay unchanged while it is used.
class TDocumentMap
{
public:
    explicit TDocumentMap(std::string_view document)
        : FDocument(document)
    {
    }

    // The text the document stands for.
    std::string Text() const;

    // Where a text offset lies in the document: the start and length of the character it belongs
    // to, and the start of the character before that one (0 for the first character).
    struct TPlace
    {
        std::size_t Start = 0;
        std::size_t Length = 0;
        std::size_t Previous = 0;

        bool operator==(const TPlace &) const = default;
    };
    // The places of ascending text offsets. Every byte of a numeric reference or of a CR LF gives
    // the one character it came from; an offset at or past the end of the text gives the end of
    // the document, with length 0.
    std::vector<TPlace> Places(const std::vector<std::size_t> &offsets) const;

    // The text offsets of ascending document positions: where the character starting at the
    // position (or the first one after it, for a position inside a character) begins, or with
    // `after` where it ends. A position at or past the end of the document gives the length of
    // the text.
    std::vector<std::size_t> TextOffsets(const std::vector<std::size_t> &positions, bool after) const;

    // The other way, from text to document: the lines joined with CR LF.
    static std::string LinesToDocument(const TStringList &lines);
    // The content of a text file: every line break (CR LF, CR or LF) becomes CR LF, a final one
    // included.
    static std::string FileToDocument(std::string_view text);

private:
    std::string_view FDocument;
};

} // namespace zarvik
