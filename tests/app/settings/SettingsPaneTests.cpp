#include "app/settings/SettingsPane.h"
#include "tests/app/settings/SettingsTestSupport.h"

#include <QLabel>
#include <QTest>
#include <QVBoxLayout>

#include <memory>

namespace {

using EditorSettings::SettingsPane;
using EditorSettings::SettingsSheet;
using EditorStore::SettingGroup;
using EditorStore::SettingKeys;
using SettingsTests::ManualScheduler;
using SettingsTests::RecordingPresenter;
using SettingsTests::SettingsTest;

// A pane of the editor group inside a window of its own, sized the way the settings window
// sizes it.
class Pane : public SettingsTest
{
protected:
    void SetUp() override
    {
        SettingsTest::SetUp();
        host = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(host.get());
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSizeConstraint(QLayout::SetFixedSize);
        pane = new SettingsPane(QStringLiteral("편집"),
                                "pencil",
                                SettingGroup::editor,
                                {nullptr, presenter, scheduler.function()});
        pane->onPreferredContentSizeChange = [this](QSize size) {
            pane->setFixedSize(size);
            host->adjustSize();
        };
        layout->addWidget(pane);
    }
    void TearDown() override
    {
        host.reset();
        SettingsTest::TearDown();
    }

    void buildEditorRows()
    {
        auto& form = pane->form();
        tabs = form.addCheckbox(QStringLiteral("들여쓰기"),
                                QStringLiteral("탭 쓰기"),
                                SettingKeys::editorIndentUseTabs);
        dashes = form.addCheckbox(
            std::nullopt, QStringLiteral("-- 를 대시로"), SettingKeys::editorAutocorrectDashes);
        date = form.addTextField(QStringLiteral("날짜 · 시각 모양"), SettingKeys::editorDateFormat);
        // A row without a label.
        form.addStepper(std::nullopt, SettingKeys::editorIndentWidth, 1, 16, QStringLiteral("칸"));
        form.addSeparator();
        pane->addResetButton();
        pane->loadView();
        pane->viewWillAppear();
    }

    std::shared_ptr<RecordingPresenter> presenter = std::make_shared<RecordingPresenter>();
    ManualScheduler scheduler;
    std::unique_ptr<QWidget> host;
    SettingsPane* pane = nullptr;
    EditorSettings::ActionCheckBox* tabs = nullptr;
    EditorSettings::ActionCheckBox* dashes = nullptr;
    EditorSettings::ActionTextField* date = nullptr;
};

TEST_F(Pane, followsAChangeMadeElsewhereAndAGroupReset)
{
    buildEditorRows();
    int refreshes = 0;
    pane->onRefresh.push_back([&] { ++refreshes; });
    settings().set(false, SettingKeys::editorIndentUseTabs);
    EXPECT_FALSE(tabs->isChecked());
    EXPECT_EQ(refreshes, 1);
    // Any settings change refreshes, also of another group.
    settings().set(true, SettingKeys::viewNewTabLineNumbers);
    EXPECT_EQ(refreshes, 2);
    settings().set(true, SettingKeys::editorAutocorrectDashes);
    settings().reset(SettingGroup::editor);
    EXPECT_TRUE(tabs->isChecked());
    EXPECT_FALSE(dashes->isChecked());
}

TEST_F(Pane, stopsFollowingTheStoreWhenItGoes)
{
    buildEditorRows();
    host.reset();
    settings().set(false, SettingKeys::editorIndentUseTabs); // must not reach the gone pane
    SUCCEED();
}

TEST_F(Pane, theResetButtonIsEnabledExactlyWhileTheGroupHasAStoredKey)
{
    buildEditorRows();
    auto* reset = pane->resetButton();
    ASSERT_NE(reset, nullptr);
    EXPECT_EQ(reset->text(), QStringLiteral("기본값으로…"));
    EXPECT_FALSE(reset->isEnabled());
    dashes->click();
    EXPECT_TRUE(reset->isEnabled());
    dashes->click(); // back to the default, which removes the stored value
    EXPECT_FALSE(reset->isEnabled());
    settings().set(true, SettingKeys::viewNewTabLineNumbers);
    EXPECT_FALSE(reset->isEnabled()) << "another group's key";
    // The last row is the button, after a separator.
    const auto& rows = pane->form().rows();
    ASSERT_GE(rows.size(), 2u);
    EXPECT_EQ(rows.back().back(), reset);
    EXPECT_EQ(rows[rows.size() - 2].size(), 1u);
}

TEST_F(Pane, theResetQuestionNamesTheStoredRowsInKeyOrder)
{
    buildEditorRows();
    host->show();
    // Stored in the opposite order of the key list.
    settings().set("HH", SettingKeys::editorDateFormat);
    settings().set(false, SettingKeys::editorIndentUseTabs);

    presenter->answer = 1; // "취소"
    pane->resetButton()->click();
    ASSERT_EQ(presenter->alerts.size(), 1u);
    const auto& alert = presenter->alerts[0];
    EXPECT_EQ(alert.text, QStringLiteral("「편집」 설정을 기본값으로 되돌릴까요?"));
    EXPECT_EQ(alert.informativeText, QStringLiteral("바뀌는 것: 탭 쓰기, 날짜 · 시각 모양"));
    ASSERT_EQ(alert.buttons.size(), 2u);
    EXPECT_EQ(alert.buttons[0], QStringLiteral("기본값으로"));
    EXPECT_EQ(alert.buttons[1], QStringLiteral("취소"));
    EXPECT_EQ(settings().storedKeys(SettingGroup::editor).size(), 2u) << "cancel changes nothing";

    presenter->answer = 0;
    settings().set(16, SettingKeys::editorIndentWidth); // no label, reset all the same
    pane->resetButton()->click();
    EXPECT_TRUE(settings().storedKeys(SettingGroup::editor).empty());
    EXPECT_TRUE(tabs->isChecked());
    EXPECT_EQ(date->text(), QStringLiteral("yyyy-MM-dd HH:mm"));
    EXPECT_FALSE(pane->resetButton()->isEnabled());
}

TEST_F(Pane, onlyUnlabelledKeysStoredEnableTheButtonWhichThenDoesNothing)
{
    buildEditorRows();
    host->show();
    settings().set(8, SettingKeys::editorIndentWidth);
    settings().set(true, SettingKeys::editorAutocorrectQuotes); // no row on this pane
    EXPECT_TRUE(pane->resetButton()->isEnabled());
    pane->resetButton()->click();
    EXPECT_TRUE(presenter->alerts.empty());
    EXPECT_EQ(settings().storedKeys(SettingGroup::editor).size(), 2u);
}

TEST_F(Pane, resettingEndsTheEditingFirstSoTheFieldShowsTheDefault)
{
    buildEditorRows();
    host->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(host.get()));
    date->setFocus();
    date->selectAll();
    QTest::keyClicks(date, QStringLiteral("HH"));
    ASSERT_EQ(settings().value(SettingKeys::editorDateFormat), "HH");
    ASSERT_TRUE(date->isBeingEdited());
    presenter->onAlert = [&] { EXPECT_TRUE(date->hasFocus()); };
    pane->confirmReset();
    ASSERT_EQ(presenter->alerts.size(), 1u);
    EXPECT_FALSE(date->isBeingEdited());
    EXPECT_EQ(date->text(), QStringLiteral("yyyy-MM-dd HH:mm"));
}

// A sheet whose height the test sets.
class TallSheet : public SettingsSheet
{
public:
    explicit TallSheet(int height)
    {
        auto* layout = new QVBoxLayout(this);
        auto* body = new QLabel(QStringLiteral("sheet"));
        body->setFixedHeight(height);
        layout->addWidget(body);
    }
};

TEST_F(Pane, aSecondSheetIsDropped)
{
    buildEditorRows();
    host->show();
    QPointer<SettingsSheet> first = new TallSheet(20);
    QPointer<SettingsSheet> second = new TallSheet(20);
    pane->presentSheet(first);
    pane->presentSheet(second);
    EXPECT_TRUE(second.isNull());
    QCoreApplication::processEvents();
    EXPECT_EQ(pane->presentedSheet(), first.data());
    EXPECT_TRUE(first->isVisible());
    QPointer<SettingsSheet> third = new TallSheet(20);
    pane->presentSheet(third);
    EXPECT_TRUE(third.isNull());
    first->dismiss();
}

TEST_F(Pane, aTallSheetGrowsTheWindowDownwardsAndItFitsBackAfterTheSheetCloses)
{
    buildEditorRows();
    host->move(100, 80);
    host->show();
    const QSize paneSize = pane->fittingContentSize();
    ASSERT_EQ(host->size(), paneSize);
    const QPoint topLeft = host->pos();

    auto* sheet = new TallSheet(paneSize.height() + 200);
    pane->presentSheet(sheet);
    QCoreApplication::processEvents();
    const int needed = sheet->sizeHint().height() + 24;
    EXPECT_EQ(host->height(), needed);
    EXPECT_EQ(host->width(), paneSize.width());
    EXPECT_EQ(host->pos(), topLeft);

    int refreshes = 0;
    pane->onRefresh.push_back([&] { ++refreshes; });
    sheet->dismiss();
    EXPECT_EQ(refreshes, 1) << "the pane refreshes as the sheet closes";
    ASSERT_EQ(scheduler.pending.size(), 1u);
    EXPECT_EQ(scheduler.pending[0].delay, std::chrono::milliseconds(300));
    EXPECT_EQ(host->height(), needed) << "not before 0.3 s";
    scheduler.runAll();
    EXPECT_EQ(host->size(), paneSize);
    EXPECT_EQ(host->pos(), topLeft);

    // A short sheet leaves the window as it is.
    QPointer<SettingsSheet> shortSheet = new TallSheet(10);
    pane->presentSheet(shortSheet);
    QCoreApplication::processEvents();
    ASSERT_FALSE(shortSheet.isNull()) << "the closed sheet is no longer shown";
    EXPECT_TRUE(shortSheet->isVisible());
    EXPECT_EQ(host->size(), paneSize);
    shortSheet->dismiss();
}

TEST_F(Pane, theWindowFollowsARowThatGrowsOnARefresh)
{
    QLabel* note = pane->form().addNote(QString());
    pane->onRefresh.push_back([note, this] {
        const auto text = QString::fromStdString(settings().value(SettingKeys::editorDateFormat));
        note->setText(text);
    });
    buildEditorRows();
    host->show();
    const QSize before = host->size();
    std::string words;
    for (int i = 0; i < 100; ++i)
        words += "yy ";
    settings().set(words, SettingKeys::editorDateFormat);
    EXPECT_GT(host->height(), before.height()) << "the note wraps onto more lines";
    EXPECT_EQ(host->size(), pane->fittingContentSize());
    settings().set("y", SettingKeys::editorDateFormat);
    EXPECT_EQ(host->size(), before);
}

TEST_F(Pane, theSizeRuleKeepsTheLeastWidthAndAddsTheInsets)
{
    pane->form().addRow(QStringLiteral("짧음"), new QLabel(QStringLiteral("x")));
    pane->loadView();
    const QSize grid = pane->form().grid()->sizeHint();
    EXPECT_EQ(pane->fittingContentSize(), QSize(540, grid.height() + 40));

    SettingsPane wide(QStringLiteral("넓음"), "eye", std::nullopt);
    auto* label = new QLabel(QString(200, QLatin1Char('x')));
    wide.form().addRow(QStringLiteral("긴 줄"), label);
    wide.loadView();
    const QSize wideGrid = wide.form().grid()->sizeHint();
    ASSERT_GT(wideGrid.width() + 48, 540);
    EXPECT_EQ(wide.fittingContentSize(), QSize(wideGrid.width() + 48, wideGrid.height() + 40));
    EXPECT_EQ(wide.resetButton(), nullptr);

    SettingsPane empty(QStringLiteral("일반"), "gearshape", std::nullopt);
    EXPECT_EQ(empty.fittingContentSize(), QSize(0, 0));
}

} // namespace
