#include "app/kit/Localized.h"
#include "app/settings/CommandLineToolSheet.h"
#include "app/settings/FinderMenuSheet.h"
#include "tests/app/settings/SheetTestSupport.h"

#include <QAbstractButton>
#include <QDir>
#include <QLabel>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#ifdef OLV_TEST_FINDER_TEXTS
#include "finder/FinderTexts.h"
#endif

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;
using EditorKit::localized;
using EditorSettings::FinderMenuSheet;
using SettingsTests::ManualSheetTimer;
using SettingsTests::ManualTimerState;

TEST(FinderMenuSheet, turnsOnAndOffAsTheModuleComesAndGoesAndOpensTheHomeFolder)
{
    QTemporaryDir dir;
    const fs::path folder = dir.path().toStdString();
    auto timer = std::make_shared<ManualTimerState>();
    std::vector<QUrl> opened;
    FinderMenuSheet::Environment environment;
    environment.extensionFolder = folder;
    environment.openUrl = [&](const QUrl& url) {
        opened.push_back(url);
        return true;
    };
    environment.timer = std::make_unique<ManualSheetTimer>(timer);
    QPointer<FinderMenuSheet> sheet = new FinderMenuSheet(std::move(environment));
    sheet->show();
    ASSERT_TRUE(timer->active);

    const QString off = localized("● 아직 꺼져 있어요");
    const QString on = localized("● 켜졌어요 — Finder 에서 바로 쓸 수 있어요");
    EXPECT_EQ(sheet->statusLabel()->text(), off);
    EXPECT_FALSE(sheet->statusLabel()->wordWrap());
    timer->fire();
    EXPECT_EQ(sheet->statusLabel()->text(), off);

    std::ofstream(folder / FinderMenuSheet::moduleFileName()) << "module";
    EXPECT_EQ(sheet->statusLabel()->text(), off);
    timer->fire();
    EXPECT_EQ(sheet->statusLabel()->text(), on);

    fs::remove(folder / FinderMenuSheet::moduleFileName());
    timer->fire();
    EXPECT_EQ(sheet->statusLabel()->text(), off);

    // Return runs the button, Escape closes.
    QTest::keyClick(sheet.data(), Qt::Key_Return);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], QUrl::fromLocalFile(QDir::homePath()));
    bool closed = false;
    sheet->onClose = [&] { closed = true; };
    QTest::keyClick(sheet.data(), Qt::Key_Escape);
    EXPECT_TRUE(closed);
    EXPECT_FALSE(timer->active);
    delete sheet.data();
}

TEST(FinderMenuSheet, aFolderNamedLikeTheModuleIsNotTheModule)
{
    QTemporaryDir dir;
    const fs::path folder = dir.path().toStdString();
    fs::create_directory(folder / FinderMenuSheet::moduleFileName());
    EXPECT_FALSE(FinderMenuSheet::isModuleInstalled(folder));
    EXPECT_FALSE(FinderMenuSheet::isModuleInstalled({}));
}

} // namespace

namespace {

// Every text the two sheets can show, in each language; Korean speaks of this system, not of
// disk images, Finder or System Settings.
TEST(FinderMenuSheet, theSheetsTextsAreTranslatedAndSpeakOfThisSystem)
{
    QTemporaryDir dir;
    const fs::path root = dir.path().toStdString();
    EditorSettings::CommandLineTool::Paths paths;
    paths.applicationFolder = root / "app";
    paths.link = root / "bin" / "olv";
    fs::create_directories(paths.linkFolder());
    fs::create_symlink("/other/olv", paths.link);

    auto textsOf = [](QWidget* sheet) {
        QStringList texts;
        for (auto* label : sheet->findChildren<QLabel*>())
            texts << label->text();
        for (auto* button : sheet->findChildren<QAbstractButton*>())
            texts << button->text();
        return texts;
    };
    auto collect = [&] {
        QStringList texts;
        for (bool readOnly : {false, true}) {
            EditorSettings::CommandLineToolSheet::Environment environment;
            environment.paths = paths;
            environment.isTranslocated = [readOnly] { return readOnly; };
            EditorSettings::CommandLineToolSheet tool(std::move(environment));
            texts << textsOf(&tool);
        }
        for (bool on : {false, true}) {
            if (on)
                std::ofstream(root / FinderMenuSheet::moduleFileName()) << "module";
            FinderMenuSheet::Environment environment;
            environment.extensionFolder = root;
            FinderMenuSheet guide(std::move(environment));
            texts << textsOf(&guide);
        }
        fs::remove(root / FinderMenuSheet::moduleFileName());
        return texts;
    };
    auto hasHangul = [](const QString& text) {
        return std::any_of(text.begin(), text.end(), [](QChar c) {
            return c.unicode() >= 0xAC00 && c.unicode() <= 0xD7A3;
        });
    };
    for (const char* language : {"en", "ja"}) {
        SCOPED_TRACE(language);
        ASSERT_TRUE(EditorKit::installTranslation(QString::fromLatin1(language)));
        for (const QString& text : collect())
            EXPECT_FALSE(hasHangul(text)) << text.toStdString();
    }
    ASSERT_TRUE(EditorKit::installTranslation(QStringLiteral("ko")));
    for (const QString& text : collect()) {
        for (const char* word : {"Finder", "디스크 이미지", "시스템 설정", "응용 프로그램 폴더"})
            EXPECT_FALSE(text.contains(QString::fromUtf8(word))) << text.toStdString();
    }
    // Later tests of this program read the Korean texts themselves.
    EditorKit::installTranslation(QString());
}

// Every text of the guide shows whole in the laid-out sheet, in each language: a label is as
// wide as its one-line text needs, a wrapped label as tall as its lines at its width, and each
// lies inside the sheet.
TEST(FinderMenuSheet, everyTextOfTheGuideFitsItsPlace)
{
    QTemporaryDir dir;
    for (const char* language : {"en", "ja", "ko"}) {
        SCOPED_TRACE(language);
        ASSERT_TRUE(EditorKit::installTranslation(QString::fromLatin1(language)));
        FinderMenuSheet::Environment environment;
        environment.extensionFolder = fs::path(dir.path().toStdString());
        FinderMenuSheet sheet(std::move(environment));
        sheet.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&sheet));
        for (QLabel* label : sheet.findChildren<QLabel*>()) {
            if (!label->isVisible() || label->text().isEmpty())
                continue;
            SCOPED_TRACE(label->text().toStdString());
            const QRect place = label->contentsRect();
            if (label->wordWrap()) {
                EXPECT_LE(label->heightForWidth(label->width()), label->height());
            } else {
                const QSize needed = label->fontMetrics().size(0, label->text());
                EXPECT_LE(needed.width(), place.width());
                EXPECT_LE(needed.height(), place.height());
            }
            const QRect inSheet(label->mapTo(&sheet, QPoint(0, 0)), label->size());
            EXPECT_TRUE(sheet.rect().contains(inSheet));
            // Inside whatever box it is drawn in.
            if (QWidget* box = label->parentWidget(); box && box != &sheet) {
                EXPECT_TRUE(box->rect().contains(label->geometry()));
            }
        }
    }
    EditorKit::installTranslation(QString());
}

#ifdef OLV_TEST_FINDER_TEXTS
// The General pane's note names the two items exactly as the file manager's menu shows them,
// in every language.
TEST(FinderMenuSheet, theNoteNamesTheItemsAsTheMenuDoes)
{
    namespace FinderTexts = OrluneViewerFinder::FinderTexts;
    constexpr std::string_view note =
        "파일을 오른쪽 클릭하면 「Orlune Viewer로 열기」 · 폴더 빈 곳에 「새 파일 만들기」";
    for (const char* language : {"ko", "en", "ja"}) {
        SCOPED_TRACE(language);
        ASSERT_TRUE(EditorKit::installTranslation(QString::fromLatin1(language)));
        const std::vector<std::string> languages{language};
        const QString text = localized(note);
        for (auto title : {FinderTexts::openInEditor, FinderTexts::newTextFile}) {
            const auto shown = QString::fromStdString(FinderTexts::localized(title, languages));
            EXPECT_TRUE(text.contains(shown)) << text.toStdString() << " / " << shown.toStdString();
        }
    }
    EditorKit::installTranslation(QString());
}
#endif

} // namespace

namespace {

TEST(FinderMenuSheet, theShippedTimerRunsOnlyWhileTheSheetIsShown)
{
    QTemporaryDir dir;
    FinderMenuSheet::Environment environment;
    environment.extensionFolder = fs::path(dir.path().toStdString());
    QPointer<FinderMenuSheet> sheet = new FinderMenuSheet(std::move(environment));
    EXPECT_FALSE(sheet->timer().isActive());
    sheet->show();
    EXPECT_TRUE(sheet->timer().isActive());
    // The real timer turns the status on within a second of the module's arrival.
    std::ofstream(fs::path(dir.path().toStdString()) / FinderMenuSheet::moduleFileName()) << "m";
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return sheet->statusLabel()->text()
                   == localized("● 켜졌어요 — Finder 에서 바로 쓸 수 있어요");
        },
        3000));
    sheet->hide();
    EXPECT_FALSE(sheet->timer().isActive());
    delete sheet.data();
}

} // namespace
