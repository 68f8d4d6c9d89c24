#include "app/kit/Localized.h"
#include "app/settings/FinderMenuSheet.h"
#include "tests/app/settings/SheetTestSupport.h"

#include <QDir>
#include <QLabel>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

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
