#include "app/ErrorDisplay.h"

namespace zarvik {

std::string ErrorDisplayText(std::string_view message)
{
    std::string text(message);
    if (text.empty() || static_cast<unsigned char>(text.back()) > '.')
        text += '.';
    return text;
}

} // namespace zarvik
