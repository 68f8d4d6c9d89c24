#include "app/kit/Localized.h"
#include "app/kit/Presenter.h"
#include "app/window/sidebar/FolderSession.h"
#include "app/window/sidebar/FolderSidebarView.h"
#include "platform/Trash.h"
#include "tests/platform/TemporaryFolder.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QToolButton>
#include <QTreeView>

#include <gtest/gtest.h>

#include <deque>
#include <fstream>

using EditorWindow::FolderNode;
using EditorWindow::FolderSession;
using EditorWindow::FolderSidebarView;
namespace fs = std::filesystem;

namespace {

class RecordingPresenter : public EditorKit::Presenter
{
public:
    std::deque<int> answers;
    std::vector<EditorKit::Alert> asked;
    int runAlert(const EditorKit::Alert& alert, QWidget*) override
    {
        asked.push_back(alert);
        if (answers.empty())
            return alert.cancelButton.value_or(0);
        int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::optional<fs::path> runSavePanel(QWidget*, const QString&) override { return {}; }
};

void touch(const fs::path& path)
{
    std::ofstream(path) << "x";
}

std::vector<std::string> names(const std::vector<std::shared_ptr<FolderNode>>& nodes)
{
    std::vector<std::string> result;
    for (const auto& node : nodes)
        result.push_back(node->entry.name);
    return result;
}

// A sidebar over a small tree, with what it opened.
struct Sidebar
{
    TemporaryFolder folder;
    fs::path root = folder / "root";
    std::shared_ptr<FolderSession> session;
    std::shared_ptr<RecordingPresenter> presenter = std::make_shared<RecordingPresenter>();
    std::vector<fs::path> opened;
    std::vector<fs::path> openDocuments;
    std::unique_ptr<FolderSidebarView> view;

    Sidebar()
    {
        fs::create_directories(root / "src" / "lib");
        fs::create_directories(root / "docs");
        touch(root / "src" / "main.c");
        touch(root / "src" / "lib" / "util.c");
        touch(root / "file10.txt");
        touch(root / "file2.txt");
        touch(root / "B.md");
        touch(root / ".hidden");
        FolderSession::windowStateSaveRequest() = [] {};
        session = std::make_shared<FolderSession>(root);
    }
    ~Sidebar()
    {
        view.reset();
        FolderSession::windowStateSaveRequest() = nullptr;
    }
    FolderSidebarView& make()
    {
        FolderSidebarView::Hooks hooks;
        hooks.openFile = [this](const fs::path& file) { opened.push_back(file); };
        hooks.openDocumentFiles = [this] { return openDocuments; };
        view = std::make_unique<FolderSidebarView>(session, presenter, hooks);
        view->resize(240, 400);
        view->show();
        return *view;
    }
    QLineEdit* editor() const { return view->outline()->findChild<QLineEdit*>(); }
};

} // namespace

TEST(FolderSidebarView, listsFoldersFirstInNumericOrderAndGreysHiddenItemsWhenShown)
{
    Sidebar s;
    auto& view = s.make();
    EXPECT_EQ(names(view.rootNodes()),
              (std::vector<std::string>{"docs", "src", "B.md", "file2.txt", "file10.txt"}));
    EXPECT_EQ(view.titleLabel()->text(), QStringLiteral("root"));
    EXPECT_FALSE(view.hiddenButton()->isChecked());

    view.toggleHidden(); // through the session: every sidebar reloads
    EXPECT_TRUE(s.session->showsHidden());
    EXPECT_TRUE(view.hiddenButton()->isChecked());
    auto* model = view.outline()->model();
    bool sawHidden = false;
    for (int row = 0; row < model->rowCount(); ++row) {
        QModelIndex index = model->index(row, 0);
        const bool hidden = index.data().toString().startsWith(QLatin1Char('.'));
        sawHidden |= hidden;
        EXPECT_EQ(index.data(Qt::ForegroundRole).isValid(), hidden) << row;
        EXPECT_FALSE(index.data(Qt::DecorationRole).value<QIcon>().isNull());
    }
    EXPECT_TRUE(sawHidden);
}

TEST(FolderSidebarView, refreshKeepsExpansionAndSelectionAndListsOnlyKnownFolders)
{
    Sidebar s;
    auto& view = s.make();
    QTreeView* outline = view.outline();
    FolderNode* src = view.nodeForPath(s.root / "src");
    ASSERT_NE(src, nullptr);
    outline->expand(view.indexOf(src));
    FolderNode* lib = view.nodeForPath(s.root / "src" / "lib");
    ASSERT_NE(lib, nullptr);
    outline->expand(view.indexOf(lib));
    EXPECT_EQ(s.session->expanded(), (std::set<std::string>{"src", "src/lib"}));
    view.revealFile(s.root / "src" / "lib" / "util.c");
    ASSERT_NE(view.selectedNode(), nullptr);
    EXPECT_EQ(view.selectedNode()->entry.name, "util.c");

    // A new item at the top: nodes, expansion and selection survive.
    touch(s.root / "new.txt");
    view.contentsDidChange(QStringList{QString::fromStdString(s.root.native()) + "/"});
    EXPECT_EQ(view.nodeForPath(s.root / "src"), src);
    EXPECT_TRUE(outline->isExpanded(view.indexOf(src)));
    EXPECT_TRUE(outline->isExpanded(view.indexOf(lib)));
    ASSERT_NE(view.selectedNode(), nullptr);
    EXPECT_EQ(view.selectedNode()->entry.name, "util.c");
    EXPECT_NE(view.nodeForPath(s.root / "new.txt"), nullptr);

    // Collapsing the parent and expanding it again reopens the sub-folder.
    outline->collapse(view.indexOf(src));
    EXPECT_EQ(s.session->expanded(), (std::set<std::string>{"src/lib"}));
    outline->expand(view.indexOf(src));
    EXPECT_TRUE(outline->isExpanded(view.indexOf(view.nodeForPath(s.root / "src" / "lib"))));

    // A folder never listed is not listed for a change inside it.
    touch(s.root / "docs" / "readme.txt");
    view.contentsDidChange(QStringList{QString::fromStdString((s.root / "docs").native()) + "/"});
    EXPECT_FALSE(view.isLoaded(s.root / "docs"));
    // A listed one is.
    touch(s.root / "src" / "extra.c");
    view.contentsDidChange(QStringList{QString::fromStdString((s.root / "src").native()) + "/"});
    EXPECT_NE(view.nodeForPath(s.root / "src" / "extra.c"), nullptr);
    EXPECT_TRUE(outline->isExpanded(view.indexOf(view.nodeForPath(s.root / "src" / "lib"))));
}

TEST(FolderSidebarView, aVanishedRootEmptiesTheTreeAndSaysSo)
{
    Sidebar s;
    auto& view = s.make();
    fs::remove_all(s.root);
    view.contentsDidChange(QStringList{QString::fromStdString(s.root.native())});
    EXPECT_TRUE(view.rootNodes().empty());
    EXPECT_EQ(view.outline()->model()->rowCount(), 0);
    EXPECT_EQ(view.titleLabel()->text(), QStringLiteral("root — 폴더가 없어졌어요"));
}

TEST(FolderSidebarView, aLongTitleIsCutInTheMiddle)
{
    Sidebar s;
    auto& view = s.make();
    fs::remove_all(s.root);
    view.contentsDidChange(QStringList{QString::fromStdString(s.root.native())});
    const QString full = view.titleLabel()->text();
    view.titleLabel()->resize(90, view.titleLabel()->height());
    const QString shown = view.shownTitle();
    EXPECT_NE(shown, full);
    EXPECT_TRUE(shown.startsWith(QStringLiteral("ro"))) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith(QStringLiteral("요"))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QChar(0x2026)));
    EXPECT_EQ(view.titleLabel()->text(), full) << "the label keeps the whole name";
    view.titleLabel()->resize(2000, view.titleLabel()->height());
    EXPECT_EQ(view.shownTitle(), full);
}

TEST(FolderSidebarView, aNewFileIsRenamedInPlaceAndOpenedWithReturnOrEscape)
{
    for (bool escape : {false, true}) {
        SCOPED_TRACE(escape ? "Escape" : "Return");
        Sidebar s;
        auto& view = s.make();
        view.newFileButton()->click();
        EXPECT_TRUE(fs::exists(s.root / "새 파일.txt"));
        ASSERT_TRUE(view.isRenaming());
        QLineEdit* line = s.editor();
        ASSERT_NE(line, nullptr);
        EXPECT_EQ(line->text(), QStringLiteral("새 파일.txt"));
        EXPECT_EQ(line->selectedText(), QStringLiteral("새 파일"));
        if (escape) {
            QTest::keyClicks(line, QStringLiteral("ignored"));
            QTest::keyClick(line, Qt::Key_Escape);
        } else {
            line->setText(QStringLiteral("notes.txt"));
            QTest::keyClick(line, Qt::Key_Return);
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return !view.isRenaming(); }, 2000));
        const fs::path expected = s.root / (escape ? "새 파일.txt" : "notes.txt");
        EXPECT_TRUE(fs::exists(expected));
        EXPECT_EQ(s.opened, std::vector<fs::path>{expected});
        ASSERT_NE(view.selectedNode(), nullptr);
        EXPECT_EQ(view.selectedNode()->entry.url, expected);
        EXPECT_TRUE(s.presenter->asked.empty());
    }
}

TEST(FolderSidebarView, aTabComingBackShowsTheFoldersTheSessionHasExpanded)
{
    Sidebar s;
    auto& first = s.make();
    FolderSidebarView::Hooks hooks;
    FolderSidebarView second(s.session, s.presenter, hooks); // another tab of the window
    second.resize(240, 400);
    second.show();
    second.hide();

    first.outline()->expand(first.indexOf(first.nodeForPath(s.root / "src")));
    first.hide();
    second.show(); // the user switches tabs
    FolderNode* src = second.nodeForPath(s.root / "src");
    ASSERT_NE(src, nullptr);
    EXPECT_TRUE(second.outline()->isExpanded(second.indexOf(src)));

    second.outline()->collapse(second.indexOf(src));
    second.hide();
    first.show();
    EXPECT_FALSE(first.outline()->isExpanded(first.indexOf(first.nodeForPath(s.root / "src"))));
    EXPECT_FALSE(s.session->expanded().contains("src"));
}

TEST(FolderSidebarView, newItemsAreNamedInTheInterfaceLanguage)
{
    struct Case
    {
        const char* language;
        const char* file;
        const char* folder;
    };
    const Case cases[] = {
        {"en", "New File.txt", "New Folder"},
        {"ja", "新規ファイル.txt", "新規フォルダ"},
        {"ko", "새 파일.txt", "새 폴더"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.language);
        ASSERT_TRUE(EditorKit::installTranslation(c.language));
        Sidebar s;
        auto& view = s.make();
        view.newFileButton()->click();
        ASSERT_TRUE(view.isRenaming());
        QTest::keyClick(s.editor(), Qt::Key_Escape);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !view.isRenaming(); }, 2000));
        view.newFolderButton()->click();
        EXPECT_TRUE(fs::exists(s.root / c.file));
        EXPECT_TRUE(fs::is_directory(s.root / c.folder));
    }
    EditorKit::installTranslation(QString()); // back to the keys, as the other tests expect
}

TEST(FolderSidebarView, renameErrorsKeepTheOldNameAndAnUntrimmedSameNameIsNoChange)
{
    struct Case
    {
        QString typed;
        QString message; // empty: no alert
    };
    const Case cases[] = {
        {QStringLiteral("   "), QStringLiteral("이름이 비어 있어요.")},
        {QStringLiteral("a/b"), QStringLiteral("이름에 / 나 : 는 쓸 수 없어요.")},
        {QStringLiteral("a:b"), QStringLiteral("이름에 / 나 : 는 쓸 수 없어요.")},
        {QStringLiteral("file10.txt"), QStringLiteral("「file10.txt」 이(가) 이미 있어요.")},
        // The rename trims: the item's own name with blanks around it changes nothing.
        {QStringLiteral(" file2.txt "), QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        Sidebar s;
        auto& view = s.make();
        FolderNode* node = view.nodeForPath(s.root / "file2.txt");
        ASSERT_NE(node, nullptr);
        view.beginRename(node, false);
        ASSERT_NE(s.editor(), nullptr);
        EXPECT_EQ(s.editor()->selectedText(), QStringLiteral("file2"));
        view.finishRename(true, c.typed);
        EXPECT_FALSE(view.isRenaming());
        EXPECT_TRUE(fs::exists(s.root / "file2.txt"));
        if (c.message.isEmpty()) {
            EXPECT_TRUE(s.presenter->asked.empty());
        } else {
            ASSERT_EQ(s.presenter->asked.size(), 1u);
            EXPECT_EQ(s.presenter->asked[0].text, c.message);
        }
        FolderNode* after = view.nodeForPath(s.root / "file2.txt");
        ASSERT_NE(after, nullptr);
        EXPECT_EQ(view.outline()->model()->data(view.indexOf(after)).toString(),
                  QStringLiteral("file2.txt"));
        EXPECT_TRUE(s.opened.empty());
    }
}

TEST(FolderSidebarView, aChangeDuringARenameIsAppliedOnceAtItsEnd)
{
    Sidebar s;
    auto& view = s.make();
    view.beginRename(view.nodeForPath(s.root / "B.md"), false);
    touch(s.root / "arrived.txt");
    view.contentsDidChange(QStringList{QString::fromStdString(s.root.native())});
    EXPECT_EQ(view.nodeForPath(s.root / "arrived.txt"), nullptr);
    view.finishRename(true, QStringLiteral("C.md"));
    EXPECT_TRUE(fs::exists(s.root / "C.md"));
    EXPECT_NE(view.nodeForPath(s.root / "arrived.txt"), nullptr);
    EXPECT_NE(view.nodeForPath(s.root / "C.md"), nullptr);
    EXPECT_EQ(view.nodeForPath(s.root / "B.md"), nullptr);
}

TEST(FolderSidebarView, trashAsksMentioningOpenTabsAndRecordsTheItem)
{
    Sidebar s;
    auto& view = s.make();
    s.openDocuments = {s.root / "src" / "main.c"};
    struct Case
    {
        const char* item;
        bool mentionsTabs;
        int answer;
        bool trashed;
    };
    const Case cases[] = {
        {"file2.txt", false, 1, false}, // cancelled
        {"file2.txt", false, 0, true},
        {"src", true, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item);
        s.presenter->asked.clear();
        s.presenter->answers = {c.answer};
        FolderNode* node = view.nodeForPath(s.root / c.item);
        ASSERT_NE(node, nullptr);
        view.trashItem(node);
        ASSERT_EQ(s.presenter->asked.size(), 1u);
        const auto& alert = s.presenter->asked[0];
        EXPECT_EQ(alert.text,
                  QStringLiteral("「") + c.item + QStringLiteral("」 을(를) 휴지통으로 옮길까요?"));
        EXPECT_EQ(alert.informativeText,
                  c.mentionsTabs
                      ? QStringLiteral("휴지통에서 되살릴 수 있어요. 열어 둔 탭의 내용은 "
                                       "탭에 그대로 남아요.")
                      : QStringLiteral("휴지통에서 되살릴 수 있어요."));
        EXPECT_EQ(alert.buttons, (std::vector<QString>{"휴지통으로", "취소"}));
        EXPECT_EQ(fs::exists(s.root / c.item), !c.trashed);
        EXPECT_EQ(view.nodeForPath(s.root / c.item) == nullptr, c.trashed);
        if (c.trashed) {
            // One record in the trash names the item's old place.
            bool recorded = false;
            for (const auto& info : fs::directory_iterator(Platform::Trash::homeTrash() / "info")) {
                std::ifstream in(info.path());
                std::string text((std::istreambuf_iterator<char>(in)), {});
                recorded |=
                    text.find("Path=" + (s.root / c.item).native() + "\n") != std::string::npos;
            }
            EXPECT_TRUE(recorded);
        }
    }
}

TEST(FolderSidebarView, clicksReturnAndTheMenuOpenFilesAndToggleFolders)
{
    Sidebar s;
    auto& view = s.make();
    QTreeView* outline = view.outline();
    FolderNode* file = view.nodeForPath(s.root / "B.md");
    FolderNode* src = view.nodeForPath(s.root / "src");
    QRect fileRow = outline->visualRect(view.indexOf(file));
    QTest::mouseClick(outline->viewport(), Qt::LeftButton, {}, fileRow.center());
    EXPECT_EQ(s.opened, std::vector<fs::path>{s.root / "B.md"});

    outline->setFocus();
    outline->setCurrentIndex(view.indexOf(src));
    QTest::keyClick(outline, Qt::Key_Return);
    EXPECT_TRUE(outline->isExpanded(view.indexOf(src)));
    QTest::keyClick(outline, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_FALSE(outline->isExpanded(view.indexOf(src)));

    std::unique_ptr<QMenu> menu(view.makeContextMenu(file));
    QStringList titles;
    for (QAction* action : menu->actions())
        titles << action->text();
    EXPECT_EQ(titles,
              (QStringList{"열기",
                           "Finder에서 보기",
                           "경로 복사",
                           "",
                           "새 파일",
                           "새 폴더",
                           "",
                           "이름 바꾸기",
                           "휴지통으로 옮기기…",
                           "",
                           "숨김 파일 보기"}));
    menu->actions().at(2)->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(),
              QString::fromStdString((s.root / "B.md").native()));
    std::unique_ptr<QMenu> rootMenu(view.makeContextMenu(nullptr));
    EXPECT_EQ(rootMenu->actions().size(), 4);
}
