#include "app/Gallery.h"

#include "app/TextFiles.h"
#include "engine/Cp1251.h"
#include "engine/Error.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace zarvik {
namespace {

namespace fs = std::filesystem;

bool IsFolder(const fs::path &path)
{
    std::error_code ec;
    return fs::is_directory(path, ec);
}

bool IsFile(const fs::path &path)
{
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

} // namespace

std::string GalleryFolder()
{
    if (const char *env = std::getenv("ZARVIK_GALLERY"); env && *env)
        return IsFolder(env) ? std::string(env) : std::string();
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        const fs::path installed = exe.parent_path().parent_path() / "share/zarvik/gallery";
        if (IsFolder(installed))
            return installed.string();
    }
#ifdef ZARVIK_SOURCE_GALLERY
    if (IsFolder(ZARVIK_SOURCE_GALLERY))
        return ZARVIK_SOURCE_GALLERY;
#endif
    return {};
}

std::vector<TGalleryEntry> ListGallery(const std::string &folder)
{
    std::vector<TGalleryEntry> entries;
    std::error_code ec;
    for (const fs::directory_entry &item : fs::directory_iterator(folder, ec)) {
        const fs::path path = item.path();
        if (!IsFolder(path) || !IsFile(path / "template.html") || !IsFile(path / "style.css"))
            continue;
        TGalleryEntry entry;
        entry.Name = path.filename().string();
        entry.Title = entry.Name;
        std::ifstream about(path / "about.txt");
        std::string line;
        if (std::getline(about, line) && !line.empty())
            entry.Title = line;
        if (std::getline(about, line))
            entry.Description = line;
        entry.TemplatePath = (path / "template.html").string();
        entry.StylePath = (path / "style.css").string();
        if (IsFile(path / "preview.png"))
            entry.Picture = (path / "preview.png").string();
        entries.push_back(std::move(entry));
    }
    std::sort(entries.begin(), entries.end(),
              [](const TGalleryEntry &a, const TGalleryEntry &b) { return a.Name < b.Name; });
    return entries;
}

TGalleryEntry FindGalleryEntry(const std::string &folder, std::string_view name)
{
    const std::vector<TGalleryEntry> entries = ListGallery(folder);
    for (const TGalleryEntry &entry : entries) {
        if (entry.Name == name)
            return entry;
    }
    std::string names;
    for (const TGalleryEntry &entry : entries)
        names += (names.empty() ? "" : ", ") + entry.Name;
    throw EError(Utf8ToCp1251("В галерее нет шаблона «" + std::string(name) + "»" +
                              (names.empty() ? std::string(": галерея не найдена") : "; есть: " + names)));
}

TGalleryTexts ReadGalleryTexts(const TGalleryEntry &entry)
{
    return {ReadEditorTextFile(entry.TemplatePath), ReadEditorTextFile(entry.StylePath)};
}

} // namespace zarvik
