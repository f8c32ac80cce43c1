// Windows-1250 <-> QString, for the widgets. Header-only so that the Qt-free libraries
// never see Qt; include it only from code that links Qt.
#pragma once

#include "common/text.h"

#include <QString>
#include <string>
#include <string_view>

namespace tov::text {

inline QString toQString(std::string_view cp1250)
{
    const std::string utf8 = toUtf8(cp1250);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

inline std::string fromQString(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    return fromUtf8(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())));
}

// A widget's text as screen columns: one Windows-1250 byte per QChar, so a cursor position
// of the widget indexes the result alike (fromQString would make one "?" of a surrogate
// pair and shift every column after it). A character outside the code page reads as "?".
inline std::string toColumns(const QString& text)
{
    std::string columns;
    columns.reserve(static_cast<size_t>(text.size()));
    for (const QChar ch : text) {
        columns.push_back(fromUnicode(ch.unicode()));
    }
    return columns;
}

} // namespace tov::text
