#include "app/views/TextStorage.h"

namespace EditorViews {

TextStorage::TextStorage(QObject* parent)
    : QObject(parent)
{}

void TextStorage::replace(TextRange range, const QString& replacement)
{
    TextRange clamped = clampedRange(range, length());
    if (clamped.length == 0 && replacement.isEmpty())
        return;
    m_text.replace(clamped.location, clamped.length, replacement);
    ++m_version;
    emit didReplace(clamped.location, clamped.length, static_cast<int>(replacement.size()));
}

void TextStorage::setText(QString text)
{
    int old = length();
    m_text = std::move(text);
    ++m_version;
    emit didReplace(0, old, length());
}

} // namespace EditorViews
