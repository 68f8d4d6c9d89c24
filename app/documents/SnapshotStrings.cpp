#include "app/documents/SnapshotStrings.h"

#include <algorithm>
#include <string_view>

namespace EditorDocuments {

QString flatText(const EditorCore::TextSnapshot& text)
{
    QString flat(static_cast<qsizetype>(text.length()), Qt::Uninitialized);
    auto* out = reinterpret_cast<char16_t*>(flat.data());
    text.visit(0, text.length(), [&out](std::u16string_view piece) {
        out = std::copy(piece.begin(), piece.end(), out);
        return true;
    });
    return flat;
}

EditorCore::TextSnapshot snapshotOf(QStringView text)
{
    EditorCore::ChunkedTextBuilder builder;
    builder.append(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                       static_cast<std::size_t>(text.size())));
    return builder.finishSnapshot();
}

} // namespace EditorDocuments
