#include "persistence/GeneratorAssigner.h"

#include "engine/Error.h"

#include <array>

namespace zarvik {

enum class TPropertyKind
{
    Pages,
    StringList,
    String,
    Integer,
    Boolean,
    // A property that holds an object; only its parts (".Strings") take values.
    Object,
    ReadOnly,
    // The component's own name and tag: accepted, checked, and not kept by the model.
    ComponentName,
    ComponentTag
};

struct TGeneratorProperty
{
    std::string_view Name;
    TPropertyKind Kind;
    void (TSiteGenerator::*SetString)(std::string) = nullptr;
    void (TSiteGenerator::*SetInteger)(std::int32_t) = nullptr;
    void (TSiteGenerator::*SetBoolean)(bool) = nullptr;
    void (TSiteGenerator::*SetList)(TStringList) = nullptr;
};

struct TPageProperty
{
    std::string_view Name;
    void (TSitePage::*Set)(std::string);
    bool Bar = false;
};

namespace {

using G = TSiteGenerator;
using K = TPropertyKind;

constexpr TGeneratorProperty StringProperty(std::string_view name, void (G::*set)(std::string))
{
    return {name, K::String, set, nullptr, nullptr, nullptr};
}

constexpr TGeneratorProperty IntegerProperty(std::string_view name, void (G::*set)(std::int32_t))
{
    return {name, K::Integer, nullptr, set, nullptr, nullptr};
}

constexpr TGeneratorProperty BooleanProperty(std::string_view name, void (G::*set)(bool))
{
    return {name, K::Boolean, nullptr, nullptr, set, nullptr};
}

constexpr TGeneratorProperty ListProperty(std::string_view name, void (G::*set)(TStringList))
{
    return {name, K::StringList, nullptr, nullptr, nullptr, set};
}

constexpr TGeneratorProperty OtherProperty(std::string_view name, TPropertyKind kind)
{
    return {name, kind, nullptr, nullptr, nullptr, nullptr};
}

const std::array GeneratorProperties = {
    OtherProperty("Pages", K::Pages),
    OtherProperty("SiteText", K::Object),
    ListProperty("SiteText.Strings", &G::SetSiteText),
    StringProperty("SiteTemplate", &G::SetSiteTemplate),
    OtherProperty("SiteUrlsToLink", K::Object),
    ListProperty("SiteUrlsToLink.Strings", &G::SetSiteUrlsToLink),
    StringProperty("SiteMenu", &G::SetSiteMenu),
    StringProperty("AdsenseCode", &G::SetAdsenseCode),
    StringProperty("CssCode", &G::SetCssCode),
    StringProperty("SiteTitle", &G::SetSiteTitle),
    StringProperty("SiteHeader", &G::SetSiteHeader),
    StringProperty("SiteFooter", &G::SetSiteFooter),
    IntegerProperty("MaxCharsPerPage", &G::SetMaxCharsPerPage),
    IntegerProperty("MinCharsPerPage", &G::SetMinCharsPerPage),
    StringProperty("SavePath", &G::SetSavePath),
    BooleanProperty("UseDigg", &G::SetUseDigg),
    StringProperty("DiggValue", &G::SetDiggValue),
    IntegerProperty("AlgoType", &G::SetAlgoType),
    IntegerProperty("MaxLinksPerPage", &G::SetMaxLinksPerPage),
    IntegerProperty("MaxPages", &G::SetMaxPages),
    StringProperty("MenuWord", &G::SetMenuWord),
    BooleanProperty("Changed", &G::SetChanged),
    OtherProperty("LinksWasSetted", K::ReadOnly),
    OtherProperty("Name", K::ComponentName),
    OtherProperty("Tag", K::ComponentTag),
};

const std::array PageProperties = {
    TPageProperty{"PageText", &TSitePage::SetPageText},   TPageProperty{"PageHTML", &TSitePage::SetPageHTML},
    TPageProperty{"PageTitle", &TSitePage::SetPageTitle}, TPageProperty{"Pagination", nullptr, true},
    TPageProperty{"PageUrl", &TSitePage::SetPageUrl},
};

bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto x = static_cast<unsigned char>(a[i]);
        const auto y = static_cast<unsigned char>(b[i]);
        if (x != y && !((x | 0x20) == (y | 0x20) && (x | 0x20) >= 'a' && (x | 0x20) <= 'z'))
            return false;
    }
    return true;
}

template <class TTable> auto FindProperty(const TTable &table, std::string_view name) -> decltype(&table[0])
{
    for (const auto &property : table) {
        if (SameName(property.Name, name))
            return &property;
    }
    return nullptr;
}

// A name as a message shows it: a name made of identifiers joined across many lines could otherwise
// fill a message box with megabytes.
std::string ShownName(std::string_view name)
{
    constexpr std::size_t MaxShown = 256;
    if (name.size() <= MaxShown)
        return std::string(name);
    return std::string(name.substr(0, MaxShown)) + "...";
}

[[noreturn]] void ReadError(std::string_view className, std::string_view name, std::string_view reason)
{
    throw EError("Error reading " + std::string(className) + "." + ShownName(name) + ": " +
                 std::string(reason));
}

[[noreturn]] void MissingProperty(std::string_view className, std::string_view name)
{
    ReadError(className, name, "Property " + ShownName(name) + " does not exist");
}

std::optional<bool> BooleanWord(std::string_view identifier)
{
    if (SameName(identifier, "true"))
        return true;
    if (SameName(identifier, "false"))
        return false;
    return std::nullopt;
}

} // namespace

void TGeneratorAssigner::InvalidValue() const
{
    if (FState == TState::PageValue)
        ReadError("TSitePage", FPageName, "Invalid property value");
    ReadError("TSiteGenerator", FName, "Invalid property value");
}

void TGeneratorAssigner::ValueDone()
{
    FState = FState == TState::PageValue ? TState::PageProperties : TState::Properties;
}

void TGeneratorAssigner::Property(std::string name)
{
    if (FState == TState::PageProperties) {
        FPageProperty = FindProperty(PageProperties, name);
        if (!FPageProperty)
            MissingProperty("TSitePage", name);
        FPageName = std::move(name);
        FState = TState::PageValue;
        return;
    }
    FProperty = FindProperty(GeneratorProperties, name);
    if (!FProperty)
        MissingProperty("TSiteGenerator", name);
    if (FProperty->Kind == K::ReadOnly)
        ReadError("TSiteGenerator", name, "Property is read-only");
    FName = std::move(name);
    FState = TState::Value;
}

std::string TGeneratorAssigner::StringBuffer()
{
    return FState == TState::PageValue && FPageProperty->Bar ? std::move(FSpare) : std::string();
}

void TGeneratorAssigner::StringValue(std::string value)
{
    if (FState == TState::ListLines) {
        FLines.push_back(std::move(value));
        return;
    }
    if (FState == TState::PageValue) {
        if (FPageProperty->Bar)
            FPage->SetPagination(std::move(value));
        else
            (FPage->*FPageProperty->Set)(std::move(value));
    } else if (FProperty->Kind == K::String) {
        (FGenerator.*FProperty->SetString)(std::move(value));
    } else if (FProperty->Kind != K::ComponentName) {
        InvalidValue();
    }
    ValueDone();
}

void TGeneratorAssigner::BarValue(TBarText bar)
{
    if (FState != TState::PageValue || !FPageProperty->Bar) {
        StringValue(bar.Text());
        return;
    }
    FPage->SetPagination(std::move(bar));
    FBarSettled = true;
    ValueDone();
}

void TGeneratorAssigner::NumberValue(std::optional<std::int32_t> value)
{
    if (FState != TState::Value || !value)
        InvalidValue();
    if (FProperty->Kind == K::Integer)
        (FGenerator.*FProperty->SetInteger)(*value);
    else if (FProperty->Kind != K::ComponentTag)
        InvalidValue();
    ValueDone();
}

void TGeneratorAssigner::IdentifierValue(std::string_view identifier)
{
    if (FState != TState::Value || FProperty->Kind != K::Boolean)
        InvalidValue();
    const std::optional<bool> value = BooleanWord(identifier);
    if (!value)
        InvalidValue();
    (FGenerator.*FProperty->SetBoolean)(*value);
    ValueDone();
}

void TGeneratorAssigner::BeginList()
{
    if (FState != TState::Value || FProperty->Kind != K::StringList)
        InvalidValue();
    FLines.clear();
    FState = TState::ListLines;
}

void TGeneratorAssigner::EndList()
{
    (FGenerator.*FProperty->SetList)(std::move(FLines));
    FLines = {};
    FState = TState::Properties;
}

void TGeneratorAssigner::BeginCollection()
{
    if (FState != TState::Value || FProperty->Kind != K::Pages)
        InvalidValue();
    FPagesCleared = false;
    FState = TState::Pages;
}

void TGeneratorAssigner::BeginItem()
{
    // A collection with items replaces the pages; an empty one leaves them.
    if (!FPagesCleared) {
        FGenerator.Pages().Clear();
        FPagesCleared = true;
    }
    FPage = &FGenerator.Pages().Add();
    FBarSettled = false;
    FState = TState::PageProperties;
}

void TGeneratorAssigner::EndItem()
{
    // A bar read as a text is kept as a slice once the page's own URL is known; the text of one
    // bar at a time is what the read holds.
    if (!FBarSettled && !FPage->Pagination().Shared() && !FPage->Pagination().Empty()) {
        const auto index = static_cast<std::size_t>(FGenerator.Pages().Count() - 1);
        std::string text = FPage->TakePagination();
        TBarText bar = FBars.Recognize(std::move(text), index, FPage->PageUrl());
        // A bar kept as a slice leaves its text (Recognize took it only when it kept it).
        if (bar.Shared())
            FSpare = std::move(text);
        FPage->SetPagination(std::move(bar));
    }
    FPage = nullptr;
    FState = TState::Pages;
}

void TGeneratorAssigner::EndCollection()
{
    FState = TState::Properties;
}

} // namespace zarvik
