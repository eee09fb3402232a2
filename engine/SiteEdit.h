#pragma once

#include "engine/EXSiteGenerator.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

// One undoable change of a site: the steps an operation made, recorded as it makes them, which
// can be taken back and made again exactly. Only what a step changes is kept: the pages that
// were added or deleted (the page objects themselves, so references to them stay good across an
// undo), the indices of a move, and the before and after of each text that changed. Redo puts
// the recorded results back rather than running the operation again, so a random link draw
// comes back as it was drawn.
namespace zarvik {

enum class TPageField
{
    Text,
    Html,
    Title,
    Url,
};

enum class TSiteField
{
    Template,
    Style,
    AdBlock,
};

class TSiteEdit
{
public:
    TSiteEdit();
    ~TSiteEdit();
    TSiteEdit(const TSiteEdit &) = delete;
    TSiteEdit &operator=(const TSiteEdit &) = delete;

    // The pages from `first` to the end were just appended (content added, a page created).
    void PagesAppended(const TSiteGenerator &generator, int first);
    // Deletes the pages at these indices (any order, no repeats) and records them.
    void DeletePages(TSiteGenerator &generator, std::vector<int> indices);
    // Moves a page and records the move.
    void MovePage(TSiteGenerator &generator, int from, int to);
    // Sets one text of a page and records its old value; nothing is recorded when it is equal.
    void SetPageField(TSitePage &page, TPageField field, std::string value);
    // Records a change of one text of a page already made, given its old value.
    void PageFieldChanged(TSitePage &page, TPageField field, std::string before);
    // The same for a text of the site; the template goes through its setter, which marks the
    // project changed.
    void SetSiteField(TSiteGenerator &generator, TSiteField field, std::string value);
    // Call before and after a link distribution: records every body it rebuilt, the distributed
    // flag and the record of placements.
    void BeginLinkDistribution(const TSiteGenerator &generator);
    void EndLinkDistribution(const TSiteGenerator &generator);

    void Undo(TSiteGenerator &generator);
    void Redo(TSiteGenerator &generator);

    bool Empty() const;
    // Memory held by the recorded texts and pages, roughly.
    std::size_t Bytes() const;

private:
    struct TStep;
    struct TLinkState;
    static void RestoreLinkState(TSiteGenerator &generator, const TLinkState &state);

    std::vector<std::unique_ptr<TStep>> FSteps;
    std::unique_ptr<TLinkState> FLinksBefore;
};

} // namespace zarvik
