#pragma once

#include "engine/EXSiteGenerator.h"

#include <string>
#include <string_view>

// The project file: one TSiteGenerator with its pages as an indented object text of 7-bit
// characters. The format, and how the reader treats characters that Windows-1251 lacks, is
// described in docs/project-file.md.
namespace zarvik {

// The whole project text of a generator, header to final "end" line, CR LF line ends.
std::string WriteProjectText(const TSiteGenerator &generator);

// Parses the whole text, then assigns in file order through the generator's setters.
// Throws EError (engine/Error.h) with the exact message ("Invalid property value on line 3", ...).
// A syntax error leaves the generator untouched; a property error leaves the properties assigned
// before it in place. `progress`, when given, hears how far the reading is at every page, and at
// the end that it is done.
void ReadProjectText(std::string_view text, TSiteGenerator &generator,
                     const TProgressCallback &progress = {});

// The same reading, with the whole text always checked in a pass of its own before it is read
// again into the generator; ReadProjectText does this for texts with bytes above 127 and to report
// a syntax error, and otherwise gives the same result in one pass.
void ReadProjectTextInTwoPasses(std::string_view text, TSiteGenerator &generator,
                                const TProgressCallback &progress = {});

} // namespace zarvik
