#include "engine/Error.h"

#include "engine/Cp1251.h"

#include <system_error>

namespace zarvik {

std::string CannotCreateFileMessage(std::string_view path, int error)
{
    return "Cannot create file \"" + Utf8ToCp1251(path) + "\". " +
           Utf8ToCp1251(std::generic_category().message(error));
}

} // namespace zarvik
