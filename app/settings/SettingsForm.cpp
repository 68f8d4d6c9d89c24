#include "app/settings/SettingsForm.h"

#include <QComboBox>
#include <QFontMetricsF>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QValidator>

#include <algorithm>
#include <cmath>
#include <limits>

namespace EditorSettings {

using EditorStore::SettingKey;
using EditorStore::SettingKeys;

namespace {

QString labelText(const std::optional<QString>& label)
{
    return label ? *label + QStringLiteral(":") : QString();
}

// A wrapping label that is as wide as its text up to a limit, and wraps beyond it; a plain
// word-wrapped label would pick a width of its own.
class NoteLabel : public QLabel
{
public:
    NoteLabel(const QString& text, int wrapWidth)
        : QLabel(text)
        , m_wrapWidth(wrapWidth)
    {
        setWordWrap(true);
        setTextInteractionFlags(Qt::NoTextInteraction);
    }

    QSize sizeHint() const override
    {
        // Measured as the label lays its text out (fractional advances, rounded up): a width
        // rounded down wraps the last word, and the layout, asked at the column's width, leaves
        // the note one line high.
        const QFontMetricsF metrics(font());
        qreal widest = 0;
        for (const QString& line : text().split(QLatin1Char('\n')))
            widest = std::max(widest, metrics.horizontalAdvance(line));
        const QMargins frame = contentsMargins();
        const int width = std::min(m_wrapWidth,
                                   static_cast<int>(std::ceil(widest)) + 2 * margin()
                                       + frame.left() + frame.right() + 2);
        return {width, std::max(heightForWidth(width), fontMetrics().height())};
    }

    QSize minimumSizeHint() const override { return sizeHint(); }

private:
    int m_wrapWidth;
};

// Whole numbers only; the range is kept by the field's own action, which clamps, so a number
// out of range can still be typed and lands on the nearest end.
class IntegerTextValidator : public QValidator
{
public:
    using QValidator::QValidator;

    State validate(QString& input, int&) const override
    {
        if (input.isEmpty() || input == QStringLiteral("-"))
            return Intermediate;
        const qsizetype digitsFrom = input.startsWith(QLatin1Char('-')) ? 1 : 0;
        if (input.size() - digitsFrom > 9)
            return Invalid;
        for (qsizetype i = digitsFrom; i < input.size(); ++i) {
            if (input[i] < QLatin1Char('0') || input[i] > QLatin1Char('9'))
                return Invalid;
        }
        return Acceptable;
    }
};

// The number field of a stepper row: left with no number in it, it shows the stored one again
// rather than staying empty while the setting keeps its value.
class NumberField : public QLineEdit
{
public:
    std::function<void()> onLeftWithoutNumber;

protected:
    void focusOutEvent(QFocusEvent* event) override
    {
        QLineEdit::focusOutEvent(event);
        if (!hasAcceptableInput() && onLeftWithoutNumber)
            onLeftWithoutNumber();
    }
};

template<class T>
bool sameValue(const T& a, const T& b)
{
    return a == b;
}

} // namespace

SettingsForm::SettingsForm(EditorStore::Settings& settings)
    : m_settings(settings)
{}

void SettingsForm::recordLabel(std::string_view keyName, const std::optional<QString>& label)
{
    if (label) {
        m_labels.insert_or_assign(std::string(keyName), *label);
    } else if (auto found = m_labels.find(keyName); found != m_labels.end()) {
        m_labels.erase(found);
    }
}

void SettingsForm::addRefresher(std::function<void()> refresher)
{
    m_refreshers.push_back(std::move(refresher));
}

QLabel* SettingsForm::addRow(const std::optional<QString>& label, QWidget* control, bool aligned)
{
    auto* labelView = new QLabel(labelText(label));
    labelView->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    if (!aligned)
        m_unalignedRows.insert(m_rows.size());
    m_rows.push_back({labelView, control});
    return labelView;
}

QLabel* SettingsForm::addNote(const QString& text)
{
    auto* note = new NoteLabel(text, noteWidth);
    QFont font = note->font();
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * 11.0 / 13.0);
    else
        font.setPixelSize(std::max(1, font.pixelSize() * 11 / 13));
    note->setFont(font);
    note->setForegroundRole(QPalette::PlaceholderText);
    m_rows.push_back({new QWidget, note});
    return note;
}

void SettingsForm::addSeparator()
{
    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    m_rows.push_back({line});
}

QWidget* SettingsForm::makeStack(const std::vector<QWidget*>& views)
{
    auto* stack = new QWidget;
    auto* layout = new QHBoxLayout(stack);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(rowSpacing);
    for (QWidget* view : views)
        layout->addWidget(view, 0, Qt::AlignVCenter);
    layout->addStretch(1);
    return stack;
}

StepperRow SettingsForm::addStepper(const std::optional<QString>& label,
                                    const SettingKeys::Integer& key,
                                    int minimum,
                                    int maximum,
                                    const QString& unit)
{
    StepperRow row;
    auto* field = new NumberField;
    field->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    field->setFixedWidth(56);
    field->setValidator(new IntegerTextValidator(field));
    row.field = field;
    EditorStore::Settings& settings = m_settings;
    row.stepper = new SettingsStepper(minimum, maximum, [&settings, &key, field](int value) {
        settings.set(static_cast<std::int64_t>(value), key);
        field->setText(QString::number(value));
    });
    SettingsStepper* stepper = row.stepper;
    QObject::connect(field, &QLineEdit::editingFinished, field, [&settings, &key, field, stepper] {
        bool isNumber = false;
        const qlonglong typed = field->text().toLongLong(&isNumber);
        if (!isNumber)
            return;
        // Raised to the minimum first, then lowered to the maximum.
        const qlonglong clamped =
            std::min<qlonglong>(std::max<qlonglong>(typed, stepper->minimum()), stepper->maximum());
        settings.set(static_cast<std::int64_t>(clamped), key);
        stepper->setValue(static_cast<int>(clamped));
    });
    field->onLeftWithoutNumber = [&settings, &key, field] {
        field->setText(QString::number(settings.value(key)));
    };
    row.unit = new QLabel(unit);
    recordLabel(key.name, label);
    m_refreshers.push_back([&settings, &key, field, stepper] {
        const std::int64_t value = settings.value(key);
        field->setText(QString::number(value));
        stepper->setValue(static_cast<int>(std::clamp<std::int64_t>(
            value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max())));
    });
    row.stack = makeStack({field, stepper, row.unit});
    addRow(label, row.stack);
    return row;
}

ActionCheckBox* SettingsForm::addCheckbox(const std::optional<QString>& rowLabel,
                                          const QString& title,
                                          const SettingKeys::Boolean& key,
                                          std::function<void()> onChange)
{
    EditorStore::Settings& settings = m_settings;
    auto* box = new ActionCheckBox(
        title, [&settings, &key, onChange = std::move(onChange)](ActionCheckBox& button) {
            settings.set(button.isChecked(), key);
            if (onChange)
                onChange();
        });
    recordLabel(key.name, title);
    m_refreshers.push_back([&settings, &key, box] { box->setChecked(settings.value(key)); });
    addRow(rowLabel, box);
    return box;
}

ActionTextField* SettingsForm::addTextField(const QString& label,
                                            const SettingKeys::Text& key,
                                            std::function<void()> onChange)
{
    EditorStore::Settings& settings = m_settings;
    auto* field =
        new ActionTextField([&settings, &key, onChange = std::move(onChange)](const QString& text) {
            settings.set(text.toStdString(), key);
            if (onChange)
                onChange();
        });
    recordLabel(key.name, label);
    m_refreshers.push_back([&settings, &key, field] {
        // Its own change refreshes the form too; what the user is typing stays.
        if (!field->isBeingEdited())
            field->setText(QString::fromStdString(settings.value(key)));
    });
    addRow(label, field);
    return field;
}

template<class T>
QComboBox* SettingsForm::addPopupOf(const std::optional<QString>& label,
                                    const SettingKey<T>& key,
                                    std::vector<SettingsChoice<T>> choices)
{
    auto* popup = new QComboBox;
    for (const auto& choice : choices)
        popup->addItem(choice.title);
    EditorStore::Settings& settings = m_settings;
    auto shared = std::make_shared<std::vector<SettingsChoice<T>>>(std::move(choices));
    QObject::connect(popup, &QComboBox::activated, popup, [&settings, &key, shared](int index) {
        if (index >= 0 && static_cast<std::size_t>(index) < shared->size())
            settings.set(shared->at(static_cast<std::size_t>(index)).value, key);
    });
    recordLabel(key.name, label);
    m_refreshers.push_back([&settings, &key, shared, popup] {
        const T stored = settings.value(key);
        auto found = std::find_if(shared->begin(), shared->end(), [&](const auto& choice) {
            return sameValue(choice.value, stored);
        });
        const int index = found == shared->end() ? 0 : static_cast<int>(found - shared->begin());
        if (popup->count() > 0)
            popup->setCurrentIndex(index);
    });
    return popup;
}

QComboBox* SettingsForm::addPopup(const std::optional<QString>& label,
                                  const SettingKeys::Text& key,
                                  std::vector<SettingsChoice<std::string>> choices)
{
    return addPopupOf(label, key, std::move(choices));
}

QComboBox* SettingsForm::addPopup(const std::optional<QString>& label,
                                  const SettingKeys::Integer& key,
                                  std::vector<SettingsChoice<std::int64_t>> choices)
{
    return addPopupOf(label, key, std::move(choices));
}

QComboBox* SettingsForm::addPopup(const std::optional<QString>& label,
                                  const SettingKeys::Double& key,
                                  std::vector<SettingsChoice<double>> choices)
{
    return addPopupOf(label, key, std::move(choices));
}

template<class T>
std::vector<ActionRadioButton*>
SettingsForm::addRadioGroupOf(const QString& label,
                              const SettingKey<T>& key,
                              std::vector<SettingsChoice<T>> choices,
                              std::vector<QWidget*> extraViews)
{
    EditorStore::Settings& settings = m_settings;
    std::vector<ActionRadioButton*> buttons;
    std::vector<QWidget*> views;
    std::vector<T> values;
    for (auto& choice : choices) {
        auto* button = new ActionRadioButton(
            choice.title, [&settings, &key, value = choice.value](ActionRadioButton&) {
                settings.set(value, key);
            });
        // Which button is on is the store's to say: a stored value that no choice has turns
        // every button off, which an exclusive group would not allow.
        button->setAutoExclusive(false);
        buttons.push_back(button);
        views.push_back(button);
        values.push_back(std::move(choice.value));
    }
    views.insert(views.end(), extraViews.begin(), extraViews.end());
    recordLabel(key.name, label);
    m_refreshers.push_back([&settings, &key, buttons, values] {
        const T stored = settings.value(key);
        for (std::size_t i = 0; i < buttons.size(); ++i)
            buttons[i]->setChecked(sameValue(values[i], stored));
    });
    addRow(label, makeStack(views));
    return buttons;
}

std::vector<ActionRadioButton*>
SettingsForm::addRadioGroup(const QString& label,
                            const SettingKeys::Boolean& key,
                            std::vector<SettingsChoice<bool>> choices,
                            std::vector<QWidget*> extraViews)
{
    return addRadioGroupOf(label, key, std::move(choices), std::move(extraViews));
}

std::vector<ActionRadioButton*>
SettingsForm::addRadioGroup(const QString& label,
                            const SettingKeys::Text& key,
                            std::vector<SettingsChoice<std::string>> choices,
                            std::vector<QWidget*> extraViews)
{
    return addRadioGroupOf(label, key, std::move(choices), std::move(extraViews));
}

QWidget* SettingsForm::makeView()
{
    if (m_view)
        return m_view;
    auto* grid = new QWidget;
    auto* layout = new QGridLayout(grid);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setVerticalSpacing(rowSpacing);
    layout->setHorizontalSpacing(columnSpacing);
    // Qt's grid has no first-baseline alignment: every row is centred in its height, which is
    // what the rows that are not aligned ask for and what lines up single-line controls.
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        const Row& row = m_rows[i];
        const int r = static_cast<int>(i);
        if (row.size() == 1) {
            layout->addWidget(row[0], r, 0, 1, 2);
        } else if (row.size() >= 2) {
            layout->addWidget(row[0], r, 0, Qt::AlignRight | Qt::AlignVCenter);
            layout->addWidget(row[1], r, 1, Qt::AlignLeft | Qt::AlignVCenter);
        }
    }
    layout->setColumnStretch(1, 1);
    m_grid = grid;

    auto* view = new QWidget;
    auto* outer = new QVBoxLayout(view);
    outer->setContentsMargins(sideInset, topInset, sideInset, topInset);
    outer->setSpacing(0);
    outer->addWidget(grid, 0, Qt::AlignLeft | Qt::AlignTop);
    view->setMinimumWidth(minimumWidth);
    m_view = view;
    return view;
}

void SettingsForm::refresh()
{
    for (const auto& refresher : m_refreshers)
        refresher();
}

} // namespace EditorSettings
