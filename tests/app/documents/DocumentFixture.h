#pragma once

#include "app/documents/DocumentWindow.h"
#include "app/documents/SnapshotStrings.h"
#include "app/documents/TextDocument.h"
#include "app/kit/Utf16.h"
#include "tests/app/documents/DocumentTestSupport.h"

#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

// Stands in for the window controller and records what the document asked of it.
class FakeWindow : public EditorDocuments::DocumentWindow
{
public:
    QString shownText;
    bool marked = false;
    std::vector<std::string> calls;
    std::vector<EditorDocuments::DocumentFailure> unencodableBanners;
    std::vector<EditorDocuments::SaveRules::SaveRefusal> refusals;
    bool hasUnsavedEdits = true;

    QString text() const override { return shownText; }
    EditorCore::TextSnapshot snapshot() const override
    {
        EditorCore::ChunkedTextBuilder builder;
        builder.append(EditorKit::utf16View(shownText));
        return builder.finishSnapshot();
    }
    bool hasMarkedText() const override { return marked; }
    void showWindow() override { calls.push_back("showWindow"); }
    void updateStatusBar() override { calls.push_back("updateStatusBar"); }
    void applyDisplayOptions() override { calls.push_back("applyDisplayOptions"); }
    void applyEditability() override { calls.push_back("applyEditability"); }
    void replaceAllText(EditorCore::TextSnapshot text,
                        std::optional<EditorCore::LineIndex> lines) override
    {
        shownText = EditorDocuments::flatText(text);
        givenText = std::move(text);
        givenLines = std::move(lines);
        calls.push_back("replaceAllText");
    }
    // The chunks and the line index a read handed over with its text.
    EditorCore::TextSnapshot givenText;
    std::optional<EditorCore::LineIndex> givenLines;
    void setHasUnsavedEdits(bool edited) override { hasUnsavedEdits = edited; }
    void startFileWatcher() override { calls.push_back("startFileWatcher"); }
    void stopWatching() override { calls.push_back("stopWatching"); }
    void showFileGoneBanner() override { calls.push_back("fileGone"); }
    void showExternalChangeBanner() override { calls.push_back("externalChanged"); }
    void showUnencodableBanner(const EditorDocuments::DocumentFailure& failure) override
    {
        unencodableBanners.push_back(failure);
    }
    void showSaveRefusedBanner(EditorDocuments::SaveRules::SaveRefusal refusal) override
    {
        refusals.push_back(refusal);
    }
    void dismissBanner(const QString& key) override
    {
        calls.push_back("dismiss:" + key.toStdString());
    }
    void setLoading(bool loading) override { calls.push_back(loading ? "loading" : "loaded"); }

    bool called(const std::string& name) const
    {
        return std::find(calls.begin(), calls.end(), name) != calls.end();
    }
};

// A reopen in another encoding, or the not-text open, waited for: a small file's comes at
// once, a large one's from the reading worker.
inline EditorCore::Result<bool, EditorDocuments::DocumentFailure>
reloadAndWait(EditorDocuments::TextDocument& document, EditorCore::TextEncoding encoding)
{
    std::optional<EditorCore::Result<bool, EditorDocuments::DocumentFailure>> result;
    document.reload(encoding, [&](const auto& done) { result = done; });
    if (!QTest::qWaitFor([&] { return result.has_value(); }, 30'000))
        return EditorCore::failure(
            EditorDocuments::DocumentFailure{std::make_error_code(std::errc::timed_out)});
    return *result;
}

inline EditorCore::Result<std::optional<QString>, EditorDocuments::DocumentFailure>
openNotTextAndWait(EditorDocuments::TextDocument& document)
{
    std::optional<EditorCore::Result<std::optional<QString>, EditorDocuments::DocumentFailure>>
        result;
    using Shown = EditorCore::Result<std::optional<QString>, EditorDocuments::DocumentFailure>;
    document.openNotTextReadOnly([&](const auto& done, auto) {
        if (!done)
            result = Shown(EditorCore::failure(done.error()));
        else if (!*done)
            result = Shown(std::optional<QString>());
        else
            result = Shown(std::optional<QString>(EditorDocuments::flatText(**done)));
    });
    if (!QTest::qWaitFor([&] { return result.has_value(); }, 30'000))
        return EditorCore::failure(
            EditorDocuments::DocumentFailure{std::make_error_code(std::errc::timed_out)});
    return *result;
}

struct RecordedEvent
{
    EditorStore::ErrorLog::Level level;
    std::string key;
    EditorStore::ErrorLog::Fields fields;
};

// Services over a temporary folder: settings, memory, log, writability and the privilege
// runner are the test's own.
class DocumentTest : public ::testing::Test
{
protected:
    DocumentTest()
        : services(std::make_shared<EditorDocuments::DocumentServices>())
    {
        services->largeFileMB = [this] { return largeFileMB; };
        services->newDocumentFormat = [] {
            return EditorDocuments::FileFormat::newDocumentDefault("utf-8", false);
        };
        services->fileMemory.entry = [this](const std::filesystem::path& path)
            -> std::optional<EditorDocuments::RememberedFile> {
            auto found = remembered.find(path);
            if (found == remembered.end())
                return std::nullopt;
            return EditorDocuments::RememberedFile{found->second};
        };
        services->fileMemory.rememberEncoding = [this](EditorCore::TextEncoding encoding,
                                                       const std::filesystem::path& path,
                                                       std::chrono::system_clock::time_point) {
            remembered[path] = encoding;
            return true;
        };
        services->isWritable = [this](const std::filesystem::path& path) {
            return notWritable.count(path) == 0;
        };
        services->record = [this](EditorStore::ErrorLog::Level level,
                                  std::string_view key,
                                  const EditorStore::ErrorLog::Fields& fields) {
            events.push_back({level, std::string(key), fields});
        };
        services->makeWindowController = [this](EditorDocuments::TextDocument&) {
            auto made = std::make_unique<FakeWindow>();
            lastWindow = made.get();
            return made;
        };
        std::filesystem::create_directory(folder / "admin-tmp");
        services->adminTemporaryBase = folder / "admin-tmp";
    }

    // A document read from `name` with a window whose text is what was read.
    std::unique_ptr<EditorDocuments::TextDocument> open(const std::string& name)
    {
        auto document = std::make_unique<EditorDocuments::TextDocument>(services);
        auto read = document->readFromURL(folder / name);
        EXPECT_TRUE(read.has_value());
        const QString text = EditorDocuments::flatText(document->loadedText());
        document->makeWindowControllers();
        window = lastWindow;
        window->shownText = text;
        return document;
    }

    // What typing does: the window's text changes and the document counts an edit.
    void edit(EditorDocuments::TextDocument& document, const QString& text)
    {
        window->shownText = text;
        document.updateChangeCount(EditorDocuments::TextDocument::ChangeType::changeDone);
    }

    // Spins the event loop until the saves under way have completed on the main thread, as
    // they do in the application; whether the last one succeeded.
    static bool finishSaves(EditorDocuments::TextDocument& document)
    {
        bool succeeded = true;
        auto connection = QObject::connect(&document,
                                           &EditorDocuments::TextDocument::saveFinished,
                                           [&](bool finished) { succeeded = finished; });
        const bool done = QTest::qWaitFor([&] { return !document.isSaving(); }, 10'000);
        QObject::disconnect(connection);
        return done && succeeded;
    }
    // The save command run to its end: whether the document was written.
    static bool saveAndWait(EditorDocuments::TextDocument& document)
    {
        return document.saveDocument() && finishSaves(document);
    }
    static bool saveAsAndWait(EditorDocuments::TextDocument& document)
    {
        return document.saveDocumentAs() && finishSaves(document);
    }

    const RecordedEvent* event(const std::string& key) const
    {
        for (const auto& e : events) {
            if (e.key == key)
                return &e;
        }
        return nullptr;
    }

    TemporaryFolder folder;
    std::shared_ptr<EditorDocuments::DocumentServices> services;
    std::int64_t largeFileMB = 100;
    std::map<std::filesystem::path, EditorCore::TextEncoding> remembered;
    std::set<std::filesystem::path> notWritable;
    std::vector<RecordedEvent> events;
    FakeWindow* lastWindow = nullptr;
    FakeWindow* window = nullptr;
};
