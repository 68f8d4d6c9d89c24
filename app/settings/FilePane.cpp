#include "app/kit/Localized.h"
#include "app/settings/SettingsWindowController.h"
#include "app/window/DisplayNames.h"
#include "core/TextEncoding.h"

#include <QCheckBox>
#include <QComboBox>

namespace EditorSettings {

using EditorKit::localized;
using EditorStore::SettingKeys;

void SettingsWindowController::makeFilePane(SettingsForm& form, SettingsPane& pane)
{
    EditorStore::Settings& settings = form.settings();

    std::vector<SettingsChoice<std::string>> encodings;
    for (EditorCore::TextEncoding encoding : EditorWindow::DisplayNames::encodingChoices()) {
        encodings.push_back({EditorWindow::DisplayNames::displayName(encoding),
                             std::string(EditorCore::rawValue(encoding))});
    }
    QComboBox* encoding =
        form.addPopup(localized("새 문서 인코딩"), SettingKeys::fileNewEncoding, encodings);
    // Bound by hand: whether it can be on depends on the encoding as well.
    auto* bom = new ActionCheckBox(localized("BOM 넣기"), [&settings](ActionCheckBox& box) {
        storeNewFileBOM(&box, settings);
    });
    form.recordLabel(SettingKeys::fileNewBOM.name, localized("BOM 넣기"));
    pane.onRefresh.push_back([bom, &settings] { updateBOMCheckbox(bom, settings); });
    form.addRow(localized("새 문서 인코딩"), SettingsForm::makeStack({encoding, bom}));

    QComboBox* lineEnding = form.addPopup(localized("새 문서 줄끝"),
                                          SettingKeys::fileNewLineEnding,
                                          {{localized("LF (맥 · 리눅스)"), "lf"},
                                           {localized("CRLF (윈도우)"), "crlf"},
                                           {localized("CR (옛 맥)"), "cr"}});
    form.addRow(localized("새 문서 줄끝"), lineEnding);
    form.addNote(localized("연 파일은 읽은 인코딩 · 줄끝 그대로 저장해요"));
    form.addSeparator();

    form.addStepper(localized("큰 파일 기준"),
                    SettingKeys::fileLargeFileMB,
                    1,
                    512,
                    localized("MB 넘으면 읽기 전용으로"));
    form.addNote(localized("넘으면 자동 줄바꿈 · 숨은 문자 · 수상한 글자 셈을 꺼요. 512MB 를 "
                           "넘으면 앞부분만 읽어요."));
    form.addSeparator();
    pane.addResetButton();
}

void SettingsWindowController::storeNewFileBOM(QCheckBox* checkBox, EditorStore::Settings& settings)
{
    settings.set(checkBox->isChecked(), SettingKeys::fileNewBOM);
}

void SettingsWindowController::updateBOMCheckbox(QCheckBox* checkBox,
                                                 const EditorStore::Settings& settings)
{
    // An encoding the store names but this build does not know reads as UTF-8, as a new
    // document's format does.
    const EditorCore::TextEncoding encoding =
        EditorCore::textEncodingFromRawValue(settings.value(SettingKeys::fileNewEncoding))
            .value_or(EditorCore::TextEncoding::utf8);
    const bool hasMark = !EditorCore::byteOrderMark(encoding).empty();
    checkBox->setEnabled(hasMark);
    checkBox->setChecked(hasMark && settings.value(SettingKeys::fileNewBOM));
}

} // namespace EditorSettings
