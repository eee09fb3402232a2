#pragma once

#include "engine/Prompter.h"

#include <deque>
#include <string>
#include <vector>

namespace zarvik::test {

// Records every message and answers from a script. A message without a scripted answer gets OK
// for an OK box, No or Cancel for a question, and "Не сохранять" (No) for the save question.
class TScriptedPrompter : public TPrompter
{
public:
    struct TMessage
    {
        MessageKind Kind;
        std::string Text;
        Buttons ButtonSet;
        // What came as the message's details (AskWithDetails); messages compare equal without
        // them, so a test states them only where it checks them.
        std::string Details = {};
        bool operator==(const TMessage &other) const
        {
            return Kind == other.Kind && Text == other.Text && ButtonSet == other.ButtonSet;
        }
    };

    void Script(Answer answer) { FAnswers.push_back(answer); }

    Answer AskWithDetails(MessageKind kind, std::string_view text, std::string_view details,
                          Buttons buttons) override
    {
        const Answer answer = ask(kind, text, buttons);
        Messages.back().Details = details;
        return answer;
    }

    Answer ask(MessageKind kind, std::string_view text, Buttons buttons) override
    {
        Messages.push_back({kind, std::string(text), buttons});
        if (!FAnswers.empty()) {
            const Answer a = FAnswers.front();
            FAnswers.pop_front();
            return a;
        }
        switch (buttons) {
        case Buttons::Ok:
            return Answer::Ok;
        case Buttons::OkCancel:
            return Answer::Cancel;
        case Buttons::YesNo:
        case Buttons::YesNoDefaultNo:
            return Answer::No;
        case Buttons::SaveDiscardCancel:
            return Answer::No;
        }
        return Answer::Cancel;
    }

    std::vector<std::string> Texts() const
    {
        std::vector<std::string> out;
        for (const auto &m : Messages)
            out.push_back(m.Text);
        return out;
    }

    bool Drained() const { return FAnswers.empty(); }

    std::vector<TMessage> Messages;

private:
    std::deque<Answer> FAnswers;
};

} // namespace zarvik::test
