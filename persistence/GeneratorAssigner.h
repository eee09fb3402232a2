#pragma once

#include "engine/EXSiteGenerator.h"
#include "persistence/ProjectFileReader.h"

#include <string>

namespace zarvik {

struct TGeneratorProperty;
struct TPageProperty;

// Assigns what the reader finds to a generator, through its setters, in file order. Property names
// are matched without regard to ASCII case.
//
// Throws EError "Error reading TSiteGenerator.<name>: <reason>" (TSitePage inside an item), the
// reason being "Property <name> does not exist", "Property is read-only" or
// "Invalid property value". A property that fails is left as it was; those before it keep their
// new values.
class TGeneratorAssigner final : public TProjectSink
{
public:
    // The generator must outlive the assigner.
    explicit TGeneratorAssigner(TSiteGenerator &generator)
        : FGenerator(generator)
    {
    }

    void Property(std::string name) override;
    std::string StringBuffer() override;
    void StringValue(std::string value) override;
    void BarValue(TBarText bar) override;
    void NumberValue(std::optional<std::int32_t> value) override;
    void IdentifierValue(std::string_view identifier) override;
    void BeginList() override;
    void EndList() override;
    void BeginCollection() override;
    void BeginItem() override;
    void EndItem() override;
    void EndCollection() override;

private:
    enum class TState
    {
        Properties,
        Value,
        ListLines,
        Pages,
        PageProperties,
        PageValue
    };

    [[noreturn]] void InvalidValue() const;
    void ValueDone();

    TSiteGenerator &FGenerator;
    TState FState = TState::Properties;
    const TGeneratorProperty *FProperty = nullptr;
    const TPageProperty *FPageProperty = nullptr;
    std::string FName;
    std::string FPageName;
    TStringList FLines;
    TSitePage *FPage = nullptr;
    bool FPagesCleared = false;
    // Bars read as texts become slices of shared rows where they allow it.
    TBarRecognizer FBars;
    // The memory of the last bar kept as a slice, for the next one.
    std::string FSpare;
    // The page's bar came recognised already.
    bool FBarSettled = false;
};

} // namespace zarvik
