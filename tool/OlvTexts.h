#pragma once

// Every text olv prints, exactly as users have come to read it. The English apostrophes are
// the typographic ’, except the ASCII one of "git's" in the usage.
#include <array>
#include <string_view>

namespace Olv::Texts {

// Korean, English, Japanese; in the order of Olv::Message.
inline constexpr std::array<std::array<std::string_view, 3>, 11> messages = {{
    {{"모르는 선택이에요: ", "Unknown option: ", "不明なオプションです: "}}, // unknownOption
    {{"파일이 없어요: ", "No such file: ", "ファイルがありません: "}},       // noSuchFile
    {{"폴더에는 줄 번호를 붙일 수 없어요: ",
      "A folder can’t take a line number: ",
      "フォルダに行番号は付けられません: "}}, // folderWithLine
    {{"표준 입력을 넘기지 못했어요: ",
      "Couldn’t pass standard input: ",
      "標準入力を渡せませんでした: "}}, // stdinNotStored
    {{"요청을 남기지 못했어요: ",
      "Couldn’t write the request: ",
      "依頼を書き込めませんでした: "}}, // requestNotWritten
    {{"앱을 열지 못했어요", "Couldn’t open the app", "アプリを開けませんでした"}}, // appNotOpened
    {{"열지 못했어요", "Couldn’t open the file", "ファイルを開けませんでした"}},   // fileNotOpened
    {{"앱에 요청을 넘기지 못했어요",
      "Couldn’t pass the request to the app",
      "アプリに依頼を渡せませんでした"}}, // requestNotPassed
    {{"앱이 요청을 받지 않았어요",
      "The app didn’t accept the request",
      "アプリが依頼を受け取りませんでした"}},                    // requestNotAccepted
    {{"앱이 닫혔어요", "The app quit", "アプリが終了しました"}}, // appQuit
    {{"앱이 파일을 열지 못했어요",
      "The app couldn’t open the file",
      "アプリがファイルを開けませんでした"}}, // appFailedToOpenFile
}};

inline constexpr std::array<std::string_view, 3> usage = {
    "쓰는 법: olv [-w] 파일[:줄[:칸]]…\n"
    "        명령 | olv\n"
    "  -w         탭을 닫을 때까지 기다린다 (git 의 편집기로: git config --global core.editor "
    "\"olv -w\")\n"
    "  --version  판\n"
    "  --help     이 도움말",
    "Usage: olv [-w] file[:line[:column]]…\n"
    "       command | olv\n"
    "  -w         wait until the tab is closed (as git's editor: git config --global core.editor "
    "\"olv -w\")\n"
    "  --version  version\n"
    "  --help     this help",
    "使い方: olv [-w] ファイル[:行[:列]]…\n"
    "       コマンド | olv\n"
    "  -w         タブを閉じるまで待つ (git のエディタに: git config --global core.editor \"olv "
    "-w\")\n"
    "  --version  バージョン\n"
    "  --help     このヘルプ",
};

} // namespace Olv::Texts
