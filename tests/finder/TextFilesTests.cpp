#include "finder/FinderTexts.h"
#include "finder/TextFiles.h"

#include <gtest/gtest.h>

using namespace OrluneViewerFinder;

TEST(TextFiles, namesAreJudgedByTheirExtension)
{
    struct Case
    {
        const char* name;
        bool isText;
    };
    const Case cases[] = {
        {"notes.txt", true},        {"Makefile", true}, // no extension
        {".bashrc", true},                              // a leading dot starts no extension
        {"draft.", true},                               // nor does a final one
        {"README.md", true},        {"main.c", true},          {"tool.py", true},
        {"data.json", true},        {"page.html", true},       {"layout.xml", true},
        {"Info.plist", true}, // the database does not know these as text
        {"INFO.PLIST", true},       {"main.swift", true},      {"Localizable.strings", true},
        {"Project.xcconfig", true}, {"run.zsh", true},         {"photo.png", false},
        {"paper.pdf", false},       {"archive.tar.gz", false}, {"program.exe", false},
        {"thing.qqqzzz", false}, // unknown data
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TextFiles::isTextFileName(c.name), c.isText);
    }
}

TEST(TextFiles, extensionIsWhatFollowsTheLastDot)
{
    EXPECT_EQ(TextFiles::extension("a.tar.gz"), "gz");
    EXPECT_EQ(TextFiles::extension("Makefile"), "");
    EXPECT_EQ(TextFiles::extension(".profile"), "");
    EXPECT_EQ(TextFiles::extension(".config.swp"), "swp");
    EXPECT_EQ(TextFiles::extension("draft."), "");
}

TEST(FinderTexts, titlesFollowTheFirstLanguageThatHasThem)
{
    struct Case
    {
        const char* name;
        std::vector<std::string> languages;
        const char* open;
        const char* create;
    };
    const Case cases[] = {
        {"Korean", {"ko_KR.UTF-8", "ko_KR", "ko", "C"}, "Orlune Viewer로 열기", "새 파일 만들기"},
        {"English", {"en_GB.UTF-8", "en_GB", "en", "C"}, "Open in Orlune Viewer", "New Text File"},
        {"Japanese",
         {"ja_JP.UTF-8@variant", "ja", "C"},
         "Orlune Viewerで開く",
         "新規テキストファイル"},
        {"German first, then Japanese",
         {"de_DE", "de", "ja"},
         "Orlune Viewerで開く",
         "新規テキストファイル"},
        {"no known language", {"de_DE.UTF-8", "C"}, "Orlune Viewer로 열기", "새 파일 만들기"},
        {"no language at all", {}, "Orlune Viewer로 열기", "새 파일 만들기"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FinderTexts::localized(FinderTexts::openInEditor, c.languages), c.open);
        EXPECT_EQ(FinderTexts::localized(FinderTexts::newTextFile, c.languages), c.create);
    }
    EXPECT_EQ(FinderTexts::localized("없는 문구", std::vector<std::string>{"en"}), "없는 문구");
}
