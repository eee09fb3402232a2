#include "ui/shell/InstalledFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace zarvik {

namespace {

// <prefix>/share, as seen from <prefix>/bin where the program lies.
QString ShareFolder()
{
    return QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(u"../share"_s);
}

QString SourceFile(const QString &relative)
{
    return QDir(QStringLiteral(ZARVIK_SOURCE_DIR)).absoluteFilePath(relative);
}

} // namespace

QString FirstExistingFile(const QStringList &candidates)
{
    for (const QString &candidate : candidates) {
        const QFileInfo info(candidate);
        if (info.isFile() && info.isReadable())
            return info.absoluteFilePath();
    }
    return {};
}

QString HelpFile()
{
    return FirstExistingFile({ShareFolder() + u"/doc/zarvik/README.md"_s, SourceFile(u"README.md"_s)});
}

QString ExampleProjectFile()
{
    return FirstExistingFile(
        {ShareFolder() + u"/zarvik/examples/garden.sgp"_s, SourceFile(u"examples/garden.sgp"_s)});
}

} // namespace zarvik
