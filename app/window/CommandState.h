#pragma once

#include "app/views/EditorDisplayState.h"
#include "commands/CommandID.h"
#include "core/TextEncoding.h"
#include "features/CodeLanguage.h"

#include <cstdint>
#include <optional>
#include <ostream>

namespace EditorWindow {

// Whether a command can run now in a window and, for a switch, whether it is on.
struct CommandState
{
    bool enabled = true;
    bool isOn = false;

    bool operator==(const CommandState&) const = default;
};

std::ostream& operator<<(std::ostream&, const CommandState&);

// What the command state reads of a window, gathered once per question (or once per tool-band
// refresh for every button). Fields of parts that a window does not have stay at their empty
// defaults, which leaves those parts' commands disabled.
struct CommandStateInputs
{
    EditorViews::EditorViewOptions options;
    // The text view takes typing (a read-only document's does not).
    bool editable = false;
    // The window's document still exists.
    bool hasDocument = false;
    bool hasFileURL = false;
    bool hasLargeFile = false;
    // The text differs from the text the document was loaded with.
    bool textDiffersFromLoaded = false;
    std::optional<EditorCore::TextEncoding> encoding;
    bool hasByteOrderMark = false;
    // The chosen language, else the detected one.
    EditorFeatures::CodeLanguage language = EditorFeatures::CodeLanguage::plainText;
    bool canUndo = false;
    bool canRedo = false;
    bool selectionIsEmpty = true;
    bool statusBarHidden = false;
    bool showToolbarSetting = true;
    bool syntaxErrorsSetting = true;
    std::int64_t suspiciousTotal = 0;
    std::int64_t replacementCharacters = 0;

    // Parts that answer these fields: filter view, hex view, preview, follow mode, folder
    // session, syntax problems, lifting the read-only state.
    bool filterShown = false;
    bool hexShown = false;
    enum class Preview { none, split, only };
    Preview preview = Preview::none;
    bool canShowPreview = false;
    bool canFollow = false;
    bool following = false;
    bool canAllowEditing = false;
    bool hasFolderSession = false;
    bool folderSidebarVisible = false;
    bool folderShowsHiddenFiles = false;
    bool hasSyntaxProblems = false;
};

// The rule of one command identifier over a window's state; an identifier no rule names is
// enabled and off. Pure: reads the inputs only.
CommandState commandState(const EditorCommands::CommandID& id, const CommandStateInputs& inputs);
// Whether a rule names the identifier (for a switch: whether the window knows its state).
bool hasCommandStateRule(const EditorCommands::CommandID& id);

} // namespace EditorWindow
