#include "core/TextRange.h"

namespace EditorCore {

std::ostream& operator<<(std::ostream& out, const TextRange& range)
{
    return out << '(' << range.location << ',' << range.length << ')';
}

} // namespace EditorCore
