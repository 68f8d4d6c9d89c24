// The find bar on its own: what it reports (queries, filter options) and which callbacks its
// keys and buttons fire.
#include "app/kit/KeyMapping.h"
#include "app/kit/Localized.h"
#include "app/window/find/FindBarView.h"
#include "commands/CommandCatalog.h"

#include <QApplication>
#include <QComboBox>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <map>
#include <string>

using EditorCore::LineFilter;
using EditorWindow::FilterConditionRow;
using EditorWindow::FindBarView;

namespace {

// Counts every callback of a bar by name.
struct Fired
{
    std::map<std::string, int> counts;

    void wire(FindBarView& bar)
    {
        bar.onChange = [this] { ++counts["change"]; };
        bar.onNext = [this] { ++counts["next"]; };
        bar.onPrevious = [this] { ++counts["previous"]; };
        bar.onReplace = [this] { ++counts["replace"]; };
        bar.onReplaceAll = [this] { ++counts["replaceAll"]; };
        bar.onClose = [this] { ++counts["close"]; };
        bar.onFilterToggle = [this] { ++counts["filterToggle"]; };
        bar.onFilterChange = [this] { ++counts["filterChange"]; };
        bar.onExport = [this](FindBarView::FilterExport destination) {
            ++counts["export" + std::to_string(static_cast<int>(destination))];
        };
    }
};

// Sends one key press to a widget; true when something took it before the widget.
bool press(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QKeyEvent event(QEvent::KeyPress, key, modifiers);
    return QApplication::sendEvent(target, &event) && event.isAccepted();
}

} // namespace

TEST(FindBar, startsWithOnlyTheFindRowAndEveryToggleOff)
{
    FindBarView bar;
    bar.show();
    EXPECT_TRUE(bar.queryField()->isVisible());
    for (QWidget* row : {bar.errorRow(), bar.replaceRow(), bar.filterRow(), bar.conditionColumn()})
        EXPECT_FALSE(row->isVisible());
    for (QToolButton* toggle : {bar.caseToggle(),
                                bar.wordToggle(),
                                bar.regexToggle(),
                                bar.selectionToggle(),
                                bar.filterToggle(),
                                bar.invertToggle(),
                                bar.onlyMatchingToggle()}) {
        EXPECT_TRUE(toggle->isCheckable());
        EXPECT_FALSE(toggle->isChecked());
    }
    EXPECT_EQ(bar.contextPopup()->currentText(), QStringLiteral("앞뒤 줄 없음"));
    EXPECT_TRUE(bar.conditionRows().empty());
    // The counts' digits keep one width.
    for (QLabel* label : {bar.countLabel(), bar.filterCountLabel()}) {
        const QFontMetricsF metrics(label->font());
        EXPECT_EQ(metrics.horizontalAdvance(QLatin1Char('1')),
                  metrics.horizontalAdvance(QLatin1Char('8')));
    }
}

TEST(FindBar, contextItemsGiveTheirLineCountsAndAnIndexOutsideIsClamped)
{
    FindBarView bar;
    const std::vector<std::pair<QString, int>> expected = {{"앞뒤 줄 없음", 0},
                                                           {"앞뒤 1줄", 1},
                                                           {"앞뒤 2줄", 2},
                                                           {"앞뒤 3줄", 3},
                                                           {"앞뒤 5줄", 5},
                                                           {"앞뒤 10줄", 10}};
    ASSERT_EQ(bar.contextPopup()->count(), 6);
    for (int i = 0; i < 6; ++i) {
        bar.contextPopup()->setCurrentIndex(i);
        EXPECT_EQ(bar.contextPopup()->currentText(), expected[i].first);
        EXPECT_EQ(bar.filterConditions().contextLines, expected[i].second) << i;
    }
    bar.contextPopup()->setCurrentIndex(-1);
    EXPECT_EQ(bar.filterConditions().contextLines, 0);
}

TEST(FindBar, filterConditionsLeaveOutEmptyFieldsAndMapJoins)
{
    FindBarView bar;
    Fired fired;
    fired.wire(bar);
    struct Row
    {
        int join;
        QString text;
    };
    const std::vector<Row> rows = {
        {0, "alpha"}, {1, ""}, {2, "gamma"}, {1, "delta"}, {-1, "negative"}, {2, ""}};
    for (const Row& row : rows) {
        FilterConditionRow* added = bar.addCondition();
        added->joinPopup()->setCurrentIndex(row.join);
        added->field()->setText(row.text);
    }
    // Adding rows fires nothing.
    EXPECT_TRUE(fired.counts.empty());

    const auto options = bar.filterConditions();
    const std::vector<std::pair<LineFilter::Join, QString>> expected = {
        {LineFilter::Join::and_, "alpha"},
        {LineFilter::Join::not_, "gamma"},
        {LineFilter::Join::or_, "delta"},
        {LineFilter::Join::and_, "negative"}};
    EXPECT_EQ(options.conditions, expected);
    EXPECT_FALSE(options.invert);
    EXPECT_FALSE(options.onlyMatching);
}

TEST(FindBar, invertDisablesOnlyMatchingButKeepsItsState)
{
    FindBarView bar;
    Fired fired;
    fired.wire(bar);
    bar.onlyMatchingToggle()->click();
    bar.invertToggle()->click();
    EXPECT_FALSE(bar.onlyMatchingToggle()->isEnabled());
    EXPECT_TRUE(bar.onlyMatchingToggle()->isChecked());
    auto options = bar.filterConditions();
    EXPECT_TRUE(options.invert);
    EXPECT_TRUE(options.onlyMatching);
    EXPECT_EQ(fired.counts["filterChange"], 2);

    bar.invertToggle()->click();
    EXPECT_TRUE(bar.onlyMatchingToggle()->isEnabled());
    EXPECT_FALSE(bar.filterConditions().invert);
}

TEST(FindBar, buttonsAndTogglesFireTheirCallbacks)
{
    FindBarView bar;
    Fired fired;
    fired.wire(bar);
    for (QToolButton* toggle :
         {bar.caseToggle(), bar.wordToggle(), bar.regexToggle(), bar.selectionToggle()})
        toggle->click();
    bar.previousButton()->click();
    bar.nextButton()->click();
    bar.replaceButton()->click();
    bar.replaceAllButton()->click();
    bar.closeButton()->click();
    bar.filterToggle()->click();
    bar.contextPopup()->activated(3);
    for (QAction* item : bar.exportPopup()->menu()->actions())
        item->trigger();
    const std::map<std::string, int> expected = {{"change", 4},
                                                 {"previous", 1},
                                                 {"next", 1},
                                                 {"replace", 1},
                                                 {"replaceAll", 1},
                                                 {"close", 1},
                                                 {"filterToggle", 1},
                                                 {"filterChange", 1},
                                                 {"export0", 1},
                                                 {"export1", 1},
                                                 {"export2", 1}};
    EXPECT_EQ(fired.counts, expected);
    EXPECT_TRUE(bar.filterToggle()->isChecked());
}

TEST(FindBar, queryFieldKeysStepCloseAndAreConsumedEvenWithoutCallbacks)
{
    {
        FindBarView bar;
        Fired fired;
        fired.wire(bar);
        QTest::keyClicks(bar.queryField(), "ab");
        EXPECT_EQ(fired.counts["change"], 2);
        EXPECT_TRUE(press(bar.queryField(), Qt::Key_Return));
        EXPECT_TRUE(press(bar.queryField(), Qt::Key_Enter, Qt::KeypadModifier));
        EXPECT_TRUE(press(bar.queryField(), Qt::Key_Return, Qt::ShiftModifier));
        EXPECT_TRUE(press(bar.queryField(), Qt::Key_Escape));
        EXPECT_EQ(fired.counts["next"], 2);
        EXPECT_EQ(fired.counts["previous"], 1);
        EXPECT_EQ(fired.counts["close"], 1);
        // Setting the text from code is not an edit of the user's.
        bar.queryField()->setText("zz");
        EXPECT_EQ(fired.counts["change"], 2);
    }
    FindBarView silent;
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape})
        EXPECT_TRUE(press(silent.queryField(), key)) << key;
    // Other keys are the field's own.
    QTest::keyClick(silent.queryField(), Qt::Key_X);
    EXPECT_EQ(silent.queryField()->text(), QStringLiteral("x"));
}

TEST(FindBar, conditionRowsReportThroughTheBarAndEscapeClosesIt)
{
    FindBarView bar;
    Fired fired;
    fired.wire(bar);
    bar.setFilterRowVisible(true);
    FilterConditionRow* first = bar.addCondition();
    FilterConditionRow* second = bar.addCondition();
    EXPECT_FALSE(bar.conditionColumn()->isHidden());

    QTest::keyClicks(first->field(), "x");
    first->joinPopup()->activated(2);
    EXPECT_EQ(fired.counts["filterChange"], 2);
    EXPECT_TRUE(press(second->field(), Qt::Key_Escape));
    EXPECT_EQ(fired.counts["close"], 1);

    second->removeButton()->click();
    EXPECT_EQ(fired.counts["filterChange"], 3);
    EXPECT_FALSE(bar.conditionColumn()->isHidden());
    first->removeButton()->click();
    EXPECT_EQ(fired.counts["filterChange"], 4);
    EXPECT_TRUE(bar.conditionColumn()->isHidden());
    EXPECT_TRUE(bar.conditionRows().empty());
}

TEST(FindBar, hidingTheFilterRowKeepsItsConditionsForTheNextShow)
{
    FindBarView bar;
    bar.setFilterRowVisible(true);
    EXPECT_TRUE(bar.conditionColumn()->isHidden()) << "no conditions, no column";
    bar.addCondition()->field()->setText("kept");

    bar.setFilterRowVisible(false);
    EXPECT_FALSE(bar.filterToggle()->isChecked());
    EXPECT_TRUE(bar.filterRow()->isHidden());
    EXPECT_TRUE(bar.conditionColumn()->isHidden());

    bar.setFilterRowVisible(true);
    EXPECT_TRUE(bar.filterToggle()->isChecked());
    EXPECT_FALSE(bar.filterRow()->isHidden());
    EXPECT_FALSE(bar.conditionColumn()->isHidden());
    ASSERT_EQ(bar.filterConditions().conditions.size(), 1u);
    EXPECT_EQ(bar.filterConditions().conditions[0].second, QStringLiteral("kept"));
}

TEST(FindBar, queriesCarryTheScopeOnlyWithTheSelectionToggle)
{
    FindBarView bar;
    bar.queryField()->setText("Word");
    const EditorCore::SearchScope selection{3, 9};
    auto plain = bar.searchQuery(selection);
    EXPECT_EQ(plain.text, u"Word");
    EXPECT_FALSE(plain.scope);
    EXPECT_FALSE(plain.caseSensitive || plain.wholeWord || plain.regularExpression);

    for (QToolButton* toggle :
         {bar.caseToggle(), bar.wordToggle(), bar.regexToggle(), bar.selectionToggle()})
        toggle->click();
    auto scoped = bar.searchQuery(selection);
    EXPECT_EQ(scoped.scope, selection);
    EXPECT_TRUE(scoped.caseSensitive && scoped.wholeWord && scoped.regularExpression);
    EXPECT_FALSE(bar.searchQuery(std::nullopt).scope);

    auto filter = bar.filterQuery("a+");
    ASSERT_TRUE(filter);
    EXPECT_FALSE(filter->query().scope);
    EXPECT_TRUE(filter->query().regularExpression);
    EXPECT_FALSE(bar.filterQuery(""));
    EXPECT_FALSE(bar.filterQuery("(")) << "an invalid pattern passes its error on";
}

TEST(FindBar, shortcutTextsShowLinuxKeys)
{
    FindBarView bar;
    auto command = EditorCommands::CommandCatalog::command({"find.filter"});
    ASSERT_TRUE(command && command->shortcut);
    const QString keys = EditorKit::KeyMapping::shortcutText(*command->shortcut);
    EXPECT_FALSE(keys.isEmpty());
    EXPECT_EQ(bar.filterToggle()->toolTip(), QStringLiteral("맞는 줄만 보기 (grep)  ") + keys);
    EXPECT_FALSE(bar.filterToggle()->toolTip().contains(QStringLiteral("⌘")));

    ASSERT_TRUE(EditorKit::installTranslation("ko"));
    {
        FindBarView korean;
        EXPECT_EQ(korean.hintLabel()->text(),
                  QStringLiteral("모두 바꾸기는 Ctrl+Z 한 번에 돌아와요"));
    }
    ASSERT_TRUE(EditorKit::installTranslation("en"));
    {
        FindBarView english;
        EXPECT_FALSE(english.hintLabel()->text().contains(QStringLiteral("⌘")));
        EXPECT_TRUE(english.hintLabel()->text().contains(QStringLiteral("Ctrl+Z")));
        EXPECT_NE(english.queryField()->placeholderText(), QStringLiteral("찾을 말"));
    }
    EditorKit::installTranslation("none");
}
