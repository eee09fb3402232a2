#include "cli/StderrPrompter.h"

#include "engine/Cp1251.h"

#include <istream>
#include <ostream>
#include <string>

namespace zarvik {
namespace {

std::string_view KindWord(MessageKind kind)
{
    switch (kind) {
    case MessageKind::Warning:
        return "warning";
    case MessageKind::Error:
        return "error";
    case MessageKind::Information:
        return "information";
    }
    return "error";
}

bool IsYes(std::string line)
{
    while (!line.empty() && (line.back() == ' ' || line.back() == '\r' || line.back() == '\t'))
        line.pop_back();
    std::size_t start = line.find_first_not_of(" \t");
    line.erase(0, start == std::string::npos ? line.size() : start);
    for (char &c : line) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return line == "y" || line == "yes" || line == "д" || line == "да" || line == "Д" || line == "Да" ||
           line == "ДА";
}

} // namespace

std::string TerminalText(std::string_view cp1251)
{
    std::string text;
    text.reserve(cp1251.size());
    for (std::size_t i = 0; i < cp1251.size(); ++i) {
        if (cp1251[i] == '\r') {
            text += '\n';
            if (i + 1 < cp1251.size() && cp1251[i + 1] == '\n')
                ++i;
        } else {
            text += cp1251[i];
        }
    }
    return Cp1251ToUtf8(text);
}

void TStderrPrompter::Print(MessageKind kind, std::string_view text)
{
    if (kind == MessageKind::Error)
        FErrorShown = true;
    FErr << KindWord(kind) << ": " << TerminalText(text) << '\n';
    FErr.flush();
}

void TStderrPrompter::ShowError(std::string_view text)
{
    Print(MessageKind::Error, text);
}

Answer TStderrPrompter::ask(MessageKind kind, std::string_view text, Buttons buttons)
{
    if (buttons == Buttons::Ok) {
        Print(kind, text);
        return Answer::Ok;
    }
    if (buttons == Buttons::YesNoDefaultNo) {
        if (FReplaceAnswer)
            return Answer::Yes;
        Print(kind, text);
        return Answer::No;
    }
    const Answer yes = buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
    const Answer no = buttons == Buttons::YesNo ? Answer::No : Answer::Cancel;
    if (FQuestionAnswer)
        return *FQuestionAnswer ? yes : no;
    Print(kind, text);
    if (!FInteractive)
        return no;
    FErr << "[да/нет]: ";
    FErr.flush();
    std::string line;
    if (!std::getline(FIn, line))
        return no;
    return IsYes(line) ? yes : no;
}

Answer TStderrPrompter::AskWithDetails(MessageKind kind, std::string_view text, std::string_view details,
                                       Buttons buttons)
{
    if (buttons != Buttons::Ok)
        return TPrompter::AskWithDetails(kind, text, details, buttons);
    Print(kind, text);
    Print(kind, details);
    return Answer::Ok;
}

} // namespace zarvik
