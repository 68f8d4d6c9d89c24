#include "core/TextEdit.h"

#include <cstdio>

namespace EditorCore {

std::u16string TextEdit::applied(std::u16string_view text) const
{
    const TextRange r = clampedRange(range, static_cast<std::int64_t>(text.size()));
    std::u16string result;
    result.reserve(text.size() - static_cast<std::size_t>(r.length) + replacement.size());
    result.append(text.substr(0, static_cast<std::size_t>(r.location)));
    result.append(replacement);
    result.append(text.substr(static_cast<std::size_t>(r.end())));
    return result;
}

std::string escapedForDisplay(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char16_t unit : text) {
        switch (unit) {
        case u'\n':
            out += "\\n";
            break;
        case u'\r':
            out += "\\r";
            break;
        case u'\t':
            out += "\\t";
            break;
        case u'\\':
            out += "\\\\";
            break;
        default:
            if (unit >= 0x20 && unit < 0x7F) {
                out += static_cast<char>(unit);
            } else {
                char buffer[8];
                std::snprintf(buffer, sizeof buffer, "\\u%04X", static_cast<unsigned>(unit));
                out += buffer;
            }
        }
    }
    return out;
}

std::ostream& operator<<(std::ostream& out, const TextEdit& edit)
{
    return out << "TextEdit{" << edit.range << " -> \"" << escapedForDisplay(edit.replacement)
               << "\", selection " << edit.selection << '}';
}

} // namespace EditorCore
