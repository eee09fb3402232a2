#pragma once

#include "app/PublishTarget.h"
#include "cli/Arguments.h"
#include "cli/ReportCommands.h"

#include <iosfwd>
#include <optional>
#include <vector>

namespace zarvik {

class TProjectSettings;
class TStderrPrompter;

// The options of set that change the publishing target, checked before anything is changed.
struct TTargetOptions
{
    std::optional<TPublishTarget> Target;
    std::optional<bool> Passive;
    std::optional<bool> TlsMax12;
    std::optional<std::string> Fingerprint;
    std::optional<std::string> SshKey;

    bool Any() const { return Target || Passive || TlsMax12 || Fingerprint || SshKey; }
};

// The option rules of set for the target: --publish-target, --passive, --tls-max,
// --trust-fingerprint, --ssh-key.
std::vector<TOptionRule> TargetOptionRules();

// Throws EUsage for a malformed value, EError for an address the target refuses.
TTargetOptions ParseTargetOptions(const TParsedArguments &args);

// Applies the options; throws EUsage when an option other than --publish-target is given and
// the project has no target yet. A new address keeps the other settings of the old target but
// the pinned identity, which belongs to the old server.
void ApplyTargetOptions(const TTargetOptions &options, TProjectSettings &settings);

// zarvik-cli publish PROJECT [--out DIR] [--dry-run] [--yes] [--full] [--verify]
// [--max-deletes N] [--password-file F] [--save-password]. The password comes from the file,
// else ZARVIK_PUBLISH_PASSWORD, else the Secret Service, else the terminal.
int RunPublishCommand(const TParsedArguments &args, std::istream &in, std::ostream &out, std::ostream &err,
                      TStderrPrompter &prompter);

TArgumentRules PublishArgumentRules();
TReportHelp PublishCommandHelp(std::string_view command);

} // namespace zarvik
