#include "app/ProjectFiles.h"

#include "app/FileAccess.h"
#include "app/SafeSave.h"
#include "engine/EXSiteGenerator.h"
#include "persistence/ProjectFile.h"
#include "persistence/ProjectFileWriter.h"

#include <filesystem>
#include <system_error>

namespace zarvik {

void LoadProject(const std::string &path, TSiteGenerator &generator)
{
    // Project files are 7-bit text; they are read byte for byte, without the UTF-8 rule.
    const TMappedFile text(path);
    ReadProjectText(text.Bytes(), generator);
    generator.SetChanged(false);
}

void SaveProject(const std::string &path, const TSiteGenerator &generator)
{
    const TProjectFileWriter writer(generator);
    ReplaceFile(path, TFileContent{writer.TextSize(),
                                   [&writer](const TFileContent::TPut &put) { writer.WriteText(put); }});
}

bool NamesExistingProjectFile(const std::string &nodeText)
{
    const std::filesystem::path path(nodeText);
    std::error_code ec;
    return path.is_absolute() && std::filesystem::is_regular_file(path, ec);
}

std::string WithProjectExtension(const std::string &path)
{
    std::string tail = path.size() >= 4 ? path.substr(path.size() - 4) : path;
    for (char &c : tail) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return tail == ".sgp" ? path : path + ".sgp";
}

} // namespace zarvik
