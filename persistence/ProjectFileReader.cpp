#include "persistence/ProjectFileReader.h"

#include "engine/Cp1251.h"
#include "engine/Error.h"
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

namespace {

using TStrings = TProjectFileTokenizer::TStrings;

TStrings StringsFor(const TProjectSink *sink, bool checkedText)
{
    if (!sink)
        return TStrings::Scan;
    return checkedText ? TStrings::Checked : TStrings::Decode;
}

} // namespace

TProjectFileReader::TProjectFileReader(std::string_view text, TProjectSink *sink, bool checkedText)
    : FText(text)
    , FSink(sink)
    , FTokens(text, StringsFor(sink, checkedText))
    , FCheckStrings(sink && !checkedText)
{
    // Only decoding needs to know; a file without bytes above 127 has nothing to decide.
    if (FSink && checkedText)
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
    std::string value = FSink->StringBuffer();
    value.clear();
    TProjectStringDecoder decoder(value, FUtf8Quotes);
    for (;;) {
        FTokens.DecodeString(decoder);
        FTokens.Next();
        if (!FTokens.IsSymbol('+'))
            break;
        FTokens.Next();
        // Checked text has a string after every "+".
        if (FCheckStrings && FTokens.Kind() != TTokenKind::String)
            FTokens.Error("String expected");
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
            if (FProgress)
                FProgress(FProgressBase + FTokens.Offset(), FProgressTotal);
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
    // The token after the final "end" is read, and nothing after it; a string there is checked
    // although nothing takes its value.
    FTokens.Next();
    if (FCheckStrings && FTokens.Kind() == TTokenKind::String) {
        std::string ignored;
        TProjectStringDecoder decoder(ignored, false);
        FTokens.DecodeString(decoder);
    }
}

namespace {

// Keeps what a reader finds, to hand it on later in the same order. The pages' bars are kept as
// slices of shared rows where they allow it (TBarRecognizer), so that a project saved after an
// export, whose bars grow with the square of its page count, is not held as so many texts.
class TRecordedProject final : public TProjectSink
{
public:
    void Property(std::string name) override
    {
        FNext = TValue::Other;
        if (FInItem && EqualsIgnoringCase(name, "pagination"))
            FNext = TValue::Bar;
        else if (FInItem && EqualsIgnoringCase(name, "pageurl"))
            FNext = TValue::Url;
        Add(TKind::Property, std::move(name));
    }
    std::string StringBuffer() override { return FNext == TValue::Bar ? std::move(FSpare) : std::string(); }
    void StringValue(std::string value) override
    {
        if (FNext == TValue::Bar)
            FBarEvent = FEvents.size();
        else if (FNext == TValue::Url)
            FUrlEvent = FEvents.size();
        FNext = TValue::Other;
        Add(TKind::String, std::move(value));
    }
    void NumberValue(std::optional<std::int32_t> value) override { Add(TKind::Number, {}, value); }
    void IdentifierValue(std::string_view identifier) override
    {
        Add(TKind::Identifier, std::string(identifier));
    }
    void BeginList() override { Add(TKind::BeginList); }
    void EndList() override { Add(TKind::EndList); }
    void BeginCollection() override
    {
        FItemIndex = 0;
        Add(TKind::BeginCollection);
    }
    void BeginItem() override
    {
        FInItem = true;
        FBarEvent = FUrlEvent = NoEvent;
        Add(TKind::BeginItem);
    }
    void EndItem() override
    {
        if (FBarEvent != NoEvent) {
            TEvent &bar = FEvents[FBarEvent];
            const std::string_view url =
                FUrlEvent != NoEvent ? std::string_view(FEvents[FUrlEvent].Text) : "";
            bar.Bar = FBars.Recognize(std::move(bar.Text), FItemIndex, url);
            // A bar kept as a slice leaves its text, whose memory the next bar reuses.
            if (bar.Bar.Shared() && bar.Text.capacity() > FSpare.capacity())
                FSpare = std::move(bar.Text);
            bar.Text = {};
            bar.Kind = TKind::Bar;
        }
        FInItem = false;
        ++FItemIndex;
        Add(TKind::EndItem);
    }
    void EndCollection() override { Add(TKind::EndCollection); }

    // Hands everything on, moving the texts; whatever the sink throws passes through.
    void MoveInto(TProjectSink &sink)
    {
        for (TEvent &event : FEvents) {
            switch (event.Kind) {
            case TKind::Property:
                sink.Property(std::move(event.Text));
                break;
            case TKind::String:
                sink.StringValue(std::move(event.Text));
                break;
            case TKind::Bar:
                sink.BarValue(std::move(event.Bar));
                break;
            case TKind::Number:
                sink.NumberValue(event.Number);
                break;
            case TKind::Identifier:
                sink.IdentifierValue(event.Text);
                break;
            case TKind::BeginList:
                sink.BeginList();
                break;
            case TKind::EndList:
                sink.EndList();
                break;
            case TKind::BeginCollection:
                sink.BeginCollection();
                break;
            case TKind::BeginItem:
                sink.BeginItem();
                break;
            case TKind::EndItem:
                sink.EndItem();
                break;
            case TKind::EndCollection:
                sink.EndCollection();
                break;
            }
        }
    }

private:
    enum class TKind : unsigned char
    {
        Property,
        String,
        Bar,
        Number,
        Identifier,
        BeginList,
        EndList,
        BeginCollection,
        BeginItem,
        EndItem,
        EndCollection
    };
    struct TEvent
    {
        TKind Kind;
        std::string Text;
        std::optional<std::int32_t> Number;
        TBarText Bar;
    };
    enum class TValue : unsigned char
    {
        Other,
        Bar,
        Url
    };
    static constexpr std::size_t NoEvent = static_cast<std::size_t>(-1);
    void Add(TKind kind, std::string text = {}, std::optional<std::int32_t> number = std::nullopt)
    {
        FEvents.push_back(TEvent{kind, std::move(text), number, {}});
    }

    std::vector<TEvent> FEvents;
    TBarRecognizer FBars;
    std::string FSpare;
    TValue FNext = TValue::Other;
    bool FInItem = false;
    std::size_t FItemIndex = 0;
    std::size_t FBarEvent = NoEvent;
    std::size_t FUrlEvent = NoEvent;
};

} // namespace

void ReadProjectText(std::string_view text, TSiteGenerator &generator, const TProgressCallback &progress)
{
    // A syntax error anywhere must leave the generator untouched. A 7-bit text, as every saved
    // project is, is checked and decoded in one pass into a record that reaches the generator
    // only when the whole text has proved sound.
    if (!HasHighByte(text)) {
        if (progress)
            progress(0, text.size());
        TRecordedProject record;
        bool sound = true;
        try {
            TProjectFileReader reader(text, &record, false);
            reader.SetProgress(progress, 0, text.size());
            reader.Read();
        } catch (const EError &) {
            sound = false;
        }
        if (sound) {
            TGeneratorAssigner assigner(generator);
            record.MoveInto(assigner);
            if (progress)
                progress(text.size(), text.size());
            return;
        }
        // The text has a syntax error, which the check below reports: there is no way to go.
        ReadProjectTextInTwoPasses(text, generator);
        return;
    }
    ReadProjectTextInTwoPasses(text, generator, progress);
}

void ReadProjectTextInTwoPasses(std::string_view text, TSiteGenerator &generator,
                                const TProgressCallback &progress)
{
    // Each pass is half of the way.
    if (progress)
        progress(0, 2 * text.size());
    TProjectFileReader check(text, nullptr);
    check.SetProgress(progress, 0, 2 * text.size());
    check.Read();
    TGeneratorAssigner assigner(generator);
    TProjectFileReader read(text, &assigner);
    read.SetProgress(progress, text.size(), 2 * text.size());
    read.Read();
    if (progress)
        progress(2 * text.size(), 2 * text.size());
}

} // namespace zarvik
