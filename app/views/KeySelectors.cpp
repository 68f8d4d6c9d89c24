#include "app/views/KeySelectors.h"

#include <QKeyEvent>
#include <QKeySequence>

namespace EditorViews {

QString keySelector(const QKeyEvent& event)
{
    struct Standard
    {
        QKeySequence::StandardKey key;
        const char* selector;
    };
    static const Standard standards[] = {
        {QKeySequence::Copy, "copy:"},
        {QKeySequence::Cut, "cut:"},
        {QKeySequence::Paste, "paste:"},
        {QKeySequence::SelectAll, "selectAll:"},
        {QKeySequence::Undo, "undo:"},
        {QKeySequence::Redo, "redo:"},
    };
    for (const auto& standard : standards) {
        if (event.matches(standard.key))
            return QString::fromLatin1(standard.selector);
    }

    const auto modifiers = event.modifiers() & ~(Qt::KeypadModifier);
    const bool shift = modifiers & Qt::ShiftModifier;
    const bool control = modifiers & Qt::ControlModifier;
    const QString suffix = shift ? QStringLiteral("AndModifySelection:") : QStringLiteral(":");
    switch (event.key()) {
    case Qt::Key_Left:
        return (control ? "moveWordLeft" : "moveLeft") + suffix;
    case Qt::Key_Right:
        return (control ? "moveWordRight" : "moveRight") + suffix;
    case Qt::Key_Up:
        return "moveUp" + suffix;
    case Qt::Key_Down:
        return "moveDown" + suffix;
    case Qt::Key_Home:
        return (control ? "moveToBeginningOfDocument" : "moveToBeginningOfLine") + suffix;
    case Qt::Key_End:
        return (control ? "moveToEndOfDocument" : "moveToEndOfLine") + suffix;
    case Qt::Key_PageUp:
        return "pageUp" + suffix;
    case Qt::Key_PageDown:
        return "pageDown" + suffix;
    case Qt::Key_Backspace:
        return control ? QStringLiteral("deleteWordBackward:") : QStringLiteral("deleteBackward:");
    case Qt::Key_Delete:
        return control ? QStringLiteral("deleteWordForward:") : QStringLiteral("deleteForward:");
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return QStringLiteral("insertNewline:");
    case Qt::Key_Tab:
        return control ? QString() : QStringLiteral("insertTab:");
    case Qt::Key_Backtab:
        return QStringLiteral("insertBacktab:");
    case Qt::Key_Escape:
        return QStringLiteral("cancelOperation:");
    default:
        return {};
    }
}

} // namespace EditorViews
