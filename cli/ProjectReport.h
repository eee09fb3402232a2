#pragma once

#include <iosfwd>
#include <string>
#include <string_view>

namespace zarvik {

class TProjectSettings;
class TSiteGenerator;

// The settings, the link count and the pages of a project, one KEY=VALUE per line and then one
// line per page: index, URL, title, text length and HTML length (bytes), separated by tabs.
// Texts are printed in UTF-8.
void WriteProjectReport(const TSiteGenerator &generator, std::ostream &out);

// The same as one JSON object with UTF-8 strings, and the publishing settings of the file beside
// the project under "zarvik".
void WriteProjectJson(const TSiteGenerator &generator, const TProjectSettings &settings, std::ostream &out);

// A JSON string literal for Windows-1251 text.
std::string JsonString(std::string_view cp1251);
// The same for UTF-8 text.
std::string JsonStringUtf8(std::string_view utf8);

} // namespace zarvik
