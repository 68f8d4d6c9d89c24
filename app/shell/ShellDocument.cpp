#include "app/shell/ShellDocument.h"

#include "app/kit/Localized.h"
#include "app/window/DocumentWindowController.h"
#include "core/EncodingDetector.h"
#include "core/Indentation.h"
#include "core/TextCodec.h"
#include "platform/Files.h"

#include <unistd.h>

namespace EditorShell {
namespace {

std::u16string_view view(const QString& text)
{
    return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

} // namespace

std::unique_ptr<ShellDocument> ShellDocument::open(const std::filesystem::path& path,
                                                   QString* error)
{
    auto bytes = Platform::readWholeFile(path);
    if (!bytes) {
        if (error)
            *error = QString::fromStdString(bytes.error().message());
        return nullptr;
    }
    std::unique_ptr<ShellDocument> document(new ShellDocument());
    document->m_url = path;
    EditorCore::ContentGuess guess = EditorCore::EncodingDetector::detect(*bytes);
    if (const auto* text = guess.textGuess()) {
        document->m_encoding = text->encoding;
        document->m_byteOrderMark = text->hasByteOrderMark;
        document->m_unsure = text->confidence == EditorCore::EncodingConfidence::unsure;
        auto decoded = EditorCore::TextCodec::decode(
            *bytes, text->encoding, EditorCore::StripByteOrderMark::yes);
        if (decoded) {
            document->m_text = QString(reinterpret_cast<const QChar*>(decoded->data()),
                                       static_cast<qsizetype>(decoded->size()));
        } else {
            document->m_readOnly = true;
        }
    }
    if (guess.isBinary() || document->m_readOnly) {
        // Not text: shown byte for byte as ISO Latin-1 and never edited.
        document->m_encoding = EditorCore::TextEncoding::isoLatin1;
        document->m_byteOrderMark = false;
        document->m_readOnly = true;
        document->m_text = QString::fromLatin1(reinterpret_cast<const char*>(bytes->data()),
                                               static_cast<qsizetype>(bytes->size()));
    }
    if (::access(path.c_str(), W_OK) != 0)
        document->m_readOnly = true;
    document->m_lineEndings = EditorCore::LineEndingSummary(view(document->m_text));
    document->m_indentStyle = EditorCore::Indentation::detect(view(document->m_text), 2000);
    return document;
}

std::unique_ptr<ShellDocument> ShellDocument::untitled()
{
    return std::unique_ptr<ShellDocument>(new ShellDocument());
}

ShellDocument::~ShellDocument()
{
    // The window goes before the document it reads.
    m_editor.reset();
}

QString ShellDocument::displayName() const
{
    if (m_url)
        return QString::fromStdString(m_url->filename().string());
    // An untitled text is named after its first line.
    QString text = m_editor ? m_editor->textView()->text() : m_text;
    qsizetype end = 0;
    while (end < text.size() && text[end] != QLatin1Char('\n') && text[end] != QLatin1Char('\r'))
        ++end;
    QString title = text.left(end).trimmed().left(20);
    return title.isEmpty() ? EditorKit::localized("이름 없음") : title;
}

void ShellDocument::makeWindowControllers(EditorKit::ActionRouter& router)
{
    m_editor = std::make_unique<EditorWindow::DocumentWindowController>(*this, router);
    m_editor->setCloseHandler([this] { emit closeRequested(this); });
    m_editor->showWindow();
}

} // namespace EditorShell
