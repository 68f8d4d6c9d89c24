#include "app/settings/SettingsForm.h"
#include "tests/app/settings/SettingsTestSupport.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QValidator>

#include <memory>

namespace {

using EditorSettings::SettingsChoice;
using EditorSettings::SettingsForm;
using EditorStore::SettingKeys;
using SettingsTests::SettingsTest;

class Form : public SettingsTest
{
protected:
    void SetUp() override
    {
        SettingsTest::SetUp();
        form = std::make_unique<SettingsForm>();
    }
    void TearDown() override
    {
        view.reset();
        form.reset();
        SettingsTest::TearDown();
    }

    // Builds the view (the owner of every control) and shows the stored values.
    void load()
    {
        view.reset(form->makeView());
        form->refresh();
    }

    std::unique_ptr<SettingsForm> form;
    std::unique_ptr<QWidget> view;
};

TEST_F(Form, eachBuilderStoresTheUsersChoiceAndShowsWhatIsStored)
{
    auto* box = form->addCheckbox(QStringLiteral("자동 고침"),
                                  QStringLiteral("맞춤법 밑줄"),
                                  SettingKeys::editorAutocorrectSpelling);
    auto* field = form->addTextField(QStringLiteral("날짜"), SettingKeys::editorDateFormat);
    auto* theme = form->addPopup(QStringLiteral("테마"),
                                 SettingKeys::viewTheme,
                                 {{QStringLiteral("시스템"), "system"},
                                  {QStringLiteral("밝게"), "light"},
                                  {QStringLiteral("어둡게"), "dark"}});
    auto* width = form->addPopup(QStringLiteral("너비"),
                                 SettingKeys::editorIndentWidth,
                                 {{QStringLiteral("2"), 2}, {QStringLiteral("4"), 4}});
    auto* size = form->addPopup(QStringLiteral("크기"),
                                SettingKeys::viewFontSize,
                                {{QStringLiteral("12"), 12.0}, {QStringLiteral("13"), 13.0}});
    auto tabs =
        form->addRadioGroup(QStringLiteral("들여쓰기"),
                            SettingKeys::editorIndentUseTabs,
                            {{QStringLiteral("탭"), true}, {QStringLiteral("공백"), false}});
    auto themes = form->addRadioGroup(
        QStringLiteral("테마 2"),
        SettingKeys::viewTheme,
        {{QStringLiteral("밝게"), "light"}, {QStringLiteral("어둡게"), "dark"}});
    auto stepper = form->addStepper(
        QStringLiteral("색 끔"), SettingKeys::syntaxMaxMB, 1, 20, QStringLiteral("MB"));
    load();

    // The first refresh shows the defaults.
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(field->text(), QStringLiteral("yyyy-MM-dd HH:mm"));
    EXPECT_EQ(theme->currentIndex(), 0);
    EXPECT_EQ(width->currentIndex(), 1);
    EXPECT_EQ(size->currentIndex(), 1);
    EXPECT_TRUE(tabs[0]->isChecked());
    EXPECT_FALSE(tabs[1]->isChecked());
    EXPECT_FALSE(themes[0]->isChecked()) << "\"system\" is none of this group's choices";
    EXPECT_FALSE(themes[1]->isChecked());
    EXPECT_EQ(stepper.field->text(), QStringLiteral("2"));
    EXPECT_EQ(stepper.stepper->value(), 2);

    // What the user does is stored.
    box->click();
    EXPECT_TRUE(settings().value(SettingKeys::editorAutocorrectSpelling));
    field->setText(QString());
    QTest::keyClicks(field, QStringLiteral("HH:mm"));
    EXPECT_EQ(settings().value(SettingKeys::editorDateFormat), "HH:mm");
    theme->activated(2);
    EXPECT_EQ(settings().value(SettingKeys::viewTheme), "dark");
    width->activated(0);
    EXPECT_EQ(settings().value(SettingKeys::editorIndentWidth), 2);
    size->activated(0);
    EXPECT_EQ(settings().value(SettingKeys::viewFontSize), 12.0);
    tabs[1]->click();
    EXPECT_FALSE(settings().value(SettingKeys::editorIndentUseTabs));
    themes[0]->click();
    EXPECT_EQ(settings().value(SettingKeys::viewTheme), "light");
    stepper.stepper->stepUp();
    EXPECT_EQ(settings().value(SettingKeys::syntaxMaxMB), 3);
    EXPECT_EQ(stepper.field->text(), QStringLiteral("3")) << "the stepper copies into the field";

    // A change made elsewhere shows after the next refresh, in every control.
    settings().set(false, SettingKeys::editorAutocorrectSpelling);
    settings().set("yy", SettingKeys::editorDateFormat);
    settings().set("dark", SettingKeys::viewTheme);
    settings().set(4, SettingKeys::editorIndentWidth);
    settings().set(13.0, SettingKeys::viewFontSize);
    settings().set(true, SettingKeys::editorIndentUseTabs);
    settings().set(7, SettingKeys::syntaxMaxMB);
    form->refresh();
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(field->text(), QStringLiteral("yy"));
    EXPECT_EQ(theme->currentIndex(), 2);
    EXPECT_EQ(width->currentIndex(), 1);
    EXPECT_EQ(size->currentIndex(), 1);
    EXPECT_TRUE(tabs[0]->isChecked());
    EXPECT_FALSE(tabs[1]->isChecked());
    EXPECT_FALSE(themes[0]->isChecked());
    EXPECT_TRUE(themes[1]->isChecked());
    EXPECT_EQ(stepper.field->text(), QStringLiteral("7"));
    EXPECT_EQ(stepper.stepper->value(), 7);
}

TEST_F(Form, recordsTheLabelsTheResetQuestionNames)
{
    form->addCheckbox(QStringLiteral("자동 고침"),
                      QStringLiteral("맞춤법 밑줄"),
                      SettingKeys::editorAutocorrectSpelling);
    form->addCheckbox(
        std::nullopt, QStringLiteral("-- 를 대시로"), SettingKeys::editorAutocorrectDashes);
    form->addTextField(QStringLiteral("날짜 · 시각 모양"), SettingKeys::editorDateFormat);
    form->addPopup(QStringLiteral("들여쓰기 너비"),
                   SettingKeys::editorIndentWidth,
                   {{QStringLiteral("4"), 4}});
    form->addRadioGroup(QStringLiteral("들여쓰기"),
                        SettingKeys::editorIndentUseTabs,
                        {{QStringLiteral("탭"), true}});
    form->addStepper(
        QStringLiteral("큰 파일 기준"), SettingKeys::fileLargeFileMB, 1, 512, QStringLiteral("MB"));
    // A builder given no label takes back a label recorded earlier for its key.
    form->addPopup(QStringLiteral("색 끔"), SettingKeys::syntaxMaxMB, {});
    form->addStepper(std::nullopt, SettingKeys::syntaxMaxMB, 1, 20, QStringLiteral("MB"));

    const std::map<std::string, QString, std::less<>> expected = {
        {"editor.autocorrect.spelling", QStringLiteral("맞춤법 밑줄")},
        {"editor.autocorrect.dashes", QStringLiteral("-- 를 대시로")},
        {"editor.dateFormat", QStringLiteral("날짜 · 시각 모양")},
        {"editor.indent.width", QStringLiteral("들여쓰기 너비")},
        {"editor.indent.useTabs", QStringLiteral("들여쓰기")},
        {"file.largeFileMB", QStringLiteral("큰 파일 기준")},
    };
    EXPECT_EQ(form->labels(), expected);
}

TEST_F(Form, aFieldBeingEditedIsNotOverwrittenByTheRefreshItsChangeCauses)
{
    QWidget host;
    auto* field = form->addTextField(QStringLiteral("날짜"), SettingKeys::editorDateFormat);
    int changes = 0;
    const auto observer = EditorStore::SettingsChangeCenter::shared()->addObserver(
        [&](const std::vector<std::string>&) {
            ++changes;
            form->refresh();
        });
    auto* formView = form->makeView();
    formView->setParent(&host);
    form->refresh();
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&host));
    field->setFocus();
    field->selectAll();
    // "yyyy " is stored after every key; the refresh would show the stored text, which the
    // cleared field (refused, not stored) no longer equals.
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, QStringLiteral("yyyy "));
    EXPECT_EQ(field->text(), QStringLiteral("yyyy "));
    EXPECT_EQ(settings().value(SettingKeys::editorDateFormat), "yyyy ");
    EXPECT_EQ(changes, 5);
    EXPECT_EQ(field->cursorPosition(), 5);

    // Once editing has ended, a refresh shows the store again.
    settings().set("HH", SettingKeys::editorDateFormat);
    EXPECT_EQ(field->text(), QStringLiteral("yyyy "));
    field->clearFocus();
    form->refresh();
    EXPECT_EQ(field->text(), QStringLiteral("HH"));
    EditorStore::SettingsChangeCenter::shared()->removeObserver(observer);
}

TEST_F(Form, aPopupWhoseStoredValueIsNoChoiceShowsTheFirstAndKeepsTheValue)
{
    auto* size = form->addPopup(QStringLiteral("글자 크기"),
                                SettingKeys::viewFontSize,
                                {{QStringLiteral("8"), 8.0}, {QStringLiteral("13"), 13.0}});
    auto* empty = form->addPopup(QStringLiteral("없음"), SettingKeys::viewTheme, {});
    settings().set(13.5, SettingKeys::viewFontSize);
    load();
    EXPECT_EQ(size->currentIndex(), 0);
    EXPECT_EQ(size->currentText(), QStringLiteral("8"));
    EXPECT_EQ(settings().value(SettingKeys::viewFontSize), 13.5);
    EXPECT_EQ(settings().storedKeys(EditorStore::SettingGroup::view),
              std::vector<std::string>{"view.font.size"});
    EXPECT_EQ(empty->count(), 0);
}

TEST_F(Form, theStepperRowNeverStoresAValueOutsideItsRange)
{
    auto row = form->addStepper(
        QStringLiteral("색 끔"), SettingKeys::syntaxMaxMB, 1, 20, QStringLiteral("MB"));
    load();
    struct Case
    {
        const char* name;
        QString typed;
        std::int64_t stored;
    };
    const Case cases[] = {
        {"below the minimum", QStringLiteral("0"), 1},
        {"above the maximum", QStringLiteral("99"), 20},
        {"negative", QStringLiteral("-5"), 1},
        {"inside", QStringLiteral("12"), 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        row.field->setText(c.typed);
        emit row.field->editingFinished();
        EXPECT_EQ(settings().value(SettingKeys::syntaxMaxMB), c.stored);
        EXPECT_EQ(row.stepper->value(), c.stored);
        form->refresh();
        EXPECT_EQ(row.field->text(), QString::number(c.stored));
    }

    // The field takes whole numbers only.
    const QValidator* validator = row.field->validator();
    ASSERT_NE(validator, nullptr);
    for (QString text : {QStringLiteral("1.5"),
                         QStringLiteral("abc"),
                         QStringLiteral("2e3"),
                         QStringLiteral("1234567890")}) {
        int position = 0;
        EXPECT_EQ(validator->validate(text, position), QValidator::Invalid) << text.toStdString();
    }

    // Left empty, the field shows the stored value again.
    QWidget host;
    view->setParent(&host);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&host));
    row.field->setFocus();
    row.field->clear();
    row.field->clearFocus();
    EXPECT_EQ(row.field->text(), QStringLiteral("12"));
    view->setParent(nullptr);

    // The stepper stops at its ends.
    settings().set(20, SettingKeys::syntaxMaxMB);
    form->refresh();
    row.stepper->stepUp();
    EXPECT_EQ(settings().value(SettingKeys::syntaxMaxMB), 20);
    settings().set(1, SettingKeys::syntaxMaxMB);
    form->refresh();
    row.stepper->stepDown();
    EXPECT_EQ(settings().value(SettingKeys::syntaxMaxMB), 1);
}

// A note shorter than the wrap width stays on one line at the width it asks for: a width
// measured a pixel short wrapped its last word, while the grid, asking at the column's width,
// gave it one line's height, and half of each line was cut off.
TEST_F(Form, aShortNoteFitsOnOneLineAtItsOwnWidth)
{
    const QStringList texts = {
        QStringLiteral("It is already listed under “Open With” in the file manager"),
        QStringLiteral("Not checked yet · now 0.1.0"),
        QStringLiteral("Wiiiiiiiiiiiiiiiiiiiiide letters, and a last word"),
        QStringLiteral("파일 관리자의 「다음으로 열기」 에는 이미 있어요"),
    };
    for (const QString& text : texts) {
        QLabel* note = form->addNote(text);
        const QSize hint = note->sizeHint();
        ASSERT_LT(hint.width(), 360) << text.toStdString();
        const int oneLine = note->heightForWidth(10000);
        EXPECT_EQ(note->heightForWidth(hint.width()), oneLine) << text.toStdString();
        EXPECT_EQ(hint.height(), oneLine) << text.toStdString();
    }
}

TEST_F(Form, theGridPlacesLabelsControlsNotesAndSeparators)
{
    auto* labelled = form->addRow(QStringLiteral("글꼴"), new QLabel(QStringLiteral("a")));
    auto* unlabelled = form->addRow(std::nullopt, new QLabel(QStringLiteral("b")), false);
    auto* note = form->addNote(QStringLiteral("서식 없는 글에 끼어들지 않게 처음엔 꺼 둬요"));
    form->addSeparator();
    load();

    EXPECT_EQ(labelled->text(), QStringLiteral("글꼴:"));
    EXPECT_TRUE(labelled->alignment() & Qt::AlignRight);
    EXPECT_EQ(unlabelled->text(), QString());
    EXPECT_EQ(form->unalignedRows(), std::set<std::size_t>{1});

    auto* grid = qobject_cast<QGridLayout*>(form->grid()->layout());
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->verticalSpacing(), 8);
    EXPECT_EQ(grid->horizontalSpacing(), 10);
    int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
    // The note stands in the control column beside an empty cell.
    grid->getItemPosition(grid->indexOf(note), &row, &column, &rowSpan, &columnSpan);
    EXPECT_EQ(std::make_tuple(row, column, columnSpan), std::make_tuple(2, 1, 1));
    QWidget* noteLabelCell = grid->itemAtPosition(2, 0)->widget();
    EXPECT_EQ(qobject_cast<QLabel*>(noteLabelCell), nullptr);
    EXPECT_LE(note->sizeHint().width(), 360);
    // The separator spans both columns.
    QWidget* separator = form->rows()[3][0];
    grid->getItemPosition(grid->indexOf(separator), &row, &column, &rowSpan, &columnSpan);
    EXPECT_EQ(std::make_tuple(row, column, columnSpan), std::make_tuple(3, 0, 2));

    // Insets and the least width of the view.
    const QMargins margins = view->layout()->contentsMargins();
    EXPECT_EQ(margins, QMargins(24, 20, 24, 20));
    EXPECT_GE(view->minimumWidth(), 540);
}

} // namespace
