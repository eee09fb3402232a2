#pragma once

#include "app/ErrorDisplay.h"
#include "engine/Error.h"
#include "ui/shell/Services.h"

#include <exception>
#include <new>
#include <utility>

namespace zarvik {

// Runs one command of a window. An error that ends the command is shown by the general error
// display; no exception ever leaves a slot. Returns false when the command ended in an error.
template <typename F> bool runCommand(TErrorDisplay &errors, F &&command)
{
    try {
        std::forward<F>(command)();
        return true;
    } catch (const EError &e) {
        errors.ShowError(ErrorDisplayText(e.Message()));
    } catch (const std::bad_alloc &) {
        errors.ShowError(ErrorDisplayText(OutOfMemoryMessage));
    } catch (const std::exception &e) {
        errors.ShowError(ErrorDisplayText(e.what()));
    }
    return false;
}

} // namespace zarvik
