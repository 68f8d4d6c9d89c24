<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ko_KR" sourcelanguage="ko_KR">
<context>
    <name>OrluneViewer</name>
    <message>
        <source>관리자 파일이라 저절로 저장하지 않았어요. 저장하면 맥이 관리자 암호를 물어요.</source>
        <translation>관리자 파일이라 저절로 저장하지 않았어요. 저장하면 관리자 암호를 물어요.</translation>
    </message>
    <message>
        <source>맥이 이 문법을 열지 않았어요 (서명 확인)</source>
        <translation>시스템이 이 문법 라이브러리를 열지 않았어요</translation>
    </message>
    <message>
        <source>관리자 권한으로 고치는 중 — 저절로 저장하지 않아요. ⌘S 로 저장할 때 맥이 관리자 암호를 물어요.</source>
        <translation>관리자 권한으로 고치는 중 — 저절로 저장하지 않아요. Ctrl+S 로 저장할 때 시스템이 관리자 암호를 물어요.</translation>
    </message>
    <message>
        <source>보기 좋게 정리하려면 정리기(Prettier)를 한 번 받아야 해요 (%@ · 약 0.6MB · 글은 이 맥 밖으로 나가지 않아요).</source>
        <translation>보기 좋게 정리하려면 정리기(Prettier)를 한 번 받아야 해요 (%@ · 약 0.6MB · 글은 이 컴퓨터 밖으로 나가지 않아요).</translation>
    </message>
    <message>
        <source>Finder에서 보기</source>
        <translation>파일 관리자에서 보기</translation>
    </message>
    <message>
        <source>모두 바꾸기는 ⌘Z 한 번에 돌아와요</source>
        <translation>모두 바꾸기는 Ctrl+Z 한 번에 돌아와요</translation>
    </message>
    <message>
        <source>앱이 디스크 이미지나 내려받은 자리에서 돌고 있어요 — 여기를 가리키면 곧 끊겨요. 앱을 응용 프로그램 폴더로 옮겨 다시 켠 뒤 설치하세요</source>
        <translation>앱이 읽기 전용 자리(AppImage 같은 마운트)에서 돌고 있어요 — 여기를 가리키면 곧 끊겨요. 앱을 이 컴퓨터에 설치해 다시 켠 뒤 설치하세요</translation>
    </message>
    <message>
        <source>Finder 오른쪽 클릭 메뉴 켜기</source>
        <translation>파일 관리자 오른쪽 클릭 메뉴 켜기</translation>
    </message>
    <message>
        <source>열기
다음으로 열기 ▸
─────────
빠른 동작 ▸
✎ Orlune Viewer로 열기</source>
        <translation>열기
다른 프로그램으로 열기
─────────
✎ Orlune Viewer로 열기
✎ 새 파일 만들기</translation>
    </message>
    <message>
        <source>1. 아래 「시스템 설정 열기」
2. 열린 화면에서 「Orlune Viewer Finder」 를 켜기
3. 이 창으로 돌아오면 저절로 확인해요</source>
        <translation>1. 앱을 설치하면 파일 관리자 확장이 함께 들어가요
2. 이미 열린 파일 관리자는 한 번 다시 시작하세요 (nautilus -q)
3. 아래 「파일 관리자 열기」 로 열어 파일을 오른쪽 클릭 — 이 창은 저절로 확인해요</translation>
    </message>
    <message>
        <source>● 켜졌어요 — Finder 에서 바로 쓸 수 있어요</source>
        <translation>● 켜졌어요 — 파일 관리자에서 바로 쓸 수 있어요</translation>
    </message>
    <message>
        <source>시스템 설정 열기</source>
        <translation>파일 관리자 열기</translation>
    </message>
    <message>
        <source>Finder 메뉴 켜는 법…</source>
        <translation>파일 관리자 메뉴 켜는 법…</translation>
    </message>
    <message>
        <source>메뉴 막대</source>
        <translation>알림 영역</translation>
    </message>
    <message>
        <source>메뉴 막대에 아이콘 보이기</source>
        <translation>알림 영역에 아이콘 보이기</translation>
    </message>
    <message>
        <source>맥에 로그인하면 조용히 켜기 (창 없이)</source>
        <translation>로그인하면 조용히 켜기 (창 없이)</translation>
    </message>
    <message>
        <source>맥 시스템 설정과 상관없이 · 꺼도 이름 없는 메모는 남아요</source>
        <translation>데스크톱 세션 설정과 상관없이 · 꺼도 이름 없는 메모는 남아요</translation>
    </message>
    <message>
        <source>Finder 오른쪽 클릭 메뉴</source>
        <translation>파일 관리자 오른쪽 클릭 메뉴</translation>
    </message>
    <message>
        <source>Finder 의 「다음으로 열기」 에는 이미 있어요</source>
        <translation>파일 관리자의 「다른 앱으로 열기」 에는 이미 있어요</translation>
    </message>
    <message>
        <source>1. Finder 에서 .txt 파일 하나를 고르고 ⌘I(정보 가져오기)
2. 「다음으로 열기」 에서 「Orlune Viewer」 를 고르기
3. 「모두 변경…」 을 누르기

.md · .log 같은 다른 확장자도 같은 방법이에요.</source>
        <translation>1. 파일(Files)에서 .txt 파일 하나를 오른쪽 클릭하고 「다른 앱으로 열기…」 고르기
2. 「Orlune Viewer」 를 고르고 「이 파일 형식에 항상 사용」 켜기
3. 「열기」 누르기

터미널에서는: xdg-mime default app.orlune.viewer.desktop text/plain

.md · .log 같은 다른 확장자도 같은 방법이에요.</translation>
    </message>
</context>
</TS>
