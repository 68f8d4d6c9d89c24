#include "app/window/gotoline/GoToLineFeature.h"

#include "app/kit/Localized.h"
#include "app/kit/TabPage.h"
#include "app/kit/Utf16.h"
#include "app/views/EditorFont.h"
#include "app/views/EditorTextView.h"
#include "app/window/DisplayNames.h"
#include "app/window/DocumentWindowController.h"
#include "app/window/WindowDocument.h"
#include "store/Settings.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTextBoundaryFinder>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

namespace EditorWindow {

namespace {

bool isHighSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool isLowSurrogate(char16_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Blanks and tabs; line breaks are part of what was typed.
bool isTrimmed(QChar c)
{
    return c == QLatin1Char('\t') || c.category() == QChar::Separator_Space;
}

std::optional<std::int64_t> decimalNumber(QStringView piece)
{
    qsizetype at = 0;
    bool negative = false;
    if (piece.front() == QLatin1Char('+') || piece.front() == QLatin1Char('-')) {
        negative = piece.front() == QLatin1Char('-');
        at = 1;
    }
    if (at == piece.size())
        return std::nullopt;
    std::int64_t value = 0;
    for (; at < piece.size(); ++at) {
        const char16_t unit = piece[at].unicode();
        if (unit < u'0' || unit > u'9')
            return std::nullopt;
        const int digit = unit - u'0';
        // Accumulated on the side of the sign, so the most negative number reads too.
        if (__builtin_mul_overflow(value, 10, &value)
            || __builtin_add_overflow(value, negative ? -digit : digit, &value))
            return std::nullopt;
    }
    return value;
}

QFont editorFontAt(DocumentWindowController& window, double zoom)
{
    return EditorViews::editorFont(std::nullopt, std::nullopt, zoom, window.fontSettings());
}

QFont systemFontOf(double pointSize, bool monospaced)
{
    QFont font = monospaced ? QFontDatabase::systemFont(QFontDatabase::FixedFont)
                            : QApplication::font();
    font.setPointSizeF(pointSize);
    return font;
}

void setSecondaryColor(QLabel* label)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::PlaceholderText));
    label->setPalette(palette);
}

// The extended grapheme cluster at `index`, found in a short stretch around it so a long text
// is not scanned.
std::u16string clusterAt(const QString& text, qsizetype index)
{
    constexpr qsizetype reach = 64;
    qsizetype from = std::max<qsizetype>(0, index - reach);
    if (from > 0 && isLowSurrogate(text[from].unicode()))
        --from;
    qsizetype to = std::min<qsizetype>(text.size(), index + reach);
    if (to < text.size() && isLowSurrogate(text[to].unicode()))
        ++to;
    const QString stretch = text.mid(from, to - from);
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, stretch);
    finder.setPosition(index - from);
    qsizetype start = finder.isAtBoundary() ? index - from : finder.toPreviousBoundary();
    finder.setPosition(start);
    qsizetype end = finder.toNextBoundary();
    if (start < 0 || end <= start)
        return {};
    return stretch.mid(start, end - start).toStdU16String();
}

} // namespace

std::int64_t caretOffsetForLine(std::u16string_view text,
                                const EditorCore::LineIndex& lines,
                                std::int64_t line,
                                std::optional<std::int64_t> column)
{
    const auto length = static_cast<std::int64_t>(text.size());
    const std::int64_t start = std::min(lines.lineStart(line), length);
    std::int64_t offset = start;
    if (column) {
        // The line with its break: up to the next line's start.
        const std::int64_t number = lines.lineNumber(start);
        const auto& starts = lines.starts();
        std::int64_t end = number < lines.lineCount()
                               ? starts[static_cast<std::size_t>(number)]
                               : length;
        end = std::clamp(end, start, length);
        // Limited before adding, so no column can overflow.
        const std::int64_t steps = std::max<std::int64_t>(*column, 1) - 1;
        offset = start + std::min(steps, end - start);
    }
    offset = std::clamp<std::int64_t>(offset, 0, length);
    if (offset > 0 && offset < length) {
        const char16_t before = text[static_cast<std::size_t>(offset - 1)];
        const char16_t after = text[static_cast<std::size_t>(offset)];
        if ((before == u'\r' && after == u'\n') || (isHighSurrogate(before) && isLowSurrogate(after)))
            ++offset;
    }
    return offset;
}

std::optional<TypedLine> parseTypedLine(const QString& typed)
{
    std::vector<std::int64_t> numbers;
    for (QStringView piece : QStringView(typed).split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        while (!piece.isEmpty() && isTrimmed(piece.front()))
            piece = piece.sliced(1);
        while (!piece.isEmpty() && isTrimmed(piece.back()))
            piece.chop(1);
        if (piece.isEmpty())
            continue;
        if (auto number = decimalNumber(piece))
            numbers.push_back(*number);
        if (numbers.size() == 2)
            break;
    }
    if (numbers.empty())
        return std::nullopt;
    TypedLine result{numbers[0], std::nullopt};
    if (numbers.size() > 1)
        result.column = numbers[1];
    return result;
}

void selectLine(DocumentWindowController& window,
                std::int64_t line,
                std::optional<std::int64_t> column)
{
    EditorViews::EditorTextView* view = window.textView();
    if (!view)
        return;
    const std::int64_t offset =
        caretOffsetForLine(EditorKit::utf16View(view->text()), view->lineIndex(), line, column);
    view->setSelectedRange({offset, 0});
    view->scrollRangeToVisible({offset, 0});
    view->setFocus();
}

bool goToTypedLine(DocumentWindowController& window, const QString& typed)
{
    auto parsed = parseTypedLine(typed);
    if (!parsed)
        return false;
    selectLine(window, parsed->line, parsed->column);
    return true;
}

QRectF caretAnchorRect(DocumentWindowController& window)
{
    EditorViews::EditorTextView* view = window.textView();
    QRectF rect(0.0, 20.0, 1.0, 16.0);
    if (!view)
        return rect;
    if (auto caret = view->caretRect(); caret && caret->height() > 0)
        rect = *caret;
    rect.setWidth(std::max(rect.width(), 1.0));
    return rect;
}

QStringList characterInfoLines(const EditorCore::CharacterInfo& info,
                               EditorCore::TextEncoding encoding)
{
    QStringList lines;
    for (const auto& scalar : info.scalars)
        lines << QString::fromStdString(scalar.code) + QStringLiteral("  ")
                     + QString::fromStdString(scalar.name);
    lines << DisplayNames::shortName(encoding) + QStringLiteral(": ")
                 + (info.bytes ? QString::fromStdString(*info.bytes)
                               : EditorKit::localized("이 인코딩으로 쓸 수 없음"));
    if (info.suspicious)
        lines << QStringLiteral("⚠ ") + DisplayNames::displayName(*info.suspicious);
    return lines;
}

GoToLineHandler::GoToLineHandler(QLineEdit* field, std::function<void(const QString&)> onSubmit)
    : QObject(field)
    , m_onSubmit(std::move(onSubmit))
{
    field->installEventFilter(this);
}

bool GoToLineHandler::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (auto* field = qobject_cast<QLineEdit*>(watched); field && m_onSubmit)
                m_onSubmit(field->text());
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

GoToLineFeature::GoToLineFeature()
    : m_beep([] { QApplication::beep(); })
{}

GoToLineFeature::~GoToLineFeature()
{
    detach();
}

void GoToLineFeature::attach(DocumentWindowController& window)
{
    m_window = &window;
}

void GoToLineFeature::detach()
{
    if (m_goToLine)
        m_goToLine->close();
    closeCharacterInfo();
    m_window = nullptr;
}

bool GoToLineFeature::respondsToAction(std::string_view action) const
{
    return action == "goToLine:" || action == "showCharacterInfo:";
}

bool GoToLineFeature::validateAction(std::string_view action, const EditorKit::ActionSender&) const
{
    return respondsToAction(action) && m_window && m_window->textView();
}

void GoToLineFeature::performAction(std::string_view action, const EditorKit::ActionSender&)
{
    if (action == "goToLine:")
        showGoToLinePopover();
    else if (action == "showCharacterInfo:")
        showCharacterInfoPopover();
}

QLineEdit* GoToLineFeature::goToLineField() const
{
    return m_goToLine ? m_goToLineField.data() : nullptr;
}

QPoint GoToLineFeature::popupPosition() const
{
    QRectF anchor = caretAnchorRect(*m_window);
    // Below the caret.
    return m_window->textView()->viewport()->mapToGlobal(
        QPoint(static_cast<int>(anchor.left()), static_cast<int>(anchor.bottom()) + 2));
}

void GoToLineFeature::showGoToLinePopover()
{
    if (!m_window || !m_window->textView())
        return;
    if (m_goToLine)
        m_goToLine->close();
    auto* popup = new QFrame(m_window->page(), Qt::Popup);
    popup->setAttribute(Qt::WA_DeleteOnClose);
    popup->setFrameShape(QFrame::StyledPanel);
    auto* stack = new QVBoxLayout(popup);
    stack->setContentsMargins(10, 10, 10, 10);
    stack->setAlignment(Qt::AlignLeft);

    auto* field = new QLineEdit(popup);
    field->setPlaceholderText(EditorKit::localized("줄 또는 줄:칸"));
    field->setFont(editorFontAt(*m_window, 1.0));
    field->setFixedWidth(180);
    auto* count = new QLabel(EditorKit::localized("1 ~ %lld").replace(
                                 QStringLiteral("%lld"),
                                 QString::number(m_window->textView()->lineIndex().lineCount())),
                             popup);
    count->setFont(systemFontOf(11.0, false));
    setSecondaryColor(count);
    stack->addWidget(field);
    stack->addWidget(count);

    QPointer<DocumentWindowController> window(m_window);
    QPointer<QFrame> shown(popup);
    new GoToLineHandler(field, [window, shown](const QString& typed) {
        if (window)
            goToTypedLine(*window, typed);
        if (shown)
            shown->close();
    });
    field->installEventFilter(this);
    m_goToLine = popup;
    m_goToLineField = field;
    popup->move(popupPosition());
    popup->show();
    field->setFocus();
}

void GoToLineFeature::showCharacterInfoPopover()
{
    if (!m_window || !m_window->textView())
        return;
    EditorViews::EditorTextView* view = m_window->textView();
    const QString& text = view->text();
    if (text.isEmpty()) {
        if (m_beep)
            m_beep();
        return;
    }
    WindowDocument* document = m_window->document();
    if (!document)
        return;
    const qsizetype index = std::clamp<qsizetype>(view->selectedRange().location, 0, text.size() - 1);
    const std::u16string character = clusterAt(text, index);
    if (character.empty())
        return;
    const EditorCore::TextEncoding encoding = document->encoding();
    const EditorCore::CharacterInfo info(character, encoding);

    closeCharacterInfo();
    // A window of its own that never takes the keyboard from the text.
    auto* popup = new QFrame(m_window->page(), Qt::ToolTip | Qt::FramelessWindowHint);
    popup->setAttribute(Qt::WA_DeleteOnClose);
    popup->setAttribute(Qt::WA_ShowWithoutActivating);
    popup->setFrameShape(QFrame::StyledPanel);
    popup->setAutoFillBackground(true);
    popup->setBackgroundRole(QPalette::Window);
    auto* row = new QHBoxLayout(popup);
    row->setSpacing(12);
    row->setContentsMargins(12, 10, 12, 10);
    auto* glyph = new QLabel(QString::fromStdU16String(info.character), popup);
    glyph->setObjectName(QStringLiteral("character"));
    glyph->setFont(editorFontAt(*m_window, 2.4));
    auto* lines = new QLabel(characterInfoLines(info, encoding).join(QLatin1Char('\n')), popup);
    lines->setObjectName(QStringLiteral("lines"));
    lines->setFont(systemFontOf(11.5, true));
    lines->setTextFormat(Qt::PlainText);
    setSecondaryColor(lines);
    row->addWidget(glyph);
    row->addWidget(lines);
    m_characterInfo = popup;
    // Transient: the next key, click or loss of focus in the text closes it.
    view->installEventFilter(this);
    view->viewport()->installEventFilter(this);
    popup->move(popupPosition());
    popup->show();
}

void GoToLineFeature::closeCharacterInfo()
{
    if (m_characterInfo)
        m_characterInfo->close();
    m_characterInfo = nullptr;
}

bool GoToLineFeature::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && m_goToLine && watched == m_goToLineField.data()
        && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        m_goToLine->close();
        return true;
    }
    if (m_characterInfo && m_window && m_window->textView()
        && (watched == m_window->textView() || watched == m_window->textView()->viewport())) {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::MouseButtonPress:
        case QEvent::FocusOut:
        case QEvent::Hide:
            closeCharacterInfo();
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

void GoToLineFeature::selectLine(std::int64_t line, std::optional<std::int64_t> column)
{
    if (m_window)
        EditorWindow::selectLine(*m_window, line, column);
}

} // namespace EditorWindow
