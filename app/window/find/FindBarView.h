#pragma once

#include "app/window/BannerView.h"
#include "app/window/FindFilterLink.h"
#include "core/CompiledSearch.h"
#include "core/LineFilter.h"
#include "core/Result.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

class QComboBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QToolButton;
class QVBoxLayout;

namespace EditorWindow {

// One extra condition of the line filter: how it joins the filter, its text and a remove
// button. Made only in code.
class FilterConditionRow : public QWidget
{
    Q_OBJECT
public:
    FilterConditionRow();

    QLineEdit* field() const { return m_field; }
    QComboBox* joinPopup() const { return m_joinPopup; }
    QToolButton* removeButton() const { return m_removeButton; }

    std::function<void()> onChange;
    std::function<void()> onRemove;
    std::function<void()> onClose;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* m_field = nullptr;
    QComboBox* m_joinPopup = nullptr;
    QToolButton* m_removeButton = nullptr;
};

// The find, replace and filter band of a document window. A view and nothing more: it lays out
// its controls in up to five rows (find, error, replace, filter, conditions), reports every
// user action through its callbacks, and answers the find query, the filter's primary query
// and the filter's options. Main thread only.
class FindBarView : public BandBackgroundView
{
    Q_OBJECT
public:
    using FilterExport = EditorWindow::FilterExport;

    struct FilterConditions
    {
        std::vector<std::pair<EditorCore::LineFilter::Join, QString>> conditions;
        bool invert = false;
        bool onlyMatching = false;
        int contextLines = 0;
    };

    explicit FindBarView(QWidget* parent = nullptr);

    // The context lines of the pop-up's items, in order.
    static const std::vector<int>& contextLineChoices();

    // The fields' font (the editor font at 0.95 of its size).
    void setFieldFont(const QFont& font);

    // Turns the filter toggle on or off with the row; the condition column shows again with
    // the row when it holds conditions.
    void setFilterRowVisible(bool visible);
    EditorCore::SearchQuery searchQuery(std::optional<EditorCore::SearchScope> selection) const;
    EditorCore::Result<EditorCore::CompiledSearch, EditorCore::SearchError>
    filterQuery(const QString& text) const;
    FilterConditions filterConditions() const;

    // Adds an empty condition row (fires nothing) and gives its field the keyboard.
    FilterConditionRow* addCondition();
    void removeCondition(FilterConditionRow* row);
    std::vector<FilterConditionRow*> conditionRows() const;

    QLineEdit* queryField() const { return m_queryField; }
    QLineEdit* replaceField() const { return m_replaceField; }
    // Set after a Replace All; typing in the replace field clears it.
    void setUndoGoesToText(bool on) { m_undoGoesToText = on; }
    bool undoGoesToText() const { return m_undoGoesToText; }
    QLabel* countLabel() const { return m_countLabel; }
    QLabel* errorLabel() const { return m_errorLabel; }
    QLabel* hintLabel() const { return m_hintLabel; }
    QLabel* filterCountLabel() const { return m_filterCountLabel; }
    QToolButton* caseToggle() const { return m_caseToggle; }
    QToolButton* wordToggle() const { return m_wordToggle; }
    QToolButton* regexToggle() const { return m_regexToggle; }
    QToolButton* selectionToggle() const { return m_selectionToggle; }
    QToolButton* filterToggle() const { return m_filterToggle; }
    QToolButton* invertToggle() const { return m_invertToggle; }
    QToolButton* onlyMatchingToggle() const { return m_onlyMatchingToggle; }
    QComboBox* contextPopup() const { return m_contextPopup; }
    QToolButton* exportPopup() const { return m_exportPopup; }
    QToolButton* previousButton() const { return m_previousButton; }
    QToolButton* nextButton() const { return m_nextButton; }
    QToolButton* closeButton() const { return m_closeButton; }
    QToolButton* replaceButton() const { return m_replaceButton; }
    QToolButton* replaceAllButton() const { return m_replaceAllButton; }
    QToolButton* addConditionButton() const { return m_addConditionButton; }
    QWidget* replaceRow() const { return m_replaceRow; }
    QWidget* errorRow() const { return m_errorRow; }
    QWidget* filterRow() const { return m_filterRow; }
    QWidget* conditionColumn() const { return m_conditionColumn; }

    // An export item's choice, as its menu item does.
    void chooseExport(FilterExport destination);

    std::function<void()> onChange;
    std::function<void()> onNext;
    std::function<void()> onPrevious;
    std::function<void()> onReplace;
    std::function<void()> onReplaceAll;
    // Ctrl+Z in the replace field right after a Replace All: the text's undo, as the hint says.
    std::function<void()> onUndoReplaceAll;
    std::function<void()> onClose;
    std::function<void()> onFilterToggle;
    std::function<void()> onFilterChange;
    std::function<void(FilterExport)> onExport;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fire(const std::function<void()>& callback) const;
    void filterOptionsChanged();
    void relayout();

    QLineEdit* m_queryField = nullptr;
    QLineEdit* m_replaceField = nullptr;
    bool m_undoGoesToText = false;
    QLabel* m_countLabel = nullptr;
    QLabel* m_errorLabel = nullptr;
    QLabel* m_hintLabel = nullptr;
    QToolButton* m_caseToggle = nullptr;
    QToolButton* m_wordToggle = nullptr;
    QToolButton* m_regexToggle = nullptr;
    QToolButton* m_selectionToggle = nullptr;
    QToolButton* m_filterToggle = nullptr;
    QToolButton* m_invertToggle = nullptr;
    QToolButton* m_onlyMatchingToggle = nullptr;
    QComboBox* m_contextPopup = nullptr;
    QToolButton* m_exportPopup = nullptr;
    QLabel* m_filterCountLabel = nullptr;
    QToolButton* m_previousButton = nullptr;
    QToolButton* m_nextButton = nullptr;
    QToolButton* m_closeButton = nullptr;
    QToolButton* m_replaceButton = nullptr;
    QToolButton* m_replaceAllButton = nullptr;
    QToolButton* m_addConditionButton = nullptr;
    QWidget* m_replaceRow = nullptr;
    QWidget* m_errorRow = nullptr;
    QWidget* m_filterRow = nullptr;
    QWidget* m_conditionColumn = nullptr;
    QVBoxLayout* m_conditionLayout = nullptr;
};

} // namespace EditorWindow
