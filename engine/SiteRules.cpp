#include "engine/SiteRules.h"

#include "engine/Cp1251.h"

namespace zarvik {
namespace {

constexpr std::string_view FirstPageUrl = "index.html";
constexpr std::string_view PageUrlPrefix = "page";
constexpr std::string_view PageUrlSuffix = ".html";

// The letters are the bytes that have another case in the code page; µ (0xB5), which has no
// capital there, is a sign of measure in running text, not a letter of a word.
const std::array<bool, 256> &WordBytes()
{
    static const std::array<bool, 256> table = [] {
        std::array<bool, 256> t{};
        for (int b = 0; b < 256; ++b) {
            const auto byte = static_cast<unsigned char>(b);
            const unsigned char upper = UpperCp1251(byte);
            if (upper != byte) {
                t[byte] = true;
                t[upper] = true;
            }
        }
        for (int b = '0'; b <= '9'; ++b)
            t[static_cast<std::size_t>(b)] = true;
        return t;
    }();
    return table;
}

} // namespace

std::string NewPageUrl(int index)
{
    if (index == 0)
        return std::string(FirstPageUrl);
    return std::string(PageUrlPrefix) + std::to_string(index) + std::string(PageUrlSuffix);
}

bool IsGeneratedPageName(std::string_view fileName)
{
    if (fileName == FirstPageUrl)
        return true;
    if (fileName.size() <= PageUrlPrefix.size() + PageUrlSuffix.size() ||
        !fileName.starts_with(PageUrlPrefix) || !fileName.ends_with(PageUrlSuffix))
        return false;
    const std::string_view number =
        fileName.substr(PageUrlPrefix.size(), fileName.size() - PageUrlPrefix.size() - PageUrlSuffix.size());
    return number.find_first_not_of("0123456789") == std::string_view::npos;
}

bool PageUrlStaysInside(std::string_view url)
{
    if (!url.empty() && url.front() == '/')
        return false;
    std::size_t start = 0;
    while (start <= url.size()) {
        std::size_t end = url.find('/', start);
        if (end == std::string_view::npos)
            end = url.size();
        if (end > start && url[start] == '.')
            return false;
        start = end + 1;
    }
    return true;
}

void AppendLinkAnchor(std::string &out, std::string_view link, std::string_view word)
{
    out.append(AnchorOpen).append(link).append(AnchorMiddle).append(word).append(AnchorClose);
}

std::string LinkAnchor(std::string_view link, std::string_view word)
{
    std::string anchor;
    anchor.reserve(AnchorOpen.size() + link.size() + AnchorMiddle.size() + word.size() + AnchorClose.size());
    AppendLinkAnchor(anchor, link, word);
    return anchor;
}

bool IsWordByte(char c)
{
    return WordBytes()[static_cast<unsigned char>(c)];
}

} // namespace zarvik
