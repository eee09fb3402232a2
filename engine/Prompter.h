#pragma once

#include <string>
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
    SaveDiscardCancel,
    // Yes and No with No the default, for a question whose Yes destroys something of the user's
    // (files to be replaced). An answer given once for every ordinary question does not answer it.
    YesNoDefaultNo
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
    // A message with a second text that belongs to it but is shown apart (a window puts it under
    // the first in smaller type), so that `text` stays exactly as it is. By default `details`
    // follows `text` on a line of its own.
    virtual Answer AskWithDetails(MessageKind kind, std::string_view text, std::string_view details,
                                  Buttons buttons)
    {
        std::string whole(text);
        whole.append("\r").append(details);
        return ask(kind, whole, buttons);
    }
};

} // namespace zarvik
