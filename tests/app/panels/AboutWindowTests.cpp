#include "app/kit/Localized.h"
#include "app/panels/AboutWindow.h"
#include "app/panels/LicensesWindow.h"
#include "app/views/EditorFont.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

using EditorPanels::AboutWindow;
using EditorPanels::LicensesWindow;

namespace {

struct LicenceFolder : ::testing::Test
{
    std::filesystem::path folder;

    void SetUp() override
    {
        char pattern[] = "/tmp/olv-licences-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        folder = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    void write(const std::string& name, const std::string& bytes)
    {
        std::ofstream(folder / name, std::ios::binary) << bytes;
    }

    std::vector<std::string> listed()
    {
        std::vector<std::string> names;
        for (const auto& file : LicensesWindow::licenseFiles(folder))
            names.push_back(file.filename().string());
        return names;
    }
};

} // namespace

TEST(AboutWindow, theVersionLineShowsAQuestionMarkForAMissingValue)
{
    struct Case
    {
        const char* name;
        AboutWindow::Version version;
        QString expected;
    };
    const std::vector<Case> cases = {
        {"both", {"0.8.2", "19"}, QStringLiteral("판 0.8.2 (빌드 19)")},
        {"no build", {"0.8.2", std::nullopt}, QStringLiteral("판 0.8.2 (빌드 ?)")},
        {"neither", {std::nullopt, std::nullopt}, QStringLiteral("판 ? (빌드 ?)")},
        // A value is put in as it stands, even one that looks like a placeholder.
        {"a placeholder in a value", {"%@", "7"}, QStringLiteral("판 %@ (빌드 7)")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(AboutWindow::versionLine(c.version.shortVersion, c.version.build), c.expected);
    }
}

TEST(AboutWindow, isBuiltOnceWithItsLinesAndComesBackCentredAfterClosing)
{
    AboutWindow about(AboutWindow::Version{"1.2", std::nullopt});
    QWidget* window = about.window();
    EXPECT_EQ(window->size(), QSize(AboutWindow::windowWidth, AboutWindow::windowHeight));
    EXPECT_EQ(window->windowTitle(), EditorKit::localized("Orlune Viewer에 관하여"));
    EXPECT_EQ(about.versionLabel()->text(), QStringLiteral("판 1.2 (빌드 ?)"));
    EXPECT_TRUE(about.versionLabel()->textInteractionFlags() & Qt::TextSelectableByMouse);
    EXPECT_EQ(about.licensesButton()->text(), EditorKit::localized("쓴 부품과 라이선스"));
    EXPECT_FALSE(EditorPanels::applicationIcon().isNull());

    about.showWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    const QPoint centred = window->pos();
    window->move(centred + QPoint(50, 40));
    about.showWindow();
    EXPECT_EQ(window->pos(), centred + QPoint(50, 40));
    window->close();
    about.showWindow();
    EXPECT_EQ(window->pos(), centred);
    window->close();
}

TEST_F(LicenceFolder, onlyExactTxtEntriesSortedByTheWholeName)
{
    write("b.txt", "b");
    write("a-b.txt", "ab");
    write("a.txt", "a");
    write("Z.txt", "z");
    write("upper.TXT", "left out");
    write("notes.md", "left out");
    write("archive.txt.gz", "left out");
    write(".hidden.txt", "hidden entries count");
    EXPECT_EQ(listed(),
              (std::vector<std::string>{".hidden.txt", "Z.txt", "a-b.txt", "a.txt", "b.txt"}));
    EXPECT_TRUE(LicensesWindow::licenseFiles(folder / "missing").empty());
    EXPECT_TRUE(LicensesWindow::licenseFiles(std::nullopt).empty());
}

TEST_F(LicenceFolder, headingsShowHyphensAsDotsAndBadTextGivesAnEmptyBody)
{
    EXPECT_EQ(LicensesWindow::heading("/x/Tree sitter-JSON-grammar.txt"),
              QStringLiteral("Tree sitter · JSON · grammar"));
    EXPECT_EQ(LicensesWindow::heading("/x/a.b.txt"), QStringLiteral("a.b"));

    write("Good-one.txt", "caf\xC3\xA9 \xED\x95\x9C\n");
    write("Latin.txt", "caf\xE9\n");
    write("Cut.txt", "ok \xED\x95");
    std::filesystem::create_directory(folder / "Folder.txt");
    EXPECT_EQ(LicensesWindow::body(folder / "Good-one.txt"), QStringLiteral("café 한\n"));
    EXPECT_EQ(LicensesWindow::body(folder / "Latin.txt"), QString());
    EXPECT_EQ(LicensesWindow::body(folder / "Cut.txt"), QString());
    EXPECT_EQ(LicensesWindow::body(folder / "Folder.txt"), QString());
    EXPECT_EQ(LicensesWindow::body(folder / "Missing.txt"), QString());

    LicensesWindow licences(folder);
    EXPECT_EQ(licences.textView()->toPlainText(),
              QStringLiteral("Cut\n\n\n\nFolder\n\n\n\nGood · one\n\ncafé 한\n\n\nLatin\n\n\n\n"));
    // Bodies in the editor font at 0.85 of its size, headings in the bold interface font.
    const QFont editor = EditorViews::editorFont(std::nullopt, std::nullopt, 0.85);
    const QTextCursor body = licences.textView()->document()->find(QStringLiteral("café"));
    ASSERT_FALSE(body.isNull());
    EXPECT_EQ(body.charFormat().font().family(), editor.family());
    EXPECT_EQ(body.charFormat().font().pixelSize(), editor.pixelSize());
    const QTextCursor title = licences.textView()->document()->find(QStringLiteral("Good · one"));
    ASSERT_FALSE(title.isNull());
    EXPECT_TRUE(title.charFormat().font().bold());
    EXPECT_TRUE(licences.textView()->isReadOnly());
    EXPECT_TRUE(licences.textView()->textInteractionFlags() & Qt::TextSelectableByMouse);
    EXPECT_EQ(licences.window()->size(),
              QSize(LicensesWindow::windowWidth, LicensesWindow::windowHeight));
}

TEST_F(LicenceFolder, anEmptyFolderGivesAnEmptyWindow)
{
    write("only.TXT", "left out");
    LicensesWindow licences(folder);
    EXPECT_EQ(licences.textView()->toPlainText(), QString());
}
