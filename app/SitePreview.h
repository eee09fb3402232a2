#pragma once

#include <memory>
#include <string>
#include <vector>

namespace zarvik {

struct TBrowserLauncher;
class TSiteGenerator;

// Private folders for rendered previews, each created fresh with mode 0700 under the system's
// temporary folder. Every folder made here is removed, with everything in it, when the object
// is destroyed; the desktop program keeps one for its whole run.
class TPreviewFolders
{
public:
    TPreviewFolders() = default;
    ~TPreviewFolders();
    TPreviewFolders(const TPreviewFolders &) = delete;
    TPreviewFolders &operator=(const TPreviewFolders &) = delete;

    // A new empty folder (a file-system path, UTF-8). Throws EError when it cannot be made.
    std::string Create();
    // Forgets the folders without removing them (for a tool that ends before the browser
    // has read them).
    void Release() { FFolders.clear(); }
    const std::vector<std::string> &Folders() const { return FFolders; }

private:
    std::vector<std::string> FFolders;
};

// The folder the command line renders a preview of the project file `projectPath` into, one per
// project, so that previews do not pile up: <cache>/zarvik/preview/<file name>-<hash of the
// project's full path>, where <cache> is $XDG_CACHE_HOME when it is an absolute path, else
// ~/.cache. A file-system path.
std::string ProjectPreviewFolder(const std::string &projectPath);

// Makes `folder` (a path from ProjectPreviewFolder) a new empty folder with mode 0700, whatever
// was there before removed (a link is removed, never followed). Throws EError when it cannot.
void RenewPreviewFolder(const std::string &folder);

// Renders every page and style.css into `folder` (a file-system path) exactly as the export
// would (the sub-folders that page URLs name are made first), with the pages' current bodies: the link
// distribution is neither offered nor run, and no message is shown. The menu and the pagination bars are
// rebuilt for the rendering and then put back as they were; SavePath and Changed are not touched. Throws
// EError as the export does (the model is restored first).
void RenderPreview(TSiteGenerator &generator, const std::string &folder);

// The file to open in a rendered preview folder: the page whose URL is `pageUrl` (model text),
// else "index.html". A file-system path.
std::string PreviewPagePath(const std::string &folder, const std::string &pageUrl);

// Renders into a new folder of `folders` and opens the chosen page with `launcher`. Returns the
// path of the opened file; throws EError when the browser could not be started.
std::string OpenPreview(TSiteGenerator &generator, TPreviewFolders &folders, TBrowserLauncher &launcher,
                        const std::string &pageUrl);

} // namespace zarvik
