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
</context>
</TS>
