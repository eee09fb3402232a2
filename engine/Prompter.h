#pragma once

#include <string_view>

namespace zarvik {

enum class MessageKind
{
    Warning,
    Error,
    Information
};

enum class Buttons
{
    Ok,
    OkCancel,
    YesNo,
    // "Сохранить" (answered Ok), "Не сохранять" (No) and "Отмена" (Cancel), for the question
    // whether to save before something closes.
    SaveDiscardCancel
};

enum class Answer
{
    Ok,
    Cancel,
    Yes,
    No
};

// The engine's only way to show something to the user: a modal message of a kind, with a set of
// buttons, whose answer is returned. The text is Windows-1251; a lone CR breaks it into lines.
struct TPrompter
{
    virtual ~TPrompter() = default;
    virtual Answer ask(MessageKind kind, std::string_view text, Buttons buttons) = 0;
};

} // namespace zarvik
