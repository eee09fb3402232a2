#pragma once

#include "engine/Cp1251.h"

#include <string>

namespace zarvik::test {

// Russian test texts are written as UTF-8 literals and turned into the engine's Windows-1251
// bytes here, so the tests stay readable.
inline std::string Ru(std::string_view utf8)
{
    return Utf8ToCp1251(utf8);
}

} // namespace zarvik::test
