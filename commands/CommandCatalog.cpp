#include "commands/CommandCatalog.h"

#include <array>
#include <string_view>
#include <unordered_map>

namespace EditorCommands {

namespace {

using M = KeyShortcut::Modifier;
using T = ToolbarUse;

struct ShortcutRow
{
    std::string_view key; // empty: no shortcut
    KeyShortcut::ModifierSet modifiers;
};

struct PlaceRow
{
    MenuID menu = MenuID::app;
    int group = 0;
    std::string_view submenu; // empty: directly in the menu
    bool present = true;
};
using P = PlaceRow;
constexpr PlaceRow noPlace{MenuID::app, 0, "", false};

struct CommandRow
{
    int place; // 1-based place in the catalog
    std::string_view id;
    int number;
    std::string_view title;
    ShortcutRow shortcut;
    ShortcutRow alternate;
    PlaceRow menu;
    ToolbarUse toolbar;
    bool isToggle;
    std::string_view symbol; // empty: none
    std::string_view label;  // empty: none
    std::string_view action; // empty: the router has no action for it
};

// clang-format off
constexpr std::array<CommandRow, 104> rows = {{
    {1, "app.about", 91, "Orlune Viewer에 관하여", {}, {}, P{MenuID::app, 0, ""}, T::none, false, "", "", "showAbout:"},
    {2, "app.checkForUpdates", 92, "업데이트 확인…", {}, {}, P{MenuID::app, 0, ""}, T::none, false, "", "", "checkForUpdates:"},
    {3, "app.settings", 90, "설정…", {",", {M::command}}, {}, P{MenuID::app, 1, ""}, T::none, false, "", "", "showSettings:"},
    {4, "app.installCommandLineTool", 95, "터미널 명령 설치…", {}, {}, P{MenuID::app, 2, ""}, T::none, false, "", "", "showCommandLineTool:"},
    {5, "app.enableFinderMenu", 96, "Finder 메뉴 켜는 법…", {}, {}, P{MenuID::app, 2, ""}, T::none, false, "", "", "showFinderMenu:"},
    {6, "file.new", 1, "새 문서", {"n", {M::command}}, {}, P{MenuID::file, 0, ""}, T::standard, false, "square.and.pencil", "새 문서", "newDocument:"},
    {7, "app.quickMemo", 108, "빠른 메모", {}, {}, P{MenuID::file, 0, ""}, T::standard, false, "note.text.badge.plus", "빠른 메모", "showQuickMemo:"},
    {8, "file.newTab", 2, "새 탭", {"t", {M::command}}, {}, P{MenuID::file, 0, ""}, T::none, false, "", "", "newDocument:"},
    {9, "file.open", 3, "열기…", {"o", {M::command}}, {}, P{MenuID::file, 0, ""}, T::standard, false, "folder", "열기", "openDocument:"},
    {10, "file.openFolder", 111, "폴더 열기…", {"o", {M::shift, M::command}}, {}, P{MenuID::file, 0, ""}, T::standard, false, "folder.badge.gearshape", "폴더", "openFolderPanel:"},
    {11, "file.openReadOnly", 4, "읽기 전용으로 열기…", {}, {}, P{MenuID::file, 0, ""}, T::optional, false, "lock", "", "openDocumentReadOnly:"},
    {12, "file.close", 5, "닫기", {"w", {M::command}}, {}, P{MenuID::file, 1, ""}, T::none, false, "", "", "performClose:"},
    {13, "file.saveNow", 6, "지금 저장", {"s", {M::command}}, {}, P{MenuID::file, 1, ""}, T::standard, false, "square.and.arrow.down", "저장", "saveDocument:"},
    {14, "file.duplicate", 7, "복제", {"s", {M::shift, M::command}}, {}, P{MenuID::file, 1, ""}, T::none, false, "", "", "duplicateDocument:"},
    {15, "file.rename", 8, "이름 바꾸기…", {}, {}, P{MenuID::file, 1, ""}, T::none, false, "", "", "renameDocument:"},
    {16, "file.move", 9, "옮기기…", {}, {}, P{MenuID::file, 1, ""}, T::none, false, "", "", "moveDocument:"},
    {17, "file.saveAs", 10, "다른 이름으로 저장…", {"s", {M::option, M::shift, M::command}}, {}, P{MenuID::file, 1, ""}, T::none, false, "", "", "saveDocumentAs:"},
    {18, "file.revertToOpened", 11, "연 상태로 되돌리기", {}, {}, P{MenuID::file, 2, "되돌리기"}, T::optional, false, "arrow.uturn.backward", "", "revertToOpened:"},
    {19, "file.browseVersions", 12, "지난 판 둘러보기…", {}, {}, P{MenuID::file, 2, "되돌리기"}, T::none, false, "", "", "browseDocumentVersions:"},
    {20, "file.allowEditing", 13, "고치기 허용", {}, {}, P{MenuID::file, 2, ""}, T::none, false, "", "", "allowEditing:"},
    {21, "file.print", 14, "인쇄…", {"p", {M::command}}, {}, P{MenuID::file, 3, ""}, T::standard, false, "printer", "인쇄", "printDocument:"},
    {22, "file.showExternalCopy", 15, "바깥 것 보기", {}, {}, noPlace, T::none, false, "", "", "showExternalCopy:"},
    {23, "file.reloadFromDisk", 16, "바깥 것 불러오기", {}, {}, noPlace, T::none, false, "", "", ""},
    {24, "file.overwriteExternal", 17, "내 것 저장", {}, {}, noPlace, T::none, false, "", "", "overwriteExternal:"},
    {25, "file.locate", 18, "찾아보기", {}, {}, noPlace, T::none, false, "", "", ""},
    {26, "edit.undo", 20, "실행 취소", {"z", {M::command}}, {}, P{MenuID::edit, 0, ""}, T::standard, false, "arrow.uturn.backward", "실행 취소", "undo:"},
    {27, "edit.redo", 20, "다시 실행", {"z", {M::shift, M::command}}, {}, P{MenuID::edit, 0, ""}, T::standard, false, "arrow.uturn.forward", "다시 실행", "redo:"},
    {28, "edit.cut", 21, "잘라내기", {"x", {M::command}}, {}, P{MenuID::edit, 1, ""}, T::none, false, "", "", "cut:"},
    {29, "edit.copy", 21, "복사", {"c", {M::command}}, {}, P{MenuID::edit, 1, ""}, T::none, false, "", "", "copy:"},
    {30, "edit.paste", 21, "붙여넣기", {"v", {M::command}}, {}, P{MenuID::edit, 1, ""}, T::none, false, "", "", "paste:"},
    {31, "edit.selectAll", 21, "모두 선택", {"a", {M::command}}, {}, P{MenuID::edit, 1, ""}, T::none, false, "", "", "selectAll:"},
    {32, "find.show", 22, "찾기…", {"f", {M::command}}, {}, P{MenuID::edit, 2, "찾기"}, T::standard, false, "magnifyingglass", "찾기", "showFindBar:"},
    {33, "find.replace", 23, "찾아 바꾸기…", {"f", {M::option, M::command}}, {}, P{MenuID::edit, 2, "찾기"}, T::standard, false, "arrow.left.arrow.right", "바꾸기", "showReplaceBar:"},
    {34, "find.next", 24, "다음 찾기", {"g", {M::command}}, {}, P{MenuID::edit, 2, "찾기"}, T::none, false, "", "", "findNext:"},
    {35, "find.previous", 24, "이전 찾기", {"g", {M::shift, M::command}}, {}, P{MenuID::edit, 2, "찾기"}, T::none, false, "", "", "findPrevious:"},
    {36, "find.useSelection", 25, "선택한 것으로 찾기", {"e", {M::command}}, {}, P{MenuID::edit, 2, "찾기"}, T::none, false, "", "", "useSelectionForFind:"},
    {37, "find.filter", 110, "걸러 보기", {"g", {M::option, M::command}}, {}, P{MenuID::edit, 2, "찾기"}, T::standard, true, "line.3.horizontal.decrease.circle", "걸러 보기", "toggleFilter:"},
    {38, "edit.addNextOccurrence", 101, "같은 낱말 더 고르기", {"d", {M::command}}, {}, P{MenuID::edit, 2, "여러 곳 편집"}, T::none, false, "", "", "addNextOccurrence:"},
    {39, "edit.selectAllOccurrences", 102, "같은 낱말 모두 고르기", {"l", {M::shift, M::command}}, {}, P{MenuID::edit, 2, "여러 곳 편집"}, T::none, false, "", "", "selectAllOccurrences:"},
    {40, "edit.addCaretAbove", 103, "위 줄에 커서 더하기", {"up", {M::control, M::shift}}, {}, P{MenuID::edit, 2, "여러 곳 편집"}, T::none, false, "", "", "addCaretAbove:"},
    {41, "edit.addCaretBelow", 104, "아래 줄에 커서 더하기", {"down", {M::control, M::shift}}, {}, P{MenuID::edit, 2, "여러 곳 편집"}, T::none, false, "", "", "addCaretBelow:"},
    {42, "edit.caretsAtLineEnds", 105, "고른 줄마다 줄 끝에 커서", {"i", {M::option, M::shift}}, {}, P{MenuID::edit, 2, "여러 곳 편집"}, T::none, false, "", "", "caretsAtLineEnds:"},
    {43, "edit.singleCaret", 106, "커서 하나로", {}, {}, P{MenuID::edit, 2, "여러 곳 편집"}, T::none, false, "", "", "singleCaret:"},
    {44, "edit.multiMenu", 107, "여러 곳 편집", {}, {}, noPlace, T::standard, false, "character.cursor.ibeam", "여러 곳", "showMultiMenu:"},
    {45, "edit.nextSyntaxError", 114, "다음 구문 오류", {"'", {M::command}}, {}, P{MenuID::edit, 2, ""}, T::none, false, "", "", "nextSyntaxError:"},
    {46, "edit.goToLine", 26, "줄로 가기…", {"l", {M::command}}, {}, P{MenuID::edit, 2, ""}, T::standard, false, "arrow.right.to.line", "줄로 가기", "goToLine:"},
    {47, "edit.autocorrect.spelling", 27, "맞춤법 밑줄", {}, {}, P{MenuID::edit, 3, "자동 고침"}, T::none, true, "", "", "toggleContinuousSpellChecking:"},
    {48, "edit.autocorrect.quotes", 27, "둥근 따옴표", {}, {}, P{MenuID::edit, 3, "자동 고침"}, T::none, true, "", "", "toggleAutomaticQuoteSubstitution:"},
    {49, "edit.autocorrect.dashes", 27, "대시 바꾸기", {}, {}, P{MenuID::edit, 3, "자동 고침"}, T::none, true, "", "", "toggleAutomaticDashSubstitution:"},
    {50, "text.chooseEncoding", 43, "인코딩 고르기 창…", {}, {}, P{MenuID::text, 0, "인코딩"}, T::standard, false, "character.textbox", "인코딩", "showEncodingChooser:"},
    {51, "text.toggleBOM", 42, "BOM 넣기", {}, {}, P{MenuID::text, 0, "인코딩"}, T::none, true, "", "", "toggleByteOrderMark:"},
    {52, "text.indent", 46, "들여쓰기", {"]", {M::command}}, {}, P{MenuID::text, 1, "들여쓰기"}, T::none, false, "", "", "indentSelectedLines:"},
    {53, "text.outdent", 46, "내어쓰기", {"[", {M::command}}, {}, P{MenuID::text, 1, "들여쓰기"}, T::none, false, "", "", "outdentSelectedLines:"},
    {54, "line.duplicate", 48, "줄 복제", {"d", {M::shift, M::command}}, {}, P{MenuID::text, 2, "줄"}, T::none, false, "", "", "duplicateLines:"},
    {55, "line.moveUp", 49, "줄 위로", {"up", {M::option, M::command}}, {}, P{MenuID::text, 2, "줄"}, T::none, false, "", "", "moveLinesUp:"},
    {56, "line.moveDown", 49, "줄 아래로", {"down", {M::option, M::command}}, {}, P{MenuID::text, 2, "줄"}, T::none, false, "", "", "moveLinesDown:"},
    {57, "line.delete", 50, "줄 지우기", {"k", {M::shift, M::command}}, {}, P{MenuID::text, 2, "줄"}, T::none, false, "", "", "deleteLines:"},
    {58, "line.join", 51, "줄 합치기", {"j", {M::option, M::command}}, {}, P{MenuID::text, 2, "줄"}, T::none, false, "", "", "joinLines:"},
    {59, "text.insertDateTime", 52, "날짜 · 시각 넣기", {"d", {M::control, M::shift, M::command}}, {}, P{MenuID::text, 3, ""}, T::standard, false, "calendar", "날짜", "insertDateTime:"},
    {60, "suspicious.next", 53, "다음 수상한 글자", {}, {}, P{MenuID::text, 4, ""}, T::optional, false, "exclamationmark.triangle", "", "selectNextSuspicious:"},
    {61, "suspicious.normalize", 54, "모두 보통 글자로", {}, {}, P{MenuID::text, 4, ""}, T::none, false, "", "", "normalizeSuspicious:"},
    {62, "text.removeUnencodable", 55, "그 글자 지우기", {}, {}, noPlace, T::none, false, "", "", ""},
    {63, "text.format", 56, "보기 좋게 정리", {"f", {M::option, M::shift, M::command}}, {}, P{MenuID::text, 5, "다듬기"}, T::standard, false, "curlybraces", "정리", "formatText:"},
    {64, "text.tidyMenu", 99, "다듬기", {}, {}, noPlace, T::standard, false, "wand.and.stars", "다듬기", "showTidyMenu:"},
    {65, "text.minify", 56, "한 줄로 줄이기", {}, {}, P{MenuID::text, 5, "다듬기"}, T::none, false, "", "", "minifyText:"},
    {66, "line.sortAscending", 57, "줄 정렬", {}, {}, P{MenuID::text, 5, "다듬기"}, T::none, false, "", "", "sortLinesAscending:"},
    {67, "line.sortDescending", 57, "줄 거꾸로 정렬", {}, {}, P{MenuID::text, 5, "다듬기"}, T::none, false, "", "", "sortLinesDescending:"},
    {68, "line.removeDuplicates", 57, "중복 줄 지우기", {}, {}, P{MenuID::text, 5, "다듬기"}, T::none, false, "", "", "removeDuplicateLines:"},
    {69, "text.trimTrailingWhitespace", 58, "끝 공백 지우기", {}, {}, P{MenuID::text, 5, "다듬기"}, T::none, false, "", "", "trimTrailingWhitespace:"},
    {70, "text.uppercase", 59, "대문자로", {}, {}, P{MenuID::text, 5, "다듬기"}, T::none, false, "", "", "uppercaseText:"},
    {71, "text.lowercase", 59, "소문자로", {}, {}, P{MenuID::text, 5, "다듬기"}, T::none, false, "", "", "lowercaseText:"},
    {72, "text.capitalize", 59, "단어 첫 글자 대문자로", {}, {}, P{MenuID::text, 5, "다듬기"}, T::none, false, "", "", "capitalizeText:"},
    {73, "view.toggleToolbar", 60, "도구 띠 보기", {"t", {M::option, M::command}}, {}, P{MenuID::view, 0, ""}, T::none, true, "", "", "toggleToolBand:"},
    {74, "view.ruler", 109, "자 보기", {"r", {M::command}}, {}, P{MenuID::view, 1, ""}, T::none, true, "", "", "toggleCentimeterRuler:"},
    {75, "view.invisibles", 62, "숨은 문자 보기", {"i", {M::option, M::command}}, {}, P{MenuID::view, 1, ""}, T::standard, true, "paragraphsign", "숨은 문자", "toggleInvisibles:"},
    {76, "view.wrap", 63, "자동 줄바꿈", {"l", {M::option, M::command}}, {}, P{MenuID::view, 1, ""}, T::standard, true, "arrow.turn.down.left", "줄바꿈", "toggleWrap:"},
    {77, "view.lineNumbers", 64, "줄 번호", {"n", {M::option, M::command}}, {}, P{MenuID::view, 1, ""}, T::standard, true, "list.number", "줄 번호", "toggleLineNumbers:"},
    {78, "view.currentLine", 65, "지금 줄 강조", {}, {}, P{MenuID::view, 1, ""}, T::standard, true, "text.line.first.and.arrowtriangle.forward", "지금 줄", "toggleCurrentLine:"},
    {79, "view.characterInfo", 66, "글자 정보", {"i", {M::control, M::command}}, {}, P{MenuID::view, 2, ""}, T::standard, false, "character.magnify", "글자 정보", "showCharacterInfo:"},
    {80, "view.folderSidebar", 112, "폴더 보기", {"s", {M::control, M::command}}, {}, P{MenuID::view, 0, ""}, T::standard, true, "sidebar.left", "폴더 보기", "toggleFolderSidebar:"},
    {81, "view.hiddenFiles", 113, "숨김 파일 보기", {".", {M::shift, M::command}}, {}, P{MenuID::view, 0, ""}, T::none, true, "", "", "toggleHiddenFiles:"},
    {82, "view.syntaxErrors", 115, "구문 오류 표시", {}, {}, P{MenuID::view, 1, ""}, T::none, true, "", "", "toggleSyntaxErrors:"},
    {83, "view.follow", 67, "로그 따라보기", {"f", {M::shift, M::command}}, {}, P{MenuID::view, 2, ""}, T::standard, true, "arrow.down.to.line", "따라보기", "toggleFollow:"},
    {84, "view.previewSplit", 97, "미리 보기 나란히", {"p", {M::option, M::command}}, {}, P{MenuID::view, 2, ""}, T::standard, true, "rectangle.split.2x1", "미리 보기", "togglePreviewSplit:"},
    {85, "view.hex", 100, "16진 보기", {}, {}, P{MenuID::view, 2, ""}, T::standard, true, "number", "16진", "toggleHex:"},
    {86, "view.previewOnly", 98, "미리 보기만", {"p", {M::option, M::shift, M::command}}, {}, P{MenuID::view, 2, ""}, T::standard, true, "doc.richtext", "미리 보기만", "togglePreviewOnly:"},
    {87, "view.zoomIn", 68, "크게", {"+", {M::command}}, {"=", {M::command}}, P{MenuID::view, 3, ""}, T::standard, false, "plus.magnifyingglass", "크게", "zoomIn:"},
    {88, "view.zoomOut", 68, "작게", {"-", {M::command}}, {}, P{MenuID::view, 3, ""}, T::standard, false, "minus.magnifyingglass", "작게", "zoomOut:"},
    {89, "view.zoomReset", 68, "원래 크기", {"0", {M::command}}, {}, P{MenuID::view, 3, ""}, T::none, false, "", "", "zoomReset:"},
    {90, "view.toggleStatusBar", 69, "상태 줄 보기", {"/", {M::command}}, {}, P{MenuID::view, 4, ""}, T::none, true, "", "", "toggleStatusBar:"},
    {91, "view.toggleTabBar", 70, "탭 줄 보기", {"t", {M::shift, M::command}}, {}, P{MenuID::view, 4, ""}, T::none, true, "", "", "toggleTabBar:"},
    {92, "view.fullScreen", 71, "전체 화면", {"f", {M::control, M::command}}, {}, P{MenuID::view, 5, ""}, T::none, true, "", "", "toggleFullScreen:"},
    {93, "window.selectTab1", 80, "1번 탭", {"1", {M::command}}, {}, noPlace, T::none, false, "", "", "selectTabByNumber:"},
    {94, "window.selectTab2", 80, "2번 탭", {"2", {M::command}}, {}, noPlace, T::none, false, "", "", "selectTabByNumber:"},
    {95, "window.selectTab3", 80, "3번 탭", {"3", {M::command}}, {}, noPlace, T::none, false, "", "", "selectTabByNumber:"},
    {96, "window.selectTab4", 80, "4번 탭", {"4", {M::command}}, {}, noPlace, T::none, false, "", "", "selectTabByNumber:"},
    {97, "window.selectTab5", 80, "5번 탭", {"5", {M::command}}, {}, noPlace, T::none, false, "", "", "selectTabByNumber:"},
    {98, "window.selectTab6", 80, "6번 탭", {"6", {M::command}}, {}, noPlace, T::none, false, "", "", "selectTabByNumber:"},
    {99, "window.selectTab7", 80, "7번 탭", {"7", {M::command}}, {}, noPlace, T::none, false, "", "", "selectTabByNumber:"},
    {100, "window.selectTab8", 80, "8번 탭", {"8", {M::command}}, {}, noPlace, T::none, false, "", "", "selectTabByNumber:"},
    {101, "window.selectTab9", 80, "마지막 탭", {"9", {M::command}}, {}, noPlace, T::none, false, "", "", "selectTabByNumber:"},
    {102, "app.commandPalette", 89, "명령 찾기…", {"p", {M::shift, M::command}}, {}, P{MenuID::help, 0, ""}, T::standard, false, "command", "명령 찾기", "showCommandPalette:"},
    {103, "help.shortcuts", 94, "단축키 목록", {}, {}, P{MenuID::help, 0, ""}, T::none, false, "", "", "showShortcuts:"},
    {104, "help.openErrorLog", 93, "오류 기록 열기", {}, {}, P{MenuID::help, 0, ""}, T::none, false, "", "", "openErrorLog:"},
}};
// clang-format on

constexpr bool placesFollowTableOrder()
{
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].place != static_cast<int>(i) + 1)
            return false;
    }
    return true;
}
static_assert(placesFollowTableOrder(), "catalog rows must be in catalog order");

constexpr bool identifiersAreUnique()
{
    for (std::size_t i = 0; i < rows.size(); ++i) {
        for (std::size_t j = i + 1; j < rows.size(); ++j) {
            if (rows[i].id == rows[j].id)
                return false;
        }
    }
    return true;
}
static_assert(identifiersAreUnique(), "two catalog commands share an identifier");

// No two key equivalents of the menu bar may clash, main and alternate shortcuts together.
constexpr bool shortcutsAreUnique()
{
    std::array<ShortcutRow, rows.size() * 2> all{};
    std::size_t count = 0;
    for (const auto& row : rows) {
        for (const auto& shortcut : {row.shortcut, row.alternate}) {
            if (shortcut.key.empty())
                continue;
            for (std::size_t i = 0; i < count; ++i) {
                if (all[i].key == shortcut.key && all[i].modifiers == shortcut.modifiers)
                    return false;
            }
            all[count++] = shortcut;
        }
    }
    return true;
}
static_assert(shortcutsAreUnique(), "two catalog shortcuts are equal");

constexpr bool isCatalogIdentifier(std::string_view id)
{
    for (const auto& row : rows) {
        if (row.id == id)
            return true;
    }
    return false;
}

// An empty string is a separator slot.
constexpr std::array<std::string_view, 36> toolbarSlots = {
    "file.new",
    "app.quickMemo",
    "file.open",
    "file.openFolder",
    "view.folderSidebar",
    "file.saveNow",
    "file.print",
    "",
    "edit.undo",
    "edit.redo",
    "edit.multiMenu",
    "",
    "find.show",
    "find.replace",
    "find.filter",
    "edit.goToLine",
    "",
    "view.invisibles",
    "view.wrap",
    "view.lineNumbers",
    "view.currentLine",
    "view.zoomIn",
    "view.zoomOut",
    "",
    "view.previewSplit",
    "view.previewOnly",
    "text.format",
    "text.tidyMenu",
    "view.hex",
    "",
    "text.chooseEncoding",
    "text.insertDateTime",
    "view.characterInfo",
    "view.follow",
    "",
    "app.commandPalette",
};

constexpr std::array<std::string_view, 11> tidySlots = {
    "text.format",
    "text.minify",
    "",
    "line.sortAscending",
    "line.sortDescending",
    "line.removeDuplicates",
    "text.trimTrailingWhitespace",
    "",
    "text.uppercase",
    "text.lowercase",
    "text.capitalize",
};

constexpr std::array<std::string_view, 8> multiCursorSlots = {
    "edit.addNextOccurrence",
    "edit.selectAllOccurrences",
    "",
    "edit.addCaretAbove",
    "edit.addCaretBelow",
    "edit.caretsAtLineEnds",
    "",
    "edit.singleCaret",
};

constexpr std::array<std::string_view, 4> hiddenWhenUnavailableIDs = {
    "view.previewSplit",
    "view.previewOnly",
    "text.format",
    "view.folderSidebar",
};

template<std::size_t N>
constexpr bool slotsAreCatalogIdentifiers(const std::array<std::string_view, N>& slots)
{
    for (auto slot : slots) {
        if (!slot.empty() && !isCatalogIdentifier(slot))
            return false;
    }
    return true;
}
static_assert(slotsAreCatalogIdentifiers(toolbarSlots));
static_assert(slotsAreCatalogIdentifiers(tidySlots));
static_assert(slotsAreCatalogIdentifiers(multiCursorSlots));
static_assert(slotsAreCatalogIdentifiers(hiddenWhenUnavailableIDs));

std::optional<KeyShortcut> makeShortcut(const ShortcutRow& row)
{
    if (row.key.empty())
        return std::nullopt;
    return KeyShortcut{std::string(row.key), row.modifiers};
}

std::optional<std::string> makeText(std::string_view text)
{
    if (text.empty())
        return std::nullopt;
    return std::string(text);
}

Command makeCommand(const CommandRow& row)
{
    Command command;
    command.id = CommandID{std::string(row.id)};
    command.number = row.number;
    command.title = std::string(row.title);
    command.shortcut = makeShortcut(row.shortcut);
    command.alternateShortcut = makeShortcut(row.alternate);
    if (row.menu.present)
        command.menu = MenuPlacement{row.menu.menu, row.menu.group, makeText(row.menu.submenu)};
    command.toolbar = row.toolbar;
    command.isToggle = row.isToggle;
    command.symbol = makeText(row.symbol);
    command.label = makeText(row.label);
    return command;
}

template<std::size_t N>
std::vector<std::optional<CommandID>> makeSlots(const std::array<std::string_view, N>& slots)
{
    std::vector<std::optional<CommandID>> result;
    result.reserve(N);
    for (auto slot : slots) {
        if (slot.empty())
            result.emplace_back(std::nullopt);
        else
            result.emplace_back(CommandID{std::string(slot)});
    }
    return result;
}

} // namespace

const std::vector<Command>& CommandCatalog::all()
{
    static const std::vector<Command> commands = [] {
        std::vector<Command> result;
        result.reserve(rows.size());
        for (const auto& row : rows)
            result.push_back(makeCommand(row));
        return result;
    }();
    return commands;
}

std::optional<Command> CommandCatalog::command(const CommandID& id)
{
    static const std::unordered_map<CommandID, const Command*> byIdentifier = [] {
        std::unordered_map<CommandID, const Command*> result;
        for (const auto& command : all())
            result.emplace(command.id, &command);
        return result;
    }();
    auto found = byIdentifier.find(id);
    if (found == byIdentifier.end())
        return std::nullopt;
    return *found->second;
}

const std::vector<std::optional<CommandID>>& CommandCatalog::toolbarItems()
{
    static const auto items = makeSlots(toolbarSlots);
    return items;
}

const std::vector<std::optional<CommandID>>& CommandCatalog::tidyMenuItems()
{
    static const auto items = makeSlots(tidySlots);
    return items;
}

const std::vector<std::optional<CommandID>>& CommandCatalog::multiCursorMenuItems()
{
    static const auto items = makeSlots(multiCursorSlots);
    return items;
}

const std::unordered_set<CommandID>& CommandCatalog::hiddenWhenUnavailable()
{
    static const std::unordered_set<CommandID> ids = [] {
        std::unordered_set<CommandID> result;
        for (auto id : hiddenWhenUnavailableIDs)
            result.insert(CommandID{std::string(id)});
        return result;
    }();
    return ids;
}

const std::unordered_map<std::string, std::string>& CommandActions::actionSelectors()
{
    // Identifiers are unique (checked above at compile time), so no entry is overwritten.
    static const std::unordered_map<std::string, std::string> selectors = [] {
        std::unordered_map<std::string, std::string> result;
        for (const auto& row : rows) {
            if (!row.action.empty())
                result.emplace(std::string(row.id), std::string(row.action));
        }
        return result;
    }();
    return selectors;
}

std::optional<std::string> CommandActions::actionSelector(const CommandID& id)
{
    const auto& selectors = actionSelectors();
    auto found = selectors.find(id.rawValue);
    if (found == selectors.end())
        return std::nullopt;
    return found->second;
}

} // namespace EditorCommands
