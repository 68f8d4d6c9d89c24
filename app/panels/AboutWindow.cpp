#include "app/panels/AboutWindow.h"

#include "app/kit/Localized.h"
#include "app/panels/LicensesWindow.h"
#include "app/panels/WindowPlacement.h"
#include "app/kit/AppVersion.h"

#include <QApplication>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

namespace EditorPanels {

namespace {

// The build leaves a value empty when it did not know it.
std::optional<std::string> buildValue(const char* text)
{
    if (!text || !*text)
        return std::nullopt;
    return std::string(text);
}

QLabel* label(const QString& text, QWidget* parent)
{
    auto* made = new QLabel(text, parent);
    made->setAlignment(Qt::AlignHCenter);
    return made;
}

void setSecondary(QLabel* label)
{
    QPalette palette = label->palette();
    palette.setBrush(QPalette::WindowText, palette.brush(QPalette::PlaceholderText));
    label->setPalette(palette);
}

} // namespace

QIcon applicationIcon()
{
    const QIcon given = QApplication::windowIcon();
    if (!given.isNull() && !given.availableSizes().isEmpty())
        return given;
    return QIcon(QStringLiteral(":/app/panels/app.orlune.viewer.svg"));
}

AboutWindow& AboutWindow::shared()
{
    static AboutWindow* window = new AboutWindow();
    return *window;
}

AboutWindow::Version AboutWindow::buildVersion()
{
    return {buildValue(OLV_SHORT_VERSION), buildValue(OLV_BUILD_NUMBER)};
}

AboutWindow::AboutWindow(const Version& version)
{
    m_window = std::make_unique<QWidget>(nullptr, Qt::Window);
    m_window->setObjectName(QStringLiteral("aboutWindow"));
    m_window->setWindowFlag(Qt::WindowMinimizeButtonHint, false);
    m_window->setWindowFlag(Qt::WindowMaximizeButtonHint, false);
    m_window->setWindowTitle(EditorKit::localized("Orlune Viewer에 관하여"));
    m_window->setFixedSize(windowWidth, windowHeight);

    auto* layout = new QVBoxLayout(m_window.get());
    layout->setContentsMargins(24, 24, 24, 20);
    layout->setSpacing(6);

    auto* icon = new QLabel(m_window.get());
    icon->setFixedSize(96, 96);
    icon->setPixmap(applicationIcon().pixmap(96, 96));
    layout->addWidget(icon, 0, Qt::AlignHCenter);

    auto* name = label(EditorKit::localized("Orlune Viewer"), m_window.get());
    QFont nameFont = name->font();
    nameFont.setBold(true);
    nameFont.setPointSizeF(16);
    name->setFont(nameFont);
    layout->addWidget(name);

    m_version = label(versionLine(version.shortVersion, version.build), m_window.get());
    m_version->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setSecondary(m_version);
    layout->addWidget(m_version);

    auto* tagLine =
        label(EditorKit::localized("있는 그대로 보여 주는 텍스트 편집기"), m_window.get());
    QFont tagFont = tagLine->font();
    tagFont.setPointSizeF(12);
    tagLine->setFont(tagFont);
    layout->addWidget(tagLine);

    auto* notice = label(QStringLiteral("Built with Qt and other free software."), m_window.get());
    QFont noticeFont = notice->font();
    noticeFont.setPointSizeF(11);
    notice->setFont(noticeFont);
    setSecondary(notice);
    layout->addWidget(notice);
    layout->addSpacing(14 - layout->spacing());

    m_licenses = new QPushButton(EditorKit::localized("쓴 부품과 라이선스"), m_window.get());
    m_licenses->setAutoDefault(false);
    connect(m_licenses, &QPushButton::clicked, this, [this] { showLicenses(); });
    layout->addWidget(m_licenses, 0, Qt::AlignHCenter);
    layout->addStretch(1);
}

AboutWindow::~AboutWindow() = default;

QString AboutWindow::versionLine(const std::optional<std::string>& shortVersion,
                                 const std::optional<std::string>& build)
{
    QString line = EditorKit::localized("판 %@ (빌드 %@)");
    qsizetype from = 0;
    for (const auto& value : {shortVersion, build}) {
        const qsizetype at = line.indexOf(QLatin1String("%@"), from);
        if (at < 0)
            break;
        const QString text = QString::fromStdString(value.value_or("?"));
        line.replace(at, 2, text);
        from = at + text.size();
    }
    return line;
}

void AboutWindow::showWindow()
{
    showCentredWhenHidden(*m_window);
}

void AboutWindow::showLicenses()
{
    LicensesWindow::shared().showWindow();
}

} // namespace EditorPanels
