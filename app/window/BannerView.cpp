#include "app/window/BannerView.h"

#include "app/kit/Localized.h"
#include "app/views/EditorColors.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace EditorWindow {

BandBackgroundView::BandBackgroundView(QWidget* parent)
    : QWidget(parent)
    , m_fillColor([](const QPalette& palette) { return palette.color(QPalette::Window); })
{}

void BandBackgroundView::setFillColor(DynamicColor color)
{
    if (!color)
        return;
    m_fillColor = std::move(color);
    QWidget::update();
}

QColor BandBackgroundView::currentFillColor() const
{
    return m_fillColor(palette());
}

void BandBackgroundView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // Tinted bands lie over the window background, as the colour is partly transparent.
    painter.fillRect(rect(), palette().color(QPalette::Window));
    painter.fillRect(rect(), currentFillColor());
}

QColor BannerView::kindColor(Kind kind, const QPalette& palette)
{
    const auto appearance = EditorViews::appearanceOf(palette);
    switch (kind) {
    case Kind::info:
        return EditorViews::EditorColors::systemColor("systemBlue", appearance);
    case Kind::warning:
        return EditorViews::EditorColors::systemColor("systemOrange", appearance);
    case Kind::error:
        return EditorViews::EditorColors::systemColor("systemRed", appearance);
    }
    return EditorViews::EditorColors::systemColor("systemBlue", appearance);
}

BannerView::BannerView(
    QString key, Kind kind, const QString& message, std::vector<Action> actions, QWidget* parent)
    : BandBackgroundView(parent)
    , m_key(std::move(key))
    , m_kind(kind)
    , m_actions(std::move(actions))
{
    resize(600, 30);
    setFillColor([kind](const QPalette& palette) {
        QColor color = kindColor(kind, palette);
        color.setAlphaF(0.14f);
        return color;
    });

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    auto* stack = new QHBoxLayout();
    stack->setContentsMargins(12, 6, 10, 6);
    stack->setSpacing(8);
    outer->addLayout(stack);
    auto* separator = new QFrame(this);
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);
    separator->setFixedHeight(1);
    outer->addWidget(separator);

    auto* icon = new QLabel(this);
    QStyle::StandardPixmap pixmap = kind == Kind::info      ? QStyle::SP_MessageBoxInformation
                                    : kind == Kind::warning ? QStyle::SP_MessageBoxWarning
                                                            : QStyle::SP_MessageBoxCritical;
    icon->setPixmap(style()->standardIcon(pixmap).pixmap(15, 15));
    icon->setFixedSize(15, 15);
    stack->addWidget(icon, 0, Qt::AlignVCenter);

    m_message = new QLabel(message, this);
    m_message->setWordWrap(true);
    m_message->setTextFormat(Qt::PlainText);
    QFont font = m_message->font();
    font.setPixelSize(13);
    m_message->setFont(font);
    // The message gives way (wraps) before the buttons are squeezed.
    QSizePolicy policy = m_message->sizePolicy(); // keeps the wrapping label's height-for-width
    policy.setHorizontalPolicy(QSizePolicy::Expanding);
    m_message->setSizePolicy(policy);
    m_message->setMinimumWidth(60);
    stack->addWidget(m_message, 1);

    stack->addStretch(0);

    const QColor accent = EditorViews::EditorColors::accentColor(palette());
    for (std::size_t index = 0; index < m_actions.size(); ++index) {
        auto* button = new QPushButton(m_actions[index].title, this);
        int tag = static_cast<int>(index);
        button->setProperty("olvTag", tag);
        button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        if (index == 0) {
            button->setProperty("olvAccent", true);
            button->setStyleSheet(QStringLiteral("QPushButton { background: %1; color: white; "
                                                 "border-radius: 4px; padding: 2px 10px; }")
                                      .arg(accent.name()));
        }
        connect(button, &QPushButton::clicked, this, [this, tag] { runAction(tag); });
        m_buttons.append(button);
        stack->addWidget(button, 0, Qt::AlignVCenter);
    }

    m_closeButton = new QToolButton(this);
    m_closeButton->setAutoRaise(true);
    m_closeButton->setText(QStringLiteral("✕"));
    m_closeButton->setAccessibleName(EditorKit::localized("닫기"));
    m_closeButton->setToolTip(EditorKit::localized("닫기"));
    connect(m_closeButton, &QToolButton::clicked, this, [this] { closeBanner(); });
    stack->addWidget(m_closeButton, 0, Qt::AlignVCenter);
}

QString BannerView::message() const
{
    return m_message->text();
}

void BannerView::runAction(int tag)
{
    if (tag < 0 || tag >= static_cast<int>(m_actions.size()))
        return;
    // The action may remove this banner; keep the closure alive while it runs.
    auto run = m_actions[static_cast<std::size_t>(tag)].run;
    if (run)
        run();
}

void BannerView::closeBanner()
{
    if (onClose) {
        auto closing = onClose;
        closing();
    }
}

int BannerView::heightForWidth(int width) const
{
    int height = layout() ? layout()->totalHeightForWidth(width) : -1;
    return height >= 0 ? height : sizeHint().height();
}

} // namespace EditorWindow
