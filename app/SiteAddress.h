#pragma once

#include <optional>
#include <string>
#include <string_view>

// The site's public address: the absolute http or https address the published pages are
// reached at, typed by the user (UTF-8, the host possibly in national letters) and written into
// sitemap.xml and robots.txt in the form every crawler reads (ASCII, the host in ACE form).
namespace zarvik {

// Why `typed` is no usable base address, as the user reads it (Windows-1251), or nothing when it
// is one. Accepted: "http://" or "https://" (any case), a host (a name, possibly in national
// letters, or a bracketed IPv6 address), an optional port, an optional path; refused: any other
// scheme, no host, a user name or password (the settings file never holds a secret), a query
// ("?") or a fragment ("#"), spaces and control characters, a host that is no valid domain name.
std::optional<std::string> BaseUrlProblem(std::string_view typed);

// `typed`, which BaseUrlProblem accepts, as written into the site's files: the scheme and host in
// lower case, the host in ACE form ("xn--..."), every byte of the path outside the unreserved
// characters, "/" and "%" percent-encoded, and a final "/" added when missing. Throws EError with
// BaseUrlProblem's text otherwise.
std::string PublicBaseUrl(std::string_view typed);

// Percent-encodes a file-name path (UTF-8) for use in an address: every byte outside the
// unreserved characters (letters, digits, "-", ".", "_", "~") and "/" becomes "%XX".
std::string PercentEncodePath(std::string_view utf8);

// The absolute address of a page: the base (from PublicBaseUrl) for "index.html", otherwise the
// base followed by the page URL (Windows-1251, as the project holds it) converted to UTF-8 and
// percent-encoded.
std::string PageAddress(std::string_view publicBase, std::string_view pageUrl);

} // namespace zarvik
