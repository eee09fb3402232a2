#include "persistence/ProjectFileReader.h"

#include "engine/Cp1251.h"
#include "persistence/GeneratorAssigner.h"
#include "persistence/ProjectFile.h"
#include "persistence/ProjectStringDecoder.h"

#include <algorithm>
#include <vector>

namespace zarvik {
namespace {

// What the reader is inside of.
enum class TFrame : unsigned char
{
    Object,
    Item,
    List,
    Collection
};

bool HasHighByte(std::string_view text)
{
    // Whole blocks are folded without an early exit, which lets the compiler use vector code.
    constexpr std::size_t Block = 4096;
    std::size_t pos = 0;
    for (; pos + Block <= text.size(); pos += Block) {
        unsigned char any = 0;
        for (std::size_t i = 0; i < Block; ++i)
            any |= static_cast<unsigned char>(text[pos + i]);
        if (any & 0x80)
            return true;
    }
    return std::any_of(text.begin() + static_cast<std::ptrdiff_t>(pos), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

} // namespace

TProjectFileReader::TProjectFileReader(std::string_view text, TProjectSink *sink)
    : FText(text)
    , FSink(sink)
    , FTokens(text, sink != nullptr)
{
    // Only decoding needs to know; a file without bytes above 127 has nothing to decide.
    if (FSink)
        FUtf8Quotes = HasHighByte(text) && IsValidUtf8(text);
}

void TProjectFileReader::ExpectIdentifier()
{
    if (FTokens.Kind() != TTokenKind::Identifier)
        FTokens.Error("Identifier expected");
}

// An optional "[n]" after the header or an item keyword; the number is not used.
void TProjectFileReader::SkipIndex()
{
    if (!FTokens.IsSymbol('['))
        return;
    FTokens.Next();
    if (FTokens.Kind() != TTokenKind::Number || !FTokens.HasDigits())
        FTokens.Error("Number expected");
    FTokens.Next();
    if (!FTokens.IsSymbol(']'))
        FTokens.Error("'']'' expected");
    FTokens.Next();
}

// The property name (identifiers joined by ".") and "="; leaves the first token of the value.
void TProjectFileReader::ReadAssignmentHead()
{
    std::string name;
    for (;;) {
        ExpectIdentifier();
        if (FSink)
            name += FTokens.Text();
        FTokens.Next();
        if (!FTokens.IsSymbol('.'))
            break;
        if (FSink)
            name += '.';
        FTokens.Next();
    }
    if (!FTokens.IsSymbol('='))
        FTokens.Error("''='' expected");
    FTokens.Next();
    if (FSink)
        FSink->Property(std::move(name));
}

// String tokens joined by "+", possibly across lines.
void TProjectFileReader::ReadStringValue()
{
    if (!FSink) {
        for (;;) {
            FTokens.Next();
            if (!FTokens.IsSymbol('+'))
                return;
            FTokens.Next();
            if (FTokens.Kind() != TTokenKind::String)
                FTokens.Error("String expected");
        }
    }
    // The text has been checked, so every "+" is followed by a string.
    std::string value;
    TProjectStringDecoder decoder(value, FUtf8Quotes);
    for (;;) {
        FTokens.DecodeString(decoder);
        FTokens.Next();
        if (!FTokens.IsSymbol('+'))
            break;
        FTokens.Next();
    }
    decoder.Finish();
    FSink->StringValue(std::move(value));
}

void TProjectFileReader::Read()
{
    FTokens.Next();
    if (!FTokens.IsKeyword("object"))
        FTokens.Error("OBJECT expected");
    FTokens.Next();
    ExpectIdentifier();
    FTokens.Next();
    if (FTokens.IsSymbol(':')) {
        FTokens.Next();
        ExpectIdentifier();
        FTokens.Next();
    }
    SkipIndex();

    std::vector<TFrame> frames{TFrame::Object};
    for (;;) {
        const TFrame frame = frames.back();
        if (frame == TFrame::Object || frame == TFrame::Item) {
            if (FTokens.IsKeyword("end")) {
                if (frame == TFrame::Object)
                    break;
                frames.pop_back();
                FTokens.Next();
                if (FSink)
                    FSink->EndItem();
                continue;
            }
            ReadAssignmentHead();
        } else if (frame == TFrame::List) {
            if (FTokens.IsSymbol(')')) {
                frames.pop_back();
                FTokens.Next();
                if (FSink)
                    FSink->EndList();
                continue;
            }
        } else {
            if (FTokens.IsSymbol('>')) {
                frames.pop_back();
                FTokens.Next();
                if (FSink)
                    FSink->EndCollection();
                continue;
            }
            if (!FTokens.IsKeyword("item"))
                FTokens.Error("item expected");
            FTokens.Next();
            SkipIndex();
            frames.push_back(TFrame::Item);
            if (FSink)
                FSink->BeginItem();
            continue;
        }

        // A value: a scalar is read whole, a list or a collection opens a frame.
        switch (FTokens.Kind()) {
        case TTokenKind::String:
            ReadStringValue();
            break;
        case TTokenKind::Number:
            if (!FTokens.HasDigits())
                FTokens.Error("Number expected");
            if (FSink)
                FSink->NumberValue(FTokens.Int32());
            FTokens.Next();
            break;
        case TTokenKind::Identifier:
            if (FSink)
                FSink->IdentifierValue(FTokens.Text());
            FTokens.Next();
            break;
        case TTokenKind::Symbol:
            if (FTokens.IsSymbol('(')) {
                frames.push_back(TFrame::List);
                FTokens.Next();
                if (FSink)
                    FSink->BeginList();
                break;
            }
            if (FTokens.IsSymbol('<')) {
                frames.push_back(TFrame::Collection);
                FTokens.Next();
                if (FSink)
                    FSink->BeginCollection();
                break;
            }
            FTokens.Error("Invalid property value");
        case TTokenKind::EndOfText:
            FTokens.Error("Invalid property value");
        }
    }
    // The token after the final "end" is read, and nothing after it.
    FTokens.Next();
}

void ReadProjectText(std::string_view text, TSiteGenerator &generator)
{
    // Checking the whole text first means a syntax error anywhere leaves the generator untouched.
    TProjectFileReader(text, nullptr).Read();
    TGeneratorAssigner assigner(generator);
    TProjectFileReader(text, &assigner).Read();
}

} // namespace zarvik
