// What the window relies on from its document, written once and run against the fake the
// window tests use and against a real TextDocument opened from a file. A fake that answers
// what the real document never would hides the fault its tests are there to catch.
#include "app/documents/DocumentServices.h"
#include "app/documents/TextDocument.h"
#include "app/kit/ActionRouter.h"
#include "app/views/EditorTextView.h"
#include "app/window/DocumentWindowController.h"
#include "app/window/hosting/TextDocumentWindow.h"
#include "platform/PreferencesDomain.h"
#include "store/Settings.h"
#include "tests/app/window/FakeDocument.h"
#include "tests/platform/TemporaryFolder.h"

#include <QCoreApplication>
#include <QTest>
#include <QUndoStack>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

using EditorCore::LineEndingSummary;
using EditorCore::TextEncoding;
using EditorDocuments::ReadOnlyReason;
using EditorWindow::DocumentWindowController;
using EditorWindow::WindowDocument;

namespace {

// A file, and what a document opened from it holds.
struct OpenedFile
{
    const char* name;
    std::string bytes;
    QString text;
    TextEncoding encoding = TextEncoding::utf8;
    bool byteOrderMark = false;
    bool writable = true;
    // Over the large-file threshold: its text is loaded by the window later.
    bool large = false;
};

LineEndingSummary summaryOf(const QString& text)
{
    return LineEndingSummary(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                                 static_cast<std::size_t>(text.size())));
}

// Files over this many MiB open as large files in both.
constexpr std::int64_t largeFileMB = 1;

std::string largeBytes()
{
    std::string bytes;
    while (bytes.size() < (std::size_t{3} << 19))
        bytes += "a line of a large file\n";
    return bytes;
}

const std::vector<OpenedFile>& files()
{
    static const std::vector<OpenedFile> all = {
        {"utf8.txt", "one\ntwo\n", QStringLiteral("one\ntwo\n")},
        {"utf16.txt",
         std::string("\xff\xfe"
                     "a\0\r\0\n\0b\0",
                     10),
         QStringLiteral("a\r\nb"),
         TextEncoding::utf16LE,
         true},
        // "한국어 문서입니다." CRLF "가나다라마바사 저장한." LF, in CP949.
        {"korean.txt",
         "\xC7\xD1\xB1\xB9\xBE\xEE \xB9\xAE\xBC\xAD\xC0\xD4\xB4\xCF\xB4\xD9.\r\n"
         "\xB0\xA1\xB3\xAA\xB4\xD9\xB6\xF3\xB8\xB6\xB9\xD9\xBB\xE7 \xC0\xFA\xC0\xE5\xC7\xD1.\n",
         QStringLiteral("한국어 문서입니다.\r\n가나다라마바사 저장한.\n"),
         TextEncoding::cp949},
        {"locked.txt", "locked\n", QStringLiteral("locked\n"), TextEncoding::utf8, false, false},
        {"large.log", largeBytes(), QString(), TextEncoding::utf8, false, true, true},
    };
    return all;
}

const OpenedFile& file(std::string_view name)
{
    for (const auto& f : files()) {
        if (name == f.name)
            return f;
    }
    std::abort();
}

// The parts both sides share: a folder, a settings store and a router.
struct Surroundings
{
    TemporaryFolder folder;
    EditorStore::Settings settings{
        std::make_shared<Platform::PreferencesDomain>(folder / "group-defaults.json"), {}};
    EditorKit::ActionRouter router;

    EditorWindow::WindowEnvironment environment()
    {
        EditorWindow::WindowEnvironment environment;
        environment.settings = &settings;
        // The frame alone: what the document does, not what the features do with it.
        environment.features = [] { return EditorWindow::WindowFeatureList{}; };
        return environment;
    }
};

// A TextDocument read from the file, in its hosted window.
class RealSide
{
public:
    WindowDocument& open(const OpenedFile& opened)
    {
        const auto path = m_surroundings.folder / opened.name;
        std::ofstream(path, std::ios::binary) << opened.bytes;
        m_services->largeFileMB = [] { return largeFileMB; };
        m_services->newDocumentFormat = [] {
            return EditorDocuments::FileFormat::newDocumentDefault("utf-8", false);
        };
        m_services->isWritable = [writable = opened.writable](const std::filesystem::path&) {
            return writable;
        };
        m_services->record = [](auto, auto, const auto&) {};
        m_services->makeWindowController = [this](EditorDocuments::TextDocument& document) {
            return std::make_unique<EditorWindow::TextDocumentWindow>(
                document, m_surroundings.router, m_surroundings.environment());
        };
        m_document = std::make_unique<EditorDocuments::TextDocument>(m_services);
        EXPECT_TRUE(m_document->readFromURL(path).has_value());
        m_document->makeWindowControllers();
        return *window().document();
    }

    DocumentWindowController& window()
    {
        return dynamic_cast<EditorWindow::TextDocumentWindow&>(*m_document->editor()).controller();
    }

    std::filesystem::path folder() const { return m_surroundings.folder.path(); }

    ~RealSide()
    {
        if (m_document)
            m_document->close();
        QCoreApplication::processEvents();
    }

private:
    Surroundings m_surroundings;
    std::shared_ptr<EditorDocuments::DocumentServices> m_services =
        std::make_shared<EditorDocuments::DocumentServices>();
    std::unique_ptr<EditorDocuments::TextDocument> m_document;
};

// The fake, given the facts of the file as the window tests give them.
class FakeSide
{
public:
    WindowDocument& open(const OpenedFile& opened)
    {
        m_document = std::make_unique<WindowTest::FakeDocument>(opened.text);
        auto& d = *m_document;
        d.url = m_surroundings.folder / opened.name;
        d.name = QString::fromUtf8(opened.name);
        d.textEncoding = opened.encoding;
        d.byteOrderMark = opened.byteOrderMark;
        if (opened.large) {
            d.reason = ReadOnlyReason::largeFile;
            d.largeFileDetails =
                EditorDocuments::LargeFileState{*d.url, opened.bytes.size(), 0, false};
        } else if (!opened.writable) {
            d.reason = ReadOnlyReason::noPermission;
        }
        m_window = std::make_unique<DocumentWindowController>(
            d, m_surroundings.router, m_surroundings.environment());
        return d;
    }

    DocumentWindowController& window() { return *m_window; }

    std::filesystem::path folder() const { return m_surroundings.folder.path(); }

    ~FakeSide()
    {
        m_window.reset();
        QCoreApplication::processEvents();
    }

private:
    Surroundings m_surroundings;
    std::unique_ptr<WindowTest::FakeDocument> m_document;
    std::unique_ptr<DocumentWindowController> m_window;
};

template<class Side>
class WindowDocumentContract : public ::testing::Test
{};

using Sides = ::testing::Types<RealSide, FakeSide>;
class SideNames
{
public:
    template<class T>
    static std::string GetName(int)
    {
        return std::is_same_v<T, RealSide> ? "real" : "fake";
    }
};
TYPED_TEST_SUITE(WindowDocumentContract, Sides, SideNames);

} // namespace

TYPED_TEST(WindowDocumentContract, opensWithTheFilesFormatAndReasons)
{
    for (const auto& f : files()) {
        SCOPED_TRACE(f.name);
        TypeParam side;
        WindowDocument& document = side.open(f);
        QCoreApplication::processEvents();
        EXPECT_EQ(document.fileURL(), side.folder() / f.name);
        EXPECT_EQ(document.encoding(), f.encoding);
        EXPECT_EQ(document.hasByteOrderMark(), f.byteOrderMark);
        EXPECT_EQ(document.lineEndings(), summaryOf(f.text));
        EXPECT_FALSE(document.isEdited());
        EXPECT_EQ(document.undoStack()->count(), 0);
        EXPECT_EQ(side.window().textView()->undoStack(), document.undoStack());

        const std::optional<ReadOnlyReason> reason =
            f.large ? std::optional(ReadOnlyReason::largeFile)
                    : (f.writable ? std::nullopt : std::optional(ReadOnlyReason::noPermission));
        EXPECT_EQ(document.readOnlyReason(), reason);
        EXPECT_EQ(document.isReadOnly(), reason.has_value());
        EXPECT_EQ(side.window().textView()->isEditable(), !reason.has_value());

        EXPECT_EQ(document.hasLargeFile(), f.large);
        if (f.large) {
            ASSERT_TRUE(document.largeFileState().has_value());
            EXPECT_EQ(document.largeFileState()->size, f.bytes.size());
            EXPECT_EQ(document.largeFileState()->loadedBytes, 0u);
            EXPECT_FALSE(document.largeFileState()->lossy);
            // The window loads the text itself, and reverting reads the file again.
            EXPECT_EQ(side.window().textView()->text(), QString());
            EXPECT_EQ(document.openedText(), std::nullopt);
        } else {
            EXPECT_EQ(document.largeFileState(), std::nullopt);
            EXPECT_EQ(side.window().textView()->text(), f.text);
            EXPECT_EQ(document.openedText(), f.text);
        }
        // The window took the text as read; the document let go of it.
        EXPECT_TRUE(document.loadedText().isEmpty());
    }
}

TYPED_TEST(WindowDocumentContract, theTextAsOpenedOutlivesTypingUndoAndARevert)
{
    for (const char* name : {"utf8.txt", "utf16.txt", "korean.txt"}) {
        SCOPED_TRACE(name);
        const OpenedFile& f = file(name);
        TypeParam side;
        WindowDocument& document = side.open(f);
        auto& view = *side.window().textView();
        view.setSelectedRange({1, 0});
        view.insertText(QStringLiteral("x"));
        EXPECT_TRUE(document.isEdited());
        EXPECT_EQ(document.undoStack()->count(), 1);
        EXPECT_EQ(document.openedText(), f.text);

        side.window().revertToOpened();
        EXPECT_EQ(view.text(), f.text);
        EXPECT_EQ(document.undoStack()->undoText(), QStringLiteral("연 상태로 되돌리기"));
        bool answered = false;
        document.readOpenedText([&](std::optional<QString> opened) {
            answered = true;
            EXPECT_EQ(opened, f.text);
        });
        EXPECT_TRUE(answered);

        view.undo();
        EXPECT_NE(view.text(), f.text);
        view.undo();
        EXPECT_EQ(view.text(), f.text);
        EXPECT_FALSE(document.isEdited()) << "back at the opened state";

        view.insertText(QStringLiteral("y"));
        document.markUnedited();
        EXPECT_FALSE(document.isEdited());
    }
}

TYPED_TEST(WindowDocumentContract, anEncodingChangeIsOneUndoableStepOfTheDocument)
{
    TypeParam side;
    WindowDocument& document = side.open(file("utf8.txt"));
    document.changeEncoding(TextEncoding::utf16LE, true, QStringLiteral("UTF-16 LE"));
    EXPECT_EQ(document.encoding(), TextEncoding::utf16LE);
    EXPECT_TRUE(document.hasByteOrderMark());
    EXPECT_TRUE(document.isEdited());
    EXPECT_EQ(document.undoStack()->count(), 1);
    EXPECT_EQ(document.undoStack()->undoText(), QStringLiteral("UTF-16 LE"));

    document.changeEncoding(TextEncoding::utf16LE, true, QStringLiteral("again"));
    EXPECT_EQ(document.undoStack()->count(), 1) << "no change, no step";

    document.undoStack()->undo();
    EXPECT_EQ(document.encoding(), TextEncoding::utf8);
    EXPECT_FALSE(document.hasByteOrderMark());
    EXPECT_FALSE(document.isEdited());

    // An encoding without a byte-order mark takes none.
    document.changeEncoding(TextEncoding::cp949, true, QStringLiteral("CP949"));
    EXPECT_EQ(document.encoding(), TextEncoding::cp949);
    EXPECT_FALSE(document.hasByteOrderMark());
    EXPECT_EQ(document.openedText(), file("utf8.txt").text) << "the text stays as opened";
}

TYPED_TEST(WindowDocumentContract, readOnlyReasonsComeAndGoAsTheDocumentAllows)
{
    {
        SCOPED_TRACE("writable");
        TypeParam side;
        WindowDocument& document = side.open(file("utf8.txt"));
        document.beginAdminEditing();
        EXPECT_FALSE(document.isAdminEditing()) << "a writable file needs no administrator";
        document.chooseReadOnly();
        EXPECT_EQ(document.readOnlyReason(), ReadOnlyReason::userChose);
        EXPECT_TRUE(document.isReadOnly());
        document.clearReadOnlyReason();
        EXPECT_EQ(document.readOnlyReason(), std::nullopt);
        EXPECT_FALSE(document.isReadOnly());
    }
    {
        SCOPED_TRACE("not writable");
        TypeParam side;
        WindowDocument& document = side.open(file("locked.txt"));
        document.chooseReadOnly();
        EXPECT_EQ(document.readOnlyReason(), ReadOnlyReason::noPermission) << "the reason stays";
        document.beginAdminEditing();
        EXPECT_TRUE(document.isAdminEditing());
        EXPECT_EQ(document.readOnlyReason(), std::nullopt);
        EXPECT_FALSE(document.isReadOnly());
    }
}

TYPED_TEST(WindowDocumentContract, lineEndingsAndIndentationAreWhatTheWindowSets)
{
    TypeParam side;
    WindowDocument& document = side.open(file("utf16.txt"));
    LineEndingSummary counted;
    counted.lf = 2;
    counted.crlf = 1;
    document.setLineEndings(counted);
    EXPECT_EQ(document.lineEndings(), counted);

    const EditorCore::IndentStyle tabs(true, 8);
    document.chooseIndentStyle(tabs);
    EXPECT_EQ(document.indentStyle(), tabs);
    EXPECT_TRUE(document.indentChosenByUser());
    document.chooseIndentStyle(std::nullopt);
    EXPECT_EQ(document.indentStyle(), std::nullopt);
    EXPECT_FALSE(document.indentChosenByUser());
    EXPECT_FALSE(document.isEdited()) << "no undo step";
}
