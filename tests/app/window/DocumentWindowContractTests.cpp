// What a document relies on from its window when it saves or keeps the text, written once and
// run against the fake window of the document tests and against the hosted window. A save
// writes `snapshot()` and keeping writes `snapshotWithMarkedText()`: they must be the text the
// window shows, and stay as taken while typing goes on.
#include "app/documents/DocumentServices.h"
#include "app/documents/TextDocument.h"
#include "app/kit/ActionRouter.h"
#include "app/kit/Utf16.h"
#include "app/views/EditorTextView.h"
#include "app/views/TextStorage.h"
#include "app/window/DocumentWindowController.h"
#include "app/window/hosting/TextDocumentWindow.h"
#include "platform/PreferencesDomain.h"
#include "store/Settings.h"
#include "tests/app/documents/DocumentFixture.h"
#include "tests/platform/TemporaryFolder.h"

#include <QApplication>
#include <QCoreApplication>
#include <QInputMethodEvent>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>

namespace {

std::u16string unitsOf(const QString& text)
{
    return std::u16string(EditorKit::utf16View(text));
}

// A document read from a small file, with the window of the side.
class SideBase
{
public:
    SideBase()
    {
        std::ofstream(m_folder / "notes.txt", std::ios::binary) << "one\n";
        m_services->newDocumentFormat = [] {
            return EditorDocuments::FileFormat::newDocumentDefault("utf-8", false);
        };
        m_services->isWritable = [](const std::filesystem::path&) { return true; };
        m_services->record = [](auto, auto, const auto&) {};
    }

protected:
    void open()
    {
        m_document = std::make_unique<EditorDocuments::TextDocument>(m_services);
        EXPECT_TRUE(m_document->readFromURL(m_folder / "notes.txt").has_value());
        m_document->makeWindowControllers();
    }

    TemporaryFolder m_folder;
    std::shared_ptr<EditorDocuments::DocumentServices> m_services =
        std::make_shared<EditorDocuments::DocumentServices>();
    std::unique_ptr<EditorDocuments::TextDocument> m_document;
};

// The hosted window over its real text view.
class RealSide : public SideBase
{
public:
    RealSide()
    {
        m_services->makeWindowController = [this](EditorDocuments::TextDocument& document) {
            EditorWindow::WindowEnvironment environment;
            environment.settings = &m_settings;
            environment.features = [] { return EditorWindow::WindowFeatureList{}; };
            return std::make_unique<EditorWindow::TextDocumentWindow>(
                document, m_router, environment);
        };
        open();
    }
    ~RealSide()
    {
        m_document->close();
        QCoreApplication::processEvents();
    }

    EditorDocuments::DocumentWindow& window() { return *m_document->editor(); }
    // What typing leaves in the view.
    void type(const QString& text)
    {
        auto& view =
            *dynamic_cast<EditorWindow::TextDocumentWindow&>(window()).controller().textView();
        view.storage().setText(text);
    }

private:
    EditorStore::Settings m_settings{
        std::make_shared<Platform::PreferencesDomain>(m_folder / "group-defaults.json"), {}};
    EditorKit::ActionRouter m_router;
};

// The document tests' window.
class FakeSide : public SideBase
{
public:
    FakeSide()
    {
        m_services->makeWindowController = [this](EditorDocuments::TextDocument&) {
            auto made = std::make_unique<FakeWindow>();
            m_window = made.get();
            return made;
        };
        open();
    }

    EditorDocuments::DocumentWindow& window() { return *m_window; }
    void type(const QString& text) { m_window->shownText = text; }

private:
    FakeWindow* m_window = nullptr;
};

template<class Side>
class DocumentWindowContract : public ::testing::Test
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
TYPED_TEST_SUITE(DocumentWindowContract, Sides, SideNames);

} // namespace

TYPED_TEST(DocumentWindowContract, theSnapshotIsTheShownTextAndStaysAsTaken)
{
    TypeParam side;
    auto& window = side.window();
    const QString texts[] = {
        QString(),
        QStringLiteral("a\r\nb\rc\n"),
        QStringLiteral("한국어 \U0001F600 text\u2028"),
        QString(20000, QLatin1Char('x')) + QStringLiteral("\r\n끝"),
    };
    EditorCore::TextSnapshot previous;
    QString previousText;
    for (const auto& text : texts) {
        SCOPED_TRACE(text.left(20).toStdString());
        side.type(text);
        EXPECT_EQ(window.text(), text);
        EXPECT_EQ(window.snapshot().text(), unitsOf(text));
        EXPECT_EQ(window.snapshotWithMarkedText().text(), unitsOf(window.textWithMarkedText()));
        EXPECT_FALSE(window.hasMarkedText());
        EXPECT_EQ(previous.text(), unitsOf(previousText)) << "an earlier snapshot is unchanged";
        previous = window.snapshot();
        previousText = text;
    }
}

// A composition is part of what is kept (not of what is saved) on the real window too.
TEST(TextDocumentWindow, theKeptSnapshotHoldsTheCompositionAtTheCaret)
{
    RealSide side;
    auto& window = dynamic_cast<EditorWindow::TextDocumentWindow&>(side.window());
    side.type(QStringLiteral("ab\ncd"));
    auto& view = *window.controller().textView();
    view.setSelectedRange({4, 0});
    QInputMethodEvent compose(QStringLiteral("한"), {});
    QApplication::sendEvent(&view, &compose);
    ASSERT_TRUE(window.hasMarkedText());
    EXPECT_EQ(window.textWithMarkedText(), QStringLiteral("ab\nc한d"));
    EXPECT_EQ(window.snapshotWithMarkedText().text(), u"ab\nc한d");
    EXPECT_EQ(window.snapshot().text(), u"ab\ncd") << "a save writes no composition";
    EXPECT_EQ(window.text(), QStringLiteral("ab\ncd"));
}
