#pragma once

#include <cstddef>
#include <functional>
#include <string>

// Opening and saving project files. Paths are file-system names (UTF-8 on Linux).
namespace zarvik {

class TSiteGenerator;

// Reads the project file at `path` into the generator, then clears its Changed flag. The
// generator should be a fresh one holding a new window's settings, so that a marker or menu
// word the file does not store keeps its default. Throws EError "Cannot open file "<full
// path>". <reason>" or the project-file reader's error; after an error Changed is untouched.
// Before opening, a caller asks InterruptedSaveCopy (app/SafeSave.h) whether a save of the
// file was interrupted and a copy of its previous version waits.
// `progress`, when given, hears how far the reading is (see ReadProjectText).
void LoadProject(const std::string &path, TSiteGenerator &generator,
                 const std::function<void(std::size_t done, std::size_t total)> &progress = {});

// Writes the generator to a project file at `path` with ReplaceFile: the old file is replaced
// only once the new one is complete on disk; a file overwritten in place (several hard links, a
// folder that takes no new files, another user's file) is first copied whole, so an
// interruption leaves the old file, the new one or that copy. A failed save leaves the old file
// as it was. Throws EError "Cannot create file "<full path>". <reason>". The caller pushes its
// controls before and clears Changed after a successful save.
// `progress`, when given, hears how many of the file's bytes are written, from 0 to all.
void SaveProject(const std::string &path, const TSiteGenerator &generator,
                 const std::function<void(std::size_t done, std::size_t total)> &progress = {});

// True when a project tree node's text names an existing project file that Save may write to
// without asking: an absolute path of a regular file. A relative text (a new project's "Untitled"
// name, a bare word typed as a rename) never does, whatever the current folder holds.
bool NamesExistingProjectFile(const std::string &nodeText);

// The name Save As uses: ".sgp" is appended unless the last four characters, with ASCII letters
// in lower case, already read ".sgp" (so "garden.SGP" stays, "garden.txt" gets ".sgp").
std::string WithProjectExtension(const std::string &path);

} // namespace zarvik
