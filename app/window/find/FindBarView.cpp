#include "app/window/find/FindBarView.h"

#include "app/kit/KeyMapping.h"
#include "app/kit/Localized.h"
#include "app/kit/Symbols.h"
#include "app/kit/Utf16.h"
#include "commands/CommandCatalog.h"

#include <QApplication>
#include <QComboBox>
#include <QFontDatabase>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace EditorWindow {

namespace {

using EditorKit::localized;
using Join = EditorCore::LineFilter::Join;

QIcon symbol(std::string_view name, const QWidget* widget)
{
    return EditorKit::Symbols::icon(name, widget->palette().color(QPalette::ButtonText));
}

QToolButton* makeToggle(const QString& title, const QString& tooltip, QWidget* parent)
{
    auto* toggle = new QToolButton(parent);
    toggle->setText(title);
    toggle->setToolTip(tooltip);
    toggle->setCheckable(true);
    toggle->setAutoRaise(false);
    return toggle;
}

QToolButton* makeButton(const QString& title, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setText(title);
    return button;
}

QToolButton* makeSymbolButton(std::string_view name, const QString& accessible, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setIcon(symbol(name, parent));
    button->setAccessibleName(accessible);
    button->setToolTip(accessible);
    return button;
}

QWidget* makeRow(QWidget* parent, QHBoxLayout*& layout)
{
    auto* row = new QWidget(parent);
    layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    return row;
}

QFont labelFont(double pointSize)
{
    QFont font = QApplication::font();
    font.setPointSizeF(pointSize);
    return font;
}

// Counts change as the user types: fixed-pitch digits keep them from jittering.
QFont countFont(double pointSize)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(pointSize);
    font.setWeight(QFont::Normal);
    return font;
}

void setSecondaryColor(QLabel* label)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::PlaceholderText));
    label->setPalette(palette);
}

bool isReturn(const QKeyEvent* key)
{
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

} // namespace

// MARK: - FilterConditionRow

FilterConditionRow::FilterConditionRow()
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);

    m_joinPopup = new QComboBox(this);
    m_joinPopup->addItems({localized("그리고"), localized("또는"), localized("빼기")});
    m_joinPopup->setToolTip(
        localized("그리고: 이것도 있는 줄 · 또는: 이것이 있어도 · 빼기: 이것이 있는 줄은 뺌"));
    connect(m_joinPopup, &QComboBox::activated, this, [this] {
        if (onChange)
            onChange();
    });

    m_field = new QLineEdit(this);
    m_field->setPlaceholderText(localized("조건 말"));
    m_field->setFixedWidth(320);
    m_field->installEventFilter(this);
    connect(m_field, &QLineEdit::textEdited, this, [this] {
        if (onChange)
            onChange();
    });

    m_removeButton = makeSymbolButton("minus.circle", localized("조건 빼기"), this);
    m_removeButton->setAutoRaise(true);
    connect(m_removeButton, &QToolButton::clicked, this, [this] {
        if (onRemove)
            onRemove();
    });

    layout->addWidget(m_joinPopup);
    layout->addWidget(m_field);
    layout->addWidget(m_removeButton);
    layout->addStretch(1);
}

bool FilterConditionRow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_field
        && (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride)) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
            event->accept();
            if (event->type() == QEvent::KeyPress && onClose)
                onClose();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// MARK: - FindBarView

FindBarView::FindBarView(QWidget* parent)
    : BandBackgroundView(parent)
{
    setObjectName(QStringLiteral("findBar"));
    resize(600, 36);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    auto* stack = new QVBoxLayout;
    stack->setContentsMargins(12, 6, 10, 6);
    stack->setSpacing(6);
    outer->addLayout(stack);
    auto* separator = new QFrame(this);
    separator->setFrameShape(QFrame::HLine);
    separator->setFixedHeight(1);
    outer->addWidget(separator);

    // Find row.
    QHBoxLayout* findLayout = nullptr;
    QWidget* findRow = makeRow(this, findLayout);
    findLayout->setContentsMargins(0, 0, 10, 0);
    m_queryField = new QLineEdit(findRow);
    m_queryField->setPlaceholderText(localized("찾을 말"));
    m_queryField->setMinimumWidth(240);
    m_queryField->installEventFilter(this);
    connect(m_queryField, &QLineEdit::textEdited, this, [this] { fire(onChange); });

    m_countLabel = new QLabel(findRow);
    m_countLabel->setFont(countFont(11.5));
    setSecondaryColor(m_countLabel);

    m_previousButton = makeSymbolButton("chevron.left", localized("이전 찾기"), findRow);
    connect(m_previousButton, &QToolButton::clicked, this, [this] { fire(onPrevious); });
    m_nextButton = makeSymbolButton("chevron.right", localized("다음 찾기"), findRow);
    connect(m_nextButton, &QToolButton::clicked, this, [this] { fire(onNext); });

    m_caseToggle = makeToggle(QStringLiteral("Aa"), localized("대소문자 구분"), findRow);
    m_wordToggle = makeToggle(localized("낱말"), localized("낱말 단위"), findRow);
    m_regexToggle = makeToggle(QStringLiteral(".*"), localized("정규식"), findRow);
    m_selectionToggle = makeToggle(localized("선택 안"), localized("고른 곳 안에서만"), findRow);
    for (QToolButton* toggle : {m_caseToggle, m_wordToggle, m_regexToggle, m_selectionToggle})
        connect(toggle, &QToolButton::clicked, this, [this] { fire(onChange); });

    QString filterTip = localized("맞는 줄만 보기 (grep)");
    if (auto command = EditorCommands::CommandCatalog::command({"find.filter"});
        command && command->shortcut) {
        filterTip += QStringLiteral("  ") + EditorKit::KeyMapping::shortcutText(*command->shortcut);
    }
    m_filterToggle = makeToggle(localized("걸러 보기"), filterTip, findRow);
    m_filterToggle->setIcon(symbol("line.3.horizontal.decrease.circle", this));
    m_filterToggle->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    connect(m_filterToggle, &QToolButton::clicked, this, [this] { fire(onFilterToggle); });

    m_closeButton = makeSymbolButton("xmark", localized("닫기"), findRow);
    m_closeButton->setAutoRaise(true);
    connect(m_closeButton, &QToolButton::clicked, this, [this] { fire(onClose); });

    findLayout->addWidget(m_queryField);
    findLayout->addWidget(m_countLabel);
    findLayout->addWidget(m_previousButton);
    findLayout->addWidget(m_nextButton);
    for (QToolButton* toggle :
         {m_caseToggle, m_wordToggle, m_regexToggle, m_selectionToggle, m_filterToggle})
        findLayout->addWidget(toggle);
    findLayout->addStretch(1);
    findLayout->addWidget(m_closeButton);
    stack->addWidget(findRow);

    // Error row.
    QHBoxLayout* errorLayout = nullptr;
    m_errorRow = makeRow(this, errorLayout);
    m_errorLabel = new QLabel(m_errorRow);
    m_errorLabel->setFont(labelFont(11.5));
    {
        QPalette palette = m_errorLabel->palette();
        palette.setColor(QPalette::WindowText, QColor(255, 59, 48));
        m_errorLabel->setPalette(palette);
    }
    errorLayout->addWidget(m_errorLabel);
    errorLayout->addStretch(1);
    stack->addWidget(m_errorRow);

    // Replace row.
    QHBoxLayout* replaceLayout = nullptr;
    m_replaceRow = makeRow(this, replaceLayout);
    m_replaceField = new QLineEdit(m_replaceRow);
    m_replaceField->setPlaceholderText(localized("바꿀 말"));
    m_replaceField->setMinimumWidth(240);
    m_replaceField->installEventFilter(this);
    connect(m_replaceField, &QLineEdit::textEdited, this, [this] { m_undoGoesToText = false; });
    m_replaceButton = makeButton(localized("바꾸기"), m_replaceRow);
    connect(m_replaceButton, &QToolButton::clicked, this, [this] { fire(onReplace); });
    m_replaceAllButton = makeButton(localized("모두 바꾸기"), m_replaceRow);
    connect(m_replaceAllButton, &QToolButton::clicked, this, [this] { fire(onReplaceAll); });
    m_hintLabel = new QLabel(localized("모두 바꾸기는 ⌘Z 한 번에 돌아와요"), m_replaceRow);
    m_hintLabel->setFont(labelFont(11.0));
    setSecondaryColor(m_hintLabel);
    replaceLayout->addWidget(m_replaceField);
    replaceLayout->addWidget(m_replaceButton);
    replaceLayout->addWidget(m_replaceAllButton);
    replaceLayout->addWidget(m_hintLabel);
    replaceLayout->addStretch(1);
    stack->addWidget(m_replaceRow);

    // Filter row.
    QHBoxLayout* filterLayout = nullptr;
    m_filterRow = makeRow(this, filterLayout);
    m_invertToggle =
        makeToggle(localized("반대"), localized("맞지 않는 줄만 (grep -v)"), m_filterRow);
    m_onlyMatchingToggle = makeToggle(
        localized("맞는 부분만"), localized("줄 대신 맞은 글자만 (grep -o)"), m_filterRow);
    for (QToolButton* toggle : {m_invertToggle, m_onlyMatchingToggle})
        connect(toggle, &QToolButton::clicked, this, [this] { filterOptionsChanged(); });
    m_contextPopup = new QComboBox(m_filterRow);
    m_contextPopup->addItem(localized("앞뒤 줄 없음"));
    for (std::size_t i = 1; i < contextLineChoices().size(); ++i)
        m_contextPopup->addItem(localized("앞뒤 %n줄", nullptr, contextLineChoices()[i]));
    m_contextPopup->setToolTip(localized("맞은 줄의 앞뒤 줄도 (grep -C)"));
    connect(m_contextPopup, &QComboBox::activated, this, [this] { filterOptionsChanged(); });
    m_addConditionButton = makeButton(localized("조건 더하기"), m_filterRow);
    m_addConditionButton->setIcon(symbol("plus", this));
    m_addConditionButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_addConditionButton->setToolTip(localized("그리고 · 또는 · 빼기 조건"));
    connect(m_addConditionButton, &QToolButton::clicked, this, [this] { addCondition(); });
    m_exportPopup = makeButton(localized("내보내기"), m_filterRow);
    m_exportPopup->setPopupMode(QToolButton::InstantPopup);
    auto* exportMenu = new QMenu(m_exportPopup);
    const std::pair<const char*, FilterExport> exports[] = {{"복사", FilterExport::copy},
                                                            {"새 탭으로", FilterExport::newTab},
                                                            {"파일로 저장…", FilterExport::save}};
    for (const auto& [title, destination] : exports) {
        QAction* item = exportMenu->addAction(localized(title));
        item->setData(static_cast<int>(destination));
        connect(
            item, &QAction::triggered, this, [this, destination] { chooseExport(destination); });
    }
    m_exportPopup->setMenu(exportMenu);
    m_filterCountLabel = new QLabel(m_filterRow);
    m_filterCountLabel->setFont(countFont(11.5));
    setSecondaryColor(m_filterCountLabel);
    filterLayout->addWidget(m_invertToggle);
    filterLayout->addWidget(m_onlyMatchingToggle);
    filterLayout->addWidget(m_contextPopup);
    filterLayout->addWidget(m_addConditionButton);
    filterLayout->addWidget(m_exportPopup);
    filterLayout->addWidget(m_filterCountLabel);
    filterLayout->addStretch(1);
    stack->addWidget(m_filterRow);

    // Condition column.
    m_conditionColumn = new QWidget(this);
    m_conditionLayout = new QVBoxLayout(m_conditionColumn);
    m_conditionLayout->setContentsMargins(0, 0, 0, 0);
    m_conditionLayout->setSpacing(4);
    m_conditionLayout->setAlignment(Qt::AlignLeft);
    stack->addWidget(m_conditionColumn);

    for (QWidget* row : {m_errorRow, m_replaceRow, m_filterRow, m_conditionColumn})
        row->hide();
}

const std::vector<int>& FindBarView::contextLineChoices()
{
    static const std::vector<int> choices = {0, 1, 2, 3, 5, 10};
    return choices;
}

void FindBarView::setFieldFont(const QFont& font)
{
    m_queryField->setFont(font);
    m_replaceField->setFont(font);
    for (FilterConditionRow* row : conditionRows())
        row->field()->setFont(font);
}

void FindBarView::fire(const std::function<void()>& callback) const
{
    if (callback)
        callback();
}

void FindBarView::relayout()
{
    updateGeometry();
    if (QWidget* parent = parentWidget())
        parent->updateGeometry();
}

void FindBarView::filterOptionsChanged()
{
    m_onlyMatchingToggle->setEnabled(!m_invertToggle->isChecked());
    fire(onFilterChange);
}

void FindBarView::chooseExport(FilterExport destination)
{
    if (onExport)
        onExport(destination);
}

bool FindBarView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_queryField
        && (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride)) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool escape = key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier;
        const bool ret =
            isReturn(key) && (key->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier)) == 0;
        if (escape || ret) {
            // Taken before any window shortcut, and consumed even when nobody listens.
            event->accept();
            if (event->type() == QEvent::KeyPress) {
                if (escape)
                    fire(onClose);
                else if (key->modifiers() & Qt::ShiftModifier)
                    fire(onPrevious);
                else
                    fire(onNext);
            }
            return true;
        }
    }
    if (watched == m_replaceField && m_undoGoesToText
        && (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride)
        && static_cast<QKeyEvent*>(event)->matches(QKeySequence::Undo)) {
        // The field's own undo would clear what was just used for the Replace All.
        event->accept();
        if (event->type() == QEvent::KeyPress) {
            m_undoGoesToText = false;
            fire(onUndoReplaceAll);
        }
        return true;
    }
    return BandBackgroundView::eventFilter(watched, event);
}

void FindBarView::setFilterRowVisible(bool visible)
{
    m_filterToggle->setChecked(visible);
    m_filterRow->setVisible(visible);
    m_conditionColumn->setVisible(visible && m_conditionLayout->count() > 0);
    relayout();
}

EditorCore::SearchQuery
FindBarView::searchQuery(std::optional<EditorCore::SearchScope> selection) const
{
    EditorCore::SearchQuery query;
    query.text = std::u16string(EditorKit::utf16View(m_queryField->text()));
    query.caseSensitive = m_caseToggle->isChecked();
    query.wholeWord = m_wordToggle->isChecked();
    query.regularExpression = m_regexToggle->isChecked();
    if (m_selectionToggle->isChecked())
        query.scope = selection;
    return query;
}

EditorCore::Result<EditorCore::CompiledSearch, EditorCore::SearchError>
FindBarView::filterQuery(const QString& text) const
{
    EditorCore::SearchQuery query;
    query.text = std::u16string(EditorKit::utf16View(text));
    query.caseSensitive = m_caseToggle->isChecked();
    query.wholeWord = m_wordToggle->isChecked();
    query.regularExpression = m_regexToggle->isChecked();
    return EditorCore::CompiledSearch::make(std::move(query));
}

FindBarView::FilterConditions FindBarView::filterConditions() const
{
    static const Join joins[] = {Join::and_, Join::or_, Join::not_};
    FilterConditions result;
    for (FilterConditionRow* row : conditionRows()) {
        const QString text = row->field()->text();
        if (text.isEmpty())
            continue;
        const int index = std::clamp(row->joinPopup()->currentIndex(), 0, 2);
        result.conditions.emplace_back(joins[index], text);
    }
    result.invert = m_invertToggle->isChecked();
    result.onlyMatching = m_onlyMatchingToggle->isChecked();
    const int last = static_cast<int>(contextLineChoices().size()) - 1;
    result.contextLines = contextLineChoices()[std::clamp(m_contextPopup->currentIndex(), 0, last)];
    return result;
}

std::vector<FilterConditionRow*> FindBarView::conditionRows() const
{
    std::vector<FilterConditionRow*> rows;
    for (int i = 0; i < m_conditionLayout->count(); ++i) {
        if (auto* row = qobject_cast<FilterConditionRow*>(m_conditionLayout->itemAt(i)->widget()))
            rows.push_back(row);
    }
    return rows;
}

FilterConditionRow* FindBarView::addCondition()
{
    auto* row = new FilterConditionRow;
    row->field()->setFont(m_queryField->font());
    QPointer<FindBarView> bar = this;
    QPointer<FilterConditionRow> weakRow = row;
    row->onChange = [bar] {
        if (bar)
            bar->fire(bar->onFilterChange);
    };
    row->onRemove = [bar, weakRow] {
        if (bar && weakRow)
            bar->removeCondition(weakRow);
    };
    row->onClose = [bar] {
        if (bar)
            bar->fire(bar->onClose);
    };
    m_conditionLayout->addWidget(row);
    m_conditionColumn->show();
    relayout();
    row->field()->setFocus();
    return row;
}

void FindBarView::removeCondition(FilterConditionRow* row)
{
    if (!row || m_conditionLayout->indexOf(row) < 0)
        return;
    m_conditionLayout->removeWidget(row);
    row->hide();
    row->deleteLater();
    if (m_conditionLayout->count() == 0)
        m_conditionColumn->hide();
    relayout();
    fire(onFilterChange);
}

} // namespace EditorWindow
