#include "app/documents/DocumentServices.h"

#include "app/documents/DocumentController.h"
#include "app/documents/DocumentReading.h"
#include "app/kit/AppLog.h"
#include "store/SettingKeys.h"
#include "store/Settings.h"

namespace EditorDocuments {

const std::shared_ptr<DocumentServices>& DocumentServices::shared()
{
    static const std::shared_ptr<DocumentServices> services = [] {
        auto made = std::make_shared<DocumentServices>();
        made->largeFileMB = [] {
            return EditorStore::Settings::shared().value(EditorStore::SettingKeys::fileLargeFileMB);
        };
        made->newDocumentFormat = [] {
            auto& settings = EditorStore::Settings::shared();
            return FileFormat::newDocumentDefault(
                settings.value(EditorStore::SettingKeys::fileNewEncoding),
                settings.value(EditorStore::SettingKeys::fileNewBOM));
        };
        made->isWritable = DocumentReading::isWritableByUser;
        made->privilegeRunner = std::make_shared<AdminWriter::ProcessRunner>();
        made->record = [](EditorStore::ErrorLog::Level level,
                          std::string_view key,
                          const EditorStore::ErrorLog::Fields& fields) {
            AppLog::record(level, key, fields);
        };
        made->scratchTitle = [](std::u16string_view text) {
            return EditorStore::ScratchStore::title(text);
        };
        made->autosavingDelayMilliseconds = DocumentController::autosavingDelayMilliseconds;
        return made;
    }();
    return services;
}

} // namespace EditorDocuments
