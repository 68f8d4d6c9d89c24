// The command state: the rules as a table over a made-up window state, then the rules that
// depend on the window itself (the text against the loaded text, the undo stack, the document).
#include "app/kit/ActionRouter.h"
#include "app/views/EditorTextView.h"
#include "app/window/CommandState.h"
#include "app/window/DocumentWindowController.h"
#include "platform/PreferencesDomain.h"
#include "store/Settings.h"
#include "tests/app/window/FakeDocument.h"
#include "tests/platform/TemporaryFolder.h"

#include <QCoreApplication>
#include <QUndoCommand>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using EditorCore::TextEncoding;
using EditorFeatures::CodeLanguage;
using EditorWindow::CommandState;
using EditorWindow::CommandStateInputs;
using Inputs = CommandStateInputs;

namespace {

CommandState stateOf(std::string id, const Inputs& inputs)
{
    return EditorWindow::commandState(EditorCommands::CommandID{std::move(id)}, inputs);
}

// An editable window of a UTF-8 file.
Inputs editableFile()
{
    Inputs in;
    in.editable = true;
    in.hasDocument = true;
    in.hasFileURL = true;
    in.encoding = TextEncoding::utf8;
    return in;
}

struct Case
{
    const char* name;
    const char* id;
    std::function<void(Inputs&)> change;
    CommandState expected;
};

} // namespace

TEST(CommandState, eachRuleReadsItsPartOfTheWindow)
{
    const Case cases[] = {
        // Switches of the display options: always available, on as the option.
        {"invisibles on",
         "view.invisibles",
         [](Inputs& in) { in.options.showsInvisibles = true; },
         {true, true}},
        {"wrap off", "view.wrap", [](Inputs& in) { in.options.wrapsLines = false; }, {true, false}},
        {"line numbers",
         "view.lineNumbers",
         [](Inputs& in) { in.options.showsLineNumbers = true; },
         {true, true}},
        {"current line",
         "view.currentLine",
         [](Inputs& in) { in.options.highlightsCurrentLine = true; },
         {true, true}},
        {"ruler", "view.ruler", [](Inputs& in) { in.options.showsRuler = false; }, {true, false}},
        {"wrap read-only", "view.wrap", [](Inputs& in) { in.editable = false; }, {true, true}},
        // Zoom ends.
        {"zoom in at 4", "view.zoomIn", [](Inputs& in) { in.options.zoom = 4.0; }, {false, false}},
        {"zoom out at 4", "view.zoomOut", [](Inputs& in) { in.options.zoom = 4.0; }, {true, false}},
        {"zoom in at 0.5", "view.zoomIn", [](Inputs& in) { in.options.zoom = 0.5; }, {true, false}},
        {"zoom out at 0.5",
         "view.zoomOut",
         [](Inputs& in) { in.options.zoom = 0.5; },
         {false, false}},
        {"reset at 1", "view.zoomReset", [](Inputs&) {}, {false, false}},
        {"reset at 1.25",
         "view.zoomReset",
         [](Inputs& in) { in.options.zoom = 1.25; },
         {true, false}},
        // Window switches and settings.
        {"status bar hidden",
         "view.toggleStatusBar",
         [](Inputs& in) { in.statusBarHidden = true; },
         {true, false}},
        {"status bar shown", "view.toggleStatusBar", [](Inputs&) {}, {true, true}},
        {"tool band setting",
         "view.toggleToolbar",
         [](Inputs& in) { in.showToolbarSetting = false; },
         {true, false}},
        {"syntax errors setting", "view.syntaxErrors", [](Inputs&) {}, {true, true}},
        {"filter shown", "find.filter", [](Inputs& in) { in.filterShown = true; }, {true, true}},
        // Editing commands follow editability.
        {"save read-only", "file.saveNow", [](Inputs& in) { in.editable = false; }, {false, false}},
        {"delete line read-only",
         "line.delete",
         [](Inputs& in) { in.editable = false; },
         {false, false}},
        {"sort editable", "line.sortAscending", [](Inputs&) {}, {true, false}},
        {"uppercase without selection", "text.uppercase", [](Inputs&) {}, {false, false}},
        {"capitalize with selection",
         "text.capitalize",
         [](Inputs& in) { in.selectionIsEmpty = false; },
         {true, false}},
        {"lowercase read-only",
         "text.lowercase",
         [](Inputs& in) {
             in.selectionIsEmpty = false;
             in.editable = false;
         },
         {false, false}},
        // Undo and redo: the stack, and never in a read-only window.
        {"undo with actions", "edit.undo", [](Inputs& in) { in.canUndo = true; }, {true, false}},
        {"undo read-only",
         "edit.undo",
         [](Inputs& in) {
             in.canUndo = true;
             in.editable = false;
         },
         {false, false}},
        {"redo read-only",
         "edit.redo",
         [](Inputs& in) {
             in.canRedo = true;
             in.editable = false;
         },
         {false, false}},
        {"redo empty", "edit.redo", [](Inputs&) {}, {false, false}},
        // Reverting.
        {"revert unchanged", "file.revertToOpened", [](Inputs&) {}, {false, false}},
        {"revert changed",
         "file.revertToOpened",
         [](Inputs& in) { in.textDiffersFromLoaded = true; },
         {true, false}},
        {"revert read-only",
         "file.revertToOpened",
         [](Inputs& in) {
             in.textDiffersFromLoaded = true;
             in.editable = false;
         },
         {false, false}},
        {"revert gone",
         "file.revertToOpened",
         [](Inputs& in) {
             in.textDiffersFromLoaded = true;
             in.hasDocument = false;
         },
         {false, false}},
        // The byte-order mark: only Unicode encodings have one.
        {"BOM UTF-8", "text.toggleBOM", [](Inputs&) {}, {true, false}},
        {"BOM UTF-8 on",
         "text.toggleBOM",
         [](Inputs& in) { in.hasByteOrderMark = true; },
         {true, true}},
        {"BOM UTF-16",
         "text.toggleBOM",
         [](Inputs& in) { in.encoding = TextEncoding::utf16LE; },
         {true, false}},
        {"BOM Shift_JIS",
         "text.toggleBOM",
         [](Inputs& in) { in.encoding = TextEncoding::shiftJIS; },
         {false, false}},
        {"BOM read-only",
         "text.toggleBOM",
         [](Inputs& in) {
             in.editable = false;
             in.hasByteOrderMark = true;
         },
         {false, true}},
        // Formatting by language.
        {"format plain", "text.format", [](Inputs&) {}, {false, false}},
        {"format JSON",
         "text.format",
         [](Inputs& in) { in.language = CodeLanguage::json; },
         {true, false}},
        {"format XML",
         "text.format",
         [](Inputs& in) { in.language = CodeLanguage::xml; },
         {true, false}},
        {"format JavaScript",
         "text.format",
         [](Inputs& in) { in.language = CodeLanguage::javascript; },
         {true, false}},
        {"format JSON read-only",
         "text.format",
         [](Inputs& in) {
             in.language = CodeLanguage::json;
             in.editable = false;
         },
         {false, false}},
        {"minify JSON",
         "text.minify",
         [](Inputs& in) { in.language = CodeLanguage::json; },
         {true, false}},
        {"minify XML",
         "text.minify",
         [](Inputs& in) { in.language = CodeLanguage::xml; },
         {false, false}},
        // A file on disk.
        {"encoding untitled",
         "text.chooseEncoding",
         [](Inputs& in) { in.hasFileURL = false; },
         {false, false}},
        {"hex untitled", "view.hex", [](Inputs& in) { in.hasFileURL = false; }, {false, false}},
        {"hex shown", "view.hex", [](Inputs& in) { in.hexShown = true; }, {true, true}},
        {"versions large file",
         "file.browseVersions",
         [](Inputs& in) { in.hasLargeFile = true; },
         {false, false}},
        {"versions gone document",
         "file.browseVersions",
         [](Inputs& in) {
             in.hasDocument = false;
             in.hasLargeFile = true;
         },
         {true, false}},
        // Parts of the window.
        {"allow editing",
         "file.allowEditing",
         [](Inputs& in) { in.canAllowEditing = true; },
         {true, false}},
        {"allow editing not possible", "file.allowEditing", [](Inputs&) {}, {false, false}},
        {"follow on",
         "view.follow",
         [](Inputs& in) {
             in.canFollow = true;
             in.following = true;
         },
         {true, true}},
        {"follow impossible", "view.follow", [](Inputs&) {}, {false, false}},
        {"preview split",
         "view.previewSplit",
         [](Inputs& in) {
             in.canShowPreview = true;
             in.preview = Inputs::Preview::split;
         },
         {true, true}},
        {"preview only off",
         "view.previewOnly",
         [](Inputs& in) {
             in.canShowPreview = true;
             in.preview = Inputs::Preview::split;
         },
         {true, false}},
        {"preview with hex",
         "view.previewSplit",
         [](Inputs& in) {
             in.canShowPreview = true;
             in.hexShown = true;
         },
         {false, false}},
        {"preview only with hex",
         "view.previewOnly",
         [](Inputs& in) {
             in.canShowPreview = true;
             in.hexShown = true;
         },
         {false, false}},
        {"sidebar without session", "view.folderSidebar", [](Inputs&) {}, {false, false}},
        {"sidebar visible",
         "view.folderSidebar",
         [](Inputs& in) {
             in.hasFolderSession = true;
             in.folderSidebarVisible = true;
         },
         {true, true}},
        {"hidden files",
         "view.hiddenFiles",
         [](Inputs& in) {
             in.hasFolderSession = true;
             in.folderShowsHiddenFiles = true;
         },
         {true, true}},
        {"next syntax error",
         "edit.nextSyntaxError",
         [](Inputs& in) { in.hasSyntaxProblems = true; },
         {true, false}},
        // Suspicious characters: replacement characters alone are nothing to normalise.
        {"next suspicious none", "suspicious.next", [](Inputs&) {}, {false, false}},
        {"next only U+FFFD",
         "suspicious.next",
         [](Inputs& in) {
             in.suspiciousTotal = 3;
             in.replacementCharacters = 3;
         },
         {true, false}},
        {"normalize only U+FFFD",
         "suspicious.normalize",
         [](Inputs& in) {
             in.suspiciousTotal = 3;
             in.replacementCharacters = 3;
         },
         {false, false}},
        {"normalize mixed",
         "suspicious.normalize",
         [](Inputs& in) {
             in.suspiciousTotal = 4;
             in.replacementCharacters = 3;
         },
         {true, false}},
        {"normalize read-only",
         "suspicious.normalize",
         [](Inputs& in) {
             in.suspiciousTotal = 4;
             in.editable = false;
         },
         {false, false}},
        // Everything else: available and off.
        {"spelling", "edit.autocorrect.spelling", [](Inputs&) {}, {true, false}},
        {"paste read-only", "edit.paste", [](Inputs& in) { in.editable = false; }, {true, false}},
        {"palette",
         "app.commandPalette",
         [](Inputs& in) { in.hasDocument = false; },
         {true, false}},
        {"unknown", "no.suchCommand", [](Inputs& in) { in.editable = false; }, {true, false}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Inputs inputs = editableFile();
        c.change(inputs);
        EXPECT_EQ(stateOf(c.id, inputs), c.expected);
    }
}

namespace {

// One window of a fake document, with its own settings.
struct Window
{
    TemporaryFolder folder;
    EditorStore::Settings settings{
        std::make_shared<Platform::PreferencesDomain>(folder / "group-defaults.json"), {}};
    EditorKit::ActionRouter router;
    std::unique_ptr<WindowTest::FakeDocument> document;
    std::unique_ptr<EditorWindow::DocumentWindowController> controller;

    explicit Window(const QString& text,
                    std::function<void(WindowTest::FakeDocument&)> prepare = {})
        : document(std::make_unique<WindowTest::FakeDocument>(text))
    {
        if (prepare)
            prepare(*document);
        EditorWindow::WindowEnvironment environment;
        environment.settings = &settings;
        environment.features = [] { return EditorWindow::WindowFeatureList{}; };
        controller = std::make_unique<EditorWindow::DocumentWindowController>(
            *document, router, environment);
    }
    ~Window()
    {
        controller.reset();
        QCoreApplication::processEvents();
    }

    CommandState state(const char* id) const
    {
        return controller->commandState(EditorCommands::CommandID{id});
    }
};

} // namespace

TEST(CommandState, revertFollowsTheTextNotTheUndoStack)
{
    Window w(QStringLiteral("loaded"), [](auto& d) { d.url = "/tmp/loaded.txt"; });
    EditorViews::EditorTextView& view = *w.controller->textView();
    EXPECT_FALSE(w.state("file.revertToOpened").enabled);

    view.setSelectedRange({6, 0});
    view.insertText(QStringLiteral("x"));
    EXPECT_TRUE(w.state("file.revertToOpened").enabled);

    // Same length, other text.
    view.setSelectedRange({0, 1});
    view.insertText(QStringLiteral("L"));
    view.setSelectedRange({6, 1});
    view.insertText(QString());
    EXPECT_EQ(view.text(), QStringLiteral("Loaded"));
    EXPECT_TRUE(w.state("file.revertToOpened").enabled);

    // Typed and deleted again: the text is the loaded text, though the stack holds steps.
    view.setSelectedRange({0, 1});
    view.insertText(QStringLiteral("l"));
    EXPECT_TRUE(w.document->stack.canUndo());
    EXPECT_FALSE(w.state("file.revertToOpened").enabled);
}

TEST(CommandState, aReadOnlyWindowOffersNoUndoEvenWithSteps)
{
    Window w(QStringLiteral("text"), [](auto& d) { d.url = "/tmp/text.txt"; });
    w.controller->textView()->insertText(QStringLiteral("more "));
    ASSERT_TRUE(w.state("edit.undo").enabled);
    w.document->stack.undo();
    ASSERT_TRUE(w.state("edit.redo").enabled);

    w.document->readOnly = true;
    w.controller->applyEditability();
    EXPECT_TRUE(w.document->stack.canUndo() || w.document->stack.canRedo());
    for (const char* id : {"edit.undo", "edit.redo", "line.delete", "text.toggleBOM"}) {
        SCOPED_TRACE(id);
        EXPECT_FALSE(w.state(id).enabled);
    }
    EXPECT_EQ(w.state("view.wrap"), (CommandState{true, true}));
}

TEST(CommandState, documentFactsDecideTheFileCommands)
{
    struct FileCase
    {
        const char* name;
        std::function<void(WindowTest::FakeDocument&)> prepare;
        const char* id;
        CommandState expected;
    };
    const FileCase cases[] = {
        {"Shift_JIS has no mark",
         [](auto& d) {
             d.url = "/tmp/a.txt";
             d.textEncoding = TextEncoding::shiftJIS;
         },
         "text.toggleBOM",
         {false, false}},
        {"UTF-8 without mark",
         [](auto& d) { d.url = "/tmp/a.txt"; },
         "text.toggleBOM",
         {true, false}},
        {"UTF-8 with mark",
         [](auto& d) {
             d.url = "/tmp/a.txt";
             d.byteOrderMark = true;
         },
         "text.toggleBOM",
         {true, true}},
        {"untitled hex", [](auto&) {}, "view.hex", {false, false}},
        {"untitled encoding", [](auto&) {}, "text.chooseEncoding", {false, false}},
        {"file hex", [](auto& d) { d.url = "/tmp/a.txt"; }, "view.hex", {true, false}},
        {"JSON file formats", [](auto& d) { d.url = "/tmp/a.json"; }, "text.format", {true, false}},
        {"large file versions",
         [](auto& d) {
             d.url = "/tmp/a.txt";
             d.largeFile = true;
         },
         "file.browseVersions",
         {false, false}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Window w(QStringLiteral("{}"), c.prepare);
        EXPECT_EQ(w.state(c.id), c.expected);
    }
}

TEST(CommandState, aGoneDocumentStillOffersVersionsOnly)
{
    Window w(QStringLiteral("text"), [](auto& d) {
        d.url = "/tmp/a.txt";
        d.largeFile = true;
    });
    w.document.reset();
    EXPECT_EQ(w.state("file.browseVersions"), (CommandState{true, false}));
    EXPECT_FALSE(w.state("text.chooseEncoding").enabled);
    EXPECT_FALSE(w.state("text.toggleBOM").enabled);
    EXPECT_FALSE(w.state("file.revertToOpened").enabled);
}
