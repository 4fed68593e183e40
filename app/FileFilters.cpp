#include "app/FileFilters.h"

namespace quillet {

namespace {

QStringList patternsOf(const QString& list)
{
    QStringList out;
    for (QString p : list.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        p = p.trimmed();
        if (p.isEmpty()) continue;
        if (p == QLatin1String("*.*")) p = QStringLiteral("*");
        if (!out.contains(p)) out << p;
        const QString upper = p.toUpper();
        if (!out.contains(upper)) out << upper;
        const QString lower = p.toLower();
        if (!out.contains(lower)) out << lower;
    }
    return out;
}

// "Text files (*.txt)" -> "Text files".
QString withoutOwnPatterns(QString desc)
{
    desc = desc.trimmed();
    if (desc.endsWith(QLatin1Char(')'))) {
        const qsizetype open = desc.lastIndexOf(QLatin1Char('('));
        if (open > 0) desc = desc.left(open).trimmed();
    }
    return desc;
}

} // namespace

QStringList qtNameFilters(std::string_view filter)
{
    const QStringList parts = QString::fromUtf8(filter.data(), qsizetype(filter.size())).split(QLatin1Char('|'));
    QStringList out;
    // A trailing description without patterns is dropped; every pair keeps
    // its place, or the indices after it would shift.
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = patternsOf(parts[i + 1]);
        if (patterns.isEmpty()) patterns << QStringLiteral("*");
        out << withoutOwnPatterns(parts[i]) + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                   QLatin1Char(')');
    }
    return out;
}

int32_t filterIndexOf(const QStringList& filters, const QString& selected)
{
    const qsizetype i = filters.indexOf(selected);
    return i < 0 ? 0 : int32_t(i + 1);
}

QString filterAt(const QStringList& filters, int32_t index)
{
    if (filters.isEmpty()) return {};
    if (index < 1 || index > filters.size()) return filters.front();
    return filters[index - 1];
}

std::string filterString(const std::vector<FileFilterChoice>& choices)
{
    std::string out;
    for (const FileFilterChoice& c : choices) {
        if (!out.empty()) out += '|';
        out += c.Description;
        out += '|';
        out += c.Patterns;
    }
    return out;
}

int32_t shownIndexOfCode(const std::vector<FileFilterChoice>& choices, int32_t code)
{
    for (size_t i = 0; i < choices.size(); ++i)
        if (choices[i].Code == code) return int32_t(i + 1);
    return 0;
}

int32_t codeAtShownIndex(const std::vector<FileFilterChoice>& choices, int32_t index, int32_t otherwise)
{
    if (index < 1 || size_t(index) > choices.size()) return otherwise;
    return choices[size_t(index) - 1].Code;
}

} // namespace quillet
