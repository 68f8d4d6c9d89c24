#include "app/window/StatusBarView.h"

#include "app/kit/Localized.h"
#include "app/views/EditorColors.h"
#include "app/window/StatusSymbols.h"

#include <QEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace EditorWindow {
namespace {

using EditorViews::EditorColors::systemColor;

QFont statusFont(double pointSize)
{
    QFont font;
    font.setPixelSize(static_cast<int>(pointSize + 0.5));
    return font;
}

QString styleFor(const QColor& color)
{
    return QStringLiteral("QPushButton { border: none; padding: 0 4px; color: %1; background: "
                          "transparent; } QPushButton:pressed { background: palette(midlight); }")
        .arg(color.name(QColor::HexArgb));
}

} // namespace

std::optional<StatusBarView::Segment> StatusBarView::segmentFromTag(int tag)
{
    if (tag < 0 || tag >= static_cast<int>(allSegments.size()))
        return std::nullopt;
    return allSegments[static_cast<std::size_t>(tag)];
}

StatusBarView::StatusBarView(QWidget* parent)
    : QWidget(parent)
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    // The line at the top of the strip.
    auto* separator = new QFrame(this);
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);
    separator->setFixedHeight(1);
    outer->addWidget(separator);

    auto* row = new QHBoxLayout();
    row->setContentsMargins(8, 0, 10, 0);
    row->setSpacing(0);
    outer->addLayout(row, 1);

    m_stack = new QHBoxLayout();
    m_stack->setContentsMargins(0, 0, 0, 0);
    m_stack->setSpacing(2);
    row->addLayout(m_stack);

    for (Segment segment : allSegments) {
        auto* button = new QPushButton(this);
        button->setFlat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setFont(statusFont(11.5));
        button->setProperty("olvTag", static_cast<int>(segment));
        // The button never grows beyond its title.
        button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
        connect(button, &QPushButton::clicked, this, [this, button] { clicked(button); });
        m_buttons.emplace(segment, button);
        m_stack->addWidget(button);
    }

    row->addSpacing(12);
    m_pathButton = new QPushButton(this);
    m_pathButton->setFlat(true);
    m_pathButton->setFocusPolicy(Qt::NoFocus);
    m_pathButton->setFont(statusFont(11.0));
    // The path gives way first: it shrinks, truncated in the middle, before any segment does.
    m_pathButton->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_pathButton->setMinimumWidth(0);
    stylePath();
    connect(m_pathButton, &QPushButton::clicked, this, [this] { pathClicked(); });
    row->addWidget(m_pathButton, 1);
    // Takes the room of a hidden path (an untitled tab), so the titles stay at the left.
    row->addStretch(0);

    update(Content{});
}

void StatusBarView::stylePath()
{
    m_pathButton->setStyleSheet(
        QStringLiteral("QPushButton { border: none; text-align: right; background: transparent; "
                       "color: %1; }")
            .arg(palette().color(QPalette::PlaceholderText).name(QColor::HexArgb)));
}

void StatusBarView::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && m_pathButton) {
        stylePath();
        update(m_content);
    }
}

QPushButton* StatusBarView::button(Segment segment) const
{
    auto found = m_buttons.find(segment);
    return found == m_buttons.end() ? nullptr : found->second;
}

QColor StatusBarView::titleColor(Segment segment) const
{
    QPushButton* shown = button(segment);
    return shown ? shown->property("olvColor").value<QColor>() : QColor();
}

void StatusBarView::update(const Content& content)
{
    m_content = content;
    const auto appearance = EditorViews::appearanceOf(palette());
    const QColor label = palette().color(QPalette::WindowText);
    const QColor secondary = palette().color(QPalette::PlaceholderText);
    const QColor orange = systemColor("systemOrange", appearance);
    const QColor red = systemColor("systemRed", appearance);
    const QColor accent = EditorViews::EditorColors::accentColor(palette());

    struct Shown
    {
        bool visible;
        QString title;
        QColor color;
        // Drawn before the title, for the symbols the fonts may lack.
        std::optional<StatusSymbols::Symbol> symbol = std::nullopt;
    };
    auto shownFor = [&](Segment segment) -> Shown {
        switch (segment) {
        case Segment::position:
            return {true, content.position, secondary};
        case Segment::encoding:
            return {true, content.encoding, label};
        case Segment::lineEnding:
            return {true, content.lineEnding, content.lineEndingWarning ? orange : label};
        case Segment::indentation:
            return {true, content.indentation, label};
        case Segment::language:
            return {true, content.language, label};
        case Segment::problems:
            return {content.problems.has_value(),
                    content.problems.value_or(QString()),
                    red,
                    StatusSymbols::Symbol::noEntry};
        case Segment::suspicious:
            return {content.suspicious.has_value(),
                    content.suspicious ? QStringLiteral("⚠ ") + *content.suspicious : QString(),
                    orange};
        case Segment::follow:
            return {content.follow.has_value(),
                    content.follow.value_or(QString()),
                    content.following ? accent : label};
        case Segment::readOnly:
            return {content.readOnly.has_value(),
                    content.readOnly.value_or(QString()),
                    secondary,
                    StatusSymbols::Symbol::padlock};
        }
        return {false, {}, label};
    };

    for (Segment segment : allSegments) {
        QPushButton* shown = button(segment);
        if (!shown)
            continue;
        Shown state = shownFor(segment);
        // A hidden button takes no room in the row.
        shown->setVisible(state.visible);
        shown->setText(state.title);
        if (state.symbol) {
            const int size = QFontMetrics(shown->font()).height() - 2;
            shown->setIcon(StatusSymbols::icon(*state.symbol, state.color, size));
            shown->setIconSize(QSize(size, size));
        } else {
            shown->setIcon(QIcon());
        }
        shown->setStyleSheet(styleFor(state.color));
        shown->setProperty("olvColor", state.color);
        shown->setEnabled(true);
        shown->setToolTip(QString());
    }

    m_fullPath = content.path.value_or(QString());
    m_pathButton->setVisible(content.path.has_value());
    m_pathButton->setToolTip(content.path ? *content.path + QLatin1Char('\n')
                                                + EditorKit::localized("누르면 Finder 에서 보기")
                                          : QString());
    elidePath();
}

void StatusBarView::elidePath()
{
    QFontMetrics metrics(m_pathButton->font());
    int width = std::max(0, m_pathButton->width() - 8);
    m_pathButton->setText(metrics.elidedText(m_fullPath, Qt::ElideMiddle, width));
}

void StatusBarView::clicked(QPushButton* sender)
{
    if (!sender)
        return;
    auto segment = segmentFromTag(sender->property("olvTag").toInt());
    if (!segment || *segment == Segment::position || *segment == Segment::readOnly)
        return;
    if (onClick)
        onClick(*segment, sender);
}

void StatusBarView::pathClicked()
{
    if (onPathClick)
        onPathClick();
}

QSize StatusBarView::sizeHint() const
{
    return {400, 24};
}

void StatusBarView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    QWidget::paintEvent(event);
}

void StatusBarView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    elidePath();
}

std::ostream& operator<<(std::ostream& out, const StatusBarView::Content& content)
{
    auto optional = [](const std::optional<QString>& text) {
        return text ? "\"" + text->toStdString() + "\"" : std::string("none");
    };
    return out << "{position \"" << content.position.toStdString() << "\", encoding \""
               << content.encoding.toStdString() << "\", lineEnding \""
               << content.lineEnding.toStdString() << "\""
               << (content.lineEndingWarning ? " (warning)" : "") << ", indentation \""
               << content.indentation.toStdString() << "\", language \""
               << content.language.toStdString() << "\", problems " << optional(content.problems)
               << ", suspicious " << optional(content.suspicious) << ", follow "
               << optional(content.follow) << (content.following ? " (following)" : "")
               << ", readOnly " << optional(content.readOnly) << ", path " << optional(content.path)
               << "}";
}

} // namespace EditorWindow
