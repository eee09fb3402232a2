#include "cli/Arguments.h"

#include <algorithm>
#include <optional>

namespace zarvik {
namespace {

bool IsAsciiLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsOption(std::string_view arg)
{
    return arg.size() > 1 && arg[0] == '-';
}

} // namespace

bool LooksLikeSetting(std::string_view arg)
{
    const std::size_t eq = arg.find('=');
    if (eq == std::string_view::npos || eq == 0 || !IsAsciiLetter(arg[0]))
        return false;
    return std::all_of(arg.begin(), arg.begin() + static_cast<std::ptrdiff_t>(eq),
                       [](char c) { return IsAsciiLetter(c) || (c >= '0' && c <= '9'); });
}

std::string TParsedArguments::Value(std::string_view name, std::string fallback) const
{
    const auto it = Options.find(name);
    return it == Options.end() || it->second.empty() ? fallback : it->second.front();
}

std::vector<std::string> TParsedArguments::Values(std::string_view name) const
{
    const auto it = Options.find(name);
    return it == Options.end() ? std::vector<std::string>{} : it->second;
}

TParsedArguments ParseArguments(const std::vector<std::string> &args, const TArgumentRules &rules)
{
    TParsedArguments parsed;
    bool plainOnly = false;
    auto isSetting = [&](const std::string &arg) {
        return rules.Settings && LooksLikeSetting(arg) && !(rules.ProjectFirst && parsed.Positionals.empty());
    };

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
        if (plainOnly || !IsOption(arg)) {
            if (!plainOnly && isSetting(arg)) {
                const std::size_t eq = arg.find('=');
                parsed.Settings.emplace_back(arg.substr(0, eq), arg.substr(eq + 1));
            } else {
                parsed.Positionals.push_back(arg);
            }
            continue;
        }
        if (arg == "--") {
            plainOnly = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            parsed.Help = true;
            return parsed;
        }
        if (arg.rfind("--", 0) != 0)
            throw EUsage("неизвестный параметр «" + arg + "»");

        std::string name = arg.substr(2);
        std::optional<std::string> inlineValue;
        if (const std::size_t eq = name.find('='); eq != std::string::npos) {
            inlineValue = name.substr(eq + 1);
            name.resize(eq);
        }
        const auto option = std::find_if(rules.Options.begin(), rules.Options.end(),
                                         [&](const TOptionRule &s) { return s.Name == name; });
        if (option == rules.Options.end())
            throw EUsage("неизвестный параметр «--" + name + "»");
        if (parsed.Has(name))
            throw EUsage("параметр «--" + name + "» указан дважды");

        std::vector<std::string> values;
        if (!option->TakesValue) {
            if (inlineValue)
                throw EUsage("параметр «--" + name + "» не принимает значения");
            values.emplace_back();
        } else if (option->Many) {
            if (inlineValue)
                values.push_back(*inlineValue);
            while (i + 1 < args.size() && !IsOption(args[i + 1]) && !isSetting(args[i + 1]))
                values.push_back(args[++i]);
        } else if (inlineValue) {
            values.push_back(*inlineValue);
        } else if (i + 1 < args.size()) {
            values.push_back(args[++i]);
        }
        if (option->TakesValue && values.empty())
            throw EUsage("параметру «--" + name + "» нужно значение");
        parsed.Options.emplace(std::move(name), std::move(values));
    }
    return parsed;
}

} // namespace zarvik
