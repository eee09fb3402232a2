#pragma once

#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zarvik {

// Wrong use of the command line. The message is UTF-8, ready for the terminal.
class EUsage : public std::runtime_error
{
public:
    explicit EUsage(const std::string &message)
        : std::runtime_error(message)
    {
    }
};

// One option a command accepts, written without the leading "--".
struct TOptionRule
{
    std::string_view Name;
    bool TakesValue = false;
    // Takes every following argument up to the next option or setting (--content FILE...).
    bool Many = false;
};

struct TArgumentRules
{
    std::vector<TOptionRule> Options;
    // Arguments of the form KEY=VALUE (KEY made of Latin letters and digits) are settings.
    bool Settings = false;
    // The first plain argument is the project, even when it looks like a setting.
    bool ProjectFirst = false;
};

struct TParsedArguments
{
    std::vector<std::string> Positionals;
    // Option name -> its values, in order; a flag without value maps to one empty value.
    std::map<std::string, std::vector<std::string>, std::less<>> Options;
    std::vector<std::pair<std::string, std::string>> Settings;
    bool Help = false;

    bool Has(std::string_view name) const { return Options.find(name) != Options.end(); }
    // The single value of an option, or `fallback` when it was not given.
    std::string Value(std::string_view name, std::string fallback = {}) const;
    std::vector<std::string> Values(std::string_view name) const;
};

// Splits the arguments after the command name. "--name VALUE" and "--name=VALUE" are the same;
// "--" makes every later argument a plain one; "--help" or "-h" anywhere asks for help. Throws
// EUsage for an unknown option, a missing value, a value given to a flag, or an option given
// twice.
TParsedArguments ParseArguments(const std::vector<std::string> &args, const TArgumentRules &rules);

// True for "KEY=VALUE" with KEY made of Latin letters and digits, starting with a letter.
bool LooksLikeSetting(std::string_view arg);

} // namespace zarvik
