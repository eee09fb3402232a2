#pragma once

#include "app/TextEncoding.h"
#include "engine/StringList.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Text files the user hands to a project: content, templates, style sheets and link lists.
// Paths are file-system names (UTF-8 on Linux); the texts returned are Windows-1251.
namespace zarvik {

// How text files are read.
struct TTextReadOptions
{
    TTextEncoding Encoding = TTextEncoding::Default;
    // Told of every file read in an encoding the usual rule does not use (see
    // TDecodedText::Converted), after the file was read.
    std::function<void(const std::string &path, const TDecodedText &text)> OnConverted;
};

// The file's bytes read in the given encoding. Throws EError "Cannot open file "<full path>".
// <reason>".
TDecodedText ReadTextFileAs(const std::string &path, TTextEncoding encoding);

// The whole file as text. By default a file that is valid UTF-8 and holds non-ASCII bytes is
// converted to Windows-1251 (a byte-order mark is dropped, characters the code page lacks become
// "&#NNNN;"); any other file is taken byte for byte. Throws EError "Cannot open file "<full
// path>". <reason>".
std::string ReadTextFile(const std::string &path, const TTextReadOptions &options = {});

// ReadTextFile split into lines at CR LF, CR or LF; a final line break adds no empty line.
TStringList ReadTextFileLines(const std::string &path, const TTextReadOptions &options = {});

// The text an editor gives back after loading the file: every line break becomes CR LF, and a
// final line break stays a final CR LF (the editor shows it as an empty last line).
std::string ReadEditorTextFile(const std::string &path, const TTextReadOptions &options = {});
std::string EditorTextOf(std::string_view text);

// Writes the bytes unchanged, replacing any file there safely (see ReplaceFile). Throws EError
// "Cannot create file "<full path>". <reason>".
void WriteTextFile(const std::string &path, std::string_view bytes);

// A link list from a text file: one entry per line.
TStringList ImportLinksTxt(const std::string &path, const TTextReadOptions &options = {});

// A link list from a tab-separated file: the first line (the header) is dropped, the other
// lines are kept whole, tabs and all columns included.
TStringList ImportLinksTsv(const std::string &path, const TTextReadOptions &options = {});

// The text the content-add dialog hands over after loading the files into an empty editor:
// the lines of each file in turn, with one line holding exactly `marker` between two files,
// joined with CR LF and no break after the last line.
std::string JoinContentFiles(const std::vector<std::string> &paths, const std::string &marker,
                             const TTextReadOptions &options = {});

} // namespace zarvik
