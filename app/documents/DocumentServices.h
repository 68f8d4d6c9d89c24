#pragma once

#include "app/documents/AdminWriter.h"
#include "app/documents/DocumentFailure.h"
#include "app/documents/FileFormat.h"
#include "app/documents/FileMemoryLink.h"
#include "app/documents/FileSaver.h"
#include "platform/SerialQueue.h"
#include "store/ErrorLog.h"
#include "store/ScratchStore.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace EditorDocuments {

class DocumentWindow;
class TextDocument;

// What the documents take from the rest of the application. `shared()` holds the real ones;
// tests build their own, so they never touch the user's settings, file memory, event log or
// the system's authentication dialog.
struct DocumentServices
{
    // The setting "file.largeFileMB".
    std::function<std::int64_t()> largeFileMB;
    // The format of a new document from the settings "file.new.encoding" and "file.new.bom".
    std::function<FileFormat()> newDocumentFormat;
    FileMemoryLink fileMemory;
    // Injectable because a process running as root may write every file.
    std::function<bool(const std::filesystem::path&)> isWritable;
    FileSaver::Options saverOptions;
    std::shared_ptr<AdminWriter::PrivilegeRunner> privilegeRunner;
    // Empty: AdminWriter::defaultTemporaryBase().
    std::filesystem::path adminTemporaryBase;
    // The event log (AppLog.record).
    std::function<void(
        EditorStore::ErrorLog::Level, std::string_view, const EditorStore::ErrorLog::Fields&)>
        record;
    // Asks where to save an untitled document (the save panel); none when the user cancelled.
    std::function<std::optional<std::filesystem::path>(TextDocument&)> chooseSaveLocation;
    // The title of an untitled text (ScratchStore.title): its first line, trimmed, at most 20
    // characters; none when that is empty.
    std::function<std::optional<std::u16string>(std::u16string_view)> scratchTitle;
    // The keeping place of untitled texts and rescued edits; empty: its default folder.
    std::filesystem::path scratchDirectory;
    // The time kept entries are stamped with.
    std::function<std::chrono::system_clock::time_point()> now = [] {
        return std::chrono::system_clock::now();
    };
    // Runs `call` on the main thread after `milliseconds` (the autosave retries); none: a
    // single-shot timer.
    std::function<void(int milliseconds, std::function<void()> call)> afterDelay;
    // The delay of an autosave after an unsaved change; negative: documents do not autosave
    // on their own (tests that do not ask for it).
    int autosavingDelayMilliseconds = -1;
    // Whether the application is quitting (the document controller's flag); none: not.
    std::function<bool()> isTerminating;
    // The close decision of a document's tab (asks over its window when it must); none: it
    // may close.
    std::function<bool(TextDocument&)> decideClose;
    // Runs `makeWindows` so that the windows it makes open as tabs of one new window, then
    // selects the first tab and brings that window to the front; none: just runs it.
    std::function<void(const std::function<void()>& makeWindows)> inOneNewWindow;
    // The open panel (several files, no folders): the chosen files in order, none when
    // cancelled.
    std::function<std::vector<std::filesystem::path>()> chooseFilesToOpen;
    // The folder open panel: one folder, none when cancelled.
    std::function<std::optional<std::filesystem::path>()> chooseFolderToOpen;
    // Shows a failure that belongs to no window (an open that failed); none: logged only.
    std::function<void(const std::filesystem::path&, const DocumentFailure&)> presentOpenFailure;
    // Creates the window controller of a document (makeWindowControllers); none: no window.
    std::function<std::unique_ptr<DocumentWindow>(TextDocument&)> makeWindowController;

    // The workers of the documents' file work: one reads files, one encodes and writes saves
    // (so the saves of a document are written in the order they were made).
    std::shared_ptr<Platform::SerialQueue> readingQueue =
        std::make_shared<Platform::SerialQueue>("app.orlune.viewer.document.read");
    std::shared_ptr<Platform::SerialQueue> savingQueue =
        std::make_shared<Platform::SerialQueue>("app.orlune.viewer.document.save");
    // Files of at least this many bytes are read on the worker while their window waits; a
    // smaller file reads faster than a window could show that it is loading.
    std::uint64_t backgroundReadLength = 1 << 20;

    // The application's services, created on first use. The window module installs its
    // factory and save panel here at start-up.
    static const std::shared_ptr<DocumentServices>& shared();
};

} // namespace EditorDocuments
