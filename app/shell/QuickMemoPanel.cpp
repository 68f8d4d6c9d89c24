#include "app/shell/QuickMemoPanel.h"

#include "app/documents/DocumentController.h"
#include "app/documents/TextDocument.h"
#include "app/kit/Localized.h"
#include "app/kit/Presenter.h"
#include "app/kit/Utf16.h"
#include "app/shell/GlobalHotKey.h"
#include "app/shell/X11KeyGrab.h"
#include "app/views/EditorTextView.h"
#include "app/window/DocumentWindowController.h"
#include "app/window/hosting/TextDocumentWindow.h"
#include "core/QuickMemoFile.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "store/Settings.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimeZone>
#include <QTimer>
#include <QVBoxLayout>

#include <fcntl.h>
#include <unistd.h>

namespace EditorShell {

using EditorKit::localized;

namespace {

// The memo's text, inset from the panel's edges.
class MemoTextEdit : public QPlainTextEdit
{
public:
    explicit MemoTextEdit(QWidget* parent)
        : QPlainTextEdit(parent)
    {
        setViewportMargins(10, 8, 10, 8);
    }
};

QFont memoFont()
{
    if (QFontDatabase::families().contains(QStringLiteral("D2Coding")))
        return QFont(QStringLiteral("D2Coding"), 14);
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(13);
    font.setWeight(QFont::Normal);
    return font;
}

std::error_code appendBytes(const std::filesystem::path& file, std::span<const std::uint8_t> bytes)
{
    int fd = ::open(file.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0)
        return Platform::lastError();
    std::error_code error;
    if (!Platform::writeAll(fd, bytes))
        error = Platform::lastError();
    if (::close(fd) != 0 && !error)
        error = Platform::lastError();
    return error;
}

std::string timeZoneIdentifier()
{
    auto identifier = QTimeZone::systemTimeZoneId();
    return identifier.isEmpty() ? std::string("UTC") : identifier.toStdString();
}

} // namespace

QuickMemoPanel::QuickMemoPanel(Services services)
    : m_services(std::move(services))
{
    if (!m_services.now)
        m_services.now = [] { return std::chrono::system_clock::now(); };
    if (!m_services.readFile)
        m_services.readFile = [](const std::filesystem::path& file) {
            return Platform::readWholeFile(file);
        };
}

QuickMemoPanel::~QuickMemoPanel()
{
    delete m_panel.data();
}

std::optional<std::filesystem::path> QuickMemoPanel::memoFileURL()
{
    const std::string path =
        EditorStore::Settings::shared().value(EditorStore::SettingKeys::quickMemoPath);
    if (!path.empty()) {
        if (path == "~")
            return Platform::Folders::home();
        if (path.rfind("~/", 0) == 0)
            return Platform::Folders::home() / path.substr(2);
        return std::filesystem::path(path);
    }
    const QString name = localized("빠른 메모") + QStringLiteral(".txt");
    return EditorCore::QuickMemoFile::url(EditorKit::utf16View(name));
}

QString QuickMemoPanel::hintText()
{
    const auto file = memoFileURL();
    const QString shortcut = GlobalHotKey::shortcutText(
        EditorStore::Settings::shared().value(EditorStore::SettingKeys::quickMemoShortcut));
    const QString name = file ? QString::fromStdString(file->filename().string()) : QString();
    QString text = localized("Esc · %@ — 저장하고 닫기 · %@ 에 이어 써요");
    const auto first = text.indexOf(QLatin1String("%@"));
    if (first >= 0)
        text.replace(first, 2, shortcut);
    const auto second = text.indexOf(QLatin1String("%@"), first >= 0 ? first + shortcut.size() : 0);
    if (second >= 0)
        text.replace(second, 2, name);
    return text;
}

void QuickMemoPanel::makePanel()
{
    auto* panel = new QWidget(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint);
    panel->setWindowTitle(localized("빠른 메모"));
    panel->setAttribute(Qt::WA_DeleteOnClose, false);
    panel->setMinimumSize(320, 160);
    panel->resize(520, 240);

    auto* text = new MemoTextEdit(panel);
    text->setFont(memoFont());
    text->setFrameShape(QFrame::NoFrame);
    text->setTabChangesFocus(false);
    text->setUndoRedoEnabled(true);
    text->installEventFilter(this);

    // The hint wraps rather than being cut, so the shortcut and the file's name show whole in
    // every language and at the panel's smallest size; drawn in the theme's placeholder colour.
    auto* hint = new QLabel(panel);
    QFont small = hint->font();
    small.setPointSize(11);
    hint->setFont(small);
    hint->setForegroundRole(QPalette::PlaceholderText);
    hint->setWordWrap(true);

    auto* button = new QPushButton(localized("탭으로 열기"), panel);
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, [this] { openMemoAsTab(); });

    auto* row = new QHBoxLayout;
    row->setContentsMargins(12, 0, 10, 8);
    row->setSpacing(8);
    row->addWidget(hint, 1);
    row->addWidget(button);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addWidget(text, 1);
    layout->addLayout(row);

    panel->installEventFilter(this);
    m_panel = panel;
    m_textView = text;
    m_hint = hint;
    m_openButton = button;
    // Every desktop, as a panel one calls up from anywhere should be.
    panel->winId();
    X11KeyGrab::showOnEveryDesktop(panel);
}

void QuickMemoPanel::place()
{
    QScreen* screen = m_panel->screen() ? m_panel->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    const QRect frame = m_panel->frameGeometry();
    // The bottom edge sits 12 % of the available height above the middle.
    const int bottom = available.top() + available.height() / 2 - qRound(0.12 * available.height());
    const int x = available.left() + available.width() / 2 - frame.width() / 2;
    m_panel->move(x, bottom - frame.height());
}

void QuickMemoPanel::show()
{
    if (!m_panel)
        makePanel();
    m_hint->setText(hintText());
    m_hint->setToolTip(m_hint->text());
    place();
    m_panel->show();
    m_panel->raise();
    m_panel->activateWindow();
    m_textView->setFocus(Qt::ActiveWindowFocusReason);
}

bool QuickMemoPanel::isVisible() const
{
    return m_panel && m_panel->isVisible();
}

void QuickMemoPanel::toggle()
{
    if (isVisible())
        close();
    else
        show();
}

bool QuickMemoPanel::close()
{
    if (!m_panel || !m_textView)
        return true;
    const QString text = m_textView->toPlainText();
    if (!text.trimmed().isEmpty()) {
        auto saved = appendToMemoFile(text);
        if (!saved) {
            EditorKit::Alert alert;
            alert.style = EditorKit::Alert::Style::warning;
            alert.text = localized("빠른 메모를 저장하지 못했어요.");
            alert.informativeText = QString::fromLocal8Bit(saved.error().message().c_str());
            alert.buttons = {localized("확인")};
            alert.cancelButton = 0;
            if (m_services.presenter)
                m_services.presenter->runAlert(alert, m_panel);
            return false;
        }
        m_textView->clear();
    }
    m_panel->hide();
    return true;
}

EditorCore::Result<void, std::error_code> QuickMemoPanel::appendToMemoFile(const QString& memo)
{
    const auto file = memoFileURL();
    if (!file)
        return EditorCore::failure(std::make_error_code(std::errc::no_such_file_or_directory));
    // Only a file that is not there counts as empty; one that cannot be read is never
    // replaced by the new entry.
    std::optional<std::vector<std::uint8_t>> present;
    std::error_code statError;
    const auto status = std::filesystem::symlink_status(*file, statError);
    if (std::filesystem::exists(status)) {
        auto read = m_services.readFile(*file);
        if (!read)
            return EditorCore::failure(read.error());
        present = std::move(*read);
    } else if (statError && statError != std::errc::no_such_file_or_directory
               && statError != std::errc::not_a_directory) {
        return EditorCore::failure(statError);
    }
    std::optional<std::span<const std::uint8_t>> existing;
    if (present)
        existing = std::span<const std::uint8_t>(*present);
    auto entry = EditorCore::QuickMemoFile::append(
        EditorKit::utf16View(memo), existing, m_services.now(), timeZoneIdentifier());
    if (!entry)
        return {};
    if (auto made = Platform::createFolders(file->parent_path(), 0755); !made)
        return EditorCore::failure(made.error());
    if (!present)
        return Platform::writeAtomically(*file, std::span<const std::uint8_t>(*entry), 0644);
    if (auto error = appendBytes(*file, *entry))
        return EditorCore::failure(error);
    return {};
}

void QuickMemoPanel::openMemoAsTab()
{
    if (!close())
        return;
    const auto file = memoFileURL();
    if (!file || !m_services.documents)
        return;
    std::error_code error;
    if (!std::filesystem::exists(*file, error)) {
        // A failure shows as the open's own error.
        (void)Platform::createFolders(file->parent_path(), 0755);
        int fd = ::open(file->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0)
            ::close(fd);
    }
    if (m_services.activate)
        m_services.activate();
    m_services.documents->openDocumentWithContentsOfURL(
        *file,
        true,
        [](EditorDocuments::TextDocument* document,
           bool,
           const std::optional<EditorDocuments::DocumentFailure>&) {
            if (!document)
                return;
            // The text may still be on its way from the reading worker.
            auto* waiting = new QTimer(document);
            waiting->setInterval(20);
            auto placeCaret = [document, waiting] {
                if (document->isLoading())
                    return;
                waiting->stop();
                waiting->deleteLater();
                auto* window = dynamic_cast<EditorWindow::TextDocumentWindow*>(document->editor());
                if (!window || !window->controller().textView())
                    return;
                auto* view = window->controller().textView();
                const auto end = static_cast<std::int64_t>(view->text().size());
                view->setSelectedRange({end, 0});
                view->scrollRangeToVisible({end, 0});
            };
            QObject::connect(waiting, &QTimer::timeout, document, placeCaret);
            waiting->start();
            placeCaret();
        });
}

bool QuickMemoPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape
        && static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier) {
        close();
        return true;
    }
    if (watched == m_panel && event->type() == QEvent::Close) {
        // The close button only hides (after saving); the panel is kept.
        event->ignore();
        close();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace EditorShell
