#include "app/window/hosting/NewTextFileWindow.h"

#include "app/documents/DocumentController.h"
#include "app/kit/Localized.h"
#include "app/window/FileManagerReveal.h"
#include "store/SettingKeys.h"
#include "store/Settings.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace EditorWindow {

namespace {

std::vector<QPointer<NewTextFileWindow>>& shownWindows()
{
    static std::vector<QPointer<NewTextFileWindow>> windows;
    return windows;
}

QString baseName()
{
    return EditorKit::localized("새 파일");
}

// Only spaces and tabs: a name may well end in other white space the user meant.
QString trimmedName(const QString& text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (start < end && blank(text[start]))
        ++start;
    while (end > start && blank(text[end - 1]))
        --end;
    return text.mid(start, end - start);
}

constexpr int rowWidth = 380;

} // namespace

NewTextFileWindow::NewTextFileWindow(std::filesystem::path folder, Environment environment)
    : QWidget(nullptr,
              Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                  | Qt::WindowCloseButtonHint)
    , m_folder(std::move(folder))
    , m_environment(std::move(environment))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(EditorKit::localized("새 파일 만들기"));
    setFixedSize(contentSize);

    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(10);
    layout->setContentsMargins(20, 16, 20, 16);
    layout->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.85);

    const QString folderPath = QString::fromStdString(m_folder.string());
    const QString folderName = QString::fromStdString(m_folder.filename().string());
    m_folderLine = new QLabel(this);
    m_folderLine->setFont(small);
    m_folderLine->setFixedWidth(rowWidth);
    m_folderLine->setToolTip(folderPath);
    m_folderLine->setForegroundRole(QPalette::PlaceholderText);
    const QString folderText = EditorKit::localized("만들 곳: %1").arg(folderName);
    m_folderLine->setText(
        m_folderLine->fontMetrics().elidedText(folderText, Qt::ElideMiddle, rowWidth));
    layout->addWidget(m_folderLine);

    m_nameField = new QLineEdit(baseName() + QStringLiteral(".txt"), this);
    m_nameField->setFixedWidth(rowWidth);
    layout->addWidget(m_nameField);

    m_message = new QLabel(this);
    m_message->setFont(small);
    QPalette red = m_message->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    m_message->setPalette(red);
    m_message->hide();
    layout->addWidget(m_message);

    auto* buttons = new QWidget(this);
    buttons->setFixedWidth(rowWidth);
    auto* row = new QHBoxLayout(buttons);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    row->addStretch(1);
    m_cancelButton = new QPushButton(EditorKit::localized("취소"), buttons);
    m_createButton = new QPushButton(EditorKit::localized("만들기"), buttons);
    m_createButton->setDefault(true);
    row->addWidget(m_cancelButton);
    row->addWidget(m_createButton);
    layout->addWidget(buttons);

    QPointer<NewTextFileWindow> weak(this);
    connect(m_cancelButton, &QPushButton::clicked, this, [weak] {
        if (weak)
            weak->close();
    });
    connect(m_createButton, &QPushButton::clicked, this, [weak] {
        if (weak)
            weak->create();
    });
    connect(m_nameField, &QLineEdit::textChanged, this, [weak] {
        if (weak)
            weak->validateName();
    });
    connect(m_nameField, &QLineEdit::returnPressed, this, [weak] {
        if (weak && weak->m_createButton->isEnabled())
            weak->create();
    });

    validateName();
}

NewTextFileWindow::~NewTextFileWindow()
{
    auto& windows = shownWindows();
    windows.erase(std::remove_if(windows.begin(),
                                 windows.end(),
                                 [this](const auto& window) { return !window || window == this; }),
                  windows.end());
}

NewTextFileWindow::Environment
NewTextFileWindow::environmentFor(EditorDocuments::DocumentController& documents)
{
    Environment environment;
    QPointer<EditorDocuments::DocumentController> controller(&documents);
    environment.openDocument = [controller](const std::filesystem::path& file) {
        if (controller)
            controller->openDocumentWithContentsOfURL(file, true, {});
    };
    return environment;
}

NewTextFileWindow*
NewTextFileWindow::show(const std::filesystem::path& folder, bool activate, Environment environment)
{
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error))
        return nullptr;
    auto* window = new NewTextFileWindow(folder, std::move(environment));
    shownWindows().emplace_back(window);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), window->frameGeometry().size());
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
    window->QWidget::show();
    window->raise();
    // The window always takes the keyboard; only bringing the application forward over the
    // others depends on `activate`.
    window->activateWindow();
    if (activate)
        QApplication::setActiveWindow(window);
    window->m_nameField->setFocus();
    window->m_nameField->setSelection(0, static_cast<int>(baseName().size()));
    return window;
}

std::vector<NewTextFileWindow*> NewTextFileWindow::openWindows()
{
    std::vector<NewTextFileWindow*> open;
    for (const auto& window : shownWindows()) {
        if (window)
            open.push_back(window);
    }
    return open;
}

std::optional<std::filesystem::path> NewTextFileWindow::targetURL() const
{
    const QString name = trimmedName(m_nameField->text());
    if (name.isEmpty() || name == u"." || name == u".." || name.contains(u'/')
        || name.contains(u':'))
        return std::nullopt;
    return m_folder / name.toStdString();
}

void NewTextFileWindow::showMessage(const QString& text)
{
    m_message->setText(text);
    m_message->show();
}

void NewTextFileWindow::validateName()
{
    const auto target = targetURL();
    if (!target) {
        m_message->setText(EditorKit::localized("이름에 / 나 : 는 쓸 수 없어요."));
        m_message->setVisible(!m_nameField->text().isEmpty());
        m_createButton->setEnabled(false);
        return;
    }
    std::error_code error;
    const auto type = std::filesystem::symlink_status(*target, error).type();
    // The check itself failed (no search permission in the folder, an I/O error): that is what
    // stands in the way, not a file of that name.
    if (type == std::filesystem::file_type::none && error) {
        showMessage(EditorKit::localized("만들지 못했어요: %1")
                        .arg(QString::fromLocal8Bit(error.message().c_str())));
        m_createButton->setEnabled(false);
        return;
    }
    if (type != std::filesystem::file_type::not_found) {
        showMessage(EditorKit::localized("「%1」 가 이미 있어요. 다른 이름을 써 주세요.")
                        .arg(QString::fromStdString(target->filename().string())));
        m_createButton->setEnabled(false);
        return;
    }
    m_message->clear();
    m_message->hide();
    m_createButton->setEnabled(true);
}

void NewTextFileWindow::create()
{
    const auto target = targetURL();
    if (!target)
        return;
    // Never over a file that appeared since the name was checked.
    const int fd = ::open(target->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        const std::error_code error(errno, std::generic_category());
        showMessage(EditorKit::localized("만들지 못했어요: %1")
                        .arg(QString::fromLocal8Bit(error.message().c_str())));
        m_createButton->setEnabled(true);
        return;
    }
    ::close(fd);
    if (!std::getenv("OL_TEST_BACKGROUND")) {
        if (m_environment.reveal)
            m_environment.reveal(*target);
        else
            revealInFileManager(*target);
    }
    const bool openAfterCreate = m_environment.openAfterCreate
                                     ? m_environment.openAfterCreate()
                                     : EditorStore::Settings::shared().value(
                                         EditorStore::SettingKeys::finderOpenAfterCreate);
    if (openAfterCreate && m_environment.openDocument)
        m_environment.openDocument(*target);
    close();
}

void NewTextFileWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace EditorWindow
