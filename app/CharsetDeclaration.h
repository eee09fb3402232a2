#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace zarvik {

// The declaration that tells a browser the pages are Windows-1251.
constexpr std::string_view CharsetDeclaration =
    R"(<meta http-equiv="Content-Type" content="text/html; charset=windows-1251">)";

// The charset a template declares: the value after the first "charset=" (any case), without
// quotes; empty when there is none.
std::string DeclaredCharset(std::string_view templateText);

// Text to insert into a template at a byte offset.
struct TTextInsertion
{
    std::size_t Offset = 0;
    std::string Text;

    bool operator==(const TTextInsertion &) const = default;
};

enum class TCharsetFix
{
    Insert,          // the insertion adds the declaration
    AlreadyDeclared, // the template declares a charset (or holds the declaration) already
    NoHead,          // the template has no <head> tag to put it in
};

struct TCharsetFixPlan
{
    TCharsetFix Fix = TCharsetFix::Insert;
    // With Insert: CharsetDeclaration on a line of its own right after the <head> tag, with the
    // template's line break and the indentation of the head's contents.
    TTextInsertion Insertion;
};

// How CharsetDeclaration goes into a template (Windows-1251 text). Applied once, the plan for
// the result is AlreadyDeclared: there is never a second declaration.
TCharsetFixPlan PlanCharsetFix(std::string_view templateText);

// The template with the declaration inserted; unchanged unless the plan is Insert.
std::string WithCharsetDeclaration(std::string_view templateText);

} // namespace zarvik
