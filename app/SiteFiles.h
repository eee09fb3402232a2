#pragma once

#include "app/ExportRecord.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

// sitemap.xml and robots.txt beside an exported site, each written only when its setting is on.
namespace zarvik {

class TProjectSettings;
class TSiteGenerator;
struct TPrompter;

// The date (YYYY-MM-DD) a file of the export folder last changed, by its name (UTF-8); nothing
// when it is not known.
using TChangedDate = std::function<std::optional<std::string>(const std::string &fileName)>;

// What WriteSiteFiles did: the names written, and the names left alone because a file of that
// name exists that this program did not write.
struct TSiteFilesReport
{
    std::vector<std::string> Written;
    std::vector<std::string> Kept;
};

// The names WriteSiteFiles writes under these settings (sitemap.xml, robots.txt), which no page
// may take.
std::vector<std::string> SiteFileNames(const TProjectSettings &settings);

// Writes the files the settings ask for into `folder` (a file-system name): sitemap.xml (with
// sitemap1.xml, ... when the site needs an index; numbered sitemaps of an earlier, larger export
// are removed) when Sitemap() is on and a base address is set, robots.txt when Robots() is on,
// with a Sitemap line when the sitemap is written. A file is replaced (ReplaceFile) only when it
// is missing or carries this program's marker; a symbolic link or other non-regular file is
// never ours. When the sitemap cannot be written whole, none of it is. Throws EError
// "Cannot create file ...".
TSiteFilesReport WriteSiteFiles(const std::string &folder, const TProjectSettings &settings,
                                const TSiteGenerator &generator, const TChangedDate &changedDate = {});

// After an export of `generator` into `folder` (model text, Windows-1251; nothing means SavePath,
// used only when absolute, as the export uses it): does nothing unless the folder exists, then
// WriteSiteFiles and one warning through the prompter for the sitemap that lacks a base address
// and one for the files left alone. Without `changedDate`, the dates come from the folder's
// export record.
void PublishSiteFiles(const TSiteGenerator &generator, const TProjectSettings &settings, TPrompter &prompter,
                      const std::optional<std::string> &folder = std::nullopt,
                      const TChangedDate &changedDate = {});

// What a publish sends from the export folder `folder` (a file-system name): the files its export
// record lists, and the sitemap files and robots.txt there that this program wrote (they are
// written after the export, so the record does not list them). Nothing when the folder has no
// usable record.
std::optional<TExportRecord> LoadPublishedFiles(const std::string &folder);

} // namespace zarvik
