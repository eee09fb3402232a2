#pragma once

#include "engine/EXSiteGenerator.h"
#include "engine/NavigationText.h"
#include "persistence/ProjectFileTokenizer.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace zarvik {

// Receives what the reader finds, in file order. Property names are given as written, parts joined
// by "."; a value follows every Property() call, and a list or a collection is given as its
// Begin..End calls with the values or items between them.
class TProjectSink
{
public:
    virtual ~TProjectSink() = default;

    virtual void Property(std::string name) = 0;
    virtual void StringValue(std::string value) = 0;
    // Memory for the next string value, which the reader clears and fills: a sink may hand back
    // the memory of a value it has let go of, so that values read one after another (the bars,
    // each as long as the site has pages) do not each take fresh memory.
    virtual std::string StringBuffer() { return {}; }
    // A string value that a reader has recognised as a pagination bar; the default takes its text.
    virtual void BarValue(TBarText bar) { StringValue(bar.Text()); }
    // The number's value, or nothing when it does not fit in 32 bits.
    virtual void NumberValue(std::optional<std::int32_t> value) = 0;
    virtual void IdentifierValue(std::string_view identifier) = 0;
    virtual void BeginList() = 0;
    virtual void EndList() = 0;
    virtual void BeginCollection() = 0;
    virtual void BeginItem() = 0;
    virtual void EndItem() = 0;
    virtual void EndCollection() = 0;
};

// Parses one project text: the header, the assignments up to the final "end", and one token more.
// Values nest through an explicit stack, so a deeply nested text costs memory in proportion to its
// size and never deepens the call stack.
class TProjectFileReader
{
public:
    // Without a sink the text is only checked and strings are not decoded. With a sink and
    // `checkedText` the text must be one that a reader without a sink has read without error: it
    // is not checked again. With a sink and without `checkedText` the text is checked while it is
    // read, and must have no bytes above 127. The text (and the sink) must outlive the reader.
    TProjectFileReader(std::string_view text, TProjectSink *sink, bool checkedText = true);

    // Throws EError with "<what> on line N" at the first syntax error; whatever the sink throws
    // passes through.
    void Read();

    // Has Read() report at every item of a collection (every page) how far it is: `base` plus the
    // offset of the item in the text, of `total`.
    void SetProgress(TProgressCallback progress, std::size_t base, std::size_t total)
    {
        FProgress = std::move(progress);
        FProgressBase = base;
        FProgressTotal = total;
    }

private:
    void ExpectIdentifier();
    void SkipIndex();
    void ReadAssignmentHead();
    void ReadStringValue();

    std::string_view FText;
    TProjectSink *FSink;
    TProjectFileTokenizer FTokens;
    bool FUtf8Quotes = false;
    bool FCheckStrings;
    TProgressCallback FProgress;
    std::size_t FProgressBase = 0;
    std::size_t FProgressTotal = 0;
};

} // namespace zarvik
