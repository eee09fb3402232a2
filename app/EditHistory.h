#pragma once

#include "engine/SiteEdit.h"

#include <cstddef>
#include <deque>
#include <memory>
#include <optional>
#include <string>

// The undo history of one open project: the site edits made, a position among them, and the
// position at which the project was last saved. It holds at most a given number of bytes of
// recorded texts and pages; beyond that the oldest edits are dropped.
namespace zarvik {

class TEditHistory
{
public:
    static constexpr std::size_t DefaultByteLimit = 200u * 1024 * 1024;

    explicit TEditHistory(std::size_t byteLimit = DefaultByteLimit)
        : FByteLimit(byteLimit)
    {
    }

    // Adds an edit just made; the edits undone before it are gone. An empty edit is ignored.
    void Push(std::unique_ptr<TSiteEdit> edit, std::string label);

    bool CanUndo() const { return FIndex > 0; }
    bool CanRedo() const { return FIndex < FEdits.size(); }
    // What Undo and Redo would take back or make again (empty when nothing).
    const std::string &UndoLabel() const;
    const std::string &RedoLabel() const;
    void Undo(TSiteGenerator &generator);
    void Redo(TSiteGenerator &generator);

    // The project was saved (or opened) as it stands now.
    void SetClean();
    // Whether the project stands where it was saved: false once that point was dropped.
    bool IsClean() const { return FClean && *FClean == FIndex; }

    std::size_t Count() const { return FEdits.size(); }
    std::size_t Bytes() const { return FBytes; }
    void Clear();

private:
    struct TEntry
    {
        std::unique_ptr<TSiteEdit> Edit;
        std::string Label;
        std::size_t Bytes = 0;
    };
    void DropRedo();
    void Recount(TEntry &entry);
    void KeepWithinLimit();

    std::deque<TEntry> FEdits;
    std::size_t FIndex = 0;
    std::optional<std::size_t> FClean = 0;
    std::size_t FBytes = 0;
    std::size_t FByteLimit;
};

} // namespace zarvik
