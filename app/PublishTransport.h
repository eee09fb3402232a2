#pragma once

#include "app/PublishTarget.h"
#include "engine/Error.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// The remote folder a site is published into, and its one implementation over libcurl (FTP,
// FTPS, SFTP). Names are "/"-separated paths relative to the target's folder (UTF-8).
namespace zarvik {

// What a file is called on the server while it is being sent: its name and this suffix. Messages
// name the file without it.
inline constexpr std::string_view UploadSuffix = ".zarvik-part";

// Why a transfer failed, so that the caller can tell the user what to try and decide whether a
// new attempt can help.
enum class TTransferFailure
{
    HostNotFound,
    Refused,
    Login,
    // The certificate cannot be verified and no fingerprint is pinned: Fingerprint() is what to pin.
    UnknownCertificate,
    // An SFTP host key seen for the first time: Fingerprint() is what to pin.
    UnknownHostKey,
    // The server shows another identity than the pinned one.
    ChangedIdentity,
    Permission,
    Quota,
    PassiveMode,
    Timeout,
    // The connection broke: a new attempt may succeed.
    Connection,
    Other,
};

// A transfer that failed. Message() is the text the user reads (Windows-1251): what failed and
// what to try. It never holds the password.
class ETransferError : public EError
{
public:
    ETransferError(TTransferFailure kind, const std::string &message, std::string fingerprint = {})
        : EError(message)
        , FKind(kind)
        , FFingerprint(std::move(fingerprint))
    {
    }

    TTransferFailure Kind() const { return FKind; }
    // The server identity seen, "SHA256:…", for the identity failures.
    const std::string &Fingerprint() const { return FFingerprint; }
    // Whether a new connection may succeed where this one failed.
    bool Transient() const
    {
        return FKind == TTransferFailure::Connection || FKind == TTransferFailure::Timeout;
    }

private:
    TTransferFailure FKind;
    std::string FFingerprint;
};

// Called with the bytes sent of the file in flight; returning false stops the transfer.
using TBytesSent = std::function<bool(std::uint64_t sent)>;

class TRemoteFolder
{
public:
    virtual ~TRemoteFolder() = default;

    // The file's bytes; nothing when the server has no such file. Throws ETransferError.
    virtual std::optional<std::string> Fetch(const std::string &name) = 0;
    // Writes the local file under `name`, creating missing folders. Throws ETransferError.
    virtual void Upload(const std::string &name, const std::string &localPath,
                        const TBytesSent &progress) = 0;
    // Writes the bytes under `name`. Throws ETransferError.
    virtual void Put(const std::string &name, std::string_view bytes) = 0;
    // The file's size on the server; nothing when there is no such file. Throws ETransferError.
    virtual std::optional<std::uint64_t> Size(const std::string &name) = 0;
    // Renames `from` to `to`, replacing `to`. Throws ETransferError.
    virtual void Rename(const std::string &from, const std::string &to) = 0;
    // Deletes the file; with `mayBeMissing` a missing file is no failure. Throws ETransferError.
    virtual void Remove(const std::string &name, bool mayBeMissing) = 0;
};

// How long a transfer may wait, in seconds.
struct TTransferLimits
{
    long ConnectSeconds = 20;
    // A transfer that moves no byte this long is broken off.
    long StallSeconds = 30;
};

// The folder of `target` reached with libcurl over one connection, made again after a failure.
// The password (may be empty for key logins) is handed to libcurl only, never to a URL or a
// message. Certificates are verified; a pinned fingerprint replaces the authority check with a
// comparison of the certificate or host key with the pinned one, made before the password is sent.
std::unique_ptr<TRemoteFolder> ConnectRemoteFolder(const TPublishTarget &target, std::string password,
                                                   TTransferLimits limits = {});

} // namespace zarvik
