#include "app/settings/SettingsPane.h"

#include "app/kit/Localized.h"
#include "app/kit/Presenter.h"

#include <QApplication>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

namespace EditorSettings {

using EditorKit::localized;

SettingsPane::SettingsPane(QString title,
                           std::string symbol,
                           std::optional<EditorStore::SettingGroup> group,
                           Environment environment,
                           QWidget* parent)
    : QWidget(parent)
    , m_title(std::move(title))
    , m_symbol(std::move(symbol))
    , m_group(group)
    , m_form(environment.settings ? *environment.settings : EditorStore::Settings::shared())
    , m_presenter(environment.presenter ? environment.presenter
                                        : std::make_shared<EditorKit::WidgetPresenter>())
    , m_schedule(std::move(environment.schedule))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
}

SettingsPane::~SettingsPane()
{
    if (m_observer != 0)
        EditorStore::SettingsChangeCenter::shared()->removeObserver(m_observer);
}

void SettingsPane::addResetButton()
{
    QPointer<SettingsPane> self(this);
    m_resetButton = new ActionButton(localized("기본값으로…"), [self](ActionButton&) {
        if (self)
            self->confirmReset();
    });
    m_form.addRow(std::nullopt, m_resetButton, true);
}

void SettingsPane::loadView()
{
    if (m_view)
        return;
    m_view = m_form.makeView();
    layout()->addWidget(m_view);
    refresh();
    // Settings change on the thread that changes them; the pane lives on the main thread.
    QPointer<SettingsPane> self(this);
    m_observer = EditorStore::SettingsChangeCenter::shared()->addObserver(
        [self](const std::vector<std::string>&) {
            if (QThread::currentThread() == qApp->thread()) {
                if (self)
                    self->refresh();
                return;
            }
            QMetaObject::invokeMethod(qApp, [self] {
                if (self)
                    self->refresh();
            });
        });
}

void SettingsPane::viewWillAppear()
{
    setPreferredContentSize(fittingContentSize());
}

void SettingsPane::viewDidAppear()
{
    refresh();
}

void SettingsPane::refresh()
{
    m_form.refresh();
    for (const auto& work : onRefresh)
        work();
    if (m_group && m_resetButton)
        m_resetButton->setEnabled(!settings().storedKeys(*m_group).empty());
    // A row that grew (a preview note that now wraps) must not be cut off by the window; a
    // window grown for a sheet keeps its size until the sheet has closed.
    if (m_view && isVisible() && window() != this && !m_sheet && !m_sheetPending) {
        const QSize fitting = fittingContentSize();
        if (fitting != m_preferredContentSize)
            setPreferredContentSize(fitting);
    }
}

QSize SettingsPane::fittingContentSize() const
{
    QWidget* grid = m_form.grid();
    if (!grid)
        return {0, 0};
    const QSize fitting = grid->sizeHint();
    return {std::max(SettingsForm::minimumWidth, fitting.width() + 2 * SettingsForm::sideInset),
            fitting.height() + 2 * SettingsForm::topInset};
}

void SettingsPane::setPreferredContentSize(QSize size)
{
    m_preferredContentSize = size;
    if (onPreferredContentSizeChange)
        onPreferredContentSizeChange(size);
}

void SettingsPane::fitWindowToContent()
{
    if (!m_view || window() == this)
        return;
    setPreferredContentSize(fittingContentSize());
}

void SettingsPane::schedule(std::chrono::milliseconds delay, std::function<void()> work)
{
    if (m_schedule) {
        m_schedule(delay, std::move(work));
        return;
    }
    QTimer::singleShot(delay, this, std::move(work));
}

void SettingsPane::presentSheet(SettingsSheet* sheet)
{
    if (!sheet)
        return;
    if (m_sheet || m_sheetPending) {
        delete sheet;
        return;
    }
    QPointer<SettingsPane> self(this);
    sheet->onClose = [self] {
        if (!self)
            return;
        self->refresh();
        // Closed now, deleted later: another sheet may come.
        self->m_sheet = nullptr;
        // A window grown for the sheet returns to the pane's own size.
        self->schedule(std::chrono::milliseconds(300), [self] {
            if (self)
                self->fitWindowToContent();
        });
    };
    m_sheetPending = true;
    QPointer<SettingsSheet> pending(sheet);
    QTimer::singleShot(0, this, [this, pending] {
        m_sheetPending = false;
        if (!pending)
            return;
        QWidget* host = window();
        if (!m_view || host == this) {
            delete pending.data();
            return;
        }
        const int needed = pending->sizeHint().height() + 24;
        if (m_preferredContentSize.height() < needed)
            setPreferredContentSize({fittingContentSize().width(), needed});
        m_sheet = pending.data();
        pending->setParent(host, pending->windowFlags() | Qt::Sheet);
        pending->setWindowModality(Qt::WindowModal);
        pending->open();
    });
}

std::vector<QString> SettingsPane::storedLabels() const
{
    std::vector<QString> labels;
    if (!m_group)
        return labels;
    for (const std::string& name : settings().storedKeys(*m_group)) {
        auto found = m_form.labels().find(name);
        if (found != m_form.labels().end())
            labels.push_back(found->second);
    }
    return labels;
}

QString SettingsPane::resetQuestion() const
{
    return localized("「%@」 설정을 기본값으로 되돌릴까요?").replace(QStringLiteral("%@"), m_title);
}

QString SettingsPane::resetInformativeText(const std::vector<QString>& labels)
{
    QStringList list;
    for (const QString& label : labels)
        list << label;
    return localized("바뀌는 것: %@")
        .replace(QStringLiteral("%@"), list.join(QStringLiteral(", ")));
}

void SettingsPane::confirmReset()
{
    if (!m_group || !m_view || window() == this)
        return;
    const std::vector<QString> labels = storedLabels();
    if (labels.empty())
        return;
    EditorKit::Alert alert;
    alert.style = EditorKit::Alert::Style::warning;
    alert.text = resetQuestion();
    alert.informativeText = resetInformativeText(labels);
    alert.buttons = {localized("기본값으로"), localized("취소")};
    alert.defaultButton = 0;
    alert.cancelButton = 1;
    resetToDefaults(m_presenter->runAlert(alert, window()));
}

void SettingsPane::resetToDefaults(int chosenButton)
{
    if (chosenButton != 0 || !m_group)
        return;
    // Ends any editing first, so the field being edited shows the default afterwards.
    if (QWidget* focused = window()->focusWidget())
        focused->clearFocus();
    settings().reset(*m_group);
}

} // namespace EditorSettings
