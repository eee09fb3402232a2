#include "persistence/ProjectFileWriter.h"

#include "engine/Cp1251.h"
#include "persistence/LargeBuffer.h"
#include "persistence/ProjectFile.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <type_traits>
#include <vector>

namespace zarvik {
namespace {

// Characters of a value carried by one output line; an escape counts as one character.
constexpr std::size_t CharsPerLine = 64;
// The deepest level the writer reaches: continuation lines of a page property.
constexpr int MaxLevel = 4;
constexpr std::string_view Blanks = "        ";
static_assert(Blanks.size() == 2 * MaxLevel);
// Room for one output line of a value: at most five bytes per character ("#8482"), or three for
// a quoted character between escapes, with the slack of the eight-byte escape copies.
constexpr std::size_t MaxLineBytes = 8 * CharsPerLine;
// The pieces WriteText() hands on: small enough to stay in the processor's cache.
constexpr std::size_t ChunkSize = 256 * 1024;

// How one Windows-1251 byte appears in a string value: as itself inside quotes, or as "#" and its
// Unicode code outside them (control codes, the apostrophe and everything above 127).
struct alignas(16) TCharForm
{
    // Padded to eight bytes, so that an escape is copied as one fixed-size block.
    std::array<char, 8> Text{};
    std::uint8_t Length = 0;
    bool Escaped = false;
};

using TCharForms = std::array<TCharForm, 256>;

const TCharForms &CharForms()
{
    static const TCharForms forms = [] {
        TCharForms table;
        for (int byte = 0; byte < 256; ++byte) {
            TCharForm &form = table[static_cast<std::size_t>(byte)];
            const char32_t code = Cp1251ToUnicode(static_cast<unsigned char>(byte));
            form.Escaped = code < 32 || code == '\'' || code > 127;
            if (form.Escaped) {
                form.Text[0] = '#';
                const auto result =
                    std::to_chars(form.Text.data() + 1, form.Text.data() + form.Text.size(), code);
                form.Length = static_cast<std::uint8_t>(result.ptr - form.Text.data());
            } else {
                form.Text[0] = static_cast<char>(byte);
                form.Length = 1;
            }
        }
        return table;
    }();
    return forms;
}

// For each byte: the length of its escape, or 0 when it is written as itself.
const std::array<std::uint8_t, 256> &EscapeLengths()
{
    static const std::array<std::uint8_t, 256> lengths = [] {
        std::array<std::uint8_t, 256> table{};
        for (std::size_t byte = 0; byte < 256; ++byte)
            table[byte] = CharForms()[byte].Escaped ? CharForms()[byte].Length : 0;
        return table;
    }();
    return lengths;
}

// Output that only counts bytes.
class TSizeOutput
{
public:
    void Reserve(std::size_t) {}
    void Put(char) { ++FSize; }
    void Put(const char *, std::size_t length) { FSize += length; }
    void PutForm(const TCharForm &form) { FSize += form.Length; }
    std::size_t Size() const { return FSize; }

private:
    std::size_t FSize = 0;
};

// Output into a buffer measured beforehand, with FormSlack bytes to spare after its end.
constexpr std::size_t FormSlack = 8;

class TBufferOutput
{
public:
    explicit TBufferOutput(char *start)
        : FPos(start)
    {
    }
    void Reserve(std::size_t) {}
    void Put(char c) { *FPos++ = c; }
    void Put(const char *text, std::size_t length)
    {
        std::memcpy(FPos, text, length);
        FPos += length;
    }
    void PutForm(const TCharForm &form)
    {
        std::memcpy(FPos, form.Text.data(), FormSlack);
        FPos += form.Length;
    }
    char *Pos() const { return FPos; }
    void SetPos(char *pos) { FPos = pos; }

private:
    char *FPos;
};

// Output into a buffer that is handed on in pieces whenever it fills up. Code that writes
// through Pos() reserves the room it needs first.
class TChunkOutput
{
public:
    explicit TChunkOutput(const TProjectFileWriter::TPut &put)
        : FBuffer(ChunkSize + FormSlack)
        , FPut(put)
        , FPos(FBuffer.data())
    {
    }
    void Reserve(std::size_t length)
    {
        if (static_cast<std::size_t>(FPos - FBuffer.data()) + length > ChunkSize)
            Flush();
    }
    void Put(char c)
    {
        Reserve(1);
        *FPos++ = c;
    }
    void Put(const char *text, std::size_t length)
    {
        if (length > ChunkSize / 2) {
            Flush();
            FPut(std::string_view(text, length));
            return;
        }
        Reserve(length);
        std::memcpy(FPos, text, length);
        FPos += length;
    }
    char *Pos() const { return FPos; }
    void SetPos(char *pos) { FPos = pos; }
    void Flush()
    {
        if (FPos != FBuffer.data())
            FPut(std::string_view(FBuffer.data(), static_cast<std::size_t>(FPos - FBuffer.data())));
        FPos = FBuffer.data();
    }

private:
    std::vector<char> FBuffer;
    const TProjectFileWriter::TPut &FPut;
    char *FPos;
};

template <class TOutput> class TObjectTextWriter
{
public:
    explicit TObjectTextWriter(TOutput &output)
        : FOut(output)
    {
    }

    void WriteGenerator(const TSiteGenerator &g)
    {
        Put("object TSiteGenerator\r\n");
        FLevel = 1;
        PropertyHead("Pages");
        WritePages(g.Pages());
        Put("\r\n");
        ListProperty("SiteText.Strings", g.SiteText());
        StringProperty("SiteTemplate", g.SiteTemplate());
        ListProperty("SiteUrlsToLink.Strings", g.SiteUrlsToLink());
        StringProperty("SiteMenu", g.SiteMenu());
        StringProperty("AdsenseCode", g.AdsenseCode());
        StringProperty("CssCode", g.CssCode());
        StringProperty("SiteTitle", g.SiteTitle());
        StringProperty("SiteHeader", g.SiteHeader());
        StringProperty("SiteFooter", g.SiteFooter());
        IntegerProperty("MaxCharsPerPage", g.MaxCharsPerPage());
        IntegerProperty("MinCharsPerPage", g.MinCharsPerPage());
        StringProperty("SavePath", g.SavePath());
        BooleanProperty("UseDigg", g.UseDigg());
        StringProperty("DiggValue", g.DiggValue());
        IntegerProperty("AlgoType", g.AlgoType());
        IntegerProperty("MaxLinksPerPage", g.MaxLinksPerPage());
        IntegerProperty("MaxPages", g.MaxPages());
        StringProperty("MenuWord", g.MenuWord());
        BooleanProperty("Changed", g.Changed());
        FLevel = 0;
        Put("end\r\n");
    }

private:
    void Put(std::string_view text) { FOut.Put(text.data(), text.size()); }

    void Indent()
    {
        assert(FLevel >= 0 && FLevel <= MaxLevel);
        FOut.Put(Blanks.data(), 2 * static_cast<std::size_t>(FLevel));
    }

    void LineBreak()
    {
        Put("\r\n");
        Indent();
    }

    void PropertyHead(std::string_view name)
    {
        Indent();
        Put(name);
        Put(" = ");
    }

    void StringProperty(std::string_view name, const std::string &value)
    {
        if (value.empty())
            return;
        PropertyHead(name);
        WriteString(value);
        Put("\r\n");
    }

    // A bar is written as the text it stands for; a shared one is put together in memory that
    // every bar reuses, so saving builds no bar of its own.
    void BarProperty(std::string_view name, const TBarText &bar)
    {
        if (bar.Empty())
            return;
        bar.CopyTo(FBar);
        StringProperty(name, FBar);
    }

    void ListProperty(std::string_view name, const TStringList &lines)
    {
        if (lines.empty())
            return;
        PropertyHead(name);
        FOut.Put('(');
        ++FLevel;
        for (const std::string &line : lines) {
            LineBreak();
            WriteString(line);
        }
        --FLevel;
        Put(")\r\n");
    }

    void IntegerProperty(std::string_view name, std::int32_t value)
    {
        PropertyHead(name);
        std::array<char, 16> digits;
        const auto result = std::to_chars(digits.data(), digits.data() + digits.size(), value);
        FOut.Put(digits.data(), static_cast<std::size_t>(result.ptr - digits.data()));
        Put("\r\n");
    }

    void BooleanProperty(std::string_view name, bool value)
    {
        PropertyHead(name);
        Put(value ? "True\r\n" : "False\r\n");
    }

    void WritePages(const TSitePages &pages)
    {
        FOut.Put('<');
        ++FLevel;
        for (int i = 0; i < pages.Count(); ++i) {
            const TSitePage &page = pages[i];
            LineBreak();
            Put("item\r\n");
            ++FLevel;
            StringProperty("PageText", page.PageText());
            StringProperty("PageHTML", page.PageHTML());
            StringProperty("PageTitle", page.PageTitle());
            BarProperty("Pagination", page.Pagination());
            StringProperty("PageUrl", page.PageUrl());
            --FLevel;
            Indent();
            Put("end");
        }
        --FLevel;
        FOut.Put('>');
    }

    // Quoted runs of printable characters and "#code" escapes, 64 characters of the value per
    // output line; a value longer than one line starts on a line of its own.
    void WriteString(std::string_view value)
    {
        const std::size_t length = value.size();
        if (length == 0) {
            Put("''");
            return;
        }
        ++FLevel;
        if constexpr (std::is_same_v<TOutput, TSizeOutput>)
            MeasureString(value);
        else
            PutString(value);
        --FLevel;
    }

    void PutString(std::string_view value)
    {
        const std::size_t length = value.size();
        if (length > CharsPerLine)
            LineBreak();
        const TCharForms &forms = CharForms();
        for (std::size_t lineStart = 0; lineStart < length; lineStart += CharsPerLine) {
            if (lineStart > 0) {
                Put(" +");
                LineBreak();
            }
            const std::size_t limit = std::min(length, lineStart + CharsPerLine);
            FOut.Reserve(MaxLineBytes);
            // The line is written through a local pointer: stores of characters could otherwise
            // alias the output's own position.
            char *out = FOut.Pos();
            std::size_t i = lineStart;
            while (i < limit) {
                const TCharForm *form = &forms[static_cast<unsigned char>(value[i])];
                if (form->Escaped) {
                    std::memcpy(out, form->Text.data(), FormSlack);
                    out += form->Length;
                    ++i;
                    continue;
                }
                *out++ = '\'';
                do {
                    *out++ = value[i++];
                } while (i < limit && !forms[static_cast<unsigned char>(value[i])].Escaped);
                *out++ = '\'';
            }
            FOut.SetPos(out);
        }
    }

    // What PutString() writes, counted without writing it: the forms of the characters, two
    // apostrophes per quoted run (a run ends at an escape and at the end of a line), and the line
    // breaks.
    void MeasureString(std::string_view value)
    {
        const std::size_t length = value.size();
        const std::size_t lines = (length + CharsPerLine - 1) / CharsPerLine;
        const std::size_t lineBreak = 2 + 2 * static_cast<std::size_t>(FLevel);
        std::size_t size = (lines - 1) * (2 + lineBreak) + (length > CharsPerLine ? lineBreak : 0);
        const std::uint8_t *escapeLengths = EscapeLengths().data();
        std::size_t plain = 0;
        std::size_t runs = 0;
        for (std::size_t lineStart = 0; lineStart < length; lineStart += CharsPerLine) {
            const std::size_t limit = std::min(length, lineStart + CharsPerLine);
            std::size_t afterEscape = 1;
            for (std::size_t i = lineStart; i < limit; ++i) {
                const std::size_t escape = escapeLengths[static_cast<unsigned char>(value[i])];
                const std::size_t isPlain = escape == 0;
                size += escape;
                plain += isPlain;
                runs += isPlain & afterEscape;
                afterEscape = isPlain ^ 1;
            }
        }
        FOut.Put(nullptr, size + plain + 2 * runs);
    }

    TOutput &FOut;
    int FLevel = 0;
    std::string FBar;
};

} // namespace

std::size_t TProjectFileWriter::TextSize() const
{
    TSizeOutput size;
    TObjectTextWriter<TSizeOutput>(size).WriteGenerator(FGenerator);
    return size.Size();
}

std::string TProjectFileWriter::Text() const
{
    const std::size_t size = TextSize();
    std::string text = LargeBlankString(size + FormSlack);
    TBufferOutput output(text.data());
    TObjectTextWriter<TBufferOutput>(output).WriteGenerator(FGenerator);
    assert(output.Pos() == text.data() + size);
    text.resize(size);
    return text;
}

void TProjectFileWriter::WriteText(const TPut &put) const
{
    TChunkOutput output(put);
    TObjectTextWriter<TChunkOutput>(output).WriteGenerator(FGenerator);
    output.Flush();
}

std::string WriteProjectText(const TSiteGenerator &generator)
{
    return TProjectFileWriter(generator).Text();
}

} // namespace zarvik
