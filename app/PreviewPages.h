#pragma once

#include <optional>
#include <string>
#include <string_view>

// The files of a site rendered one at a time, on request, for a live preview.
namespace zarvik {

class TSiteGenerator;

// One file of the preview: the bytes and the media type to send them with.
struct TPreviewFile
{
    std::string Bytes;
    // "text/html; charset=..." or "text/css; charset=...".
    std::string ContentType;
};

// The bytes the export writes for the page at `index` (0-based, valid), rendered from the model
// as it is now: the menu and the page's bar are built afresh as the export builds them, the link
// distribution is not run. The model is left as it was, Changed included.
std::string RenderExportedPage(TSiteGenerator &generator, int index);

// The file the export would write at `path` (UTF-8, relative to the export folder, "/" between
// folders), rendered now: "style.css", else the page with that URL (the last one, as the export
// writes pages in order over each other). Nothing for any other path and for a page URL the
// export refuses to write. The charset in the media type is the one the template declares, else
// windows-1251, which is what the model's text is.
std::optional<TPreviewFile> RenderPreviewFile(TSiteGenerator &generator, std::string_view path);

// The path of a page URL (model text) as it goes into an http address: UTF-8, with every byte
// outside the unreserved set and "/" percent-encoded.
std::string PreviewUrlPath(std::string_view pageUrl);

// Whether a preview can serve the page URL (model text): an export would write it.
bool IsPreviewablePageUrl(std::string_view pageUrl);

} // namespace zarvik
