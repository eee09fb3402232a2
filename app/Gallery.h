#pragma once

#include <string>
#include <string_view>
#include <vector>

// The gallery of templates shipped with the program: one folder per template under the gallery
// folder, holding template.html, style.css, about.txt (its name on the first line, a description
// on the second) and, when there is one, preview.png.
namespace zarvik {

struct TGalleryEntry
{
    // The folder's name, which the command line uses ("light").
    std::string Name;
    // Shown to the user (UTF-8).
    std::string Title;
    std::string Description;
    // File-system paths; Picture is empty when the template has none.
    std::string TemplatePath;
    std::string StylePath;
    std::string Picture;
};

// The gallery folder: $ZARVIK_GALLERY when set, else share/zarvik/gallery beside the installed
// program, else the source tree's data/gallery; empty when none of them exists.
std::string GalleryFolder();

// The templates of a gallery folder, sorted by name; a folder without both files is skipped.
std::vector<TGalleryEntry> ListGallery(const std::string &folder);

// The entry named `name`; throws EError naming the templates there are when it is missing.
TGalleryEntry FindGalleryEntry(const std::string &folder, std::string_view name);

// The template and the style sheet as editor texts (Windows-1251, CR LF line ends).
struct TGalleryTexts
{
    std::string Template;
    std::string Style;
};
TGalleryTexts ReadGalleryTexts(const TGalleryEntry &entry);

} // namespace zarvik
