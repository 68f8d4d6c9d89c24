#include "app/settings/CommandLineToolSheet.h"

#include "app/kit/Localized.h"
#include "app/settings/PreviewBox.h"
#include "app/views/EditorColors.h"
#include "app/views/EditorFont.h"
#include "store/Settings.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QVBoxLayout>

namespace EditorSettings {

using EditorKit::localized;
using EditorStore::SettingKeys;

namespace {

QFont editorFontAt(double zoom)
{
    const auto& settings = EditorStore::Settings::shared();
    EditorViews::EditorFontSettings fonts;
    fonts.fontName = QString::fromStdString(settings.value(SettingKeys::viewFontName));
    fonts.fontSize = settings.value(SettingKeys::viewFontSize);
    fonts.lineSpacing = settings.value(SettingKeys::viewLineSpacing);
    return EditorViews::editorFont(std::nullopt, std::nullopt, zoom, fonts);
}

QFont smallSystemFont()
{
    QFont font = QGuiApplication::font();
    font.setPointSizeF(font.pointSizeF() > 0 ? font.pointSizeF() * 11.0 / 13.0 : 9);
    return font;
}

QColor systemColor(const char* name, const QWidget* widget)
{
    return EditorViews::EditorColors::systemColor(name,
                                                  EditorViews::appearanceOf(widget->palette()));
}

QLabel* wrappingLabel(const QString& text)
{
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    return label;
}

} // namespace

CommandLineToolSheet::CommandLineToolSheet(QWidget* parent)
    : CommandLineToolSheet(Environment{}, parent)
{}

CommandLineToolSheet::CommandLineToolSheet(Environment environment, QWidget* parent)
    : RefreshingSheet(std::move(environment.timer), parent)
    , m_paths(environment.paths ? *environment.paths : CommandLineTool::defaultPaths())
    , m_isTranslocated(std::move(environment.isTranslocated))
    , m_runner(std::move(environment.runner))
    , m_log(std::move(environment.log))
{
    if (!m_runner)
        m_runner = std::make_shared<EditorDocuments::AdminWriter::ProcessRunner>();
    m_statusLabel = wrappingLabel(QString());
    buildView();
    refresh();
}

CommandLineToolSheet::~CommandLineToolSheet() = default;

QString CommandLineToolSheet::usageText()
{
    return localized("olv 파일 — 이 앱으로 열기") + QLatin1Char('\n')
           + localized("olv 파일:120 — 120줄로") + QLatin1Char('\n')
           + localized("명령 | olv — 출력을 새 문서로 · olv -w 파일 — 닫을 때까지 기다리기(git)");
}

void CommandLineToolSheet::buildView()
{
    setWindowTitle(localized("터미널 명령 olv"));
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(20, 20, 20, 16);
    stack->setSpacing(10);
    stack->setSizeConstraint(QLayout::SetFixedSize);

    auto* title = new QLabel(localized("터미널 명령 olv"));
    QFont bold = QGuiApplication::font();
    bold.setPointSize(13);
    bold.setBold(true);
    title->setFont(bold);
    stack->addWidget(title, 0, Qt::AlignLeft);

    auto* usage = wrappingLabel(usageText());
    usage->setFont(editorFontAt(0.9));
    usage->setFixedWidth(rowWidth);
    stack->addWidget(usage);

    auto* hint = wrappingLabel(localized(
        "「설치…」 를 누르거나, 터미널에 이 한 줄을 붙여 넣어 실행하세요 (관리자 암호를 물어요):"));
    hint->setForegroundRole(QPalette::PlaceholderText);
    hint->setFont(smallSystemFont());
    hint->setFixedWidth(rowWidth);
    stack->addWidget(hint);
    m_hint = hint;

    auto* command =
        wrappingLabel(QString::fromStdString(CommandLineTool::terminalCommand(m_paths)));
    command->setTextInteractionFlags(Qt::TextSelectableByMouse);
    command->setFont(editorFontAt(0.85));
    command->setFixedWidth(460);
    auto* box = new PreviewBox(command, 380);
    box->setFixedWidth(rowWidth);
    stack->addWidget(box);
    m_commandBox = box;

    m_statusLabel->setFont(smallSystemFont());
    m_statusLabel->setFixedWidth(rowWidth);
    stack->addWidget(m_statusLabel);
    stack->addSpacing(16 - stack->spacing());

    auto* buttons = new QWidget;
    auto* row = new QHBoxLayout(buttons);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    row->addStretch(1);
    QPointer<CommandLineToolSheet> self(this);
    m_close = new ActionButton(localized("닫기"), [self](ActionButton&) {
        if (self)
            self->dismiss();
    });
    m_copy = new ActionButton(localized("한 줄 복사"), [self](ActionButton&) {
        if (self)
            self->copyCommand();
    });
    m_primary = new ActionButton(QString(), [self](ActionButton&) {
        if (self)
            self->primaryAction();
    });
    // Escape closes the dialog by itself; Return presses the primary button.
    m_close->setAutoDefault(false);
    m_copy->setAutoDefault(false);
    m_primary->setDefault(true);
    row->addWidget(m_close);
    row->addWidget(m_copy);
    row->addWidget(m_primary);
    buttons->setFixedWidth(rowWidth);
    stack->addWidget(buttons);
}

bool CommandLineToolSheet::translocated() const
{
    if (m_isTranslocated)
        return m_isTranslocated();
    return CommandLineTool::isTranslocated(m_paths.applicationFolder);
}

void CommandLineToolSheet::setStatus(const QString& text, const QColor& colour)
{
    m_statusLabel->setText(text);
    QPalette palette = m_statusLabel->palette();
    palette.setColor(QPalette::WindowText, colour);
    m_statusLabel->setPalette(palette);
}

void CommandLineToolSheet::refresh()
{
    const CommandLineTool::LinkState state = CommandLineTool::linkState(m_paths);
    if (m_failure && !(m_failure->state == state))
        m_failure.reset();
    showState(state);
    if (m_failure)
        setStatus(m_failure->text, systemColor("systemRed", this));
}

void CommandLineToolSheet::showState(const CommandLineTool::LinkState& state)
{
    const bool readOnlyPlace = translocated();
    const bool installed = CommandLineTool::isInstalled(state);
    // Nothing to link to: no command is offered, only what is missing is said.
    const bool hasProgram = m_paths.hasInnerProgram();

    m_copy->setEnabled(!readOnlyPlace && hasProgram);
    m_hint->setHidden(readOnlyPlace || !hasProgram);
    m_commandBox->setHidden(readOnlyPlace || !hasProgram);
    m_primary->setEnabled((!readOnlyPlace && hasProgram) || installed);

    const QString linkPath = QString::fromStdString(m_paths.link.string());
    if (installed) {
        setStatus(localized("● 설치됐어요 — ") + linkPath, systemColor("systemGreen", this));
        m_primary->setText(localized("지우기…"));
        return;
    }
    m_primary->setText(localized("설치…"));
    if (!hasProgram) {
        setStatus(localized("이 앱 옆에 olv 가 없어 설치할 수 없어요: %@")
                      .replace(QStringLiteral("%@"),
                               QString::fromStdString(m_paths.innerProgram().string())),
                  systemColor("systemRed", this));
    } else if (readOnlyPlace) {
        setStatus(localized("앱이 디스크 이미지나 내려받은 자리에서 돌고 있어요 — 여기를 가리키면 "
                            "곧 끊겨요. 앱을 응용 프로그램 폴더로 옮겨 다시 켠 뒤 설치하세요"),
                  systemColor("systemOrange", this));
    } else if (std::holds_alternative<CommandLineTool::Missing>(state)) {
        setStatus(localized("설치를 기다리는 중…"), palette().color(QPalette::PlaceholderText));
    } else {
        const QString other = QString::fromStdString(std::get<CommandLineTool::Other>(state).text);
        QString text = localized("%@ 가 다른 것을 가리켜요: %@ — 설치하면 이 앱 것으로 바꿔요");
        const qsizetype first = text.indexOf(QStringLiteral("%@"));
        if (first >= 0)
            text.replace(first, 2, linkPath);
        const qsizetype second = text.indexOf(QStringLiteral("%@"), first + linkPath.size());
        if (second >= 0)
            text.replace(second, 2, other);
        setStatus(text, systemColor("systemOrange", this));
    }
}

void CommandLineToolSheet::primaryAction()
{
    m_failure.reset();
    const CommandLineTool::LinkState state = CommandLineTool::linkState(m_paths);
    std::optional<std::string> failure = CommandLineTool::isInstalled(state)
                                             ? CommandLineTool::remove(m_paths, *m_runner, m_log)
                                             : CommandLineTool::install(m_paths, *m_runner, m_log);
    if (failure)
        m_failure = Failure{localized("하지 못했어요: %@").replace(QStringLiteral("%@"),
                                                                 QString::fromStdString(*failure)),
                            CommandLineTool::linkState(m_paths)};
    refresh();
}

void CommandLineToolSheet::copyCommand()
{
    if (m_failure) {
        m_failure.reset();
        refresh();
    }
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(QString::fromStdString(CommandLineTool::terminalCommand(m_paths)));
}

} // namespace EditorSettings
