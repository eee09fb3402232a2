#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zarvik {

// An ordered list of text lines, each without its line break.
using TStringList = std::vector<std::string>;

// The list taken as one text: every line followed by CR LF.
std::string ListText(const TStringList &lines);

// The lines joined with CR LF between them and no break after the last, as an editor gives
// its text.
std::string JoinLines(const TStringList &lines);

// Splits at CR LF, CR or LF; a break at the very end adds no empty line, and the empty text
// gives no lines.
TStringList SplitLines(std::string_view text);

} // namespace zarvik
