#include "app/TextFiles.h"

#include "app/FileAccess.h"
#include "engine/Cp1251.h"

namespace zarvik {

std::string ReadTextFile(const std::string &path)
{
    return ImportText(ReadFileBytes(path));
}

TStringList ReadTextFileLines(const std::string &path)
{
    return SplitLines(ReadTextFile(path));
}

std::string EditorTextOf(std::string_view text)
{
    std::string result = JoinLines(SplitLines(text));
    if (!text.empty() && (text.back() == '\r' || text.back() == '\n'))
        result += "\r\n";
    return result;
}

std::string ReadEditorTextFile(const std::string &path)
{
    return EditorTextOf(ReadTextFile(path));
}

void WriteTextFile(const std::string &path, std::string_view bytes)
{
    ReplaceFile(path, bytes);
}

TStringList ImportLinksTxt(const std::string &path)
{
    return ReadTextFileLines(path);
}

TStringList ImportLinksTsv(const std::string &path)
{
    TStringList lines = ReadTextFileLines(path);
    if (!lines.empty())
        lines.erase(lines.begin());
    return lines;
}

std::string JoinContentFiles(const std::vector<std::string> &paths, const std::string &marker)
{
    TStringList lines;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        TStringList fileLines = ReadTextFileLines(paths[i]);
        lines.insert(lines.end(), std::make_move_iterator(fileLines.begin()),
                     std::make_move_iterator(fileLines.end()));
        if (i + 1 < paths.size())
            lines.push_back(marker);
    }
    return JoinLines(lines);
}

} // namespace zarvik
