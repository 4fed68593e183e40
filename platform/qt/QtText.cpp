#include "platform/qt/QtText.h"

#include "platform/Win1252.h"

#include <QList>

namespace quillet {

QString fromAnsi(std::string_view ansi)
{
    QString out;
    out.reserve(static_cast<qsizetype>(ansi.size()));
    for (unsigned char c : ansi) out.append(QChar(static_cast<char16_t>(cp1252ToUnicode(c))));
    return out;
}

std::string toAnsi(const QString& s)
{
    std::string out;
    out.reserve(static_cast<size_t>(s.size()));
    const auto ucs4 = s.toUcs4();
    for (char32_t cp : ucs4) {
        int code = unicodeToCp1252(cp);
        if (code >= 0) out.push_back(static_cast<char>(code));
    }
    return out;
}

} // namespace quillet
