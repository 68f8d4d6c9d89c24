#include "app/settings/FinderMenuSheet.h"

#include "app/kit/Localized.h"
#include "app/settings/PreviewBox.h"
#include "app/views/EditorColors.h"

#include <QDesktopServices>
#include <QDir>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QVBoxLayout>

#include <algorithm>
#include <system_error>

#ifndef OLV_NAUTILUS_EXTENSION_DIR
#define OLV_NAUTILUS_EXTENSION_DIR ""
#endif
#ifndef OLV_FINDER_MODULE_FILE
#define OLV_FINDER_MODULE_FILE "liborlune-viewer-finder.so"
#endif

namespace EditorSettings {

using EditorKit::localized;

namespace {

QFont systemFontOfSize(int size, bool bold = false)
{
    QFont font = QGuiApplication::font();
    font.setPointSize(size);
    font.setBold(bold);
    return font;
}

} // namespace

FinderMenuSheet::FinderMenuSheet(QWidget* parent)
    : FinderMenuSheet(Environment{}, parent)
{}

FinderMenuSheet::FinderMenuSheet(Environment environment, QWidget* parent)
    : RefreshingSheet(std::move(environment.timer), parent)
    , m_extensionFolder(environment.extensionFolder ? *environment.extensionFolder
                                                    : defaultExtensionFolder())
    , m_openUrl(std::move(environment.openUrl))
{
    if (!m_openUrl)
        m_openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    m_statusLabel = new QLabel;
    m_statusLabel->setWordWrap(false);
    buildView();
    refresh();
}

FinderMenuSheet::~FinderMenuSheet() = default;

std::filesystem::path FinderMenuSheet::defaultExtensionFolder()
{
    return std::filesystem::path(OLV_NAUTILUS_EXTENSION_DIR);
}

const char* FinderMenuSheet::moduleFileName()
{
    return OLV_FINDER_MODULE_FILE;
}

bool FinderMenuSheet::isModuleInstalled(const std::filesystem::path& extensionFolder)
{
    if (extensionFolder.empty())
        return false;
    std::error_code error;
    return std::filesystem::is_regular_file(extensionFolder / moduleFileName(), error);
}

bool FinderMenuSheet::isExtensionEnabled()
{
    return isModuleInstalled(defaultExtensionFolder());
}

void FinderMenuSheet::buildView()
{
    setWindowTitle(localized("Finder 오른쪽 클릭 메뉴 켜기"));
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(20, 20, 20, 16);
    stack->setSpacing(12);
    stack->setSizeConstraint(QLayout::SetFixedSize);

    auto* title = new QLabel(localized("Finder 오른쪽 클릭 메뉴 켜기"));
    title->setFont(systemFontOfSize(13, true));
    stack->addWidget(title, 0, Qt::AlignLeft);

    auto* guide = new QWidget;
    auto* guideRow = new QHBoxLayout(guide);
    guideRow->setContentsMargins(0, 0, 0, 0);
    guideRow->setSpacing(16);
    auto* menu = new QLabel(localized("열기\n다음으로 열기 ▸\n─────────\n빠른 동작 ▸\n✎ Orlune "
                                      "Viewer로 열기"));
    // Drawn at the size of a real menu; the picture is as wide as its longest item, so no item
    // is cut in any language, and the steps take the rest of the row.
    menu->setFont(QGuiApplication::font());
    menu->setWordWrap(false);
    auto* picture = new PreviewBox(menu, 0);
    const int pictureWidth =
        std::max(200, menu->sizeHint().width() + 2 * PreviewBox::horizontalInset);
    picture->setFixedWidth(pictureWidth);
    guideRow->addWidget(picture, 0, Qt::AlignTop);
    auto* steps = new QLabel(localized("1. 아래 「시스템 설정 열기」\n2. 열린 화면에서 「Orlune "
                                       "Viewer Finder」 를 켜기\n3. 이 창으로 돌아오면 저절로 "
                                       "확인해요"));
    steps->setFont(systemFontOfSize(12));
    steps->setWordWrap(true);
    steps->setFixedWidth(std::max(200, rowWidth - pictureWidth - guideRow->spacing()));
    guideRow->addWidget(steps, 0, Qt::AlignTop);
    guideRow->addStretch(1);
    guide->setFixedWidth(rowWidth);
    stack->addWidget(guide);

    m_statusLabel->setFont(systemFontOfSize(std::max(8, QGuiApplication::font().pointSize() - 2)));
    stack->addWidget(m_statusLabel);

    auto* buttons = new QWidget;
    auto* row = new QHBoxLayout(buttons);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    row->addStretch(1);
    QPointer<FinderMenuSheet> self(this);
    m_close = new ActionButton(localized("닫기"), [self](ActionButton&) {
        if (self)
            self->dismiss();
    });
    m_open = new ActionButton(localized("시스템 설정 열기"), [self](ActionButton&) {
        if (self)
            self->openExtensionSettings();
    });
    // Escape closes the dialog by itself; Return presses the open button.
    m_close->setAutoDefault(false);
    m_open->setDefault(true);
    row->addWidget(m_close);
    row->addWidget(m_open);
    buttons->setFixedWidth(rowWidth);
    stack->addWidget(buttons);
}

void FinderMenuSheet::refresh()
{
    const bool on = isModuleInstalled(m_extensionFolder);
    m_statusLabel->setText(on ? localized("● 켜졌어요 — Finder 에서 바로 쓸 수 있어요")
                              : localized("● 아직 꺼져 있어요"));
    QPalette palette = m_statusLabel->palette();
    palette.setColor(
        QPalette::WindowText,
        EditorViews::EditorColors::systemColor(on ? "systemGreen" : "systemOrange",
                                               EditorViews::appearanceOf(this->palette())));
    m_statusLabel->setPalette(palette);
}

void FinderMenuSheet::openExtensionSettings()
{
    m_openUrl(QUrl::fromLocalFile(QDir::homePath()));
}

} // namespace EditorSettings
