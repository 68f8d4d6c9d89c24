#pragma once

#include "app/settings/CommandLineTool.h"
#include "app/settings/SettingsControls.h"
#include "app/settings/SheetTimer.h"

#include <functional>
#include <memory>
#include <optional>

class QLabel;

namespace EditorSettings {

struct CommandLineToolSheetEnvironment
{
    std::optional<CommandLineTool::Paths> paths; // none: the running application's
    std::function<bool()> isTranslocated;        // none: the application folder's file system
    std::shared_ptr<EditorDocuments::AdminWriter::PrivilegeRunner> runner; // none: pkexec
    CommandLineTool::FailureLog log;                                       // none: the logs
    std::unique_ptr<SheetTimer> timer;                                     // none: a QTimer
};

// The sheet in which the user installs or removes the olv link. The state is read again at
// each refresh and each press, every second while the sheet is shown. Main thread only; the
// administrator run blocks while its prompt is open.
class CommandLineToolSheet : public RefreshingSheet
{
    Q_OBJECT

public:
    using Environment = CommandLineToolSheetEnvironment;

    static constexpr int rowWidth = 480;

    explicit CommandLineToolSheet(QWidget* parent = nullptr);
    explicit CommandLineToolSheet(Environment environment, QWidget* parent = nullptr);
    ~CommandLineToolSheet() override;

    // The status line, colour and title for the state.
    void refresh() override;
    void primaryAction();
    void copyCommand();

    // The usage text and the localized status texts.
    static QString usageText();

    const CommandLineTool::Paths& paths() const { return m_paths; }
    QLabel* statusLabel() const { return m_statusLabel; }
    QWidget* hint() const { return m_hint; }
    QWidget* commandBox() const { return m_commandBox; }
    ActionButton* primaryButton() const { return m_primary; }
    ActionButton* copyButton() const { return m_copy; }
    ActionButton* closeButton() const { return m_close; }

private:
    void buildView();
    bool translocated() const;
    void setStatus(const QString& text, const QColor& colour);
    void showState(const CommandLineTool::LinkState& state);

    CommandLineTool::Paths m_paths;
    std::function<bool()> m_isTranslocated;
    std::shared_ptr<EditorDocuments::AdminWriter::PrivilegeRunner> m_runner;
    CommandLineTool::FailureLog m_log;

    // The last press's failure and the link's state then: the text stays, through the refreshes,
    // until the user acts again or the link changes.
    struct Failure
    {
        QString text;
        CommandLineTool::LinkState state;
    };
    std::optional<Failure> m_failure;

    QLabel* m_statusLabel = nullptr;
    QWidget* m_hint = nullptr;
    QWidget* m_commandBox = nullptr;
    ActionButton* m_primary = nullptr;
    ActionButton* m_copy = nullptr;
    ActionButton* m_close = nullptr;
};

} // namespace EditorSettings
