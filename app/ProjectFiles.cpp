#include "app/ProjectFiles.h"

#include "app/FileAccess.h"
#include "app/SafeSave.h"
#include "engine/EXSiteGenerator.h"
#include "persistence/ProjectFile.h"
#include "persistence/ProjectFileWriter.h"

#include <filesystem>
#include <system_error>

namespace zarvik {

void LoadProject(const std::string &path, TSiteGenerator &generator, const TProgressCallback &progress)
{
    // Project files are 7-bit text; they are read byte for byte, without the UTF-8 rule.
    const TMappedFile text(path);
    ReadProjectText(text.Bytes(), generator, progress);
    generator.SetChanged(false);
}

void SaveProject(const std::string &path, const TSiteGenerator &generator, const TProgressCallback &progress)
{
    const TProjectFileWriter writer(generator);
    const std::size_t size = writer.TextSize();
    if (progress)
        progress(0, size);
    ReplaceFile(path, TFileContent{size, [&](const TFileContent::TPut &put) {
                                       if (!progress) {
                                           writer.WriteText(put);
                                           return;
                                       }
                                       std::size_t written = 0;
                                       writer.WriteText([&](std::string_view piece) {
                                           put(piece);
                                           written += piece.size();
                                           progress(written, size);
                                       });
                                   }});
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
