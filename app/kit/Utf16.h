#pragma once

#include <QString>

#include <cstddef>
#include <string_view>

namespace EditorKit {

// A QString's UTF-16 units as the text engine takes them, without copying.
inline std::u16string_view utf16View(const QString& text)
{
    return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

// The text engine's UTF-16 units as a QString (a copy).
inline QString qstringFrom(std::u16string_view text)
{
    return QString(reinterpret_cast<const QChar*>(text.data()),
                   static_cast<qsizetype>(text.size()));
}

} // namespace EditorKit
