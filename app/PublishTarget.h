#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Where a project's site is published: the server, the account and the folder, without the
// password, which never leaves the Secret Service or the user's hands.
namespace zarvik {

enum class TPublishProtocol
{
    // FTP with explicit TLS (AUTH TLS on the usual port): the default.
    Ftps,
    // FTP over TLS from the first byte (port 990).
    FtpsImplicit,
    // SSH file transfer.
    Sftp,
    // FTP without encryption: the password travels in clear.
    Ftp,
};

struct TPublishTarget
{
    TPublishProtocol Protocol = TPublishProtocol::Ftps;
    // UTF-8, as typed; an IPv6 address without brackets.
    std::string Host;
    // 0 means the protocol's usual port.
    int Port = 0;
    std::string User;
    // The remote folder the site goes into, "/"-separated, without a leading or trailing "/":
    // relative to the account's home folder, or absolute when it starts with "/" (kept then).
    std::string Folder;
    // FTP only: passive data connections (the server's address), else active ones.
    bool Passive = true;
    // FTPS only: refuse TLS 1.3, the way around servers whose TLS 1.3 uploads stall.
    bool TlsMax12 = false;
    // The server identity the user accepted: "SHA256:" and the base64 SHA-256 of the
    // certificate (FTPS, DER bytes) or the host key (SFTP, its wire form); empty when none is.
    std::string Fingerprint;
    // SFTP only: the private key file to log in with (empty: the password).
    std::string SshKey;

    bool operator==(const TPublishTarget &) const = default;
};

// The scheme word of the protocol: "ftps", "ftps-implicit", "sftp" or "ftp".
std::string_view ProtocolScheme(TPublishProtocol protocol);
std::optional<TPublishProtocol> ProtocolFromScheme(std::string_view scheme);

// The port used when the target names none.
int DefaultPort(TPublishProtocol protocol);

// "SCHEME://USER@HOST[:PORT]/FOLDER" as the user writes it (UTF-8), the port only when it is not
// the protocol's usual one.
std::string TargetAddress(const TPublishTarget &target);

// Reads a target from the form TargetAddress writes. Throws EError (Windows-1251) naming what is
// wrong: an unknown scheme, no user, no host, a bad port, a password in the address.
TPublishTarget ParseTargetAddress(std::string_view address);

// "SHA256:" followed by the unpadded base64 of the SHA-256 of `bytes`.
std::string FingerprintOf(std::string_view bytes);

// A fingerprint as the user may type it ("SHA256:…", with or without padding) in the form
// FingerprintOf gives; nothing when it is not one.
std::optional<std::string> NormalizeFingerprint(std::string_view text);

// A newly given address `fresh` taking the place of `previous`: it keeps the passive-mode and TLS
// switches and the SSH key, and the pinned identity only when it names the same server (host,
// port and protocol), since an identity belongs to the server it was pinned for.
void KeepSettingsOf(TPublishTarget &fresh, const TPublishTarget &previous);

} // namespace zarvik
