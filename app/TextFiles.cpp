#include "app/TextFiles.h"

#include "app/FileAccess.h"
#include "app/SafeSave.h"

#include <utility>

namespace zarvik {

TDecodedText ReadTextFileAs(const std::string &path, TTextEncoding encoding)
{
    return DecodeText(ReadFileBytes(path), encoding);
}

std::string ReadTextFile(const std::string &path, const TTextReadOptions &options)
{
    // Only the text is returned, so the found encoding need not be named (Auto still finds it).
    TDecodedText decoded = DecodeText(ReadFileBytes(path), options.Encoding, false);
    if (decoded.Converted && options.OnConverted)
        options.OnConverted(path, decoded);
    return std::move(decoded.Text);
}

TStringList ReadTextFileLines(const std::string &path, const TTextReadOptions &options)
{
    return SplitLines(ReadTextFile(path, options));
}

std::string EditorTextOf(std::string_view text)
{
    std::string result = JoinLines(SplitLines(text));
    if (!text.empty() && (text.back() == '\r' || text.back() == '\n'))
        result += "\r\n";
    return result;
}

std::string ReadEditorTextFile(const std::string &path, const TTextReadOptions &options)
{
    return EditorTextOf(ReadTextFile(path, options));
}

void WriteTextFile(const std::string &path, std::string_view bytes)
{
    ReplaceFile(path, bytes);
}

TStringList ImportLinksTxt(const std::string &path, const TTextReadOptions &options)
{
    return ReadTextFileLines(path, options);
}

TStringList ImportLinksTsv(const std::string &path, const TTextReadOptions &options)
{
    TStringList lines = ReadTextFileLines(path, options);
    if (!lines.empty())
        lines.erase(lines.begin());
    return lines;
}

std::string JoinContentFiles(const std::vector<std::string> &paths, const std::string &marker,
                             const TTextReadOptions &options)
{
    TStringList lines;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        TStringList fileLines = ReadTextFileLines(paths[i], options);
        lines.insert(lines.end(), std::make_move_iterator(fileLines.begin()),
                     std::make_move_iterator(fileLines.end()));
        if (i + 1 < paths.size())
            lines.push_back(marker);
    }
    return JoinLines(lines);
}

} // namespace zarvik
