#include "app/settings/SettingsControls.h"

#include <QKeyEvent>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace EditorSettings {

ActionTextField::ActionTextField(Handler handler, QWidget* parent)
    : QLineEdit(parent)
    , m_handler(std::move(handler))
{
    connect(this, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (m_handler)
            m_handler(text);
    });
}

bool ActionTextField::isBeingEdited() const
{
    return hasFocus();
}

SettingsStepper::SettingsStepper(int minimum, int maximum, Handler handler, QWidget* parent)
    : QWidget(parent)
    , m_minimum(minimum)
    , m_maximum(std::max(minimum, maximum))
    , m_value(minimum)
    , m_handler(std::move(handler))
{
    setFocusPolicy(Qt::TabFocus);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto makeButton = [this, layout](Qt::ArrowType arrow, int delta) {
        auto* button = new QToolButton(this);
        button->setArrowType(arrow);
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setFixedSize(16, 11);
        connect(button, &QToolButton::clicked, this, [this, delta] { step(delta); });
        layout->addWidget(button);
        return button;
    };
    m_up = makeButton(Qt::UpArrow, 1);
    m_down = makeButton(Qt::DownArrow, -1);
}

void SettingsStepper::setValue(int value)
{
    m_value = std::clamp(value, m_minimum, m_maximum);
}

void SettingsStepper::stepUp()
{
    step(1);
}

void SettingsStepper::stepDown()
{
    step(-1);
}

void SettingsStepper::step(int delta)
{
    setValue(m_value + delta);
    if (m_handler)
        m_handler(m_value);
}

void SettingsStepper::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Up)
        stepUp();
    else if (event->key() == Qt::Key_Down)
        stepDown();
    else
        QWidget::keyPressEvent(event);
}

SettingsSheet::SettingsSheet(QWidget* parent)
    : QDialog(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
}

void SettingsSheet::dismiss()
{
    done(QDialog::Accepted);
}

void SettingsSheet::done(int result)
{
    // Closing may delete the sheet (it deletes itself on close), so take what runs after first.
    const bool first = !m_closed;
    m_closed = true;
    auto closed = onClose;
    QDialog::done(result);
    if (first && closed)
        closed();
}

} // namespace EditorSettings
