#include "app/kit/Localized.h"
#include "app/settings/SettingsWindowController.h"
#include "app/views/EditorFont.h"
#include "core/DateInsertion.h"

#include <QComboBox>
#include <QLabel>

#include <chrono>

namespace EditorSettings {

using EditorKit::localized;
using EditorStore::SettingKeys;

namespace {

EditorViews::EditorFontSettings fontSettings(const EditorStore::Settings& settings)
{
    EditorViews::EditorFontSettings fonts;
    fonts.fontName = QString::fromStdString(settings.value(SettingKeys::viewFontName));
    fonts.fontSize = settings.value(SettingKeys::viewFontSize);
    fonts.lineSpacing = settings.value(SettingKeys::viewLineSpacing);
    return fonts;
}

} // namespace

void SettingsWindowController::makeEditorPane(SettingsForm& form, SettingsPane& pane)
{
    EditorStore::Settings& settings = form.settings();

    std::vector<SettingsChoice<std::int64_t>> widths;
    for (std::int64_t width = 1; width <= 16; ++width)
        widths.push_back({QString::number(width), width});
    QComboBox* width =
        form.addPopup(localized("들여쓰기 너비"), SettingKeys::editorIndentWidth, widths);
    form.addRadioGroup(localized("들여쓰기"),
                       SettingKeys::editorIndentUseTabs,
                       {{localized("탭"), true}, {localized("공백"), false}},
                       {new QLabel(localized("너비")), static_cast<QWidget*>(width)});
    form.addCheckbox(
        std::nullopt, localized("열 때 파일의 들여쓰기에 맞춤"), SettingKeys::editorIndentDetect);
    form.addCheckbox(
        std::nullopt, localized("괄호 뒤 자동 들여쓰기"), SettingKeys::editorIndentBrackets);
    form.addSeparator();

    form.addCheckbox(
        localized("자동 고침"), localized("맞춤법 밑줄"), SettingKeys::editorAutocorrectSpelling);
    form.addCheckbox(
        std::nullopt, localized("따옴표를 둥근 따옴표로"), SettingKeys::editorAutocorrectQuotes);
    form.addCheckbox(std::nullopt, localized("-- 를 대시로"), SettingKeys::editorAutocorrectDashes);
    form.addNote(localized("서식 없는 글에 끼어들지 않게 처음엔 꺼 둬요"));
    form.addSeparator();

    // The preview note comes after the field, but the field's action needs it.
    auto preview = std::make_shared<QLabel*>(nullptr);
    ActionTextField* field =
        form.addTextField(localized("날짜 · 시각 모양"),
                          SettingKeys::editorDateFormat,
                          [preview, &settings] { updateDatePreview(*preview, settings); });
    field->setFont(
        EditorViews::editorFont(std::nullopt, std::nullopt, 0.95, fontSettings(settings)));
    field->setFixedWidth(180);
    QLabel* note = form.addNote(QString());
    *preview = note;
    pane.onRefresh.push_back([note, &settings] { updateDatePreview(note, settings); });
    form.addSeparator();
    pane.addResetButton();
}

void SettingsWindowController::updateDatePreview(QLabel* note,
                                                 const EditorStore::Settings& settings)
{
    if (!note)
        return;
    // The store, not the field: a format the store refused leaves the last stored one shown.
    const std::u16string format =
        QString::fromStdString(settings.value(SettingKeys::editorDateFormat)).toStdU16String();
    const std::u16string text = EditorCore::DateInsertion::text(
        std::chrono::system_clock::now(), format, EditorCore::DateInsertion::currentTimeZone());
    note->setText(
        localized("넣으면: %@").replace(QStringLiteral("%@"), QString::fromStdU16String(text)));
}

} // namespace EditorSettings
