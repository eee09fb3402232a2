#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace zarvik {

// Windows-1251 bytes to a QString; every byte survives the trip back, 0x98 included.
QString ToQString(std::string_view cp1251);

// A QString to Windows-1251; a character the code page lacks becomes a decimal HTML reference
// ("&#8364;"), as in imported text files.
std::string FromQString(const QString &text);

} // namespace zarvik
