#pragma once

#include "app/window/LineSelection.h"
#include "app/window/WindowFeature.h"
#include "core/CharacterInfo.h"
#include "core/LineIndex.h"
#include "core/TextEncoding.h"

#include <QObject>
#include <QPointer>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include <QFrame>
#include <QLineEdit>

namespace EditorWindow {

class DocumentWindowController;

// Where the caret goes for a 1-based line and an optional 1-based column: the line's start
// (lines clamped to the text's lines), moved column − 1 UTF-16 units into the line but never
// past the end of the line with its break, nor past the text. An offset that would fall
// between CR and LF or inside a surrogate pair goes past the pair, so typing there cannot
// split the break or the character. Any 64-bit line and column are fine.
std::int64_t caretOffsetForLine(std::u16string_view text,
                                const EditorCore::LineIndex& lines,
                                std::int64_t line,
                                std::optional<std::int64_t> column);

// A line and optional column typed into the go-to-line field: the text is split at ":",
// each piece trimmed of blanks and tabs (not of line breaks) and read as a 64-bit decimal
// number with an optional sign; pieces that are not numbers are skipped. None without a number.
struct TypedLine
{
    std::int64_t line = 1;
    std::optional<std::int64_t> column;
    bool operator==(const TypedLine&) const = default;
};
std::optional<TypedLine> parseTypedLine(const QString& typed);

// Puts the caret of the window at the line and column (see caretOffsetForLine), scrolls to it
// and gives the text view the keyboard.
void selectLine(DocumentWindowController& window,
                std::int64_t line,
                std::optional<std::int64_t> column = std::nullopt);
// Parses the typed text and, when it holds a number, selects that line; false otherwise.
bool goToTypedLine(DocumentWindowController& window, const QString& typed);

// The rectangle at the caret, in the text view's (viewport's) coordinates, to which the
// popups are anchored; a small one near the top of the visible text when the caret has none.
QRectF caretAnchorRect(DocumentWindowController& window);

// The right-hand lines of the character information: each scalar's code and name, the bytes
// in `encoding` (or that it cannot write the character), and the suspicious class.
QStringList characterInfoLines(const EditorCore::CharacterInfo& info,
                               EditorCore::TextEncoding encoding);

// The field's delegate: Return and Enter hand the field's text to `onSubmit`. It belongs to
// the field (its parent), which keeps it alive.
class GoToLineHandler : public QObject
{
    Q_OBJECT
public:
    GoToLineHandler(QLineEdit* field, std::function<void(const QString&)> onSubmit);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void(const QString&)> m_onSubmit;
};

// Go to line ("goToLine:") and character information ("showCharacterInfo:"): two small
// transient popups at the caret.
class GoToLineFeature
    : public QObject
    , public WindowFeature
    , public LineSelection
{
    Q_OBJECT
public:
    GoToLineFeature();
    ~GoToLineFeature() override;

    void attach(DocumentWindowController& window) override;
    void detach() override;

    bool respondsToAction(std::string_view action) const override;
    bool validateAction(std::string_view action,
                        const EditorKit::ActionSender& sender) const override;
    void performAction(std::string_view action, const EditorKit::ActionSender& sender) override;

    // A field with the line count under it; Return goes to the typed line and closes the
    // popup (also when nothing could be read), Escape only closes it.
    void showGoToLinePopover();
    // The character at the caret (the last one at the end of the text), large, with its
    // scalars, bytes and class; the text view keeps the keyboard. An empty text beeps.
    void showCharacterInfoPopover();

    // The popups while shown (tests look at them).
    QFrame* goToLinePopover() const { return m_goToLine; }
    QLineEdit* goToLineField() const;
    QFrame* characterInfoPopover() const { return m_characterInfo; }

    void setBeep(std::function<void()> beep) { m_beep = std::move(beep); }

    void selectLine(std::int64_t line, std::optional<std::int64_t> column) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPoint popupPosition() const;
    void closeCharacterInfo();

    DocumentWindowController* m_window = nullptr;
    QPointer<QFrame> m_goToLine;
    QPointer<QLineEdit> m_goToLineField;
    QPointer<QFrame> m_characterInfo;
    std::function<void()> m_beep;
};

} // namespace EditorWindow
