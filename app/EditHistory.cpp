#include "app/EditHistory.h"

namespace zarvik {
namespace {

const std::string NoLabel;

} // namespace

void TEditHistory::Push(std::unique_ptr<TSiteEdit> edit, std::string label)
{
    if (!edit || edit->Empty())
        return;
    DropRedo();
    TEntry entry{std::move(edit), std::move(label), 0};
    Recount(entry);
    FEdits.push_back(std::move(entry));
    ++FIndex;
    KeepWithinLimit();
}

const std::string &TEditHistory::UndoLabel() const
{
    return CanUndo() ? FEdits[FIndex - 1].Label : NoLabel;
}

const std::string &TEditHistory::RedoLabel() const
{
    return CanRedo() ? FEdits[FIndex].Label : NoLabel;
}

void TEditHistory::Undo(TSiteGenerator &generator)
{
    if (!CanUndo())
        return;
    TEntry &entry = FEdits[--FIndex];
    entry.Edit->Undo(generator);
    Recount(entry); // an undone append now holds its pages
    KeepWithinLimit();
}

void TEditHistory::Redo(TSiteGenerator &generator)
{
    if (!CanRedo())
        return;
    TEntry &entry = FEdits[FIndex++];
    entry.Edit->Redo(generator);
    Recount(entry);
}

void TEditHistory::SetClean()
{
    FClean = FIndex;
}

void TEditHistory::Clear()
{
    FEdits.clear();
    FIndex = 0;
    FBytes = 0;
    FClean = 0;
}

void TEditHistory::DropRedo()
{
    while (FEdits.size() > FIndex) {
        FBytes -= FEdits.back().Bytes;
        FEdits.pop_back();
    }
    if (FClean && *FClean > FIndex)
        FClean.reset();
}

void TEditHistory::Recount(TEntry &entry)
{
    FBytes -= entry.Bytes;
    entry.Bytes = entry.Edit->Bytes();
    FBytes += entry.Bytes;
}

void TEditHistory::KeepWithinLimit()
{
    // The edit just made (or undone) stays even when it alone is over the limit.
    while (FBytes > FByteLimit && FIndex > 1) {
        FBytes -= FEdits.front().Bytes;
        FEdits.pop_front();
        --FIndex;
        if (FClean)
            FClean = *FClean == 0 ? std::nullopt : std::optional<std::size_t>(*FClean - 1);
    }
}

} // namespace zarvik
