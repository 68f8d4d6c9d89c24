// The edit pipeline of a document window: the typing transforms before a change, the one edit
// record after the storage changed (range stores, then the features), and one refresh of the
// title and status per turn.
#include "app/kit/Localized.h"
#include "app/kit/Utf16.h"
#include "app/views/TextStorage.h"
#include "app/window/DocumentWindowController.h"
#include "app/window/LinesAround.h"
#include "app/window/WindowDocument.h"
#include "core/AutoIndent.h"
#include "store/Settings.h"

namespace EditorWindow {

using EditorCore::IndentStyle;
using EditorFeatures::CodeLanguage;
using EditorStore::SettingKeys;

namespace {

class ApplyingCommand
{
public:
    explicit ApplyingCommand(bool& flag)
        : m_flag(flag)
    {
        m_flag = true;
    }
    ~ApplyingCommand() { m_flag = false; }
    ApplyingCommand(const ApplyingCommand&) = delete;
    ApplyingCommand& operator=(const ApplyingCommand&) = delete;

private:
    bool& m_flag;
};

} // namespace

IndentStyle DocumentWindowController::typingIndentStyle(CodeLanguage language) const
{
    IndentStyle style = effectiveIndentStyle();
    // YAML forbids tabs in indentation.
    if (language == CodeLanguage::yaml)
        return IndentStyle(false, style.usesTabs ? 2 : style.width);
    return style;
}

void DocumentWindowController::replaceText(const std::optional<EditorCore::TextEdit>& edit,
                                           const QString& actionName)
{
    if (!edit || !m_textView->isEditable())
        return;
    ApplyingCommand applying(m_applyingCommand);
    EditorViews::EditorTextView::OriginScope origin(*m_textView, EditorViews::EditOrigin::command);
    const QString replacement = EditorKit::qstringFrom(edit->replacement);
    if (!shouldChangeText(*m_textView, edit->range, replacement))
        return;
    m_textView->replaceTextAsUndoableStep(edit->range, replacement, edit->selection, actionName);
    m_textView->scrollRangeToVisible(edit->selection);
}

bool DocumentWindowController::shouldChangeText(EditorViews::EditorTextView& textView,
                                                EditorViews::TextRange range,
                                                const QString& replacement)
{
    EditorStore::Settings& values = settings();
    // A closing bracket typed on an indentation-only line steps back one level.
    if (!m_applyingCommand && range.length == 0 && replacement.size() == 1
        && !textView.hasMarkedText() && values.value(SettingKeys::editorIndentBrackets)) {
        const LinesAround around = linesAround(textView, range);
        auto edit =
            EditorCore::AutoIndent::closingBracketEdit(EditorKit::utf16View(replacement),
                                                       EditorKit::utf16View(around.text),
                                                       range.location - around.start,
                                                       typingIndentStyle(effectiveLanguage()));
        if (edit)
            edit = around.global(std::move(*edit));
        if (edit) {
            textView.replaceTextAsUndoableStep(edit->range,
                                               EditorKit::qstringFrom(edit->replacement),
                                               edit->selection,
                                               EditorKit::localized("입력"));
            textView.scrollRangeToVisible(edit->selection);
            return false;
        }
    }

    // Inserted line breaks take the document's own ending, so the file keeps its endings.
    if (m_applyingCommand || replacement.isEmpty())
        return true;
    if (!replacement.contains(QLatin1Char('\n')) && !replacement.contains(QLatin1Char('\r')))
        return true;
    if (!document())
        return true;
    const std::u16string converted = EditorCore::LineEndingConverter::convert(
        EditorKit::utf16View(replacement), effectiveLineEnding());
    if (converted == EditorKit::utf16View(replacement))
        return true;
    textView.insertText(EditorKit::qstringFrom(converted), range);
    return false;
}

bool DocumentWindowController::doCommandBySelector(EditorViews::EditorTextView& textView,
                                                   const QString& selector)
{
    if (selector != QLatin1String("insertNewline:") || !textView.isEditable()
        || textView.hasMarkedText())
        return false;
    const CodeLanguage language = effectiveLanguage();
    const bool brackets = settings().value(SettingKeys::editorIndentBrackets);
    const bool colonOpensBlock = language == CodeLanguage::yaml || language == CodeLanguage::python;
    const LinesAround around = linesAround(textView, textView.selectedRange());
    EditorCore::TextEdit edit = around.global(EditorCore::AutoIndent::newLineText(
        EditorKit::utf16View(around.text),
        around.local(textView.selectedRange()),
        typingIndentStyle(language),
        effectiveLineEnding(),
        brackets ? EditorCore::AutoIndent::SmartIndent::on
                 : EditorCore::AutoIndent::SmartIndent::off,
        colonOpensBlock ? EditorCore::AutoIndent::ColonIndent::on
                        : EditorCore::AutoIndent::ColonIndent::off));
    textView.insertText(EditorKit::qstringFrom(edit.replacement), edit.range);
    textView.setSelectedRange(edit.selection);
    textView.scrollRangeToVisible(edit.selection);
    return true;
}

void DocumentWindowController::textDidEdit(EditorViews::EditorTextView&,
                                           const EditorViews::EditRecord& edit)
{
    // The view's line index already follows the edit; the stored ranges and the features
    // follow it here, each once, in order.
    m_display->applyEdit(edit);
    for (const auto& feature : m_features)
        feature->textDidEdit(edit);
    emit textDidEditRecord(edit);
    setNeedsRefresh();
}

void DocumentWindowController::textDidChange(EditorViews::EditorTextView&)
{
    // "Edited" is the undo stack's state, read at the refresh; an untitled document's name
    // (its first line) is read there too.
    setNeedsRefresh();
}

void DocumentWindowController::selectionDidChange(EditorViews::EditorTextView& textView)
{
    const EditorViews::TextRange selection = textView.selectedRange();
    for (const auto& feature : m_features)
        feature->selectionDidChange(selection);
    setNeedsRefresh();
    if (m_environment.scheduleWindowStateSave)
        m_environment.scheduleWindowStateSave();
}

void DocumentWindowController::openDroppedFiles(EditorViews::EditorTextView&,
                                                const QList<QUrl>& urls)
{
    WindowDocument* current = document();
    if (!current)
        return;
    std::vector<std::filesystem::path> files;
    for (const QUrl& url : urls) {
        if (url.isLocalFile())
            files.emplace_back(url.toLocalFile().toStdString());
    }
    if (!files.empty())
        current->openFiles(files);
}

} // namespace EditorWindow
