#pragma once

#include <QString>

namespace zarvik {

// Files that the package installs beside the program: the README (the help that F1 opens) and
// the example project. Each is looked for where the package puts it, relative to the program's
// own folder (<prefix>/bin/../share/...), and then in the source tree the program was built
// from, so a program run from its build folder finds them too. An empty result means neither
// place has the file.
QString HelpFile();
QString ExampleProjectFile();

// The first of the candidates that is a readable file, or empty.
QString FirstExistingFile(const QStringList &candidates);

} // namespace zarvik
