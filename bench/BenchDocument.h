#pragma once

// A stand-in document for benchmarks of the window: a large, unedited UTF-8 text with LF line
// endings, held in memory only.

#include "app/documents/SnapshotStrings.h"
#include "app/window/WindowDocument.h"

#include <QObject>
#include <QString>
#include <QUndoStack>

#include <filesystem>
#include <optional>

class BenchDocument
    : public QObject
    , public EditorWindow::WindowDocument
{
public:
    explicit BenchDocument(QString text)
        : m_text(std::move(text))
    {}
    QObject* documentObject() override { return this; }
    std::optional<std::filesystem::path> fileURL() const override { return m_url; }
    void setFileURL(std::filesystem::path url) { m_url = std::move(url); }
    QString displayName() const override { return QStringLiteral("bench"); }
    EditorCore::TextEncoding encoding() const override { return EditorCore::TextEncoding::utf8; }
    bool hasByteOrderMark() const override { return false; }
    bool isEncodingGuessUnsure() const override { return false; }
    EditorCore::LineEndingSummary lineEndings() const override
    {
        EditorCore::LineEndingSummary summary;
        summary.lf = 1'000'000;
        summary.hasFinalNewline = true;
        return summary;
    }
    std::optional<EditorCore::IndentStyle> indentStyle() const override { return std::nullopt; }
    bool indentChosenByUser() const override { return false; }
    bool isReadOnly() const override { return false; }
    bool isExternalCopy() const override { return false; }
    bool hasLargeFile() const override { return true; }
    bool isWritingToDisk() const override { return false; }
    EditorCore::TextSnapshot loadedText() const override
    {
        return EditorDocuments::snapshotOf(m_text);
    }
    std::optional<QString> openedText() const override { return m_text; }
    QUndoStack* undoStack() override { return &m_stack; }
    bool isEdited() const override { return !m_stack.isClean(); }
    std::optional<EditorCore::EncodingGuess> encodingGuess() const override { return std::nullopt; }
    void setLineEndings(const EditorCore::LineEndingSummary&) override {}
    void changeEncoding(EditorCore::TextEncoding, bool, const QString&) override {}
    void chooseIndentStyle(std::optional<EditorCore::IndentStyle>) override {}
    void reopen(EditorCore::TextEncoding, std::function<void(bool)> done) override
    {
        if (done)
            done(false);
    }

private:
    QString m_text;
    std::optional<std::filesystem::path> m_url;
    QUndoStack m_stack;
};
