#pragma once

#include "app/PublishTarget.h"

#include <optional>
#include <string>

// Publishing passwords in the desktop's Secret Service, one per server account (protocol, host,
// port, user). Nothing is ever written to a file: without a Secret Service, there is nowhere to
// keep a password and it is asked each time.
namespace zarvik {

// Whether a Secret Service can be reached: the session has a D-Bus bus and the service answers.
bool SecretServiceAvailable();

// The stored password of the target's account; nothing when none is stored or there is no
// Secret Service.
std::optional<std::string> LookupPublishPassword(const TPublishTarget &target);

// Stores the password for the target's account; false when there is no Secret Service or it
// refused (a locked collection the user did not unlock).
bool StorePublishPassword(const TPublishTarget &target, const std::string &password);

// Forgets the stored password of the target's account, if any.
void ForgetPublishPassword(const TPublishTarget &target);

} // namespace zarvik
