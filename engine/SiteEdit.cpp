#include "engine/SiteEdit.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace zarvik {
namespace {

std::string PageFieldValue(const TSitePage &page, TPageField field)
{
    switch (field) {
    case TPageField::Text:
        return page.PageText();
    case TPageField::Html:
        return page.PageHTML();
    case TPageField::Title:
        return page.PageTitle();
    case TPageField::Url:
        return page.PageUrl();
    }
    return {};
}

void SetPageFieldValue(TSitePage &page, TPageField field, std::string value)
{
    switch (field) {
    case TPageField::Text:
        page.SetPageText(std::move(value));
        break;
    case TPageField::Html:
        page.SetPageHTML(std::move(value));
        break;
    case TPageField::Title:
        page.SetPageTitle(std::move(value));
        break;
    case TPageField::Url:
        page.SetPageUrl(std::move(value));
        break;
    }
}

std::string SiteFieldValue(const TSiteGenerator &generator, TSiteField field)
{
    switch (field) {
    case TSiteField::Template:
        return generator.SiteTemplate();
    case TSiteField::Style:
        return generator.CssCode();
    case TSiteField::AdBlock:
        return generator.AdsenseCode();
    }
    return {};
}

void SetSiteFieldValue(TSiteGenerator &generator, TSiteField field, std::string value)
{
    switch (field) {
    case TSiteField::Template:
        generator.SetSiteTemplate(std::move(value));
        break;
    case TSiteField::Style:
        generator.SetCssCode(std::move(value));
        break;
    case TSiteField::AdBlock:
        generator.SetAdsenseCode(std::move(value));
        break;
    }
}

// A bar that is a slice of the shared row costs next to nothing of its own.
std::size_t PageBytes(const TSitePage &page)
{
    return sizeof(TSitePage) + page.PageText().size() + page.PageHTML().size() + page.PageTitle().size() +
           page.PageUrl().size() + (page.Pagination().Shared() ? 0 : page.Pagination().Size());
}

} // namespace

struct TSiteEdit::TLinkState
{
    bool Distributed = false;
    bool HasPlacements = false;
    std::vector<TLinkPlacement> Placements;
};

struct TSiteEdit::TStep
{
    enum class TKind
    {
        Appended,
        Deleted,
        Moved,
        PageField,
        SiteField,
        Links,
    } Kind;

    // Appended: the first index; Moved: from and to.
    int First = 0;
    int To = 0;
    // Deleted, or Appended while undone: the pages out of the collection with the index each
    // had, in ascending order of index.
    std::vector<std::pair<int, std::unique_ptr<TSitePage>>> Pages;
    int Count = 0;
    // PageField and SiteField.
    TSitePage *Page = nullptr;
    TPageField PageFieldKind = TPageField::Text;
    TSiteField SiteFieldKind = TSiteField::Template;
    std::string Before;
    std::string After;
    // A body recorded at the start of a link distribution, its new value not yet taken.
    bool Pending = false;
    // Links: the state before and after the distribution.
    TLinkState LinksBefore;
    TLinkState LinksAfter;
};

TSiteEdit::TSiteEdit() = default;
TSiteEdit::~TSiteEdit() = default;

void TSiteEdit::PagesAppended(const TSiteGenerator &generator, int first)
{
    auto step = std::make_unique<TStep>();
    step->Kind = TStep::TKind::Appended;
    step->First = first;
    step->Count = generator.Pages().Count() - first;
    if (step->Count > 0)
        FSteps.push_back(std::move(step));
}

void TSiteEdit::DeletePages(TSiteGenerator &generator, std::vector<int> indices)
{
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    for (const int index : indices)
        generator.Pages().Items(index); // throws before anything is taken out
    auto step = std::make_unique<TStep>();
    step->Kind = TStep::TKind::Deleted;
    step->Pages.resize(indices.size());
    for (std::size_t i = indices.size(); i-- > 0;)
        step->Pages[i] = {indices[i], generator.Pages().Detach(indices[i])};
    if (!step->Pages.empty())
        FSteps.push_back(std::move(step));
}

void TSiteEdit::MovePage(TSiteGenerator &generator, int from, int to)
{
    generator.Pages().Move(from, to);
    auto step = std::make_unique<TStep>();
    step->Kind = TStep::TKind::Moved;
    step->First = from;
    step->To = to;
    FSteps.push_back(std::move(step));
}

void TSiteEdit::SetPageField(TSitePage &page, TPageField field, std::string value)
{
    std::string before = PageFieldValue(page, field);
    if (before == value)
        return;
    auto step = std::make_unique<TStep>();
    step->Kind = TStep::TKind::PageField;
    step->Page = &page;
    step->PageFieldKind = field;
    step->Before = std::move(before);
    step->After = value;
    SetPageFieldValue(page, field, std::move(value));
    FSteps.push_back(std::move(step));
}

void TSiteEdit::PageFieldChanged(TSitePage &page, TPageField field, std::string before)
{
    std::string value = PageFieldValue(page, field);
    SetPageFieldValue(page, field, std::move(before));
    SetPageField(page, field, std::move(value));
}

void TSiteEdit::SetSiteField(TSiteGenerator &generator, TSiteField field, std::string value)
{
    std::string before = SiteFieldValue(generator, field);
    if (before == value)
        return;
    auto step = std::make_unique<TStep>();
    step->Kind = TStep::TKind::SiteField;
    step->SiteFieldKind = field;
    step->Before = std::move(before);
    step->After = value;
    SetSiteFieldValue(generator, field, std::move(value));
    FSteps.push_back(std::move(step));
}

void TSiteEdit::BeginLinkDistribution(const TSiteGenerator &generator)
{
    FLinksBefore = std::make_unique<TLinkState>();
    FLinksBefore->Distributed = generator.LinksWasSetted();
    if (const std::vector<TLinkPlacement> *placements = generator.LinkPlacements()) {
        FLinksBefore->HasPlacements = true;
        FLinksBefore->Placements = *placements;
    }
    // The bodies are recorded as page-text steps, each with its old value.
    const TSitePages &pages = generator.Pages();
    for (int i = 0; i < pages.Count(); ++i) {
        auto step = std::make_unique<TStep>();
        step->Kind = TStep::TKind::PageField;
        step->Page = &pages[i];
        step->PageFieldKind = TPageField::Html;
        step->Before = pages[i].PageHTML();
        step->Pending = true;
        FSteps.push_back(std::move(step));
    }
}

void TSiteEdit::EndLinkDistribution(const TSiteGenerator &generator)
{
    if (!FLinksBefore)
        throw std::logic_error("TSiteEdit::EndLinkDistribution without a beginning");
    // Fill in the bodies made; drop those the run left as they were.
    bool bodiesChanged = false;
    std::erase_if(FSteps, [&](const std::unique_ptr<TStep> &step) {
        if (!step->Pending)
            return false;
        step->Pending = false;
        step->After = step->Page->PageHTML();
        if (step->After == step->Before)
            return true;
        bodiesChanged = true;
        return false;
    });
    auto step = std::make_unique<TStep>();
    step->Kind = TStep::TKind::Links;
    step->LinksBefore = std::move(*FLinksBefore);
    FLinksBefore.reset();
    step->LinksAfter.Distributed = generator.LinksWasSetted();
    if (const std::vector<TLinkPlacement> *placements = generator.LinkPlacements()) {
        step->LinksAfter.HasPlacements = true;
        step->LinksAfter.Placements = *placements;
    }
    // A run its checks stopped changed nothing.
    if (bodiesChanged || step->LinksAfter.Distributed != step->LinksBefore.Distributed)
        FSteps.push_back(std::move(step));
}

void TSiteEdit::RestoreLinkState(TSiteGenerator &generator, const TLinkState &state)
{
    generator.FLinksWasSetted = state.Distributed;
    generator.FPlacements = state.Placements;
    generator.FHasPlacements = state.HasPlacements;
    generator.FPlacementRemovals = generator.Pages().Removals();
}

void TSiteEdit::Undo(TSiteGenerator &generator)
{
    TSitePages &pages = generator.Pages();
    for (auto it = FSteps.rbegin(); it != FSteps.rend(); ++it) {
        TStep &step = **it;
        switch (step.Kind) {
        case TStep::TKind::Appended:
            step.Pages.clear();
            step.Pages.reserve(static_cast<std::size_t>(step.Count));
            for (int i = 0; i < step.Count; ++i)
                step.Pages.emplace_back(step.First + i, nullptr);
            for (int i = step.Count; i-- > 0;)
                step.Pages[static_cast<std::size_t>(i)].second = pages.Detach(step.First + i);
            break;
        case TStep::TKind::Deleted:
            for (auto &[index, page] : step.Pages)
                pages.Attach(index, std::move(page));
            break;
        case TStep::TKind::Moved:
            pages.Move(step.To, step.First);
            break;
        case TStep::TKind::PageField:
            SetPageFieldValue(*step.Page, step.PageFieldKind, step.Before);
            break;
        case TStep::TKind::SiteField:
            SetSiteFieldValue(generator, step.SiteFieldKind, step.Before);
            break;
        case TStep::TKind::Links:
            RestoreLinkState(generator, step.LinksBefore);
            break;
        }
    }
}

void TSiteEdit::Redo(TSiteGenerator &generator)
{
    TSitePages &pages = generator.Pages();
    for (const std::unique_ptr<TStep> &owned : FSteps) {
        TStep &step = *owned;
        switch (step.Kind) {
        case TStep::TKind::Appended:
            for (auto &[index, page] : step.Pages)
                pages.Attach(index, std::move(page));
            step.Pages.clear();
            break;
        case TStep::TKind::Deleted:
            for (std::size_t i = step.Pages.size(); i-- > 0;)
                step.Pages[i].second = pages.Detach(step.Pages[i].first);
            break;
        case TStep::TKind::Moved:
            pages.Move(step.First, step.To);
            break;
        case TStep::TKind::PageField:
            SetPageFieldValue(*step.Page, step.PageFieldKind, step.After);
            break;
        case TStep::TKind::SiteField:
            SetSiteFieldValue(generator, step.SiteFieldKind, step.After);
            break;
        case TStep::TKind::Links:
            RestoreLinkState(generator, step.LinksAfter);
            break;
        }
    }
}

bool TSiteEdit::Empty() const
{
    return FSteps.empty();
}

std::size_t TSiteEdit::Bytes() const
{
    std::size_t bytes = sizeof(*this);
    for (const std::unique_ptr<TStep> &step : FSteps) {
        bytes += sizeof(TStep) + step->Before.capacity() + step->After.capacity();
        for (const auto &entry : step->Pages) {
            if (entry.second)
                bytes += PageBytes(*entry.second);
        }
        for (const TLinkState *state : {&step->LinksBefore, &step->LinksAfter}) {
            for (const TLinkPlacement &placement : state->Placements)
                bytes += sizeof(TLinkPlacement) + placement.Word.capacity();
        }
    }
    return bytes;
}

} // namespace zarvik
