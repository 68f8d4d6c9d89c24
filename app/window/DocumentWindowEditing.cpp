// The edit pipeline of a document window: the typing transforms before a change, the line
// index after the storage changed, and the follow-ups once the text view reports the change.
#include "app/kit/Localized.h"
#include "app/views/LineNumberRuler.h"
#include "app/views/TextStorage.h"
#include "app/window/DocumentWindowController.h"
#include "app/window/SuspiciousScan.h"
#include "app/window/WindowDocument.h"
#include "core/AutoIndent.h"
#include "store/Settings.h"

#include <QTimer>

namespace EditorWindow {

using EditorCore::IndentStyle;
using EditorFeatures::CodeLanguage;
using EditorStore::SettingKeys;

namespace {

std::u16string_view view(const QString& text)
{
    return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

QString qstring(std::u16string_view text)
{
    return QString(reinterpret_cast<const QChar*>(text.data()),
                   static_cast<qsizetype>(text.size()));
}

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
    ApplyingCommand applying(isApplyingCommand);
    const QString replacement = qstring(edit->replacement);
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
    if (!isApplyingCommand && range.length == 0 && replacement.size() == 1
        && !textView.hasMarkedText() && values.value(SettingKeys::editorIndentBrackets)) {
        auto edit =
            EditorCore::AutoIndent::closingBracketEdit(view(replacement),
                                                       view(textView.text()),
                                                       range.location,
                                                       typingIndentStyle(effectiveLanguage()));
        if (edit) {
            textView.replaceTextAsUndoableStep(edit->range,
                                               qstring(edit->replacement),
                                               edit->selection,
                                               EditorKit::localized("입력"));
            textView.scrollRangeToVisible(edit->selection);
            return false;
        }
    }

    // Inserted line breaks take the document's own ending, so the file keeps its endings.
    if (isApplyingCommand || replacement.isEmpty())
        return true;
    if (!replacement.contains(QLatin1Char('\n')) && !replacement.contains(QLatin1Char('\r')))
        return true;
    if (!document())
        return true;
    const std::u16string converted =
        EditorCore::LineEndingConverter::convert(view(replacement), effectiveLineEnding());
    if (converted == view(replacement))
        return true;
    textView.insertText(qstring(converted), range);
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
    EditorCore::TextEdit edit = EditorCore::AutoIndent::newLineText(
        view(textView.text()),
        textView.selectedRange(),
        typingIndentStyle(language),
        effectiveLineEnding(),
        brackets ? EditorCore::AutoIndent::SmartIndent::on
                 : EditorCore::AutoIndent::SmartIndent::off,
        colonOpensBlock ? EditorCore::AutoIndent::ColonIndent::on
                        : EditorCore::AutoIndent::ColonIndent::off);
    textView.insertText(qstring(edit.replacement), edit.range);
    textView.setSelectedRange(edit.selection);
    textView.scrollRangeToVisible(edit.selection);
    return true;
}

void DocumentWindowController::storageDidProcessEditing(int location,
                                                        int replacedLength,
                                                        int newLength)
{
    // The one authoritative line index follows every edit in place; a whole-text replacement
    // is indexed afresh.
    const QString& text = m_textView->text();
    const bool wholeText = location == 0 && replacedLength == m_ruler->lineIndex.length();
    if (wholeText)
        m_ruler->lineIndex = EditorCore::LineIndex(view(text));
    else
        m_ruler->lineIndex.update(location, replacedLength, newLength, view(text));
    m_ruler->update();
    if (m_suspiciousScan)
        m_suspiciousScan->schedule(wholeText ? std::chrono::milliseconds(0)
                                             : SuspiciousScan::afterTyping);
    // Colouring, extra carets, syntax marks, the preview and the filter follow here as they
    // arrive with their features.
}

void DocumentWindowController::textDidChange(EditorViews::EditorTextView&)
{
    hasUnsavedEdits = true;
    WindowDocument* current = document();
    if (current && !current->isEdited()) {
        QPointer<DocumentWindowController> weak(this);
        QTimer::singleShot(0, this, [weak] {
            if (!weak || !weak->hasUnsavedEdits)
                return;
            WindowDocument* later = weak->document();
            if (!later || later->isEdited())
                return;
            later->recordChange();
            weak->synchronizeWindowTitleWithDocumentName();
            weak->updateStatusBar();
        });
    }
    // An untitled document's name is its first line.
    if (current && !current->fileURL())
        synchronizeWindowTitleWithDocumentName();
    m_ruler->updateThickness();
    updateStatusBar();
}

void DocumentWindowController::selectionDidChange(EditorViews::EditorTextView&)
{
    updateStatusBar();
}

} // namespace EditorWindow
