#include "app/kit/Localized.h"
#include "app/kit/Presenter.h"
#include "app/settings/SettingsWindowController.h"
#include "app/window/StatusContent.h"

#include <unicode/datefmt.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QPointer>

#include <memory>

namespace EditorSettings {

using EditorKit::localized;
using EditorStore::SettingKeys;

namespace {

QString withValue(const char* koreanText, const QString& value)
{
    return localized(koreanText).replace(QStringLiteral("%@"), value);
}

// A one-line label that, when narrower than its text, leaves out the middle of the text (a
// path keeps its start and its file name).
class MiddleElidedLabel : public QLabel
{
public:
    explicit MiddleElidedLabel(int widest)
        : m_widest(widest)
    {
        setTextFormat(Qt::PlainText);
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    }

    QSize sizeHint() const override
    {
        const QSize full = QLabel::sizeHint();
        return {std::min(m_widest, full.width()), full.height()};
    }
    QSize minimumSizeHint() const override { return {40, QLabel::minimumSizeHint().height()}; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setPen(palette().color(foregroundRole()));
        const QRect area = contentsRect();
        painter.drawText(area,
                         Qt::AlignLeft | Qt::AlignVCenter,
                         fontMetrics().elidedText(text(), Qt::ElideMiddle, area.width()));
    }

private:
    int m_widest;
};

// The colours of the status rows, on light and dark backgrounds alike.
const QColor statusGreen(0x34, 0xa8, 0x53);
const QColor statusOrange(0xf0, 0x8c, 0x00);

void setStatus(QLabel* status, const QString& text, std::optional<QColor> colour)
{
    status->setText(text);
    QPalette palette = status->palette();
    palette.setColor(QPalette::WindowText,
                     colour ? *colour : status->palette().color(QPalette::PlaceholderText));
    status->setPalette(palette);
}

// The abbreviated date and the short time in the interface's locale ("2026. 12. 10. 오후
// 1:05", "Dec 10, 2026, 1:05 PM").
QString checkDateText(std::chrono::system_clock::time_point when)
{
    const QString name = QLocale().name();
    const icu::Locale locale = name == QStringLiteral("C") || name.isEmpty()
                                   ? icu::Locale("en_US")
                                   : icu::Locale(name.toLatin1().constData());
    std::unique_ptr<icu::DateFormat> format(icu::DateFormat::createDateTimeInstance(
        icu::DateFormat::kMedium, icu::DateFormat::kShort, locale));
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count();
    if (!format) {
        const QDateTime local = QDateTime::fromMSecsSinceEpoch(millis);
        return QLocale().toString(local, QLocale::ShortFormat);
    }
    icu::UnicodeString text;
    format->format(static_cast<UDate>(millis), text);
    return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}

QString homeFolder()
{
    return QDir::homePath();
}

} // namespace

void SettingsWindowController::makeGeneralPane(SettingsForm& form,
                                               SettingsPane& pane,
                                               const GeneralPaneServices& services)
{
    QPointer<SettingsPane> weakPane(&pane);

    // 1–3: the language, and the relaunch offer while the choice differs from this launch's.
    const QString systemName =
        services.systemLanguageName ? services.systemLanguageName() : QStringLiteral("?");
    QComboBox* language = form.addPopup(localized("언어"),
                                        SettingKeys::generalLanguage,
                                        {{withValue("시스템 따라 (%@)", systemName), "system"},
                                         {QStringLiteral("한국어"), "ko"},
                                         {QStringLiteral("English"), "en"},
                                         {QStringLiteral("日本語"), "ja"}});
    language->setObjectName(QStringLiteral("languagePopup"));
    form.addRow(localized("언어"), language);
    const std::size_t noteRow = form.rows().size();
    form.addNote(localized("바꾼 언어는 다시 켜면 보여요. 탭 · 메모는 그대로 돌아와요."));
    auto relaunch = services.relaunch;
    auto* relaunchButton = new ActionButton(localized("다시 켜기"), [relaunch](ActionButton&) {
        if (relaunch)
            relaunch();
    });
    form.addRow(std::nullopt, relaunchButton);
    std::vector<QWidget*> relaunchRows;
    for (std::size_t row = noteRow; row < noteRow + 2; ++row) {
        for (QWidget* view : form.rows()[row])
            relaunchRows.push_back(view);
    }
    form.addSeparator();

    // 5–6: updates.
    form.addCheckbox(
        localized("업데이트"), localized("하루 한 번 새 판 확인"), SettingKeys::updateAutoCheck);
    QLabel* updateNote = form.addNote(QString());
    updateNote->setObjectName(QStringLiteral("updateStatus"));
    form.addSeparator();

    // 8–12: the quick memo, the tray icon and the autostart entry.
    std::vector<SettingsChoice<std::string>> shortcuts;
    for (std::string_view value : EditorStore::QuickMemoShortcuts::all) {
        const QString title =
            value == "off" ? localized("끔")
            : services.shortcutText
                ? services.shortcutText(value)
                : QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size()));
        shortcuts.push_back({title, std::string(value)});
    }
    QComboBox* shortcut =
        form.addPopup(localized("빠른 메모 단축키"), SettingKeys::quickMemoShortcut, shortcuts);
    shortcut->setObjectName(QStringLiteral("quickMemoShortcutPopup"));
    form.addRow(localized("빠른 메모 단축키"), shortcut);
    auto* memoPath = new MiddleElidedLabel(320);
    memoPath->setObjectName(QStringLiteral("quickMemoPath"));
    memoPath->setForegroundRole(QPalette::PlaceholderText);
    auto* changeMemo = new ActionButton(localized("바꾸기…"), [weakPane, services](ActionButton&) {
        if (weakPane)
            chooseQuickMemoFile(*weakPane, services);
    });
    form.addRow(localized("빠른 메모 파일"), SettingsForm::makeStack({memoPath, changeMemo}));
    form.addNote(localized("어느 앱에서든 단축키로 작은 창을 띄워 쓰면, 이 파일 끝에 날짜와 함께 "
                           "이어 써요"));
    form.addCheckbox(localized("메뉴 막대"),
                     localized("메뉴 막대에 아이콘 보이기"),
                     SettingKeys::generalMenuBarIcon);
    form.addCheckbox(localized("로그인"),
                     localized("맥에 로그인하면 조용히 켜기 (창 없이)"),
                     SettingKeys::generalLaunchAtLogin);
    form.addSeparator();

    // 14–15: windows brought back.
    form.addCheckbox(
        localized("창"), localized("껐다 켜면 창 되살리기"), SettingKeys::generalRestoreWindows);
    form.addNote(localized("맥 시스템 설정과 상관없이 · 꺼도 이름 없는 메모는 남아요"));
    form.addSeparator();

    // 17–19: the file manager's menu.
    auto* finderStatus = new QLabel;
    finderStatus->setObjectName(QStringLiteral("fileManagerStatus"));
    auto makeFinderSheet = services.makeFileManagerSheet;
    auto* finderButton =
        new ActionButton(localized("켜는 법…"), [weakPane, makeFinderSheet](ActionButton&) {
            if (weakPane && makeFinderSheet)
                weakPane->presentSheet(makeFinderSheet());
        });
    finderButton->setObjectName(QStringLiteral("fileManagerButton"));
    form.addRow(localized("Finder 오른쪽 클릭 메뉴"),
                SettingsForm::makeStack({finderStatus, finderButton}));
    form.addNote(localized(
        "파일을 오른쪽 클릭하면 「Orlune Viewer로 열기」 · 폴더 빈 곳에 「새 파일 만들기」"));
    form.addCheckbox(localized("새 파일 만들기"),
                     localized("만들면 바로 열기"),
                     SettingKeys::finderOpenAfterCreate);
    form.addSeparator();

    // 21: the command-line program.
    auto* toolStatus = new QLabel;
    toolStatus->setObjectName(QStringLiteral("commandLineToolStatus"));
    auto makeToolSheet = services.makeCommandLineToolSheet;
    auto* toolButton = new ActionButton(QString(), [weakPane, makeToolSheet](ActionButton&) {
        if (weakPane && makeToolSheet)
            weakPane->presentSheet(makeToolSheet());
    });
    toolButton->setObjectName(QStringLiteral("commandLineToolButton"));
    form.addRow(localized("터미널 명령 olv"), SettingsForm::makeStack({toolStatus, toolButton}));
    form.addSeparator();

    // 23–24: the default application for text files.
    form.addRow(
        localized("기본 앱"),
        new ActionButton(localized(".txt 를 이 앱으로 여는 법…"), [weakPane](ActionButton&) {
            if (weakPane)
                showDefaultAppHelp(*weakPane);
        }));
    QLabel* openWithNote = form.addNote(QString());
    openWithNote->setObjectName(QStringLiteral("openWithNote"));

    pane.onRefresh.push_back([weakPane, relaunchRows, services] {
        updateLanguageRows(weakPane.data(), relaunchRows, services);
    });
    pane.onRefresh.push_back([updateNote, services] { updateUpdateStatus(updateNote, services); });
    pane.onRefresh.push_back([memoPath, services] { updateQuickMemoPath(memoPath, services); });
    pane.onRefresh.push_back([finderStatus, finderButton, services] {
        updateFinderStatus(finderStatus, finderButton, services);
    });
    pane.onRefresh.push_back([openWithNote, services] {
        // Only an installed desktop entry puts the editor under "Open With".
        const bool listed =
            services.desktopEntryInstalled
                ? services.desktopEntryInstalled()
                : !QStandardPaths::locate(QStandardPaths::ApplicationsLocation,
                                          QStringLiteral("app.orlune.viewer.desktop"))
                       .isEmpty();
        openWithNote->setText(listed ? localized("Finder 의 「다음으로 열기」 에는 이미 있어요")
                                     : localized("데스크톱 항목이 설치되지 않아 「다른 앱으로 열기」 "
                                                 "에는 아직 없어요"));
    });
    pane.onRefresh.push_back([toolStatus, toolButton, services] {
        updateCommandLineToolStatus(toolStatus, toolButton, services);
    });
}

void SettingsWindowController::updateLanguageRows(SettingsPane* pane,
                                                  const std::vector<QWidget*>& relaunchRows,
                                                  const GeneralPaneServices& services)
{
    if (!pane)
        return;
    const std::string chosen = pane->settings().value(SettingKeys::generalLanguage);
    const std::string atLaunch = services.launchLanguage ? services.launchLanguage() : "system";
    const bool hidden = chosen == atLaunch;
    bool changed = false;
    for (QWidget* view : relaunchRows) {
        if (view->isHidden() != hidden) {
            view->setHidden(hidden);
            changed = true;
        }
    }
    if (changed)
        pane->fitWindowToContent();
}

QString SettingsWindowController::updateStatusText(
    std::optional<std::chrono::system_clock::time_point> lastCheck,
    const std::optional<std::string>& version)
{
    const QString first = lastCheck ? withValue("마지막 확인: %@", checkDateText(*lastCheck))
                                    : localized("아직 확인 안 함");
    const QString shown =
        version && !version->empty() ? QString::fromStdString(*version) : QStringLiteral("?");
    return first + QStringLiteral(" · ") + withValue("지금 %@", shown);
}

void SettingsWindowController::updateUpdateStatus(QLabel* note, const GeneralPaneServices& services)
{
    note->setText(updateStatusText(services.lastUpdateCheckDate ? services.lastUpdateCheckDate()
                                                                : std::nullopt,
                                   services.appVersion ? services.appVersion() : std::nullopt));
}

void SettingsWindowController::updateQuickMemoPath(QLabel* pathLabel,
                                                   const GeneralPaneServices& services)
{
    const auto file = services.memoFileURL ? services.memoFileURL() : std::nullopt;
    const QString path = file ? QString::fromStdString(file->string()) : QString();
    pathLabel->setText(EditorWindow::StatusContent::abbreviatedPath(path, homeFolder()));
    pathLabel->setToolTip(path);
    pathLabel->update();
}

void SettingsWindowController::updateFinderStatus(QLabel* status,
                                                  QAbstractButton* button,
                                                  const GeneralPaneServices& services)
{
    if (services.fileManagerModuleInstalled && services.fileManagerModuleInstalled()) {
        setStatus(status, localized("● 켜짐"), statusGreen);
        button->setText(localized("보기…"));
    } else {
        setStatus(status, localized("● 꺼짐"), statusOrange);
        button->setText(localized("켜는 법…"));
    }
}

void SettingsWindowController::updateCommandLineToolStatus(QLabel* status,
                                                           QAbstractButton* button,
                                                           const GeneralPaneServices& services)
{
    if (services.commandLinkIsOurs && services.commandLinkIsOurs()) {
        setStatus(status, localized("● 설치됨"), statusGreen);
        button->setText(localized("보기…"));
    } else {
        setStatus(status, localized("설치 안 됨"), std::nullopt);
        button->setText(localized("설치하는 법…"));
    }
}

void SettingsWindowController::chooseQuickMemoFile(SettingsPane& pane,
                                                   const GeneralPaneServices& services)
{
    const auto current = services.memoFileURL ? services.memoFileURL() : std::nullopt;
    const QString name = current ? QString::fromStdString(current->filename().string()) : QString();
    const QString folder =
        current ? QString::fromStdString(current->parent_path().string()) : homeFolder();
    QWidget* parent = pane.window();
    std::optional<std::filesystem::path> chosen;
    if (services.chooseMemoFile) {
        chosen = services.chooseMemoFile(parent, name, folder);
    } else {
        QFileDialog dialog(parent);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setMimeTypeFilters({QStringLiteral("text/plain")});
        dialog.setDirectory(folder);
        dialog.selectFile(name);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            chosen = std::filesystem::path(dialog.selectedFiles().constFirst().toStdString());
    }
    // The label follows the store's change, not the dialog.
    if (chosen && !chosen->empty())
        pane.settings().set(chosen->string(), SettingKeys::quickMemoPath);
}

void SettingsWindowController::showDefaultAppHelp(SettingsPane& pane)
{
    QWidget* window = pane.window();
    if (!window || window == &pane)
        return;
    EditorKit::Alert alert;
    alert.style = EditorKit::Alert::Style::informational;
    alert.text = localized(".txt 파일을 언제나 Orlune Viewer로 열려면");
    alert.informativeText = localized(
        "1. Finder 에서 .txt 파일 하나를 고르고 ⌘I(정보 가져오기)\n2. 「다음으로 열기」 에서 "
        "「Orlune Viewer」 를 고르기\n3. 「모두 변경…」 을 누르기\n\n.md · .log 같은 다른 "
        "확장자도 같은 방법이에요.");
    alert.buttons = {localized("확인")};
    alert.defaultButton = 0;
    alert.cancelButton = 0;
    (void)pane.presenter().runAlert(alert, window);
}

} // namespace EditorSettings
