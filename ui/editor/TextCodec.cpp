#include "ui/editor/TextCodec.h"

#include "engine/Cp1251.h"

#include <QList>

namespace zarvik {

QString ToQString(std::string_view cp1251)
{
    QString out;
    out.reserve(static_cast<qsizetype>(cp1251.size()));
    for (char c : cp1251)
        out += QChar(static_cast<char16_t>(Cp1251ToUnicode(static_cast<unsigned char>(c))));
    return out;
}

std::string FromQString(const QString &text)
{
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    for (const uint code : text.toUcs4())
        AppendCp1251(out, code);
    return out;
}

} // namespace zarvik
