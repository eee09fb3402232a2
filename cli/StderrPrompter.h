#pragma once

#include "engine/Prompter.h"

#include <iosfwd>
#include <optional>

namespace zarvik {

// Shows the engine's messages on the command line: each one is printed to the error stream as
// "error: TEXT", "warning: TEXT" or "information: TEXT", TEXT in UTF-8 with every CR printed as
// a line break. A question is answered by the answer given on the command line without being
// printed; without one it is printed and asked on a terminal, and answered No or Cancel
// otherwise. A question with YesNoDefaultNo is never asked: it is answered Yes when the command
// line said so (SetReplaceAnswer), else printed and answered No. Details (AskWithDetails) are a
// line of their own with the message's kind word.
class TStderrPrompter : public TPrompter
{
public:
    TStderrPrompter(std::ostream &err, std::istream &in, bool interactive)
        : FErr(err)
        , FIn(in)
        , FInteractive(interactive)
    {
    }

    // The answer to every question from now on (Yes/No or Ok/Cancel); nothing means ask.
    void SetQuestionAnswer(std::optional<bool> yes) { FQuestionAnswer = yes; }
    // Whether questions with YesNoDefaultNo are answered Yes (--overwrite).
    void SetReplaceAnswer(bool yes) { FReplaceAnswer = yes; }

    Answer ask(MessageKind kind, std::string_view text, Buttons buttons) override;
    Answer AskWithDetails(MessageKind kind, std::string_view text, std::string_view details,
                          Buttons buttons) override;

    // Prints a message of the general error display or of a conversion, as ask would.
    void ShowError(std::string_view text);

    // Whether questions are asked on a terminal.
    bool Interactive() const { return FInteractive; }

    // True once an error-kind message has been printed.
    bool ErrorShown() const { return FErrorShown; }

private:
    void Print(MessageKind kind, std::string_view text);

    std::ostream &FErr;
    std::istream &FIn;
    bool FInteractive;
    std::optional<bool> FQuestionAnswer;
    bool FReplaceAnswer = false;
    bool FErrorShown = false;
};

// Windows-1251 message text as the terminal shows it: UTF-8, CR LF and lone CR as line breaks.
std::string TerminalText(std::string_view cp1251);

} // namespace zarvik
