#pragma once

#include "core/ChunkedText.h"

#include <QString>

#include <algorithm>
#include <cstdint>

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

// A copy of [location, location + length) of a snapshot, clamped to it, as a QString.
inline QString qstringFrom(const EditorCore::TextSnapshot& text,
                           std::int64_t location,
                           std::int64_t length)
{
    const std::int64_t size = text.length();
    const std::int64_t start = std::clamp<std::int64_t>(location, 0, size);
    const std::int64_t end =
        std::clamp<std::int64_t>(location + std::max<std::int64_t>(length, 0), start, size);
    QString result(static_cast<qsizetype>(end - start), Qt::Uninitialized);
    auto* out = reinterpret_cast<char16_t*>(result.data());
    text.visit(start, end - start, [&out](std::u16string_view piece) {
        out = std::copy(piece.begin(), piece.end(), out);
        return true;
    });
    return result;
}

} // namespace EditorKit
