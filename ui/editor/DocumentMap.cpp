#include "ui/editor/DocumentMap.h"

#include "engine/Cp1251.h"

#include <algorithm>
#include <array>

namespace zarvik {

namespace {

// The UTF-8 form of every Windows-1251 byte, as the document holds it.
const std::array<std::string, 256> &Utf8OfByte()
{
    static const std::array<std::string, 256> table = [] {
        std::array<std::string, 256> t;
        for (int b = 0; b < 256; ++b)
            t[static_cast<std::size_t>(b)] = Cp1251ToUtf8(std::string(1, static_cast<char>(b)));
        return t;
    }();
    return table;
}

void AppendAsUtf8(std::string &out, std::string_view text)
{
    const auto &table = Utf8OfByte();
    for (char c : text)
        out += table[static_cast<unsigned char>(c)];
}

// Walks the document as Text() reads it: every line break (CR LF, CR or LF) becomes CR LF, every
// character its Windows-1251 byte or numeric reference. Calls
// unit(documentPosition, documentLength, textBytes) once per character or line break.
template <typename TUnit> void ForEachUnit(std::string_view doc, TUnit &&unit)
{
    static constexpr std::string_view CrLf = "\r\n";
    std::string scratch;
    std::size_t i = 0;
    while (i < doc.size()) {
        const auto c = static_cast<unsigned char>(doc[i]);
        if (c == '\r') {
            const std::size_t len = i + 1 < doc.size() && doc[i + 1] == '\n' ? 2 : 1;
            unit(i, len, CrLf);
            i += len;
        } else if (c == '\n') {
            unit(i, 1, CrLf);
            ++i;
        } else if (c < 0x80) {
            unit(i, 1, doc.substr(i, 1));
            ++i;
        } else {
            // The control keeps its document valid UTF-8: the lead byte gives the length. A stray
            // byte reads as one replacement character, and a sequence cut short by the end of
            // the document ends there.
            const std::size_t len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
            char32_t code = len == 1 ? 0xFFFD : c & (0x7F >> len);
            for (std::size_t k = 1; k < len && i + k < doc.size(); ++k)
                code = (code << 6) | (static_cast<unsigned char>(doc[i + k]) & 0x3F);
            scratch.clear();
            AppendCp1251(scratch, code);
            const std::size_t step = std::min(len, doc.size() - i);
            unit(i, step, std::string_view(scratch));
            i += step;
        }
    }
}

} // namespace

std::string TDocumentMap::Text() const
{
    std::string out;
    out.reserve(FDocument.size());
    ForEachUnit(FDocument, [&](std::size_t, std::size_t, std::string_view bytes) { out.append(bytes); });
    return out;
}

std::vector<TDocumentMap::TPlace> TDocumentMap::Places(const std::vector<std::size_t> &offsets) const
{
    std::vector<TPlace> out;
    out.reserve(offsets.size());
    std::size_t next = 0;
    std::size_t textOffset = 0;
    std::size_t previous = 0;
    ForEachUnit(FDocument, [&](std::size_t at, std::size_t length, std::string_view bytes) {
        textOffset += bytes.size();
        while (next < offsets.size() && offsets[next] < textOffset) {
            out.push_back({at, length, previous});
            ++next;
        }
        previous = at;
    });
    while (out.size() < offsets.size())
        out.push_back({FDocument.size(), 0, previous});
    return out;
}

std::vector<std::size_t> TDocumentMap::TextOffsets(const std::vector<std::size_t> &positions,
                                                   bool after) const
{
    std::vector<std::size_t> out;
    out.reserve(positions.size());
    std::size_t next = 0;
    std::size_t textOffset = 0;
    ForEachUnit(FDocument, [&](std::size_t at, std::size_t, std::string_view bytes) {
        while (next < positions.size() && positions[next] <= at) {
            out.push_back(textOffset + (after ? bytes.size() : 0));
            ++next;
        }
        textOffset += bytes.size();
    });
    while (out.size() < positions.size())
        out.push_back(textOffset);
    return out;
}

std::string TDocumentMap::LinesToDocument(const TStringList &lines)
{
    std::size_t size = 0;
    for (const std::string &line : lines)
        size += line.size() + 2;
    std::string out;
    out.reserve(size + size / 4);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0)
            out += "\r\n";
        AppendAsUtf8(out, lines[i]);
    }
    return out;
}

std::string TDocumentMap::FileToDocument(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            out += "\r\n";
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            AppendAsUtf8(out, text.substr(i, 1));
        }
    }
    return out;
}

} // namespace zarvik
