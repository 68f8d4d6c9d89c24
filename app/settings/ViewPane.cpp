#include "app/features/GrammarCenter.h"
#include "app/kit/Localized.h"
#include "app/settings/PreviewBox.h"
#include "app/settings/SettingsWindowController.h"
#include "app/views/EditorFont.h"

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <QComboBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLabel>
#include <QLocale>

#include <algorithm>
#include <memory>
#include <set>

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

icu::UnicodeString unicodeString(const QString& text)
{
    return icu::UnicodeString(reinterpret_cast<const UChar*>(text.utf16()),
                              static_cast<int32_t>(text.size()));
}

// The order file managers give names: numbers by value ("Font 2" before "Font 10"), letters
// without regard to case, in the user's language.
void sortLikeFileNames(QStringList& names)
{
    // The user's locale; the POSIX locale's collation is code-point order, so "C" takes the
    // root collation instead.
    const QString name = QLocale().name();
    const icu::Locale locale = name == QStringLiteral("C") || name.isEmpty()
                                   ? icu::Locale::getRoot()
                                   : icu::Locale(name.toLatin1().constData());
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Collator> collator(icu::Collator::createInstance(locale, status));
    if (U_FAILURE(status) || !collator) {
        names.sort(Qt::CaseInsensitive);
        return;
    }
    collator->setStrength(icu::Collator::SECONDARY);
    collator->setAttribute(UCOL_NUMERIC_COLLATION, UCOL_ON, status);
    std::stable_sort(names.begin(), names.end(), [&](const QString& a, const QString& b) {
        UErrorCode compareStatus = U_ZERO_ERROR;
        const auto order = collator->compare(unicodeString(a), unicodeString(b), compareStatus);
        if (U_FAILURE(compareStatus))
            return a.compare(b, Qt::CaseInsensitive) < 0;
        return order == UCOL_LESS;
    });
}

QString sampleText()
{
    return QStringLiteral("port = 8080   ") + localized("한글 미리 보기")
           + QStringLiteral(" 0O 1lI");
}

bool hasFixedPitchLatin(const QString& family)
{
    QFont font(family);
    font.setPixelSize(13);
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(QLatin1Char('M'));
    return width > 0 && metrics.horizontalAdvance(QLatin1Char('i')) == width
           && metrics.horizontalAdvance(QLatin1Char('0')) == width;
}

} // namespace

QStringList SettingsWindowController::installedFixedPitchFamilies()
{
    // Fontconfig calls the Korean and Japanese coding fonts ("D2Coding") dual-width, not
    // monospaced, as their wide letters take two cells; Qt then does not count them as fixed
    // pitch. Their Latin letters all have one width, which is what the editor needs.
    QStringList families;
    for (const QString& family : QFontDatabase::families()) {
        if (QFontDatabase::isPrivateFamily(family))
            continue;
        if (QFontDatabase::isFixedPitch(family) || hasFixedPitchLatin(family))
            families << family;
    }
    return families;
}

QStringList SettingsWindowController::fixedPitchFontFamilies(const QStringList& installedFixedPitch,
                                                             const QString& storedFamily)
{
    const QString first = EditorViews::defaultEditorFontFamily;
    std::set<QString> unique;
    for (const QString& family : installedFixedPitch) {
        if (!family.isEmpty() && !family.startsWith(QLatin1Char('.')))
            unique.insert(family);
    }
    if (!storedFamily.isEmpty())
        unique.insert(storedFamily);
    unique.erase(first);
    QStringList sorted(unique.begin(), unique.end());
    sortLikeFileNames(sorted);
    sorted.prepend(first);
    return sorted;
}

const std::vector<double>& SettingsWindowController::fontSizeChoices()
{
    static const std::vector<double> sizes = {
        8, 9, 10, 11, 12, 13, 14, 15, 16, 18, 20, 22, 24, 28, 32, 36, 48, 64, 72};
    return sizes;
}

std::vector<double> SettingsWindowController::lineSpacingChoices()
{
    // Divided, not summed, so 1.4 is the very value the setting's default is.
    std::vector<double> spacings;
    for (int i = 10; i <= 20; ++i)
        spacings.push_back(i / 10.0);
    return spacings;
}

void SettingsWindowController::makeViewPane(SettingsForm& form,
                                            SettingsPane& pane,
                                            const ViewPaneSources& sources)
{
    EditorStore::Settings& settings = form.settings();

    const QStringList installed =
        sources.fixedPitchFamilies ? sources.fixedPitchFamilies() : installedFixedPitchFamilies();
    std::vector<SettingsChoice<std::string>> families;
    for (const QString& family : fixedPitchFontFamilies(
             installed, QString::fromStdString(settings.value(SettingKeys::viewFontName))))
        families.push_back({family, family.toStdString()});
    std::vector<SettingsChoice<double>> sizes;
    for (double size : fontSizeChoices())
        sizes.push_back({QString::asprintf("%g", size), size});
    std::vector<SettingsChoice<double>> spacings;
    for (double spacing : lineSpacingChoices())
        spacings.push_back({QString::asprintf("%.1f", spacing), spacing});
    QComboBox* family = form.addPopup(localized("글꼴"), SettingKeys::viewFontName, families);
    QComboBox* size = form.addPopup(localized("글자 크기"), SettingKeys::viewFontSize, sizes);
    QComboBox* spacing =
        form.addPopup(localized("줄 간격"), SettingKeys::viewLineSpacing, spacings);
    form.addRow(localized("글꼴"),
                SettingsForm::makeStack({family, size, new QLabel(localized("줄 간격")), spacing}));

    auto* sample = new QLabel(sampleText());
    sample->setObjectName(QStringLiteral("fontSample"));
    sample->setTextFormat(Qt::PlainText);
    form.addRow(std::nullopt, new PreviewBox(sample, 380), false);
    pane.onRefresh.push_back([sample, &settings] {
        sample->setFont(
            EditorViews::editorFont(std::nullopt, std::nullopt, 1.0, fontSettings(settings)));
    });

    form.addRadioGroup(localized("테마"),
                       SettingKeys::viewTheme,
                       {{localized("시스템 따라"), "system"},
                        {localized("밝게"), "light"},
                        {localized("어둡게"), "dark"}});
    form.addSeparator();

    form.addCheckbox(
        localized("새 탭 기본"), localized("자동 줄바꿈"), SettingKeys::viewNewTabWrap);
    form.addCheckbox(std::nullopt, localized("줄 번호"), SettingKeys::viewNewTabLineNumbers);
    form.addCheckbox(std::nullopt, localized("지금 줄 강조"), SettingKeys::viewNewTabCurrentLine);
    form.addCheckbox(std::nullopt, localized("숨은 문자 보기"), SettingKeys::viewNewTabInvisibles);
    form.addSeparator();

    form.addCheckbox(localized("창"), localized("도구 띠 보기"), SettingKeys::viewShowToolbar);
    form.addCheckbox(std::nullopt, localized("새 탭에 자 보기 (cm)"), SettingKeys::viewNewTabRuler);
    form.addCheckbox(std::nullopt, localized("상태 줄 보기"), SettingKeys::viewShowStatusBar);
    form.addCheckbox(
        std::nullopt, localized("탭이 하나여도 탭 줄 보기"), SettingKeys::viewShowTabBarAlways);
    form.addSeparator();

    form.addCheckbox(
        localized("코드 색"), localized("언어에 맞춰 색칠"), SettingKeys::syntaxEnabled);
    form.addStepper(std::nullopt,
                    SettingKeys::syntaxMaxMB,
                    1,
                    20,
                    localized("MB 넘으면 색 끔 (Markdown 은 절반)"));
    const QString host = sources.grammarHost ? sources.grammarHost()
                                             : AppFeatures::GrammarCenter::shared().serverName();
    form.addCheckbox(
        std::nullopt,
        localized("언어 문법 저절로 받기 (인터넷 · %@)").replace(QStringLiteral("%@"), host),
        SettingKeys::syntaxAutoDownload);
    form.addSeparator();
    pane.addResetButton();
}

} // namespace EditorSettings
