#include "app/documents/SnapshotStrings.h"

#include "app/kit/Utf16.h"

#include <string_view>

namespace EditorDocuments {

QString flatText(const EditorCore::TextSnapshot& text)
{
    return EditorKit::qstringFrom(text, 0, text.length());
}

EditorCore::TextSnapshot snapshotOf(QStringView text)
{
    EditorCore::ChunkedTextBuilder builder;
    builder.append(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                       static_cast<std::size_t>(text.size())));
    return builder.finishSnapshot();
}

} // namespace EditorDocuments
