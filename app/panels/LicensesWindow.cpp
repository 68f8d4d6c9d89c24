#include "app/panels/LicensesWindow.h"

#include "app/kit/Localized.h"
#include "app/panels/WindowPlacement.h"
#include "app/views/EditorFont.h"
#include "store/SettingKeys.h"
#include "store/Settings.h"

#include <QApplication>
#include <QFile>
#include <QStringDecoder>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>
#include <QWidget>

#include <algorithm>
#include <system_error>

namespace EditorPanels {

namespace {

constexpr double bodyZoom = 0.85;

QFont bodyFont()
{
    using EditorStore::SettingKeys;
    EditorStore::Settings& settings = EditorStore::Settings::shared();
    EditorViews::EditorFontSettings fonts;
    fonts.fontName = QString::fromStdString(settings.value(SettingKeys::viewFontName));
    fonts.fontSize = settings.value(SettingKeys::viewFontSize);
    fonts.lineSpacing = settings.value(SettingKeys::viewLineSpacing);
    return EditorViews::editorFont(std::nullopt, std::nullopt, bodyZoom, fonts);
}

} // namespace

LicensesWindow& LicensesWindow::shared()
{
    static LicensesWindow* window = new LicensesWindow();
    return *window;
}

std::optional<std::filesystem::path> LicensesWindow::licenseFolder()
{
    const std::filesystem::path binaryFolder = QCoreApplication::applicationDirPath().toStdString();
    const std::filesystem::path candidates[] = {
        binaryFolder / "licenses",
        binaryFolder.parent_path().parent_path() / "share" / "orlune-viewer" / "licenses",
    };
    for (const auto& candidate : candidates) {
        std::error_code error;
        if (std::filesystem::is_directory(candidate, error))
            return candidate;
    }
    return std::nullopt;
}

std::vector<std::filesystem::path>
LicensesWindow::licenseFiles(const std::optional<std::filesystem::path>& folder)
{
    std::vector<std::filesystem::path> files;
    if (!folder)
        return files;
    std::error_code error;
    std::filesystem::directory_iterator entries(*folder, error);
    if (error)
        return files;
    for (std::filesystem::directory_iterator end; entries != end; entries.increment(error)) {
        if (error)
            return {};
        if (entries->path().extension() == ".txt")
            files.push_back(entries->path());
    }
    std::stable_sort(files.begin(), files.end(), [](const auto& a, const auto& b) {
        return a.filename().string() < b.filename().string();
    });
    return files;
}

QString LicensesWindow::heading(const std::filesystem::path& file)
{
    QString name = QString::fromStdString(file.stem().string());
    name.replace(QLatin1Char('-'), QStringLiteral(" · "));
    return name;
}

QString LicensesWindow::body(const std::filesystem::path& file)
{
    QFile in(QString::fromStdString(file.string()));
    if (!in.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = in.readAll();
    if (in.error() != QFileDevice::NoError)
        return {};
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return {};
    return text;
}

LicensesWindow::LicensesWindow(std::optional<std::filesystem::path> folder)
{
    m_window = std::make_unique<QWidget>(nullptr, Qt::Window);
    m_window->setObjectName(QStringLiteral("licensesWindow"));
    m_window->setWindowFlag(Qt::WindowMinimizeButtonHint, false);
    m_window->setWindowTitle(EditorKit::localized("쓴 부품과 라이선스"));
    m_window->resize(windowWidth, windowHeight);

    m_text = new QTextEdit(m_window.get());
    m_text->setReadOnly(true);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_text->setLineWrapMode(QTextEdit::WidgetWidth);
    m_text->document()->setDocumentMargin(12);

    QTextCharFormat headingFormat;
    QFont headingFont = QApplication::font();
    headingFont.setBold(true);
    headingFont.setPointSizeF(13);
    headingFormat.setFont(headingFont);
    QTextCharFormat bodyFormat;
    bodyFormat.setFont(bodyFont());

    QTextCursor cursor(m_text->document());
    const QString twoBreaks = QStringLiteral("\n\n");
    for (const auto& file : licenseFiles(folder)) {
        cursor.insertText(heading(file) + twoBreaks, headingFormat);
        cursor.insertText(body(file) + twoBreaks, bodyFormat);
    }
    m_text->moveCursor(QTextCursor::Start);

    auto* layout = new QVBoxLayout(m_window.get());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_text);
}

LicensesWindow::~LicensesWindow() = default;

void LicensesWindow::showWindow()
{
    showCentredWhenHidden(*m_window);
}

} // namespace EditorPanels
