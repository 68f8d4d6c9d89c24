#include "app/settings/SettingsWindowController.h"
#include "app/views/EditorFont.h"
#include "app/window/DisplayNames.h"
#include "tests/app/settings/SettingsTestSupport.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

#include <memory>

namespace {

using EditorSettings::SettingsPane;
using EditorSettings::SettingsWindowController;
using EditorStore::SettingGroup;
using EditorStore::SettingKeys;
using SettingsTests::RecordingPresenter;
using SettingsTests::SettingsTest;

// One pane, built by its builder, in a window of its own.
class Panes : public SettingsTest
{
protected:
    void TearDown() override
    {
        host.reset();
        SettingsTest::TearDown();
    }

    template<class Build>
    SettingsPane& build(const QString& title, SettingGroup group, Build builder)
    {
        host = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(host.get());
        pane = new SettingsPane(title, "x", group, {nullptr, presenter, {}});
        builder(pane->form(), *pane);
        pane->loadView();
        layout->addWidget(pane);
        host->show();
        return *pane;
    }

    SettingsPane& buildEditorPane()
    {
        return build(QStringLiteral("편집"),
                     SettingGroup::editor,
                     &SettingsWindowController::makeEditorPane);
    }
    SettingsPane& buildFilePane()
    {
        return build(
            QStringLiteral("파일"), SettingGroup::file, &SettingsWindowController::makeFilePane);
    }
    SettingsPane& buildViewPane(QStringList installed = {QStringLiteral("DejaVu Sans Mono")})
    {
        SettingsWindowController::ViewPaneSources sources;
        sources.fixedPitchFamilies = [installed] { return installed; };
        sources.grammarHost = [] { return QStringLiteral("grammars.example.org"); };
        return build(QStringLiteral("보기"),
                     SettingGroup::view,
                     [sources](EditorSettings::SettingsForm& form, SettingsPane& built) {
                         SettingsWindowController::makeViewPane(form, built, sources);
                     });
    }

    template<class T>
    T* withText(const QString& text) const
    {
        for (T* widget : host->findChildren<T*>()) {
            if (widget->text() == text)
                return widget;
        }
        ADD_FAILURE() << "no control " << text.toStdString();
        return nullptr;
    }
    // The pop-up whose first item is `first`.
    QComboBox* popupStartingWith(const QString& first) const
    {
        for (auto* popup : host->findChildren<QComboBox*>()) {
            if (popup->count() > 0 && popup->itemText(0) == first)
                return popup;
        }
        ADD_FAILURE() << "no pop-up starting with " << first.toStdString();
        return nullptr;
    }
    QLabel* labelStartingWith(const QString& start) const
    {
        for (auto* label : host->findChildren<QLabel*>()) {
            if (label->text().startsWith(start))
                return label;
        }
        ADD_FAILURE() << "no label starting with " << start.toStdString();
        return nullptr;
    }
    static void choose(QComboBox* popup, const QString& title)
    {
        const int index = popup->findText(title);
        ASSERT_GE(index, 0) << title.toStdString();
        popup->setCurrentIndex(index);
        emit popup->activated(index);
    }

    std::shared_ptr<RecordingPresenter> presenter = std::make_shared<RecordingPresenter>();
    std::unique_ptr<QWidget> host;
    SettingsPane* pane = nullptr;
};

TEST_F(Panes, editIndentationRadiosAndWidthPopup)
{
    buildEditorPane();
    auto* tabs = withText<QRadioButton>(QStringLiteral("탭"));
    auto* spaces = withText<QRadioButton>(QStringLiteral("공백"));
    ASSERT_TRUE(tabs && spaces);
    EXPECT_TRUE(tabs->isChecked());
    spaces->click();
    EXPECT_FALSE(settings().value(SettingKeys::editorIndentUseTabs));
    EXPECT_TRUE(spaces->isChecked());
    EXPECT_FALSE(tabs->isChecked());

    QComboBox* width = popupStartingWith(QStringLiteral("1"));
    ASSERT_NE(width, nullptr);
    ASSERT_EQ(width->count(), 16);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(width->itemText(i), QString::number(i + 1));
    EXPECT_EQ(width->currentText(), QStringLiteral("4"));
    EXPECT_TRUE(width->isEnabled()) << "usable with spaces too";
    choose(width, QStringLiteral("16"));
    EXPECT_EQ(settings().value(SettingKeys::editorIndentWidth), 16);
    EXPECT_EQ(pane->form().labels().at("editor.indent.width"), QStringLiteral("들여쓰기 너비"));
}

TEST_F(Panes, editDatePreviewFollowsEveryKeystrokeAndKeepsTheLastStoredFormat)
{
    buildEditorPane();
    ASSERT_TRUE(QTest::qWaitForWindowActive(host.get()));
    auto* field = host->findChild<EditorSettings::ActionTextField*>();
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->text(), QStringLiteral("yyyy-MM-dd HH:mm"));
    EXPECT_EQ(field->width(), 180);
    QLabel* preview = labelStartingWith(QStringLiteral("넣으면: "));
    ASSERT_NE(preview, nullptr);
    EXPECT_GT(preview->text().size(), QStringLiteral("넣으면: ").size());

    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    EXPECT_EQ(settings().value(SettingKeys::editorDateFormat), "yyyy-MM-dd HH:mm")
        << "an empty format is refused";
    // The era is the one field whose text does not move with the clock.
    const std::pair<char, const char*> steps[] = {
        {'G', "넣으면: AD"}, {' ', "넣으면: AD "}, {'G', "넣으면: AD AD"}};
    for (const auto& [key, shown] : steps) {
        QTest::keyClicks(field, QString(QLatin1Char(key)));
        EXPECT_EQ(preview->text(), QString::fromUtf8(shown));
    }
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    EXPECT_EQ(field->text(), QString());
    EXPECT_EQ(preview->text(), QStringLiteral("넣으면: AD AD"));
    EXPECT_EQ(settings().value(SettingKeys::editorDateFormat), "G G");
}

TEST_F(Panes, fileEncodingsAreTheThirteenChoicesWithoutEucKr)
{
    buildFilePane();
    QComboBox* encodings = popupStartingWith(QStringLiteral("UTF-8"));
    ASSERT_NE(encodings, nullptr);
    EXPECT_EQ(encodings->count(), 13);
    for (int i = 0; i < encodings->count(); ++i)
        EXPECT_FALSE(encodings->itemText(i).contains(QStringLiteral("EUC-KR")));
    choose(encodings, EditorWindow::DisplayNames::displayName(EditorCore::TextEncoding::utf16LE));
    EXPECT_EQ(settings().value(SettingKeys::fileNewEncoding), "utf-16le");
}

TEST_F(Panes, fileByteOrderMarkIsOfferedOnlyForEncodingsThatHaveOne)
{
    settings().set(true, SettingKeys::fileNewBOM);
    buildFilePane();
    auto* bom = withText<QCheckBox>(QStringLiteral("BOM 넣기"));
    QComboBox* encodings = popupStartingWith(QStringLiteral("UTF-8"));
    ASSERT_TRUE(bom && encodings);
    EXPECT_TRUE(bom->isEnabled());
    EXPECT_TRUE(bom->isChecked());

    choose(encodings, EditorWindow::DisplayNames::displayName(EditorCore::TextEncoding::shiftJIS));
    EXPECT_FALSE(bom->isEnabled());
    EXPECT_FALSE(bom->isChecked());
    EXPECT_TRUE(settings().value(SettingKeys::fileNewBOM)) << "only the screen changes";

    choose(encodings, QStringLiteral("UTF-8"));
    EXPECT_TRUE(bom->isEnabled());
    EXPECT_TRUE(bom->isChecked());
    bom->click();
    EXPECT_FALSE(settings().value(SettingKeys::fileNewBOM));
    EXPECT_EQ(pane->form().labels().at("file.new.bom"), QStringLiteral("BOM 넣기"));
}

TEST_F(Panes, fileLargeFileSizeIsClampedAndTheResetRestoresTheDefaults)
{
    buildFilePane();
    auto* field = host->findChild<QLineEdit*>();
    ASSERT_NE(field, nullptr);
    field->setText(QStringLiteral("600"));
    emit field->editingFinished();
    EXPECT_EQ(settings().value(SettingKeys::fileLargeFileMB), 512);
    EXPECT_EQ(field->text(), QStringLiteral("512"));

    settings().set("cp949", SettingKeys::fileNewEncoding);
    settings().set(true, SettingKeys::fileNewBOM);
    settings().set("crlf", SettingKeys::fileNewLineEnding);
    pane->resetButton()->click();
    ASSERT_EQ(presenter->alerts.size(), 1u);
    EXPECT_EQ(presenter->alerts[0].informativeText,
              QStringLiteral("바뀌는 것: 새 문서 인코딩, BOM 넣기, 새 문서 줄끝, 큰 파일 기준"));
    EXPECT_EQ(settings().value(SettingKeys::fileNewEncoding), "utf-8");
    EXPECT_FALSE(settings().value(SettingKeys::fileNewBOM));
    EXPECT_EQ(settings().value(SettingKeys::fileNewLineEnding), "lf");
    EXPECT_EQ(settings().value(SettingKeys::fileLargeFileMB), 100);
    EXPECT_EQ(popupStartingWith(QStringLiteral("UTF-8"))->currentIndex(), 0);
    EXPECT_EQ(popupStartingWith(QStringLiteral("LF (맥 · 리눅스)"))->currentIndex(), 0);
    EXPECT_EQ(field->text(), QStringLiteral("100"));
    EXPECT_FALSE(pane->resetButton()->isEnabled());
}

TEST(ViewPaneFamilies, dCodingFirstThenTheOthersInFileNameOrder)
{
    struct Case
    {
        const char* name;
        QStringList installed;
        QString stored;
        QStringList expected;
    };
    const QStringList installed = {QStringLiteral("Noto Sans Mono"),
                                   QStringLiteral("font 10"),
                                   QStringLiteral("D2Coding"),
                                   QStringLiteral(".Hidden Mono"),
                                   QStringLiteral("Font 2"),
                                   QStringLiteral("DejaVu Sans Mono")};
    const Case cases[] = {
        {"the default stored",
         installed,
         QStringLiteral("D2Coding"),
         {"D2Coding", "DejaVu Sans Mono", "Font 2", "font 10", "Noto Sans Mono"}},
        {"D2Coding not installed",
         {QStringLiteral("Noto Sans Mono")},
         QStringLiteral("D2Coding"),
         {"D2Coding", "Noto Sans Mono"}},
        {"a stored family that is not fixed-pitch",
         installed,
         QStringLiteral("Liberation Sans"),
         {"D2Coding",
          "DejaVu Sans Mono",
          "Font 2",
          "font 10",
          "Liberation Sans",
          "Noto Sans Mono"}},
        {"a hidden family only when stored",
         installed,
         QStringLiteral(".Hidden Mono"),
         {"D2Coding", ".Hidden Mono", "DejaVu Sans Mono", "Font 2", "font 10", "Noto Sans Mono"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SettingsWindowController::fixedPitchFontFamilies(c.installed, c.stored),
                  c.expected);
    }
}

TEST(ViewPaneFamilies, theFontDatabaseGivesTheInstalledDCoding)
{
    if (!QFontDatabase::hasFamily(QStringLiteral("D2Coding")))
        GTEST_SKIP() << "fonts-naver-d2coding is not installed";
    const QStringList families = SettingsWindowController::installedFixedPitchFamilies();
    EXPECT_TRUE(families.contains(QStringLiteral("D2Coding")));
    EXPECT_FALSE(families.contains(QStringLiteral("DejaVu Sans")))
        << "a proportional family is not offered";
}

TEST_F(Panes, viewFontRowShowsStoredValuesExactly)
{
    settings().set(13.5, SettingKeys::viewFontSize);
    buildViewPane();
    QComboBox* family = popupStartingWith(QStringLiteral("D2Coding"));
    QComboBox* size = popupStartingWith(QStringLiteral("8"));
    QComboBox* spacing = popupStartingWith(QStringLiteral("1.0"));
    ASSERT_TRUE(family && size && spacing);
    EXPECT_EQ(size->count(), 19);
    EXPECT_EQ(size->itemText(18), QStringLiteral("72"));
    EXPECT_EQ(size->currentText(), QStringLiteral("8")) << "13.5 is none of the choices";
    EXPECT_EQ(settings().value(SettingKeys::viewFontSize), 13.5);
    EXPECT_EQ(spacing->count(), 11);
    EXPECT_EQ(spacing->currentText(), QStringLiteral("1.4"));
    EXPECT_EQ(SettingsWindowController::lineSpacingChoices()[4], 1.4);
    EXPECT_EQ(pane->form().labels().at("view.font.size"), QStringLiteral("글자 크기"));
    for (auto* label : host->findChildren<QLabel*>())
        EXPECT_NE(label->text(), QStringLiteral("글자 크기:")) << "recorded, not shown";
}

TEST_F(Panes, viewSampleFollowsASizeChangeMadeElsewhere)
{
    buildViewPane();
    auto* sample = host->findChild<QLabel*>(QStringLiteral("fontSample"));
    ASSERT_NE(sample, nullptr);
    EXPECT_EQ(sample->text(), QStringLiteral("port = 8080   한글 미리 보기 0O 1lI"));
    EXPECT_GE(sample->parentWidget()->width(), 380);
    EXPECT_EQ(sample->font().pixelSize(), 13);
    settings().set(20.0, SettingKeys::viewFontSize);
    EXPECT_EQ(sample->font().pixelSize(), 20);
    EXPECT_EQ(popupStartingWith(QStringLiteral("8"))->currentText(), QStringLiteral("20"));
    const QFont before = sample->font();
    settings().set(2.0, SettingKeys::viewLineSpacing);
    EXPECT_EQ(sample->font(), before);
    EXPECT_EQ(before,
              EditorViews::editorFont(
                  std::nullopt, std::nullopt, 1.0, {QStringLiteral("D2Coding"), 20.0, 1.4}));
}

TEST_F(Panes, viewResetNamesTheChangedCheckBoxesAndRestoresEveryRow)
{
    buildViewPane();
    EXPECT_NE(withText<QCheckBox>(
                  QStringLiteral("언어 문법 저절로 받기 (인터넷 · grammars.example.org)")),
              nullptr);
    withText<QCheckBox>(QStringLiteral("줄 번호"))->click();
    withText<QCheckBox>(QStringLiteral("지금 줄 강조"))->click();
    presenter->answer = 1;
    pane->resetButton()->click();
    ASSERT_EQ(presenter->alerts.size(), 1u);
    EXPECT_EQ(presenter->alerts[0].text, QStringLiteral("「보기」 설정을 기본값으로 되돌릴까요?"));
    EXPECT_EQ(presenter->alerts[0].informativeText,
              QStringLiteral("바뀌는 것: 줄 번호, 지금 줄 강조"));

    // Every row away from its default, then the reset.
    choose(popupStartingWith(QStringLiteral("D2Coding")), QStringLiteral("DejaVu Sans Mono"));
    choose(popupStartingWith(QStringLiteral("8")), QStringLiteral("24"));
    choose(popupStartingWith(QStringLiteral("1.0")), QStringLiteral("2.0"));
    withText<QRadioButton>(QStringLiteral("어둡게"))->click();
    for (const char* title : {"자동 줄바꿈",
                              "숨은 문자 보기",
                              "도구 띠 보기",
                              "새 탭에 자 보기 (cm)",
                              "상태 줄 보기",
                              "탭이 하나여도 탭 줄 보기",
                              "언어에 맞춰 색칠",
                              "언어 문법 저절로 받기 (인터넷 · grammars.example.org)"})
        withText<QCheckBox>(QString::fromUtf8(title))->click();
    host->findChild<EditorSettings::SettingsStepper*>()->stepUp();
    settings().set(false, SettingKeys::viewSyntaxErrors);
    presenter->answer = 0;
    pane->resetButton()->click();
    EXPECT_TRUE(settings().storedKeys(SettingGroup::view).empty());

    EXPECT_EQ(popupStartingWith(QStringLiteral("D2Coding"))->currentText(),
              QStringLiteral("D2Coding"));
    EXPECT_EQ(popupStartingWith(QStringLiteral("8"))->currentText(), QStringLiteral("13"));
    EXPECT_EQ(popupStartingWith(QStringLiteral("1.0"))->currentText(), QStringLiteral("1.4"));
    EXPECT_TRUE(withText<QRadioButton>(QStringLiteral("시스템 따라"))->isChecked());
    EXPECT_FALSE(withText<QRadioButton>(QStringLiteral("어둡게"))->isChecked());
    const std::pair<const char*, bool> boxes[] = {
        {"자동 줄바꿈", true},
        {"줄 번호", false},
        {"지금 줄 강조", false},
        {"숨은 문자 보기", false},
        {"새 탭에 자 보기 (cm)", true},
        {"도구 띠 보기", true},
        {"상태 줄 보기", true},
        {"탭이 하나여도 탭 줄 보기", true},
        {"언어에 맞춰 색칠", true},
        {"언어 문법 저절로 받기 (인터넷 · grammars.example.org)", false},
    };
    for (const auto& [title, on] : boxes)
        EXPECT_EQ(withText<QCheckBox>(QString::fromUtf8(title))->isChecked(), on) << title;
    EXPECT_EQ(host->findChild<QLineEdit*>()->text(), QStringLiteral("2"));
}

TEST_F(Panes, viewKeysWithoutARowLabelEnableTheResetButNameNothing)
{
    buildViewPane();
    host->show();
    struct Case
    {
        const char* name;
        std::function<void()> store;
    };
    const Case cases[] = {
        {"syntax errors", [] { settings().set(false, SettingKeys::viewSyntaxErrors); }},
        {"colouring limit", [] { settings().set(5, SettingKeys::syntaxMaxMB); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        settings().reset(SettingGroup::view);
        c.store();
        EXPECT_TRUE(pane->resetButton()->isEnabled());
        pane->resetButton()->click();
        EXPECT_TRUE(presenter->alerts.empty());
        EXPECT_EQ(settings().storedKeys(SettingGroup::view).size(), 1u);
    }
}

} // namespace
