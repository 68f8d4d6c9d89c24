<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="ko_KR">
<context>
    <name>OrluneViewer</name>
    <message>
        <source>Orlune Viewer에 관하여</source>
        <translation>About Orlune Viewer</translation>
    </message>
    <message>
        <source>업데이트 확인…</source>
        <translation>Check for Updates…</translation>
    </message>
    <message>
        <source>설정…</source>
        <translation>Settings…</translation>
    </message>
    <message>
        <source>터미널 명령 설치…</source>
        <translation>Install Terminal Command…</translation>
    </message>
    <message>
        <source>Finder 메뉴 켜는 법…</source>
        <translation>How to Turn On the File Manager Menu…</translation>
    </message>
    <message>
        <source>새 문서</source>
        <translation>New Document</translation>
    </message>
    <message>
        <source>빠른 메모</source>
        <translation>Quick Memo</translation>
    </message>
    <message>
        <source>새 탭</source>
        <translation>New Tab</translation>
    </message>
    <message>
        <source>열기…</source>
        <translation>Open…</translation>
    </message>
    <message>
        <source>열기</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>폴더 열기…</source>
        <translation>Open Folder…</translation>
    </message>
    <message>
        <source>폴더</source>
        <translation>Folder</translation>
    </message>
    <message>
        <source>읽기 전용으로 열기…</source>
        <translation>Open Read-Only…</translation>
    </message>
    <message>
        <source>닫기</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>지금 저장</source>
        <translation>Save Now</translation>
    </message>
    <message>
        <source>저장</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>복제</source>
        <translation>Duplicate</translation>
    </message>
    <message>
        <source>이름 바꾸기…</source>
        <translation>Rename…</translation>
    </message>
    <message>
        <source>옮기기…</source>
        <translation>Move To…</translation>
    </message>
    <message>
        <source>다른 이름으로 저장…</source>
        <translation>Save As…</translation>
    </message>
    <message>
        <source>연 상태로 되돌리기</source>
        <translation>Revert to Opened</translation>
    </message>
    <message>
        <source>연 상태를 다시 읽지 못했어요. 파일이 바깥에서 바뀌었거나 읽을 수 없어요.</source>
        <translation>Couldn’t read the opened version again: the file was changed elsewhere or can’t be read.</translation>
    </message>
    <message>
        <source>되돌리기</source>
        <translation>Revert To</translation>
    </message>
    <message>
        <source>지난 판 둘러보기…</source>
        <translation>Browse Previous Versions…</translation>
    </message>
    <message>
        <source>고치기 허용</source>
        <translation>Allow Editing</translation>
    </message>
    <message>
        <source>인쇄…</source>
        <translation>Print…</translation>
    </message>
    <message>
        <source>인쇄</source>
        <translation>Print</translation>
    </message>
    <message>
        <source>%2쪽 중 %1쪽</source>
        <translation>Page %1 of %2</translation>
    </message>
    <message>
        <source>인쇄하는 중…</source>
        <translation>Printing…</translation>
    </message>
    <message>
        <source>인쇄하지 못했어요.</source>
        <translation>Couldn’t print.</translation>
    </message>
    <message>
        <source>바깥 것 보기</source>
        <translation>Show the Other Version</translation>
    </message>
    <message>
        <source>바깥 것 불러오기</source>
        <translation>Load the Other Version</translation>
    </message>
    <message>
        <source>내 것 저장</source>
        <translation>Save Mine</translation>
    </message>
    <message>
        <source>찾아보기</source>
        <translation>Locate</translation>
    </message>
    <message>
        <source>실행 취소</source>
        <translation>Undo</translation>
    </message>
    <message>
        <source>다시 실행</source>
        <translation>Redo</translation>
    </message>
    <message>
        <source>잘라내기</source>
        <translation>Cut</translation>
    </message>
    <message>
        <source>복사</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>붙여넣기</source>
        <translation>Paste</translation>
    </message>
    <message>
        <source>모두 선택</source>
        <translation>Select All</translation>
    </message>
    <message>
        <source>찾기…</source>
        <translation>Find…</translation>
    </message>
    <message>
        <source>찾기</source>
        <translation>Find</translation>
    </message>
    <message>
        <source>찾아 바꾸기…</source>
        <translation>Find and Replace…</translation>
    </message>
    <message>
        <source>바꾸기</source>
        <translation>Replace</translation>
    </message>
    <message>
        <source>다음 찾기</source>
        <translation>Find Next</translation>
    </message>
    <message>
        <source>이전 찾기</source>
        <translation>Find Previous</translation>
    </message>
    <message>
        <source>선택한 것으로 찾기</source>
        <translation>Use Selection for Find</translation>
    </message>
    <message>
        <source>걸러 보기</source>
        <translation>Filter Lines</translation>
    </message>
    <message>
        <source>같은 낱말 더 고르기</source>
        <translation>Select Next Occurrence</translation>
    </message>
    <message>
        <source>여러 곳 편집</source>
        <translation>Multiple Carets</translation>
    </message>
    <message>
        <source>같은 낱말 모두 고르기</source>
        <translation>Select All Occurrences</translation>
    </message>
    <message>
        <source>위 줄에 커서 더하기</source>
        <translation>Add Caret Above</translation>
    </message>
    <message>
        <source>아래 줄에 커서 더하기</source>
        <translation>Add Caret Below</translation>
    </message>
    <message>
        <source>고른 줄마다 줄 끝에 커서</source>
        <translation>Caret at Each Selected Line's End</translation>
    </message>
    <message>
        <source>커서 하나로</source>
        <translation>Single Caret</translation>
    </message>
    <message>
        <source>여러 곳</source>
        <translation>Carets</translation>
    </message>
    <message>
        <source>다음 구문 오류</source>
        <translation>Next Syntax Error</translation>
    </message>
    <message>
        <source>줄로 가기…</source>
        <translation>Go to Line…</translation>
    </message>
    <message>
        <source>줄로 가기</source>
        <translation>Go to Line</translation>
    </message>
    <message>
        <source>맞춤법 밑줄</source>
        <translation>Underline Misspellings</translation>
    </message>
    <message>
        <source>자동 고침</source>
        <translation>Substitutions</translation>
    </message>
    <message>
        <source>둥근 따옴표</source>
        <translation>Smart Quotes</translation>
    </message>
    <message>
        <source>대시 바꾸기</source>
        <translation>Smart Dashes</translation>
    </message>
    <message>
        <source>인코딩 고르기 창…</source>
        <translation>Choose Encoding…</translation>
    </message>
    <message>
        <source>인코딩</source>
        <translation>Encoding</translation>
    </message>
    <message>
        <source>BOM 넣기</source>
        <translation>Write BOM</translation>
    </message>
    <message>
        <source>들여쓰기</source>
        <translation>Indent</translation>
    </message>
    <message>
        <source>내어쓰기</source>
        <translation>Outdent</translation>
    </message>
    <message>
        <source>줄 복제</source>
        <translation>Duplicate Lines</translation>
    </message>
    <message>
        <source>줄</source>
        <translation>Lines</translation>
    </message>
    <message>
        <source>줄 위로</source>
        <translation>Move Lines Up</translation>
    </message>
    <message>
        <source>줄 아래로</source>
        <translation>Move Lines Down</translation>
    </message>
    <message>
        <source>줄 지우기</source>
        <translation>Delete Lines</translation>
    </message>
    <message>
        <source>줄 합치기</source>
        <translation>Join Lines</translation>
    </message>
    <message>
        <source>날짜 · 시각 넣기</source>
        <translation>Insert Date · Time</translation>
    </message>
    <message>
        <source>날짜</source>
        <translation>Date</translation>
    </message>
    <message>
        <source>다음 수상한 글자</source>
        <translation>Next Suspicious Character</translation>
    </message>
    <message>
        <source>모두 보통 글자로</source>
        <translation>Make All Ordinary Characters</translation>
    </message>
    <message>
        <source>그 글자 지우기</source>
        <translation>Remove Those Characters</translation>
    </message>
    <message>
        <source>보기 좋게 정리</source>
        <translation>Format</translation>
    </message>
    <message>
        <source>다듬기</source>
        <translation>Tidy</translation>
    </message>
    <message>
        <source>정리</source>
        <translation>Format</translation>
    </message>
    <message>
        <source>한 줄로 줄이기</source>
        <translation>Minify</translation>
    </message>
    <message>
        <source>줄 정렬</source>
        <translation>Sort Lines</translation>
    </message>
    <message>
        <source>줄 거꾸로 정렬</source>
        <translation>Sort Lines Descending</translation>
    </message>
    <message>
        <source>중복 줄 지우기</source>
        <translation>Remove Duplicate Lines</translation>
    </message>
    <message>
        <source>끝 공백 지우기</source>
        <translation>Trim Trailing Whitespace</translation>
    </message>
    <message>
        <source>대문자로</source>
        <translation>Uppercase</translation>
    </message>
    <message>
        <source>소문자로</source>
        <translation>Lowercase</translation>
    </message>
    <message>
        <source>단어 첫 글자 대문자로</source>
        <translation>Capitalize Words</translation>
    </message>
    <message>
        <source>도구 띠 보기</source>
        <translation>Show Tool Band</translation>
    </message>
    <message>
        <source>자 보기</source>
        <translation>Show Ruler</translation>
    </message>
    <message>
        <source>숨은 문자 보기</source>
        <translation>Show Invisibles</translation>
    </message>
    <message>
        <source>숨은 문자</source>
        <translation>Invisibles</translation>
    </message>
    <message>
        <source>자동 줄바꿈</source>
        <translation>Wrap Lines</translation>
    </message>
    <message>
        <source>줄바꿈</source>
        <translation>Wrap</translation>
    </message>
    <message>
        <source>줄 번호</source>
        <translation>Line Numbers</translation>
    </message>
    <message>
        <source>지금 줄 강조</source>
        <translation>Highlight Current Line</translation>
    </message>
    <message>
        <source>지금 줄</source>
        <translation>Current Line</translation>
    </message>
    <message>
        <source>글자 정보</source>
        <translation>Character Info</translation>
    </message>
    <message>
        <source>폴더 보기</source>
        <translation>Show Folder</translation>
    </message>
    <message>
        <source>숨김 파일 보기</source>
        <translation>Show Hidden Files</translation>
    </message>
    <message>
        <source>구문 오류 표시</source>
        <translation>Mark Syntax Errors</translation>
    </message>
    <message>
        <source>로그 따라보기</source>
        <translation>Follow Log</translation>
    </message>
    <message>
        <source>따라보기</source>
        <translation>Follow</translation>
    </message>
    <message>
        <source>미리 보기 나란히</source>
        <translation>Preview Side by Side</translation>
    </message>
    <message>
        <source>미리 보기</source>
        <translation>Preview</translation>
    </message>
    <message>
        <source>16진 보기</source>
        <translation>Hex View</translation>
    </message>
    <message>
        <source>16진</source>
        <translation>Hex</translation>
    </message>
    <message>
        <source>미리 보기만</source>
        <translation>Preview Only</translation>
    </message>
    <message>
        <source>크게</source>
        <translation>Zoom In</translation>
    </message>
    <message>
        <source>작게</source>
        <translation>Zoom Out</translation>
    </message>
    <message>
        <source>원래 크기</source>
        <translation>Actual Size</translation>
    </message>
    <message>
        <source>상태 줄 보기</source>
        <translation>Show Status Bar</translation>
    </message>
    <message>
        <source>탭 줄 보기</source>
        <translation>Show Tab Bar</translation>
    </message>
    <message>
        <source>전체 화면</source>
        <translation>Full Screen</translation>
    </message>
    <message>
        <source>1번 탭</source>
        <translation>Tab 1</translation>
    </message>
    <message>
        <source>2번 탭</source>
        <translation>Tab 2</translation>
    </message>
    <message>
        <source>3번 탭</source>
        <translation>Tab 3</translation>
    </message>
    <message>
        <source>4번 탭</source>
        <translation>Tab 4</translation>
    </message>
    <message>
        <source>5번 탭</source>
        <translation>Tab 5</translation>
    </message>
    <message>
        <source>6번 탭</source>
        <translation>Tab 6</translation>
    </message>
    <message>
        <source>7번 탭</source>
        <translation>Tab 7</translation>
    </message>
    <message>
        <source>8번 탭</source>
        <translation>Tab 8</translation>
    </message>
    <message>
        <source>마지막 탭</source>
        <translation>Last Tab</translation>
    </message>
    <message>
        <source>명령 찾기…</source>
        <translation>Find Command…</translation>
    </message>
    <message>
        <source>명령 찾기</source>
        <translation>Commands</translation>
    </message>
    <message>
        <source>단축키 목록</source>
        <translation>Keyboard Shortcuts</translation>
    </message>
    <message>
        <source>오류 기록 열기</source>
        <translation>Open Error Log</translation>
    </message>
    <message>
        <source>Orlune Viewer</source>
        <translation>Orlune Viewer</translation>
    </message>
    <message>
        <source>파일</source>
        <translation>File</translation>
    </message>
    <message>
        <source>편집</source>
        <translation>Edit</translation>
    </message>
    <message>
        <source>텍스트</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>보기</source>
        <translation>View</translation>
    </message>
    <message>
        <source>윈도우</source>
        <translation>Window</translation>
    </message>
    <message>
        <source>도움말</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>서비스</source>
        <translation>Services</translation>
    </message>
    <message>
        <source>Orlune Viewer 가리기</source>
        <translation>Hide Orlune Viewer</translation>
    </message>
    <message>
        <source>기타 가리기</source>
        <translation>Hide Others</translation>
    </message>
    <message>
        <source>모두 보기</source>
        <translation>Show All</translation>
    </message>
    <message>
        <source>Orlune Viewer 끝내기</source>
        <translation>Quit Orlune Viewer</translation>
    </message>
    <message>
        <source>%@ — 바깥 것</source>
        <translation>%@ — Outside Version</translation>
    </message>
    <message>
        <source>%@ — 저장 못 한 고침</source>
        <translation>%@ — Unsaved Edits</translation>
    </message>
    <message>
        <source>%@ · 크기 때문에 색 끔</source>
        <translation>%@ · colouring off for size</translation>
    </message>
    <message>
        <source>받지 못했어요 — 인터넷 연결을 확인해 주세요 (%@)</source>
        <translation>Not downloaded — check the internet connection (%@)</translation>
    </message>
    <message>
        <source>문법 목록의 서명이 맞지 않아 받지 않았어요</source>
        <translation>The grammar list’s signature didn’t match, so nothing was downloaded</translation>
    </message>
    <message>
        <source>받은 문법을 풀지 못했어요</source>
        <translation>The downloaded grammar couldn’t be unpacked</translation>
    </message>
    <message>
        <source>이 언어의 문법이 아직 없어요</source>
        <translation>There’s no grammar for this language yet</translation>
    </message>
    <message>
        <source>받은 파일이 목록과 달라 쓰지 않았어요</source>
        <translation>The downloaded file differed from the list and wasn’t used</translation>
    </message>
    <message>
        <source>맥이 이 문법을 열지 않았어요 (서명 확인)</source>
        <translation>The system refused to load this grammar’s library</translation>
    </message>
    <message>
        <source>이 문법을 읽지 못했어요</source>
        <translation>This grammar couldn’t be read</translation>
    </message>
    <message>
        <source>「%@」 색칠 문법을 받는 중이에요…</source>
        <translation>Downloading the colouring grammar for “%@”…</translation>
    </message>
    <message>
        <source>「%@」 색칠 문법 — %@</source>
        <translation>Colouring grammar for “%@” — %@</translation>
    </message>
    <message>
        <source>「%@」 에 색을 칠하려면 문법을 한 번 받아야 해요 (%@ · 수백 KB).</source>
        <translation>To colour “%@”, its grammar needs a one-time download (%@ · a few hundred KB).</translation>
    </message>
    <message>
        <source>「%@」 색칠 문법 새 판이 있어요 — 안에 든 다른 언어(코드 블록 · script 같은)까지 칠해요.</source>
        <translation>A new edition of the colouring grammar for “%@” is available — it also colours embedded languages (code blocks, scripts).</translation>
    </message>
    <message>
        <source>「%@」 색칠 문법 새 판을 받는 중이에요…</source>
        <translation>Downloading the new edition of the colouring grammar for “%@”…</translation>
    </message>
    <message>
        <source>「%@」 색칠 문법 새 판 — %@</source>
        <translation>New edition of the colouring grammar for “%@” — %@</translation>
    </message>
    <message>
        <source>받기</source>
        <translation>Download</translation>
    </message>
    <message>
        <source>다시 받기</source>
        <translation>Download Again</translation>
    </message>
    <message>
        <source>이 언어는 묻지 않기</source>
        <translation>Don’t Ask for This Language</translation>
    </message>
    <message>
        <source>새 판 받기</source>
        <translation>Download New Edition</translation>
    </message>
    <message>
        <source>「%@」 색칠 문법 받기</source>
        <translation>Download the Colouring Grammar for “%@”</translation>
    </message>
    <message>
        <source>「%1」 에 저장하지 못한 고침이 있어요</source>
        <translation>“%1” has edits that couldn’t be saved</translation>
    </message>
    <message>
        <source>「%@」 는 %@ 로 쓸 수 없어 저장을 멈췄어요. 고친 내용은 그대로 있어요.</source>
        <translation>“%@” can’t be written in %@, so the save stopped. Your edits are kept.</translation>
    </message>
    <message>
        <source>공백 %lld</source>
        <translation>Spaces: %lld</translation>
    </message>
    <message>
        <source>탭 %lld</source>
        <translation>Tab: %lld</translation>
    </message>
    <message>
        <source>선택 %lld</source>
        <translation>%lld selected</translation>
    </message>
    <message>
        <source>수상한 글자 %lld</source>
        <translation>Suspicious characters: %lld</translation>
    </message>
    <message>
        <source>관리자 권한으로 저장하지 못했어요 — %@</source>
        <translation>Couldn’t save as administrator — %@</translation>
    </message>
    <message>
        <source>관리자 암호 창에서 취소했어요.</source>
        <translation>The administrator password prompt was cancelled.</translation>
    </message>
    <message>
        <source>글자 파일이 아닌 것 같아 열지 않았어요.</source>
        <translation>This doesn’t look like a text file, so it wasn’t opened.</translation>
    </message>
    <message>
        <source>깨진 글자</source>
        <translation>Broken characters</translation>
    </message>
    <message>
        <source>누르면 Finder 에서 보기</source>
        <translation>Click to show in the file manager</translation>
    </message>
    <message>
        <source>다른 이름으로 저장</source>
        <translation>Save As</translation>
    </message>
    <message>
        <source>다른 줄 나눔</source>
        <translation>Other line breaks</translation>
    </message>
    <message>
        <source>다른 프로그램이 이 파일을 바꿨어요. 여기서 고친 것과 겹쳐요.</source>
        <translation>Another program changed this file. Its changes overlap your edits here.</translation>
    </message>
    <message>
        <source>닫으면 고친 것이 사라져요.</source>
        <translation>Closing discards the edits.</translation>
    </message>
    <message>
        <source>닫으면 보관 자리에서도 사라져요.</source>
        <translation>Closing also removes it from where it is kept.</translation>
    </message>
    <message>
        <source>바깥에서 바뀌었거나 파일이 없어 저장을 멈췄어요. 닫으면 고친 것이 사라져요.</source>
        <translation>The save stopped because the file changed elsewhere or is missing. Closing discards the edits.</translation>
    </message>
    <message>
        <source>방향 바꾸는 글자</source>
        <translation>Direction controls</translation>
    </message>
    <message>
        <source>버리고 닫기</source>
        <translation>Discard and Close</translation>
    </message>
    <message>
        <source>부드러운 하이픈</source>
        <translation>Soft hyphens</translation>
    </message>
    <message>
        <source>붙이기</source>
        <translation>Paste</translation>
    </message>
    <message>
        <source>삭제</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>오려 두기</source>
        <translation>Cut</translation>
    </message>
    <message>
        <source>입력</source>
        <translation>Typing</translation>
    </message>
    <message>
        <source>섞임</source>
        <translation>Mixed</translation>
    </message>
    <message>
        <source>이 메모를 어떻게 할까요?</source>
        <translation>What should happen to this memo?</translation>
    </message>
    <message>
        <source>이름 없음</source>
        <translation>Untitled</translation>
    </message>
    <message>
        <source>읽기 전용</source>
        <translation>Read Only</translation>
    </message>
    <message>
        <source>제어 문자</source>
        <translation>Control characters</translation>
    </message>
    <message>
        <source>줄 안 바뀌는 공백</source>
        <translation>No-break spaces</translation>
    </message>
    <message>
        <source>지우기</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>취소</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>특수 공백</source>
        <translation>Special spaces</translation>
    </message>
    <message>
        <source>파일로 저장…</source>
        <translation>Save to File…</translation>
    </message>
    <message>
        <source>파일이 지워지거나 옮겨졌어요. 내용은 이 탭에 지켜 두었어요.</source>
        <translation>The file was deleted or moved. Its content is kept in this tab.</translation>
    </message>
    <message>
        <source>폭 없는 글자</source>
        <translation>Zero-width characters</translation>
    </message>
    <message>
        <source>일반 텍스트</source>
        <translation>Plain Text</translation>
    </message>
    <message>
        <source>로그</source>
        <translation>Log</translation>
    </message>
    <message>
        <source>셸 스크립트</source>
        <translation>Shell Script</translation>
    </message>
    <message>
        <source>「%1」 의 고친 것을 저장할까요?</source>
        <translation>Save the edits of “%1”?</translation>
    </message>
    <message>
        <source>저장…</source>
        <translation>Save…</translation>
    </message>
    <message>
        <source>관리자 파일이라 저절로 저장하지 않았어요. 저장하면 맥이 관리자 암호를 물어요.</source>
        <translation>This is an administrator’s file, so it wasn’t saved automatically. Saving asks for the administrator password.</translation>
    </message>
    <message>
        <source>확인</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>고친 것을 보관 자리에 넣지 못해 닫지 않았어요.</source>
        <translation>The edits couldn’t be kept, so the document stays open.</translation>
    </message>
    <message>
        <source>이 파일은 쓸 권한이 없어 읽기 전용으로 열었어요.</source>
        <translation>You don’t have permission to write this file, so it was opened read-only.</translation>
    </message>
    <message>
        <source>관리자로 고치기</source>
        <translation>Edit as Administrator</translation>
    </message>
    <message>
        <source>관리자 권한으로 고치는 중 — 저절로 저장하지 않아요. ⌘S 로 저장할 때 맥이 관리자 암호를 물어요.</source>
        <translation>Editing with administrator rights — not saved automatically. When you save with Ctrl+S, the system asks for the administrator password.</translation>
    </message>
    <message>
        <source>「%@」 에 저장하지 못한 고침이에요 — 끌 때 바깥에서 바뀌었거나 파일이 없었어요. 파일에는 들어가지 않았어요.</source>
        <translation>Edits that couldn’t be saved to “%@” — it was changed elsewhere or missing when the app quit. They are not in the file.</translation>
    </message>
    <message>
        <source>원래 파일 열기</source>
        <translation>Open Original File</translation>
    </message>
    <message>
        <source>「%@」 을 저장하다가 끊겼고 그 파일은 이제 없어요. 저장하려던 내용을 이름 없는 문서로 열었어요.</source>
        <translation>Saving “%@” was interrupted, and the file is gone. What was being saved is open here as an untitled document.</translation>
    </message>
    <message>
        <source>지난번 저장이 중간에 끊겼어요 — 파일이 잘렸을 수 있어요. 저장하려던 판이 따로 남아 있어요.</source>
        <translation>The last save of this file was interrupted — the file may be cut short. The version being saved was kept aside.</translation>
    </message>
    <message>
        <source>저장한 판으로 되돌리기</source>
        <translation>Restore the Saved Version</translation>
    </message>
    <message>
        <source>파일을 그대로 두기</source>
        <translation>Keep the File as It Is</translation>
    </message>
    <message>
        <source>저장한 판을 되돌리지 못했어요: %@</source>
        <translation>Couldn’t restore the saved version: %@</translation>
    </message>
    <message>
        <source>버리기</source>
        <translation>Discard</translation>
    </message>
    <message>
        <source>UTF-8 로 바꿔 저장</source>
        <translation>Save as UTF-8</translation>
    </message>
    <message>
        <source>인코딩 바꾸기</source>
        <translation>Change Encoding</translation>
    </message>
    <message>
        <source>줄끝이 섞여 있어요 — CRLF %lld줄 · LF %lld줄 · CR %lld줄. 고치기 전에는 그대로 둬요.</source>
        <translation>Mixed line endings — CRLF %lld · LF %lld · CR %lld lines. They stay as they are until you convert them.</translation>
    </message>
    <message>
        <source>모두 CRLF 로</source>
        <translation>Convert All to CRLF</translation>
    </message>
    <message>
        <source>모두 LF 로</source>
        <translation>Convert All to LF</translation>
    </message>
    <message>
        <source>글꼴 (이 탭만)</source>
        <translation>Font (this tab only)</translation>
    </message>
    <message>
        <source>글자 크기 (이 탭만)</source>
        <translation>Font size (this tab only)</translation>
    </message>
    <message>
        <source>줄 간격 (이 탭만)</source>
        <translation>Line spacing (this tab only)</translation>
    </message>
    <message>
        <source>이 글꼴 · 크기 · 줄 간격을 새 탭의 기본으로</source>
        <translation>Use this font, size and line spacing for new tabs</translation>
    </message>
    <message>
        <source>새 파일 만들기</source>
        <translation>New Text File</translation>
    </message>
    <message>
        <source>새 파일</source>
        <translation>New File</translation>
    </message>
    <message>
        <source>만들 곳: %1</source>
        <translation>In: %1</translation>
    </message>
    <message>
        <source>이름에 / 나 : 는 쓸 수 없어요.</source>
        <translation>A name can’t contain / or :.</translation>
    </message>
    <message>
        <source>「%1」 가 이미 있어요. 다른 이름을 써 주세요.</source>
        <translation>“%1” already exists. Please choose another name.</translation>
    </message>
    <message>
        <source>만들지 못했어요: %1</source>
        <translation>Couldn’t create the file: %1</translation>
    </message>
    <message>
        <source>만들기</source>
        <translation>Create</translation>
    </message>
    <message>
        <source>「%@」 빠짐</source>
        <translation>“%@” missing</translation>
    </message>
    <message>
        <source>빠진 것이 있음</source>
        <translation>Something missing</translation>
    </message>
    <message>
        <source>문법에 안 맞음</source>
        <translation>Syntax error</translation>
    </message>
    <message>
        <source>오류 %lld</source>
        <translation>Errors: %lld</translation>
    </message>
    <message>
        <source>JSON 이 아니라서 고치지 않았어요 — %lld줄 %lld칸 근처를 보세요.</source>
        <translation>Not JSON, so nothing was changed — look near line %lld, column %lld.</translation>
    </message>
    <message>
        <source>JSON 이 아니라서 고치지 않았어요.</source>
        <translation>Not JSON, so nothing was changed.</translation>
    </message>
    <message>
        <source>주석이 있어 한 줄로 줄이지 않았어요 — 줄이면 주석이 사라져요.</source>
        <translation>It has comments, so it was not collapsed to one line — collapsing would remove them.</translation>
    </message>
    <message>
        <source>XML 이 아니라서 고치지 않았어요.</source>
        <translation>Not XML, so nothing was changed.</translation>
    </message>
    <message>
        <source>정리하지 못했어요 — %lld줄 %lld칸 근처 — %@</source>
        <translation>Could not format — near line %lld, column %lld — %@</translation>
    </message>
    <message>
        <source>정리하지 못했어요 — %@</source>
        <translation>Could not format — %@</translation>
    </message>
    <message>
        <source>정리기 — %@</source>
        <translation>Formatter — %@</translation>
    </message>
    <message>
        <source>정리기가 없어요</source>
        <translation>The formatter is missing</translation>
    </message>
    <message>
        <source>정리기를 받는 중이에요…</source>
        <translation>Downloading the formatter…</translation>
    </message>
    <message>
        <source>보기 좋게 정리하려면 정리기(Prettier)를 한 번 받아야 해요 (%@ · 약 0.6MB · 글은 이 맥 밖으로 나가지 않아요).</source>
        <translation>To format, the formatter (Prettier) has to be downloaded once (%@ · about 0.6 MB · your text never leaves this computer).</translation>
    </message>
    <message>
        <source>새 폴더</source>
        <translation>New Folder</translation>
    </message>
    <message>
        <source>폴더 열기</source>
        <translation>Open Folder</translation>
    </message>
    <message>
        <source>Finder에서 보기</source>
        <translation>Show in File Manager</translation>
    </message>
    <message>
        <source>경로 복사</source>
        <translation>Copy Path</translation>
    </message>
    <message>
        <source>펼치기 · 접기</source>
        <translation>Expand · Collapse</translation>
    </message>
    <message>
        <source>이름 바꾸기</source>
        <translation>Rename</translation>
    </message>
    <message>
        <source>휴지통으로 옮기기…</source>
        <translation>Move to Trash…</translation>
    </message>
    <message>
        <source>휴지통으로</source>
        <translation>Move to Trash</translation>
    </message>
    <message>
        <source>「%@」 을(를) 휴지통으로 옮길까요?</source>
        <translation>Move “%@” to the Trash?</translation>
    </message>
    <message>
        <source>휴지통에서 되살릴 수 있어요.</source>
        <translation>You can restore it from the Trash.</translation>
    </message>
    <message>
        <source>열어 둔 탭의 내용은 탭에 그대로 남아요.</source>
        <translation>Open tabs keep their contents.</translation>
    </message>
    <message>
        <source>「%@」 이(가) 이미 있어요.</source>
        <translation>“%@” already exists.</translation>
    </message>
    <message>
        <source>이름이 비어 있어요.</source>
        <translation>The name is empty.</translation>
    </message>
    <message>
        <source>폴더가 없어졌어요</source>
        <translation>The folder is gone</translation>
    </message>
    <message>
        <source>그리고</source>
        <translation>And</translation>
    </message>
    <message>
        <source>또는</source>
        <translation>Or</translation>
    </message>
    <message>
        <source>빼기</source>
        <translation>Not</translation>
    </message>
    <message>
        <source>그리고: 이것도 있는 줄 · 또는: 이것이 있어도 · 빼기: 이것이 있는 줄은 뺌</source>
        <translation>And: lines that also have this · Or: lines that may have this instead · Not: leave out lines that have this</translation>
    </message>
    <message>
        <source>조건 말</source>
        <translation>Condition</translation>
    </message>
    <message>
        <source>조건 빼기</source>
        <translation>Remove Condition</translation>
    </message>
    <message>
        <source>찾을 말</source>
        <translation>Find</translation>
    </message>
    <message>
        <source>대소문자 구분</source>
        <translation>Match Case</translation>
    </message>
    <message>
        <source>낱말</source>
        <translation>Word</translation>
    </message>
    <message>
        <source>낱말 단위</source>
        <translation>Whole Words</translation>
    </message>
    <message>
        <source>정규식</source>
        <translation>Regular Expression</translation>
    </message>
    <message>
        <source>선택 안</source>
        <translation>In Selection</translation>
    </message>
    <message>
        <source>고른 곳 안에서만</source>
        <translation>Only Inside the Selection</translation>
    </message>
    <message>
        <source>맞는 줄만 보기 (grep)</source>
        <translation>Show Only Matching Lines (grep)</translation>
    </message>
    <message>
        <source>바꿀 말</source>
        <translation>Replace With</translation>
    </message>
    <message>
        <source>모두 바꾸기</source>
        <translation>Replace All</translation>
    </message>
    <message>
        <source>모두 바꾸기는 ⌘Z 한 번에 돌아와요</source>
        <translation>Ctrl+Z undoes Replace All in one step</translation>
    </message>
    <message>
        <source>반대</source>
        <translation>Invert</translation>
    </message>
    <message>
        <source>맞지 않는 줄만 (grep -v)</source>
        <translation>Only Lines That Don’t Match (grep -v)</translation>
    </message>
    <message>
        <source>맞는 부분만</source>
        <translation>Matches Only</translation>
    </message>
    <message>
        <source>줄 대신 맞은 글자만 (grep -o)</source>
        <translation>Only the Matched Text Instead of Lines (grep -o)</translation>
    </message>
    <message>
        <source>앞뒤 줄 없음</source>
        <translation>No Context Lines</translation>
    </message>
    <message numerus="yes">
        <source>앞뒤 %n줄</source>
        <translation>
            <numerusform>%n Line of Context</numerusform>
            <numerusform>%n Lines of Context</numerusform>
        </translation>
    </message>
    <message>
        <source>맞은 줄의 앞뒤 줄도 (grep -C)</source>
        <translation>Lines Around Each Match Too (grep -C)</translation>
    </message>
    <message>
        <source>조건 더하기</source>
        <translation>Add Condition</translation>
    </message>
    <message>
        <source>그리고 · 또는 · 빼기 조건</source>
        <translation>And · Or · Not Conditions</translation>
    </message>
    <message>
        <source>내보내기</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>새 탭으로</source>
        <translation>To a New Tab</translation>
    </message>
    <message>
        <source>정규식이 틀렸어요 — %@</source>
        <translation>Invalid regular expression — %@</translation>
    </message>
    <message>
        <source>찾는 중…</source>
        <translation>Searching…</translation>
    </message>
    <message>
        <source>없음</source>
        <translation>No matches</translation>
    </message>
    <message>
        <source>%lld곳 바꿈</source>
        <translation>%lld Replaced</translation>
    </message>
    <message>
        <source>명령</source>
        <translation>Command</translation>
    </message>
    <message>
        <source>단축키</source>
        <translation>Shortcut</translation>
    </message>
    <message>
        <source>메뉴</source>
        <translation>Menu</translation>
    </message>
    <message>
        <source>쓴 부품과 라이선스</source>
        <translation>Components and Licences</translation>
    </message>
    <message>
        <source>판 %@ (빌드 %@)</source>
        <translation>Version %@ (Build %@)</translation>
    </message>
    <message>
        <source>있는 그대로 보여 주는 텍스트 편집기</source>
        <translation>The text editor that shows a file as it is</translation>
    </message>
    <message>
        <source>기본값으로…</source>
        <translation>Restore Defaults…</translation>
    </message>
    <message>
        <source>「%@」 설정을 기본값으로 되돌릴까요?</source>
        <translation>Restore the “%@” settings to their defaults?</translation>
    </message>
    <message>
        <source>바뀌는 것: %@</source>
        <translation>This changes: %@</translation>
    </message>
    <message>
        <source>기본값으로</source>
        <translation>Restore Defaults</translation>
    </message>
    <message>
        <source>일반</source>
        <translation>General</translation>
    </message>
    <message>
        <source>탭</source>
        <translation>Tabs</translation>
    </message>
    <message>
        <source>공백</source>
        <translation>Spaces</translation>
    </message>
    <message>
        <source>너비</source>
        <translation>Width</translation>
    </message>
    <message>
        <source>들여쓰기 너비</source>
        <translation>Indent Width</translation>
    </message>
    <message>
        <source>열 때 파일의 들여쓰기에 맞춤</source>
        <translation>Match the File's Indentation When Opening</translation>
    </message>
    <message>
        <source>괄호 뒤 자동 들여쓰기</source>
        <translation>Indent Automatically After Brackets</translation>
    </message>
    <message>
        <source>따옴표를 둥근 따옴표로</source>
        <translation>Curly Quotes</translation>
    </message>
    <message>
        <source>-- 를 대시로</source>
        <translation>-- to Dash</translation>
    </message>
    <message>
        <source>서식 없는 글에 끼어들지 않게 처음엔 꺼 둬요</source>
        <translation>Off at first, so they stay out of plain text</translation>
    </message>
    <message>
        <source>날짜 · 시각 모양</source>
        <translation>Date · Time Format</translation>
    </message>
    <message>
        <source>넣으면: %@</source>
        <translation>Inserts: %@</translation>
    </message>
    <message>
        <source>새 문서 인코딩</source>
        <translation>New Document Encoding</translation>
    </message>
    <message>
        <source>새 문서 줄끝</source>
        <translation>New Document Line Endings</translation>
    </message>
    <message>
        <source>LF (맥 · 리눅스)</source>
        <translation>LF (Mac · Linux)</translation>
    </message>
    <message>
        <source>CRLF (윈도우)</source>
        <translation>CRLF (Windows)</translation>
    </message>
    <message>
        <source>CR (옛 맥)</source>
        <translation>CR (Classic Mac)</translation>
    </message>
    <message>
        <source>연 파일은 읽은 인코딩 · 줄끝 그대로 저장해요</source>
        <translation>Opened files are saved in the encoding and line endings they were read with</translation>
    </message>
    <message>
        <source>큰 파일 기준</source>
        <translation>Large File Threshold</translation>
    </message>
    <message>
        <source>MB 넘으면 읽기 전용으로</source>
        <translation>MB; larger files open read-only</translation>
    </message>
    <message>
        <source>넘으면 자동 줄바꿈 · 숨은 문자 · 수상한 글자 셈을 꺼요. 512MB 를 넘으면 앞부분만 읽어요.</source>
        <translation>Above it, line wrapping, invisible characters and the suspicious-character count are off. Above 512 MB only the beginning is read.</translation>
    </message>
    <message>
        <source>글꼴</source>
        <translation>Font</translation>
    </message>
    <message>
        <source>글자 크기</source>
        <translation>Font Size</translation>
    </message>
    <message>
        <source>줄 간격</source>
        <translation>Line Spacing</translation>
    </message>
    <message>
        <source>한글 미리 보기</source>
        <translation>Preview Aa</translation>
    </message>
    <message>
        <source>테마</source>
        <translation>Theme</translation>
    </message>
    <message>
        <source>시스템 따라</source>
        <translation>Follow System</translation>
    </message>
    <message>
        <source>밝게</source>
        <translation>Light</translation>
    </message>
    <message>
        <source>어둡게</source>
        <translation>Dark</translation>
    </message>
    <message>
        <source>새 탭 기본</source>
        <translation>New Tabs</translation>
    </message>
    <message>
        <source>창</source>
        <translation>Window</translation>
    </message>
    <message>
        <source>새 탭에 자 보기 (cm)</source>
        <translation>Show Ruler in New Tabs (cm)</translation>
    </message>
    <message>
        <source>탭이 하나여도 탭 줄 보기</source>
        <translation>Show Tab Bar Even with One Tab</translation>
    </message>
    <message>
        <source>코드 색</source>
        <translation>Code Colors</translation>
    </message>
    <message>
        <source>언어에 맞춰 색칠</source>
        <translation>Color by Language</translation>
    </message>
    <message>
        <source>MB 넘으면 색 끔 (Markdown 은 절반)</source>
        <translation>MB; larger files are not colored (half for Markdown)</translation>
    </message>
    <message>
        <source>언어 문법 저절로 받기 (인터넷 · %@)</source>
        <translation>Download Language Grammars Automatically (Internet · %@)</translation>
    </message>
    <message>
        <source>CP949 (한국어 윈도우 기본)</source>
        <translation>CP949 (Korean Windows Default)</translation>
    </message>
    <message>
        <source>EUC-KR (엄격)</source>
        <translation>EUC-KR (Strict)</translation>
    </message>
    <message>
        <source>Shift_JIS (윈도우)</source>
        <translation>Shift_JIS (Windows)</translation>
    </message>
    <message>
        <source>EUC-JP (일본어)</source>
        <translation>EUC-JP (Japanese)</translation>
    </message>
    <message>
        <source>GB18030 (중국어 간체)</source>
        <translation>GB18030 (Simplified Chinese)</translation>
    </message>
    <message>
        <source>Big5 (중국어 번체)</source>
        <translation>Big5 (Traditional Chinese)</translation>
    </message>
    <message>
        <source>Windows-1252 (서유럽)</source>
        <translation>Windows-1252 (Western European)</translation>
    </message>
    <message>
        <source>ISO-8859-1 (라틴-1)</source>
        <translation>ISO-8859-1 (Latin-1)</translation>
    </message>
    <message>
        <source>Mac Roman (옛 맥)</source>
        <translation>Mac Roman (Classic Mac)</translation>
    </message>
    <message>
        <source>끔</source>
        <translation>Off</translation>
    </message>
    <message>
        <source>Esc · %@ — 저장하고 닫기 · %@ 에 이어 써요</source>
        <translation>Esc · %@ — save and close · appends to %@</translation>
    </message>
    <message>
        <source>빠른 메모를 저장하지 못했어요.</source>
        <translation>The quick memo could not be saved.</translation>
    </message>
    <message>
        <source>탭으로 열기</source>
        <translation>Open as Tab</translation>
    </message>
    <message>
        <source>Orlune Viewer %@ 이 나왔어요.</source>
        <translation>Orlune Viewer %@ is available.</translation>
    </message>
    <message>
        <source>지금 쓰는 버전은 %@ 예요. 다운로드 페이지에서 새 버전을 받아 설치하세요.</source>
        <translation>You are using version %@. Get the new version from the download page and install it.</translation>
    </message>
    <message>
        <source>다운로드 페이지 열기</source>
        <translation>Open Download Page</translation>
    </message>
    <message>
        <source>나중에</source>
        <translation>Later</translation>
    </message>
    <message>
        <source>최신 버전을 쓰고 있어요.</source>
        <translation>You’re up to date.</translation>
    </message>
    <message>
        <source>Orlune Viewer %@ 이 가장 새 버전이에요.</source>
        <translation>Orlune Viewer %@ is the newest version.</translation>
    </message>
    <message>
        <source>업데이트를 확인하지 못했어요.</source>
        <translation>Checking for updates failed.</translation>
    </message>
    <message>
        <source>줄 또는 줄:칸</source>
        <translation>Line or line:column</translation>
    </message>
    <message>
        <source>1 ~ %lld</source>
        <translation>1 – %lld</translation>
    </message>
    <message>
        <source>이 인코딩으로 쓸 수 없음</source>
        <translation>Cannot be written in this encoding</translation>
    </message>
    <message>
        <source>원래 자리로 가기</source>
        <translation>Go to Original Line</translation>
    </message>
    <message>
        <source>찾을 말을 넣으면 맞는 줄만 보여요</source>
        <translation>Type a search to show only the matching lines</translation>
    </message>
    <message>
        <source>정규식을 고치면 다시 걸러요</source>
        <translation>Fix the regular expression to filter again</translation>
    </message>
    <message>
        <source>맞는 줄이 없어요</source>
        <translation>No matching lines</translation>
    </message>
    <message>
        <source>거르는 중…</source>
        <translation>Filtering…</translation>
    </message>
    <message numerus="yes">
        <source>%n줄</source>
        <translation>
            <numerusform>%n line</numerusform>
            <numerusform>%n lines</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n곳</source>
        <translation>
            <numerusform>%n match</numerusform>
            <numerusform>%n matches</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%@ / 전체 %n줄</source>
        <translation>
            <numerusform>%@ / %n line in all</numerusform>
            <numerusform>%@ / %n lines in all</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n줄 복사함</source>
        <translation>
            <numerusform>%n line copied</numerusform>
            <numerusform>%n lines copied</numerusform>
        </translation>
    </message>
    <message>
        <source>걸러 본 줄</source>
        <translation>Filtered Lines</translation>
    </message>
    <message>
        <source>걸러 봄</source>
        <translation>filtered</translation>
    </message>
    <message numerus="yes">
        <source>지난번 탭 중 %n개는 찾지 못해 열지 않았어요: %@</source>
        <translation>
            <numerusform>%n of your last tabs was not found and was not opened: %@</numerusform>
            <numerusform>%n of your last tabs were not found and were not opened: %@</numerusform>
        </translation>
    </message>
    <message>
        <source>이름 없는 문서</source>
        <translation>Untitled document</translation>
    </message>
    <message>
        <source>글이 너무 커서(5MB 넘음) 미리 보기를 멈췄어요.</source>
        <translation>The text is too large (over 5 MB), so the preview has stopped.</translation>
    </message>
    <message>
        <source>미리 보기를 불러오지 못했어요.</source>
        <translation>The preview could not be loaded.</translation>
    </message>
    <message>
        <source>큰 파일을 여는 중 — %@ / %@ · 다른 탭은 그대로 쓸 수 있어요</source>
        <translation>Opening a large file — %@ / %@ · other tabs stay usable</translation>
    </message>
    <message>
        <source>큰 파일(%@)이라 앞부분 %@만 읽기 전용으로 열었어요.</source>
        <translation>This is a large file (%@), so only its first %@ are open, read-only.</translation>
    </message>
    <message>
        <source>큰 파일(%@)이라 읽기 전용으로 열었어요. 줄바꿈 · 숨은 문자는 꺼 두었어요.</source>
        <translation>This is a large file (%@), so it is open read-only. Wrapping and invisible characters are off.</translation>
    </message>
    <message>
        <source>더 읽기</source>
        <translation>Read More</translation>
    </message>
    <message>
        <source>글자 파일이 아닌 것 같아요.</source>
        <translation>This doesn’t look like a text file.</translation>
    </message>
    <message>
        <source>그래도 열면 읽기 전용으로 열고 저장하지 않아요.</source>
        <translation>If you open it anyway, it opens read-only and is never saved.</translation>
    </message>
    <message>
        <source>그래도 열기 (읽기 전용)</source>
        <translation>Open Anyway (Read-Only)</translation>
    </message>
    <message>
        <source>16진으로 열기</source>
        <translation>Open as Hex</translation>
    </message>
    <message>
        <source>글자 파일이 아닌 것 같아 읽기 전용으로 열었어요. 저장하지 않아요.</source>
        <translation>This doesn’t look like a text file, so it is open read-only. It won’t be saved.</translation>
    </message>
    <message>
        <source>16진으로 열지 못했어요 — %@</source>
        <translation>Couldn’t open as hex — %@</translation>
    </message>
    <message>
        <source>● 따라보는 중</source>
        <translation>● Following</translation>
    </message>
    <message numerus="yes">
        <source>● 멈춤 · 새 줄 %n</source>
        <translation>
            <numerusform>● Paused · %n new line</numerusform>
            <numerusform>● Paused · %n new lines</numerusform>
        </translation>
    </message>
    <message>
        <source>── 로그가 새로 시작됨 · %@ ──</source>
        <translation>── Log restarted · %@ ──</translation>
    </message>
    <message>
        <source>터미널 명령 olv</source>
        <translation>Terminal Command olv</translation>
    </message>
    <message>
        <source>olv 파일 — 이 앱으로 열기</source>
        <translation>olv file — open in this app</translation>
    </message>
    <message>
        <source>olv 파일:120 — 120줄로</source>
        <translation>olv file:120 — at line 120</translation>
    </message>
    <message>
        <source>명령 | olv — 출력을 새 문서로 · olv -w 파일 — 닫을 때까지 기다리기(git)</source>
        <translation>command | olv — output into a new document · olv -w file — wait until it is closed (git)</translation>
    </message>
    <message>
        <source>「설치…」 를 누르거나, 터미널에 이 한 줄을 붙여 넣어 실행하세요 (관리자 암호를 물어요):</source>
        <translation>Click “Install…”, or paste this line into a terminal and run it (it asks for the administrator password):</translation>
    </message>
    <message>
        <source>한 줄 복사</source>
        <translation>Copy Line</translation>
    </message>
    <message>
        <source>설치…</source>
        <translation>Install…</translation>
    </message>
    <message>
        <source>지우기…</source>
        <translation>Remove…</translation>
    </message>
    <message>
        <source>● 설치됐어요 — </source>
        <translation>● Installed — </translation>
    </message>
    <message>
        <source>앱이 디스크 이미지나 내려받은 자리에서 돌고 있어요 — 여기를 가리키면 곧 끊겨요. 앱을 응용 프로그램 폴더로 옮겨 다시 켠 뒤 설치하세요</source>
        <translation>The app is running from a read-only place (a mounted image such as an AppImage) — a link to it would soon break. Install the app on this computer, start it again, then install the command.</translation>
    </message>
    <message>
        <source>설치를 기다리는 중…</source>
        <translation>Not installed yet…</translation>
    </message>
    <message>
        <source>%@ 가 다른 것을 가리켜요: %@ — 설치하면 이 앱 것으로 바꿔요</source>
        <translation>%@ points to something else: %@ — installing replaces it with this app's</translation>
    </message>
    <message>
        <source>하지 못했어요: %@</source>
        <translation>Could not do it: %@</translation>
    </message>
    <message>
        <source>Finder 오른쪽 클릭 메뉴 켜기</source>
        <translation>Turn On the File Manager's Right-Click Menu</translation>
    </message>
    <message>
        <source>열기
다음으로 열기 ▸
─────────
빠른 동작 ▸
✎ Orlune Viewer로 열기</source>
        <translation>Open
Open With Other Application
─────────
✎ Open in Orlune Viewer
✎ New Text File</translation>
    </message>
    <message>
        <source>1. 아래 「시스템 설정 열기」
2. 열린 화면에서 「Orlune Viewer Finder」 를 켜기
3. 이 창으로 돌아오면 저절로 확인해요</source>
        <translation>1. Installing the app puts the file manager's extension in place
2. Restart a file manager that is already running once (nautilus -q)
3. Open it with “Open File Manager” below and right-click a file — this window checks by itself</translation>
    </message>
    <message>
        <source>● 켜졌어요 — Finder 에서 바로 쓸 수 있어요</source>
        <translation>● On — ready to use in the file manager</translation>
    </message>
    <message>
        <source>● 아직 꺼져 있어요</source>
        <translation>● Still off</translation>
    </message>
    <message>
        <source>시스템 설정 열기</source>
        <translation>Open File Manager</translation>
    </message>
    <message>
        <source>언어</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>시스템 따라 (%@)</source>
        <translation>System (%@)</translation>
    </message>
    <message>
        <source>바꾼 언어는 다시 켜면 보여요. 탭 · 메모는 그대로 돌아와요.</source>
        <translation>The new language shows after a relaunch. Tabs and memos come back as they were.</translation>
    </message>
    <message>
        <source>다시 켜기</source>
        <translation>Relaunch</translation>
    </message>
    <message>
        <source>업데이트</source>
        <translation>Updates</translation>
    </message>
    <message>
        <source>하루 한 번 새 판 확인</source>
        <translation>Check for a new version once a day</translation>
    </message>
    <message>
        <source>빠른 메모 단축키</source>
        <translation>Quick memo shortcut</translation>
    </message>
    <message>
        <source>바꾸기…</source>
        <translation>Change…</translation>
    </message>
    <message>
        <source>빠른 메모 파일</source>
        <translation>Quick memo file</translation>
    </message>
    <message>
        <source>어느 앱에서든 단축키로 작은 창을 띄워 쓰면, 이 파일 끝에 날짜와 함께 이어 써요</source>
        <translation>Open a small window with the shortcut from any application; what you write there is added to the end of this file with the date</translation>
    </message>
    <message>
        <source>메뉴 막대</source>
        <translation>Tray</translation>
    </message>
    <message>
        <source>메뉴 막대에 아이콘 보이기</source>
        <translation>Show an icon in the system tray</translation>
    </message>
    <message>
        <source>로그인</source>
        <translation>Login</translation>
    </message>
    <message>
        <source>맥에 로그인하면 조용히 켜기 (창 없이)</source>
        <translation>Start quietly when you log in (no window)</translation>
    </message>
    <message>
        <source>껐다 켜면 창 되살리기</source>
        <translation>Reopen windows after a restart</translation>
    </message>
    <message>
        <source>맥 시스템 설정과 상관없이 · 꺼도 이름 없는 메모는 남아요</source>
        <translation>Whatever the desktop session settings say · untitled memos are kept even when this is off</translation>
    </message>
    <message>
        <source>켜는 법…</source>
        <translation>How to turn on…</translation>
    </message>
    <message>
        <source>Finder 오른쪽 클릭 메뉴</source>
        <translation>File manager right-click menu</translation>
    </message>
    <message>
        <source>파일을 오른쪽 클릭하면 「Orlune Viewer로 열기」 · 폴더 빈 곳에 「새 파일 만들기」</source>
        <translation>Right-click a file for “Open in Orlune Viewer” · an empty spot in a folder for “New Text File”</translation>
    </message>
    <message>
        <source>만들면 바로 열기</source>
        <translation>Open it once created</translation>
    </message>
    <message>
        <source>기본 앱</source>
        <translation>Default application</translation>
    </message>
    <message>
        <source>.txt 를 이 앱으로 여는 법…</source>
        <translation>How to open .txt files with this application…</translation>
    </message>
    <message>
        <source>Finder 의 「다음으로 열기」 에는 이미 있어요</source>
        <translation>It is already listed under “Open With” in the file manager</translation>
    </message>
    <message>
        <source>마지막 확인: %@</source>
        <translation>Last checked: %@</translation>
    </message>
    <message>
        <source>아직 확인 안 함</source>
        <translation>Not checked yet</translation>
    </message>
    <message>
        <source>지금 %@</source>
        <translation>now %@</translation>
    </message>
    <message>
        <source>● 켜짐</source>
        <translation>● On</translation>
    </message>
    <message>
        <source>보기…</source>
        <translation>Show…</translation>
    </message>
    <message>
        <source>● 꺼짐</source>
        <translation>● Off</translation>
    </message>
    <message>
        <source>● 설치됨</source>
        <translation>● Installed</translation>
    </message>
    <message>
        <source>설치 안 됨</source>
        <translation>Not installed</translation>
    </message>
    <message>
        <source>설치하는 법…</source>
        <translation>How to install…</translation>
    </message>
    <message>
        <source>.txt 파일을 언제나 Orlune Viewer로 열려면</source>
        <translation>To always open .txt files with Orlune Viewer</translation>
    </message>
    <message>
        <source>1. Finder 에서 .txt 파일 하나를 고르고 ⌘I(정보 가져오기)
2. 「다음으로 열기」 에서 「Orlune Viewer」 를 고르기
3. 「모두 변경…」 을 누르기

.md · .log 같은 다른 확장자도 같은 방법이에요.</source>
        <translation>1. In Files, right-click a .txt file and choose “Open With…”
2. Choose “Orlune Viewer” and turn on “Always use for this file type”
3. Press “Open”

Or in a terminal: xdg-mime default app.orlune.viewer.desktop text/plain

Other extensions such as .md · .log work the same way.</translation>
    </message>
    <message>
        <source>지금: %1</source>
        <translation>Now: %1</translation>
    </message>
    <message>
        <source>다른 인코딩으로 다시 열기</source>
        <translation>Reopen with Encoding</translation>
    </message>
    <message>
        <source>이 인코딩으로 바꾸기</source>
        <translation>Convert to Encoding</translation>
    </message>
    <message>
        <source>섞임 — LF %1 · CRLF %2 · CR %3</source>
        <translation>Mixed — LF %1 · CRLF %2 · CR %3</translation>
    </message>
    <message>
        <source>모두 %1 로</source>
        <translation>All to %1</translation>
    </message>
    <message>
        <source>탭 문자</source>
        <translation>Tab Character</translation>
    </message>
    <message>
        <source>공백 %1칸</source>
        <translation>%1 Spaces</translation>
    </message>
    <message>
        <source>파일에 맞춤</source>
        <translation>Detect from File</translation>
    </message>
    <message>
        <source>들여쓰기를 모두 탭으로</source>
        <translation>Convert Indentation to Tabs</translation>
    </message>
    <message>
        <source>들여쓰기를 모두 공백으로</source>
        <translation>Convert Indentation to Spaces</translation>
    </message>
    <message>
        <source>자동 (%1)</source>
        <translation>Automatic (%1)</translation>
    </message>
    <message>
        <source>줄끝 바꾸기</source>
        <translation>Change Line Endings</translation>
    </message>
    <message numerus="yes">
        <source>%1 로 쓸 수 없는 글자가 %n개 있어요.</source>
        <translation>
            <numerusform>%n character cannot be written in %1.</numerusform>
            <numerusform>%n characters cannot be written in %1.</numerusform>
        </translation>
    </message>
    <message>
        <source>「%1」 — 지우고 바꾸거나 그대로 두세요.</source>
        <translation>“%1” — remove them and convert, or leave the encoding as it is.</translation>
    </message>
    <message>
        <source>그 글자 지우고 바꾸기</source>
        <translation>Remove Them and Convert</translation>
    </message>
    <message>
        <source>BOM 넣기 / 빼기</source>
        <translation>Add / Remove BOM</translation>
    </message>
    <message>
        <source>저장 안 된 고침이 있어요.</source>
        <translation>There are unsaved changes.</translation>
    </message>
    <message>
        <source>다시 열면 이번에 고친 것은 사라져요.</source>
        <translation>Reopening discards the changes made since the last save.</translation>
    </message>
    <message>
        <source>버리고 다시 열기</source>
        <translation>Discard and Reopen</translation>
    </message>
    <message>
        <source>이 파일은 %1 로 읽히지 않아요.</source>
        <translation>This file cannot be read as %1.</translation>
    </message>
    <message>
        <source>다른 인코딩을 골라 보세요.</source>
        <translation>Try another encoding.</translation>
    </message>
    <message>
        <source>들여쓰기 바꾸기</source>
        <translation>Change Indentation</translation>
    </message>
    <message>
        <source>(이 인코딩으로는 읽히지 않아요)</source>
        <translation>(cannot be read in this encoding)</translation>
    </message>
    <message>
        <source>이 파일을 어떤 인코딩으로 읽을까요?</source>
        <translation>Which encoding should this file be read in?</translation>
    </message>
    <message>
        <source>글자가 바르게 보이는 것을 고르세요. 고른 인코딩은 이 파일에 기억해요.</source>
        <translation>Choose the one in which the text looks right. The encoding you choose is remembered for this file.</translation>
    </message>
    <message>
        <source> — 판별이 고른 것</source>
        <translation> — detected</translation>
    </message>
    <message>
        <source>고르기</source>
        <translation>Choose</translation>
    </message>
    <message>
        <source>끌어 놓기</source>
        <translation>Drag and Drop</translation>
    </message>
    <message>
        <source>파일을 읽는 중이에요. 다 읽으면 고칠 수 있어요.</source>
        <translation>The file is being read. It can be edited once it has been read.</translation>
    </message>
    <message>
        <source>깨진 글자는 바꾸지 않아요 — 다른 인코딩으로 다시 열어 보세요</source>
        <translation>Broken characters are left alone — try reopening with another encoding</translation>
    </message>
    <message>
        <source>「%@」 가 이 파일에 두 가지 바이트로 들어 있어, %@ 표의 바이트로 맞춰 쓰면 파일이 바뀌어요. 저장을 멈췄어요 — 한 번 더 저장하면 그렇게 써요.</source>
        <translation>“%@” appears in this file in two byte forms; writing them all in the form of the %@ table would change the file. The save was stopped — save again to write it that way.</translation>
    </message>
    <message>
        <source>최소화</source>
        <translation>Minimize</translation>
    </message>
    <message>
        <source>확대/축소</source>
        <translation>Zoom</translation>
    </message>
    <message>
        <source>모두 앞으로 가져오기</source>
        <translation>Bring All to Front</translation>
    </message>
    <message>
        <source>%1 로 쓸 수 없는 글자가 %2개 있어요.</source>
        <translation>%2 characters cannot be written in %1.</translation>
    </message>
    <message>
        <source>업데이트를 확인할 수 없어요.</source>
        <translation>Cannot check for updates.</translation>
    </message>
    <message>
        <source>이 빌드에는 업데이트를 받아 올 곳이 정해져 있지 않아요. 새 버전은 이 프로그램을 받은 곳에서 확인하세요.</source>
        <translation>This build has no update source. Look for new versions where you got this program.</translation>
    </message>
    <message>
        <source>이 앱 옆에 olv 가 없어 설치할 수 없어요: %@</source>
        <translation>There is no olv to link to, so it cannot be installed: %@</translation>
    </message>
    <message>
        <source>데스크톱 항목이 설치되지 않아 「다른 앱으로 열기」 에는 아직 없어요</source>
        <translation>Not listed under “Open With” yet: the desktop entry is not installed</translation>
    </message>
    <message>
        <source>「%1」</source>
        <translation>“%1”</translation>
    </message>
</context>
</TS>
