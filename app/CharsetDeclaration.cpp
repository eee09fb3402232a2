#include "app/CharsetDeclaration.h"

#include <algorithm>

namespace zarvik {

namespace {

char AsciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The first occurrence of an ASCII word in any case, from `from` on.
std::size_t FindNoCase(std::string_view text, std::string_view word, std::size_t from = 0)
{
    const auto found =
        std::search(text.begin() + static_cast<std::ptrdiff_t>(std::min(from, text.size())), text.end(),
                    word.begin(), word.end(), [](char a, char b) { return AsciiLower(a) == AsciiLower(b); });
    return found == text.end() ? std::string_view::npos : static_cast<std::size_t>(found - text.begin());
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool IsBreak(char c)
{
    return c == '\r' || c == '\n';
}

// The start of the "<head" tag (not "<header"); npos when there is none.
std::size_t FindHeadTag(std::string_view text)
{
    for (std::size_t at = FindNoCase(text, "<head"); at != std::string_view::npos;
         at = FindNoCase(text, "<head", at + 1)) {
        const std::size_t after = at + 5;
        if (after == text.size() || text[after] == '>' || text[after] == '/' || IsBlank(text[after]) ||
            IsBreak(text[after]))
            return at;
    }
    return std::string_view::npos;
}

// The template's own line break: the first one it has, else CR LF.
std::string_view LineBreakOf(std::string_view text)
{
    const std::size_t at = text.find_first_of("\r\n");
    if (at == std::string_view::npos || (text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n'))
        return "\r\n";
    return text[at] == '\r' ? "\r" : "\n";
}

std::string_view IndentAt(std::string_view text, std::size_t lineStart)
{
    std::size_t end = lineStart;
    while (end < text.size() && IsBlank(text[end]))
        ++end;
    return text.substr(lineStart, end - lineStart);
}

} // namespace

std::string DeclaredCharset(std::string_view templateText)
{
    const std::size_t at = FindNoCase(templateText, "charset=");
    if (at == std::string_view::npos)
        return {};
    std::size_t start = at + 8;
    while (start < templateText.size() && (templateText[start] == '"' || templateText[start] == '\''))
        ++start;
    std::size_t end = start;
    while (end < templateText.size() &&
           std::string_view("\"'; />\r\n\t").find(templateText[end]) == std::string_view::npos)
        ++end;
    return std::string(templateText.substr(start, end - start));
}

TCharsetFixPlan PlanCharsetFix(std::string_view templateText)
{
    if (!DeclaredCharset(templateText).empty() ||
        FindNoCase(templateText, CharsetDeclaration) != std::string_view::npos)
        return {TCharsetFix::AlreadyDeclared, {}};
    const std::size_t head = FindHeadTag(templateText);
    const std::size_t close = head == std::string_view::npos ? head : templateText.find('>', head);
    if (close == std::string_view::npos)
        return {TCharsetFix::NoHead, {}};

    const std::string_view lineBreak = LineBreakOf(templateText);
    const std::size_t lastBreak = templateText.find_last_of("\r\n", head);
    const std::size_t headLine = lastBreak == std::string_view::npos ? 0 : lastBreak + 1;
    const std::string_view headIndent = IndentAt(templateText, headLine);
    const std::string deeper =
        std::string(headIndent) + (headIndent.find('\t') != std::string_view::npos ? "\t" : "  ");

    const std::size_t tagEnd = close + 1;
    std::size_t lineEnd = tagEnd;
    while (lineEnd < templateText.size() && IsBlank(templateText[lineEnd]))
        ++lineEnd;
    const std::string declaration(CharsetDeclaration);
    if (lineEnd < templateText.size() && !IsBreak(templateText[lineEnd])) {
        // More follows the tag on its line: the declaration gets a line of its own between them.
        const std::string text =
            std::string(lineBreak) + deeper + declaration + std::string(lineBreak) + deeper;
        return {TCharsetFix::Insert, {tagEnd, text}};
    }
    // The tag ends its line: the declaration opens the next one, indented as the line after it
    // is, unless that line closes the head or is missing or blank.
    std::string indent = deeper;
    if (lineEnd < templateText.size()) {
        std::size_t next = lineEnd + 1;
        if (templateText[lineEnd] == '\r' && next < templateText.size() && templateText[next] == '\n')
            ++next;
        const std::string_view nextIndent = IndentAt(templateText, next);
        const std::size_t content = next + nextIndent.size();
        if (content < templateText.size() && !IsBreak(templateText[content]) &&
            FindNoCase(templateText.substr(content, 6), "</head") != 0)
            indent = std::string(nextIndent);
    }
    return {TCharsetFix::Insert, {lineEnd, std::string(lineBreak) + indent + declaration}};
}

std::string WithCharsetDeclaration(std::string_view templateText)
{
    const TCharsetFixPlan plan = PlanCharsetFix(templateText);
    std::string out(templateText);
    if (plan.Fix == TCharsetFix::Insert)
        out.insert(plan.Insertion.Offset, plan.Insertion.Text);
    return out;
}

} // namespace zarvik
