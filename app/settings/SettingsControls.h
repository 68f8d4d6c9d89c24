#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>

#include <functional>

class QToolButton;

namespace EditorSettings {

// A button that carries its own handler, run when the user clicks it; a connected lambda lives
// exactly as long as the button. `Base` is the kind of button: push button, check box or radio
// button (see the aliases below).
template<class Base>
class ActionButtonOf : public Base
{
public:
    using Handler = std::function<void(ActionButtonOf&)>;

    explicit ActionButtonOf(const QString& title, Handler handler = {}, QWidget* parent = nullptr)
        : Base(title, parent)
        , m_handler(std::move(handler))
    {
        QObject::connect(this, &QAbstractButton::clicked, this, [this] { fire(); });
    }

    void setHandler(Handler handler) { m_handler = std::move(handler); }

    // What a click does after the button has changed its own state.
    void fire()
    {
        if (m_handler)
            m_handler(*this);
    }

private:
    Handler m_handler;
};

using ActionButton = ActionButtonOf<QPushButton>;
using ActionCheckBox = ActionButtonOf<QCheckBox>;
using ActionRadioButton = ActionButtonOf<QRadioButton>;

// A one-line text field that calls its handler with the whole text after every edit made by
// the user (not after text set by the program). The caller sets its font and width.
class ActionTextField : public QLineEdit
{
    Q_OBJECT

public:
    using Handler = std::function<void(const QString& text)>;

    explicit ActionTextField(Handler handler, QWidget* parent = nullptr);

    // The user is editing the field: it has the keyboard focus of its window.
    bool isBeingEdited() const;

private:
    Handler m_handler;
};

// The two small arrow buttons beside a number field: steps an integer inside a range, without
// wrapping, and tells its handler after each step the user makes.
class SettingsStepper : public QWidget
{
    Q_OBJECT

public:
    using Handler = std::function<void(int value)>;

    SettingsStepper(int minimum, int maximum, Handler handler, QWidget* parent = nullptr);

    int value() const { return m_value; }
    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }
    // Clamped into the range; does not call the handler.
    void setValue(int value);

    // The user's steps: move by one (stopping at the ends) and call the handler.
    void stepUp();
    void stepDown();

    QToolButton* upButton() const { return m_up; }
    QToolButton* downButton() const { return m_down; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void step(int delta);

    int m_minimum;
    int m_maximum;
    int m_value;
    Handler m_handler;
    QToolButton* m_up = nullptr;
    QToolButton* m_down = nullptr;
};

// The base of the sheets a settings pane presents: a window-modal dialog over the settings
// window. However it closes (its own buttons, Escape, the close button), `onClose` runs once,
// after it has closed; the sheet then deletes itself.
class SettingsSheet : public QDialog
{
    Q_OBJECT

public:
    explicit SettingsSheet(QWidget* parent = nullptr);

    std::function<void()> onClose;

    // Closes the sheet (what a subclass's close button calls).
    void dismiss();

    void done(int result) override;

private:
    bool m_closed = false;
};

} // namespace EditorSettings
