#include "app/kit/Localized.h"
#include "app/settings/CommandLineToolSheet.h"
#include "tests/app/settings/SheetTestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;
namespace Tool = EditorSettings::CommandLineTool;
using EditorKit::localized;
using EditorSettings::CommandLineToolSheet;
using SettingsTests::ManualSheetTimer;
using SettingsTests::ManualTimerState;

class FakeRunner : public EditorDocuments::AdminWriter::PrivilegeRunner
{
public:
    EditorDocuments::AdminWriter::RunResult run(const std::vector<std::string>& arguments) override
    {
        calls.push_back(arguments);
        return result;
    }
    EditorDocuments::AdminWriter::RunResult result;
    std::vector<std::vector<std::string>> calls;
};

class ToolSheet : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const fs::path root = dir.path().toStdString();
        paths.applicationFolder = root / "lib" / "orlune-viewer";
        paths.link = root / "bin" / "olv";
        fs::create_directories(paths.applicationFolder);
        fs::create_directories(paths.linkFolder());
        std::ofstream(paths.innerProgram()) << "#!/bin/sh\n";
    }

    QPointer<CommandLineToolSheet> makeSheet()
    {
        CommandLineToolSheet::Environment environment;
        environment.paths = paths;
        environment.isTranslocated = [this] { return readOnly; };
        environment.runner = runner;
        environment.log = {[this](std::string_view, const std::string&) { ++logged; },
                           [](std::string_view, const std::string&) {}};
        environment.timer = std::make_unique<ManualSheetTimer>(timer);
        sheet = new CommandLineToolSheet(std::move(environment));
        return sheet;
    }

    void TearDown() override { delete sheet.data(); }

    QString linkPath() const { return QString::fromStdString(paths.link.string()); }

    QTemporaryDir dir;
    Tool::Paths paths;
    bool readOnly = false;
    int logged = 0;
    std::shared_ptr<FakeRunner> runner = std::make_shared<FakeRunner>();
    std::shared_ptr<ManualTimerState> timer = std::make_shared<ManualTimerState>();
    QPointer<CommandLineToolSheet> sheet;
};

TEST_F(ToolSheet, statusRowsAndButtonsFollowTheLinkAndThePlace)
{
    struct Case
    {
        const char* name;
        enum { missing, ours, elsewhere } link;
        bool readOnly;
        QString status;
        QString primary;
        bool primaryEnabled;
    };
    const QString other = localized("%@ 가 다른 것을 가리켜요: %@ — 설치하면 이 앱 것으로 바꿔요");
    const QString readOnlyText =
        localized("앱이 디스크 이미지나 내려받은 자리에서 돌고 있어요 — 여기를 가리키면 곧 끊겨요. "
                  "앱을 응용 프로그램 폴더로 옮겨 다시 켠 뒤 설치하세요");
    const std::vector<Case> cases = {
        {"missing",
         Case::missing,
         false,
         localized("설치를 기다리는 중…"),
         localized("설치…"),
         true},
        {"ours",
         Case::ours,
         false,
         localized("● 설치됐어요 — ") + linkPath(),
         localized("지우기…"),
         true},
        {"elsewhere",
         Case::elsewhere,
         false,
         QString(other).replace(other.indexOf("%@"), 2, linkPath()).replace("%@", "/other/olv"),
         localized("설치…"),
         true},
        {"read-only, missing", Case::missing, true, readOnlyText, localized("설치…"), false},
        {"read-only, elsewhere", Case::elsewhere, true, readOnlyText, localized("설치…"), false},
        // Still removable from a read-only place.
        {"read-only, ours",
         Case::ours,
         true,
         localized("● 설치됐어요 — ") + linkPath(),
         localized("지우기…"),
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(paths.link);
        if (c.link == Case::ours)
            fs::create_symlink(paths.innerProgram(), paths.link);
        if (c.link == Case::elsewhere)
            fs::create_symlink("/other/olv", paths.link);
        readOnly = c.readOnly;
        delete sheet.data();
        makeSheet();
        EXPECT_EQ(sheet->statusLabel()->text(), c.status);
        EXPECT_EQ(sheet->primaryButton()->text(), c.primary);
        EXPECT_EQ(sheet->primaryButton()->isEnabled(), c.primaryEnabled);
        EXPECT_EQ(sheet->copyButton()->isEnabled(), !c.readOnly);
        EXPECT_EQ(sheet->hint()->isHidden(), c.readOnly);
        EXPECT_EQ(sheet->commandBox()->isHidden(), c.readOnly);
    }
}

TEST_F(ToolSheet, withoutAnOlvNothingIsOfferedAndTheMissingFileIsNamed)
{
    fs::remove(paths.innerProgram());
    makeSheet();
    EXPECT_EQ(sheet->statusLabel()->text(),
              localized("이 앱 옆에 olv 가 없어 설치할 수 없어요: %@")
                  .replace("%@", QString::fromStdString(paths.innerProgram().string())));
    EXPECT_FALSE(sheet->primaryButton()->isEnabled());
    EXPECT_FALSE(sheet->copyButton()->isEnabled());
    EXPECT_TRUE(sheet->commandBox()->isHidden());
    sheet->primaryButton()->click();
    EXPECT_TRUE(runner->calls.empty());
    EXPECT_FALSE(fs::exists(fs::symlink_status(paths.link)));
}

TEST_F(ToolSheet, aFailureStaysUntilTheUserActsAndTheTimerRunsOnlyWhileShown)
{
    makeSheet();
    runner->result = {std::nullopt, 127, "Not authorized\n"};
    sheet->show();
    ASSERT_TRUE(timer->active);

    // Return presses the primary button.
    QTest::keyClick(sheet.data(), Qt::Key_Return);
    ASSERT_EQ(runner->calls.size(), 1u);
    EXPECT_EQ(runner->calls[0].back(), Tool::installCommand(paths));
    EXPECT_EQ(sheet->statusLabel()->text(),
              localized("하지 못했어요: %@").replace("%@", "Not authorized"));
    EXPECT_EQ(logged, 1);

    // The refreshes keep it: the user has to be able to read it.
    const QString failure = sheet->statusLabel()->text();
    timer->fire();
    timer->fire();
    EXPECT_EQ(sheet->statusLabel()->text(), failure);
    // Copying the command is acting on it.
    sheet->copyCommand();
    EXPECT_EQ(sheet->statusLabel()->text(), localized("설치를 기다리는 중…"));
    // So is pressing again; and a link changed meanwhile ends it too.
    sheet->primaryAction();
    EXPECT_EQ(sheet->statusLabel()->text(), failure);
    runner->result = {std::nullopt, 127, "Not authorized\n"};
    fs::create_symlink("/elsewhere/olv", paths.link);
    timer->fire();
    EXPECT_NE(sheet->statusLabel()->text(), failure);
    fs::remove(paths.link);
    timer->fire();
    EXPECT_EQ(sheet->statusLabel()->text(), localized("설치를 기다리는 중…"));

    // A dismissed prompt says nothing; the state text stays.
    runner->result = {std::nullopt, 126, ""};
    sheet->primaryAction();
    EXPECT_EQ(sheet->statusLabel()->text(), localized("설치를 기다리는 중…"));

    // A link made in a terminal shows at the next tick.
    fs::create_symlink(paths.innerProgram(), paths.link);
    timer->fire();
    EXPECT_EQ(sheet->primaryButton()->text(), localized("지우기…"));

    bool closed = false;
    sheet->onClose = [&] { closed = true; };
    QTest::keyClick(sheet.data(), Qt::Key_Escape);
    EXPECT_TRUE(closed);
    EXPECT_FALSE(timer->active);
}

TEST_F(ToolSheet, thePressReadsTheLinkAgain)
{
    fs::create_symlink(paths.innerProgram(), paths.link);
    makeSheet();
    ASSERT_EQ(sheet->primaryButton()->text(), localized("지우기…"));
    // Changed in a terminal before the tick: the press installs, it never removes.
    fs::remove(paths.link);
    fs::create_symlink("/other/olv", paths.link);
    sheet->primaryAction();
    ASSERT_EQ(runner->calls.size(), 1u);
    EXPECT_EQ(runner->calls[0].back(), Tool::installCommand(paths));
}

TEST_F(ToolSheet, copyPutsTheCommandOnTheClipboard)
{
    makeSheet();
    QApplication::clipboard()->setText("before");
    sheet->copyButton()->click();
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), Tool::terminalCommand(paths));
}

} // namespace
