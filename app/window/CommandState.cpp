#include "app/window/CommandState.h"

#include "features/PrettierEngine.h"

#include <functional>
#include <string_view>
#include <unordered_map>

namespace EditorWindow {

using EditorFeatures::CodeLanguage;
using Inputs = CommandStateInputs;

std::ostream& operator<<(std::ostream& out, const CommandState& state)
{
    return out << "{enabled " << state.enabled << ", on " << state.isOn << "}";
}

namespace {

using Rule = std::function<CommandState(const Inputs&)>;

Rule optionSwitch(bool EditorViews::EditorViewOptions::*option)
{
    return [option](const Inputs& in) { return CommandState{true, in.options.*option}; };
}

Rule enabledWhen(bool (*condition)(const Inputs&))
{
    return [condition](const Inputs& in) { return CommandState{condition(in), false}; };
}

bool editable(const Inputs& in)
{
    return in.editable;
}

bool previewOffered(const Inputs& in)
{
    return in.canShowPreview && !in.hexShown;
}

bool formattable(CodeLanguage language)
{
    return language == CodeLanguage::json || language == CodeLanguage::xml
           || EditorFeatures::PrettierEngine::parserName(language).has_value();
}

// One rule per identifier.
const std::unordered_map<std::string_view, Rule>& rules()
{
    static const auto table = [] {
        std::unordered_map<std::string_view, Rule> rules;
        using Options = EditorViews::EditorViewOptions;
        rules["view.invisibles"] = optionSwitch(&Options::showsInvisibles);
        rules["view.wrap"] = optionSwitch(&Options::wrapsLines);
        rules["view.lineNumbers"] = optionSwitch(&Options::showsLineNumbers);
        rules["view.currentLine"] = optionSwitch(&Options::highlightsCurrentLine);
        rules["view.ruler"] = optionSwitch(&Options::showsRuler);

        const auto& steps = Options::zoomSteps();
        const double lowest = steps.front();
        const double highest = steps.back();
        rules["view.zoomIn"] = [highest](const Inputs& in) {
            return CommandState{in.options.zoom < highest, false};
        };
        rules["view.zoomOut"] = [lowest](const Inputs& in) {
            return CommandState{in.options.zoom > lowest, false};
        };
        rules["view.zoomReset"] = [](const Inputs& in) {
            return CommandState{in.options.zoom != 1.0, false};
        };

        rules["view.toggleStatusBar"] = [](const Inputs& in) {
            return CommandState{true, !in.statusBarHidden};
        };
        rules["view.toggleToolbar"] = [](const Inputs& in) {
            return CommandState{true, in.showToolbarSetting};
        };
        rules["view.syntaxErrors"] = [](const Inputs& in) {
            return CommandState{true, in.syntaxErrorsSetting};
        };
        rules["find.filter"] = [](const Inputs& in) { return CommandState{true, in.filterShown}; };

        rules["file.revertToOpened"] = enabledWhen([](const Inputs& in) {
            return in.editable && in.hasDocument && in.textDiffersFromLoaded;
        });
        for (std::string_view id : {"file.saveNow",
                                    "text.indent",
                                    "text.outdent",
                                    "line.duplicate",
                                    "line.moveUp",
                                    "line.moveDown",
                                    "line.delete",
                                    "line.join",
                                    "text.insertDateTime",
                                    "line.sortAscending",
                                    "line.sortDescending",
                                    "line.removeDuplicates",
                                    "text.trimTrailingWhitespace"})
            rules[id] = enabledWhen(editable);
        for (std::string_view id : {"text.uppercase", "text.lowercase", "text.capitalize"})
            rules[id] =
                enabledWhen([](const Inputs& in) { return in.editable && !in.selectionIsEmpty; });
        rules["edit.undo"] =
            enabledWhen([](const Inputs& in) { return in.editable && in.canUndo; });
        rules["edit.redo"] =
            enabledWhen([](const Inputs& in) { return in.editable && in.canRedo; });
        rules["text.toggleBOM"] = [](const Inputs& in) {
            const bool unicode = in.encoding && EditorCore::supportsByteOrderMark(*in.encoding);
            return CommandState{in.editable && in.hasDocument && unicode,
                                in.hasDocument && in.hasByteOrderMark};
        };
        rules["text.format"] =
            enabledWhen([](const Inputs& in) { return in.editable && formattable(in.language); });
        rules["text.minify"] = enabledWhen(
            [](const Inputs& in) { return in.editable && in.language == CodeLanguage::json; });
        rules["text.chooseEncoding"] =
            enabledWhen([](const Inputs& in) { return in.hasDocument && in.hasFileURL; });
        rules["view.hex"] = [](const Inputs& in) {
            return CommandState{in.hasDocument && in.hasFileURL, in.hexShown};
        };
        // A gone document has no large-file state either.
        rules["file.browseVersions"] =
            enabledWhen([](const Inputs& in) { return !(in.hasDocument && in.hasLargeFile); });
        rules["file.allowEditing"] =
            enabledWhen([](const Inputs& in) { return in.canAllowEditing; });
        rules["view.follow"] = [](const Inputs& in) {
            return CommandState{in.canFollow, in.following};
        };
        rules["view.previewSplit"] = [](const Inputs& in) {
            return CommandState{previewOffered(in), in.preview == Inputs::Preview::split};
        };
        rules["view.previewOnly"] = [](const Inputs& in) {
            return CommandState{previewOffered(in), in.preview == Inputs::Preview::only};
        };
        rules["view.folderSidebar"] = [](const Inputs& in) {
            return CommandState{in.hasFolderSession, in.folderSidebarVisible};
        };
        rules["view.hiddenFiles"] = [](const Inputs& in) {
            return CommandState{in.hasFolderSession, in.folderShowsHiddenFiles};
        };
        rules["edit.nextSyntaxError"] =
            enabledWhen([](const Inputs& in) { return in.hasSyntaxProblems; });
        rules["suspicious.next"] =
            enabledWhen([](const Inputs& in) { return in.suspiciousTotal > 0; });
        rules["suspicious.normalize"] = enabledWhen([](const Inputs& in) {
            return in.editable && in.suspiciousTotal > in.replacementCharacters;
        });
        return rules;
    }();
    return table;
}

} // namespace

bool hasCommandStateRule(const EditorCommands::CommandID& id)
{
    return rules().count(id.rawValue) > 0;
}

CommandState commandState(const EditorCommands::CommandID& id, const CommandStateInputs& inputs)
{
    const auto& table = rules();
    auto rule = table.find(id.rawValue);
    if (rule == table.end())
        return {};
    return rule->second(inputs);
}

} // namespace EditorWindow
