<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP" sourcelanguage="ko_KR">
<context>
    <name>OrluneViewer</name>
    <message>
        <source>Orlune Viewer에 관하여</source>
        <translation>Orlune Viewer について</translation>
    </message>
    <message>
        <source>업데이트 확인…</source>
        <translation>アップデートを確認…</translation>
    </message>
    <message>
        <source>설정…</source>
        <translation>設定…</translation>
    </message>
    <message>
        <source>터미널 명령 설치…</source>
        <translation>ターミナルコマンドをインストール…</translation>
    </message>
    <message>
        <source>Finder 메뉴 켜는 법…</source>
        <translation>ファイルマネージャのメニューを有効にする方法…</translation>
    </message>
    <message>
        <source>새 문서</source>
        <translation>新規書類</translation>
    </message>
    <message>
        <source>빠른 메모</source>
        <translation>クイックメモ</translation>
    </message>
    <message>
        <source>새 탭</source>
        <translation>新規タブ</translation>
    </message>
    <message>
        <source>열기…</source>
        <translation>開く…</translation>
    </message>
    <message>
        <source>열기</source>
        <translation>開く</translation>
    </message>
    <message>
        <source>폴더 열기…</source>
        <translation>フォルダを開く…</translation>
    </message>
    <message>
        <source>폴더</source>
        <translation>フォルダ</translation>
    </message>
    <message>
        <source>읽기 전용으로 열기…</source>
        <translation>読み出し専用で開く…</translation>
    </message>
    <message>
        <source>닫기</source>
        <translation>閉じる</translation>
    </message>
    <message>
        <source>지금 저장</source>
        <translation>今すぐ保存</translation>
    </message>
    <message>
        <source>저장</source>
        <translation>保存</translation>
    </message>
    <message>
        <source>복제</source>
        <translation>複製</translation>
    </message>
    <message>
        <source>이름 바꾸기…</source>
        <translation>名前を変更…</translation>
    </message>
    <message>
        <source>옮기기…</source>
        <translation>移動…</translation>
    </message>
    <message>
        <source>다른 이름으로 저장…</source>
        <translation>別名で保存…</translation>
    </message>
    <message>
        <source>연 상태로 되돌리기</source>
        <translation>開いた状態に戻す</translation>
    </message>
    <message>
        <source>연 상태를 다시 읽지 못했어요. 파일이 바깥에서 바뀌었거나 읽을 수 없어요.</source>
        <translation>開いたときの状態を読み直せませんでした。ファイルがほかで変更されたか、読み取れません。</translation>
    </message>
    <message>
        <source>되돌리기</source>
        <translation>戻す</translation>
    </message>
    <message>
        <source>지난 판 둘러보기…</source>
        <translation>以前のバージョンをブラウズ…</translation>
    </message>
    <message>
        <source>고치기 허용</source>
        <translation>編集を許可</translation>
    </message>
    <message>
        <source>인쇄…</source>
        <translation>プリント…</translation>
    </message>
    <message>
        <source>인쇄</source>
        <translation>プリント</translation>
    </message>
    <message>
        <source>%2쪽 중 %1쪽</source>
        <translation>%1 / %2 ページ</translation>
    </message>
    <message>
        <source>인쇄하는 중…</source>
        <translation>プリント中…</translation>
    </message>
    <message>
        <source>인쇄하지 못했어요.</source>
        <translation>プリントできませんでした。</translation>
    </message>
    <message>
        <source>바깥 것 보기</source>
        <translation>外部の版を表示</translation>
    </message>
    <message>
        <source>바깥 것 불러오기</source>
        <translation>外部の版を読み込む</translation>
    </message>
    <message>
        <source>내 것 저장</source>
        <translation>自分の版を保存</translation>
    </message>
    <message>
        <source>찾아보기</source>
        <translation>場所を探す</translation>
    </message>
    <message>
        <source>실행 취소</source>
        <translation>取り消す</translation>
    </message>
    <message>
        <source>다시 실행</source>
        <translation>やり直す</translation>
    </message>
    <message>
        <source>잘라내기</source>
        <translation>カット</translation>
    </message>
    <message>
        <source>복사</source>
        <translation>コピー</translation>
    </message>
    <message>
        <source>붙여넣기</source>
        <translation>ペースト</translation>
    </message>
    <message>
        <source>모두 선택</source>
        <translation>すべてを選択</translation>
    </message>
    <message>
        <source>찾기…</source>
        <translation>検索…</translation>
    </message>
    <message>
        <source>찾기</source>
        <translation>検索</translation>
    </message>
    <message>
        <source>찾아 바꾸기…</source>
        <translation>検索と置換…</translation>
    </message>
    <message>
        <source>바꾸기</source>
        <translation>置換</translation>
    </message>
    <message>
        <source>다음 찾기</source>
        <translation>次を検索</translation>
    </message>
    <message>
        <source>이전 찾기</source>
        <translation>前を検索</translation>
    </message>
    <message>
        <source>선택한 것으로 찾기</source>
        <translation>選択部分で検索</translation>
    </message>
    <message>
        <source>걸러 보기</source>
        <translation>行を絞り込む</translation>
    </message>
    <message>
        <source>같은 낱말 더 고르기</source>
        <translation>次の同じ語を追加選択</translation>
    </message>
    <message>
        <source>여러 곳 편집</source>
        <translation>複数箇所の編集</translation>
    </message>
    <message>
        <source>같은 낱말 모두 고르기</source>
        <translation>同じ語をすべて選択</translation>
    </message>
    <message>
        <source>위 줄에 커서 더하기</source>
        <translation>上の行にカーソルを追加</translation>
    </message>
    <message>
        <source>아래 줄에 커서 더하기</source>
        <translation>下の行にカーソルを追加</translation>
    </message>
    <message>
        <source>고른 줄마다 줄 끝에 커서</source>
        <translation>選択した各行の末尾にカーソル</translation>
    </message>
    <message>
        <source>커서 하나로</source>
        <translation>カーソルを1つに</translation>
    </message>
    <message>
        <source>여러 곳</source>
        <translation>複数箇所</translation>
    </message>
    <message>
        <source>다음 구문 오류</source>
        <translation>次の構文エラー</translation>
    </message>
    <message>
        <source>줄로 가기…</source>
        <translation>行へ移動…</translation>
    </message>
    <message>
        <source>줄로 가기</source>
        <translation>行へ移動</translation>
    </message>
    <message>
        <source>맞춤법 밑줄</source>
        <translation>スペルミスに下線</translation>
    </message>
    <message>
        <source>자동 고침</source>
        <translation>自動置換</translation>
    </message>
    <message>
        <source>둥근 따옴표</source>
        <translation>スマート引用符</translation>
    </message>
    <message>
        <source>대시 바꾸기</source>
        <translation>スマートダッシュ</translation>
    </message>
    <message>
        <source>인코딩 고르기 창…</source>
        <translation>エンコーディングを選択…</translation>
    </message>
    <message>
        <source>인코딩</source>
        <translation>エンコーディング</translation>
    </message>
    <message>
        <source>BOM 넣기</source>
        <translation>BOM を付ける</translation>
    </message>
    <message>
        <source>들여쓰기</source>
        <translation>インデント</translation>
    </message>
    <message>
        <source>내어쓰기</source>
        <translation>インデント解除</translation>
    </message>
    <message>
        <source>줄 복제</source>
        <translation>行を複製</translation>
    </message>
    <message>
        <source>줄</source>
        <translation>行</translation>
    </message>
    <message>
        <source>줄 위로</source>
        <translation>行を上へ移動</translation>
    </message>
    <message>
        <source>줄 아래로</source>
        <translation>行を下へ移動</translation>
    </message>
    <message>
        <source>줄 지우기</source>
        <translation>行を削除</translation>
    </message>
    <message>
        <source>줄 합치기</source>
        <translation>行を結合</translation>
    </message>
    <message>
        <source>날짜 · 시각 넣기</source>
        <translation>日付 · 時刻を挿入</translation>
    </message>
    <message>
        <source>날짜</source>
        <translation>日付</translation>
    </message>
    <message>
        <source>다음 수상한 글자</source>
        <translation>次の不審な文字</translation>
    </message>
    <message>
        <source>모두 보통 글자로</source>
        <translation>すべて通常の文字に</translation>
    </message>
    <message>
        <source>그 글자 지우기</source>
        <translation>その文字を削除</translation>
    </message>
    <message>
        <source>보기 좋게 정리</source>
        <translation>整形</translation>
    </message>
    <message>
        <source>다듬기</source>
        <translation>整える</translation>
    </message>
    <message>
        <source>정리</source>
        <translation>整形</translation>
    </message>
    <message>
        <source>한 줄로 줄이기</source>
        <translation>1行に縮める</translation>
    </message>
    <message>
        <source>줄 정렬</source>
        <translation>行を並べ替え</translation>
    </message>
    <message>
        <source>줄 거꾸로 정렬</source>
        <translation>行を逆順に並べ替え</translation>
    </message>
    <message>
        <source>중복 줄 지우기</source>
        <translation>重複行を削除</translation>
    </message>
    <message>
        <source>끝 공백 지우기</source>
        <translation>行末の空白を削除</translation>
    </message>
    <message>
        <source>대문자로</source>
        <translation>大文字に</translation>
    </message>
    <message>
        <source>소문자로</source>
        <translation>小文字に</translation>
    </message>
    <message>
        <source>단어 첫 글자 대문자로</source>
        <translation>単語の先頭を大文字に</translation>
    </message>
    <message>
        <source>도구 띠 보기</source>
        <translation>ツールバンドを表示</translation>
    </message>
    <message>
        <source>자 보기</source>
        <translation>ルーラを表示</translation>
    </message>
    <message>
        <source>숨은 문자 보기</source>
        <translation>不可視文字を表示</translation>
    </message>
    <message>
        <source>숨은 문자</source>
        <translation>不可視文字</translation>
    </message>
    <message>
        <source>자동 줄바꿈</source>
        <translation>行の折り返し</translation>
    </message>
    <message>
        <source>줄바꿈</source>
        <translation>折り返し</translation>
    </message>
    <message>
        <source>줄 번호</source>
        <translation>行番号</translation>
    </message>
    <message>
        <source>지금 줄 강조</source>
        <translation>現在行を強調</translation>
    </message>
    <message>
        <source>지금 줄</source>
        <translation>現在行</translation>
    </message>
    <message>
        <source>글자 정보</source>
        <translation>文字情報</translation>
    </message>
    <message>
        <source>폴더 보기</source>
        <translation>フォルダを表示</translation>
    </message>
    <message>
        <source>숨김 파일 보기</source>
        <translation>隠しファイルを表示</translation>
    </message>
    <message>
        <source>구문 오류 표시</source>
        <translation>構文エラーを表示</translation>
    </message>
    <message>
        <source>로그 따라보기</source>
        <translation>ログを追跡</translation>
    </message>
    <message>
        <source>따라보기</source>
        <translation>追跡</translation>
    </message>
    <message>
        <source>미리 보기 나란히</source>
        <translation>プレビューを並べて表示</translation>
    </message>
    <message>
        <source>미리 보기</source>
        <translation>プレビュー</translation>
    </message>
    <message>
        <source>16진 보기</source>
        <translation>16進表示</translation>
    </message>
    <message>
        <source>16진</source>
        <translation>16進</translation>
    </message>
    <message>
        <source>미리 보기만</source>
        <translation>プレビューのみ</translation>
    </message>
    <message>
        <source>크게</source>
        <translation>拡大</translation>
    </message>
    <message>
        <source>작게</source>
        <translation>縮小</translation>
    </message>
    <message>
        <source>원래 크기</source>
        <translation>実際のサイズ</translation>
    </message>
    <message>
        <source>상태 줄 보기</source>
        <translation>ステータスバーを表示</translation>
    </message>
    <message>
        <source>탭 줄 보기</source>
        <translation>タブバーを表示</translation>
    </message>
    <message>
        <source>전체 화면</source>
        <translation>フルスクリーン</translation>
    </message>
    <message>
        <source>1번 탭</source>
        <translation>タブ1</translation>
    </message>
    <message>
        <source>2번 탭</source>
        <translation>タブ2</translation>
    </message>
    <message>
        <source>3번 탭</source>
        <translation>タブ3</translation>
    </message>
    <message>
        <source>4번 탭</source>
        <translation>タブ4</translation>
    </message>
    <message>
        <source>5번 탭</source>
        <translation>タブ5</translation>
    </message>
    <message>
        <source>6번 탭</source>
        <translation>タブ6</translation>
    </message>
    <message>
        <source>7번 탭</source>
        <translation>タブ7</translation>
    </message>
    <message>
        <source>8번 탭</source>
        <translation>タブ8</translation>
    </message>
    <message>
        <source>마지막 탭</source>
        <translation>最後のタブ</translation>
    </message>
    <message>
        <source>명령 찾기…</source>
        <translation>コマンドを検索…</translation>
    </message>
    <message>
        <source>명령 찾기</source>
        <translation>コマンド検索</translation>
    </message>
    <message>
        <source>단축키 목록</source>
        <translation>ショートカット一覧</translation>
    </message>
    <message>
        <source>오류 기록 열기</source>
        <translation>エラーログを開く</translation>
    </message>
    <message>
        <source>Orlune Viewer</source>
        <translation>Orlune Viewer</translation>
    </message>
    <message>
        <source>파일</source>
        <translation>ファイル</translation>
    </message>
    <message>
        <source>편집</source>
        <translation>編集</translation>
    </message>
    <message>
        <source>텍스트</source>
        <translation>テキスト</translation>
    </message>
    <message>
        <source>보기</source>
        <translation>表示</translation>
    </message>
    <message>
        <source>윈도우</source>
        <translation>ウインドウ</translation>
    </message>
    <message>
        <source>도움말</source>
        <translation>ヘルプ</translation>
    </message>
    <message>
        <source>서비스</source>
        <translation>サービス</translation>
    </message>
    <message>
        <source>Orlune Viewer 가리기</source>
        <translation>Orlune Viewer を隠す</translation>
    </message>
    <message>
        <source>기타 가리기</source>
        <translation>ほかを隠す</translation>
    </message>
    <message>
        <source>모두 보기</source>
        <translation>すべてを表示</translation>
    </message>
    <message>
        <source>Orlune Viewer 끝내기</source>
        <translation>Orlune Viewer を終了</translation>
    </message>
    <message>
        <source>%@ — 바깥 것</source>
        <translation>%@ — 外部の版</translation>
    </message>
    <message>
        <source>%@ — 저장 못 한 고침</source>
        <translation>%@ — 保存できなかった変更</translation>
    </message>
    <message>
        <source>%@ · 크기 때문에 색 끔</source>
        <translation>%@ · サイズのため色分けオフ</translation>
    </message>
    <message>
        <source>받지 못했어요 — 인터넷 연결을 확인해 주세요 (%@)</source>
        <translation>ダウンロードできませんでした — インターネット接続を確認してください (%@)</translation>
    </message>
    <message>
        <source>문법 목록의 서명이 맞지 않아 받지 않았어요</source>
        <translation>文法リストの署名が一致しないため、ダウンロードしませんでした</translation>
    </message>
    <message>
        <source>받은 문법을 풀지 못했어요</source>
        <translation>ダウンロードした文法を展開できませんでした</translation>
    </message>
    <message>
        <source>이 언어의 문법이 아직 없어요</source>
        <translation>この言語の文法はまだありません</translation>
    </message>
    <message>
        <source>받은 파일이 목록과 달라 쓰지 않았어요</source>
        <translation>ダウンロードしたファイルがリストと異なるため、使いませんでした</translation>
    </message>
    <message>
        <source>맥이 이 문법을 열지 않았어요 (서명 확인)</source>
        <translation>システムがこの文法のライブラリを読み込みませんでした</translation>
    </message>
    <message>
        <source>이 문법을 읽지 못했어요</source>
        <translation>この文法を読み込めませんでした</translation>
    </message>
    <message>
        <source>「%@」 색칠 문법을 받는 중이에요…</source>
        <translation>「%@」の色付け文法をダウンロードしています…</translation>
    </message>
    <message>
        <source>「%@」 색칠 문법 — %@</source>
        <translation>「%@」の色付け文法 — %@</translation>
    </message>
    <message>
        <source>「%@」 에 색을 칠하려면 문법을 한 번 받아야 해요 (%@ · 수백 KB).</source>
        <translation>「%@」に色を付けるには、文法を一度ダウンロードする必要があります (%@ · 数百 KB)。</translation>
    </message>
    <message>
        <source>「%@」 색칠 문법 새 판이 있어요 — 안에 든 다른 언어(코드 블록 · script 같은)까지 칠해요.</source>
        <translation>「%@」の色付け文法に新しい版があります — 中に含まれる別の言語 (コードブロック · script など) も色付けします。</translation>
    </message>
    <message>
        <source>「%@」 색칠 문법 새 판을 받는 중이에요…</source>
        <translation>「%@」の色付け文法の新しい版をダウンロードしています…</translation>
    </message>
    <message>
        <source>「%@」 색칠 문법 새 판 — %@</source>
        <translation>「%@」の色付け文法の新しい版 — %@</translation>
    </message>
    <message>
        <source>받기</source>
        <translation>ダウンロード</translation>
    </message>
    <message>
        <source>다시 받기</source>
        <translation>もう一度ダウンロード</translation>
    </message>
    <message>
        <source>이 언어는 묻지 않기</source>
        <translation>この言語では尋ねない</translation>
    </message>
    <message>
        <source>새 판 받기</source>
        <translation>新しい版をダウンロード</translation>
    </message>
    <message>
        <source>「%@」 색칠 문법 받기</source>
        <translation>「%@」の色付け文法をダウンロード</translation>
    </message>
    <message>
        <source>「%1」 에 저장하지 못한 고침이 있어요</source>
        <translation>「%1」に保存できなかった変更があります</translation>
    </message>
    <message>
        <source>「%@」 는 %@ 로 쓸 수 없어 저장을 멈췄어요. 고친 내용은 그대로 있어요.</source>
        <translation>「%@」は %@ で書けないため保存を止めました。変更はそのまま残っています。</translation>
    </message>
    <message>
        <source>공백 %lld</source>
        <translation>スペース %lld</translation>
    </message>
    <message>
        <source>탭 %lld</source>
        <translation>タブ %lld</translation>
    </message>
    <message>
        <source>선택 %lld</source>
        <translation>%lld 文字選択</translation>
    </message>
    <message>
        <source>수상한 글자 %lld</source>
        <translation>不審な文字 %lld</translation>
    </message>
    <message>
        <source>관리자 권한으로 저장하지 못했어요 — %@</source>
        <translation>管理者として保存できませんでした — %@</translation>
    </message>
    <message>
        <source>관리자 암호 창에서 취소했어요.</source>
        <translation>管理者パスワードの入力をキャンセルしました。</translation>
    </message>
    <message>
        <source>글자 파일이 아닌 것 같아 열지 않았어요.</source>
        <translation>テキストファイルではないようなので開きませんでした。</translation>
    </message>
    <message>
        <source>깨진 글자</source>
        <translation>壊れた文字</translation>
    </message>
    <message>
        <source>누르면 Finder 에서 보기</source>
        <translation>クリックでファイルマネージャに表示</translation>
    </message>
    <message>
        <source>다른 이름으로 저장</source>
        <translation>別名で保存</translation>
    </message>
    <message>
        <source>다른 줄 나눔</source>
        <translation>その他の改行</translation>
    </message>
    <message>
        <source>다른 프로그램이 이 파일을 바꿨어요. 여기서 고친 것과 겹쳐요.</source>
        <translation>別のプログラムがこのファイルを変更しました。ここでの変更と重なっています。</translation>
    </message>
    <message>
        <source>닫으면 고친 것이 사라져요.</source>
        <translation>閉じると変更は失われます。</translation>
    </message>
    <message>
        <source>닫으면 보관 자리에서도 사라져요.</source>
        <translation>閉じると保管場所からも消えます。</translation>
    </message>
    <message>
        <source>바깥에서 바뀌었거나 파일이 없어 저장을 멈췄어요. 닫으면 고친 것이 사라져요.</source>
        <translation>ファイルが外部で変更されたか見つからないため保存を止めました。閉じると変更は失われます。</translation>
    </message>
    <message>
        <source>방향 바꾸는 글자</source>
        <translation>方向制御文字</translation>
    </message>
    <message>
        <source>버리고 닫기</source>
        <translation>破棄して閉じる</translation>
    </message>
    <message>
        <source>부드러운 하이픈</source>
        <translation>ソフトハイフン</translation>
    </message>
    <message>
        <source>붙이기</source>
        <translation>ペースト</translation>
    </message>
    <message>
        <source>삭제</source>
        <translation>削除</translation>
    </message>
    <message>
        <source>오려 두기</source>
        <translation>カット</translation>
    </message>
    <message>
        <source>입력</source>
        <translation>入力</translation>
    </message>
    <message>
        <source>섞임</source>
        <translation>混在</translation>
    </message>
    <message>
        <source>이 메모를 어떻게 할까요?</source>
        <translation>このメモをどうしますか?</translation>
    </message>
    <message>
        <source>이름 없음</source>
        <translation>名称未設定</translation>
    </message>
    <message>
        <source>읽기 전용</source>
        <translation>読み取り専用</translation>
    </message>
    <message>
        <source>제어 문자</source>
        <translation>制御文字</translation>
    </message>
    <message>
        <source>줄 안 바뀌는 공백</source>
        <translation>ノーブレークスペース</translation>
    </message>
    <message>
        <source>지우기</source>
        <translation>削除</translation>
    </message>
    <message>
        <source>취소</source>
        <translation>キャンセル</translation>
    </message>
    <message>
        <source>특수 공백</source>
        <translation>特殊スペース</translation>
    </message>
    <message>
        <source>파일로 저장…</source>
        <translation>ファイルに保存…</translation>
    </message>
    <message>
        <source>파일이 지워지거나 옮겨졌어요. 내용은 이 탭에 지켜 두었어요.</source>
        <translation>ファイルが削除または移動されました。内容はこのタブに残してあります。</translation>
    </message>
    <message>
        <source>폭 없는 글자</source>
        <translation>幅のない文字</translation>
    </message>
    <message>
        <source>일반 텍스트</source>
        <translation>標準テキスト</translation>
    </message>
    <message>
        <source>로그</source>
        <translation>ログ</translation>
    </message>
    <message>
        <source>셸 스크립트</source>
        <translation>シェルスクリプト</translation>
    </message>
    <message>
        <source>「%1」 의 고친 것을 저장할까요?</source>
        <translation>「%1」の変更を保存しますか?</translation>
    </message>
    <message>
        <source>저장…</source>
        <translation>保存…</translation>
    </message>
    <message>
        <source>관리자 파일이라 저절로 저장하지 않았어요. 저장하면 맥이 관리자 암호를 물어요.</source>
        <translation>管理者のファイルのため自動では保存しませんでした。保存するとシステムが管理者パスワードを求めます。</translation>
    </message>
    <message>
        <source>확인</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>고친 것을 보관 자리에 넣지 못해 닫지 않았어요.</source>
        <translation>変更を保管できなかったため、閉じませんでした。</translation>
    </message>
    <message>
        <source>이 파일은 쓸 권한이 없어 읽기 전용으로 열었어요.</source>
        <translation>このファイルに書き込む権限がないため、読み取り専用で開きました。</translation>
    </message>
    <message>
        <source>관리자로 고치기</source>
        <translation>管理者として編集</translation>
    </message>
    <message>
        <source>관리자 권한으로 고치는 중 — 저절로 저장하지 않아요. ⌘S 로 저장할 때 맥이 관리자 암호를 물어요.</source>
        <translation>管理者権限で編集中 — 自動では保存しません。Ctrl+S で保存するとシステムが管理者パスワードを求めます。</translation>
    </message>
    <message>
        <source>「%@」 에 저장하지 못한 고침이에요 — 끌 때 바깥에서 바뀌었거나 파일이 없었어요. 파일에는 들어가지 않았어요.</source>
        <translation>「%@」に保存できなかった変更です — 終了時に外部で変更されたか、ファイルがありませんでした。ファイルには入っていません。</translation>
    </message>
    <message>
        <source>원래 파일 열기</source>
        <translation>元のファイルを開く</translation>
    </message>
    <message>
        <source>「%@」 을 저장하다가 끊겼고 그 파일은 이제 없어요. 저장하려던 내용을 이름 없는 문서로 열었어요.</source>
        <translation>「%@」の保存が途中で途切れ、そのファイルはもうありません。保存しようとした内容を名前のない書類として開きました。</translation>
    </message>
    <message>
        <source>지난번 저장이 중간에 끊겼어요 — 파일이 잘렸을 수 있어요. 저장하려던 판이 따로 남아 있어요.</source>
        <translation>前回の保存が途中で途切れました — ファイルが欠けているかもしれません。保存しようとした版は別に残っています。</translation>
    </message>
    <message>
        <source>저장한 판으로 되돌리기</source>
        <translation>保存した版に戻す</translation>
    </message>
    <message>
        <source>파일을 그대로 두기</source>
        <translation>ファイルをそのままにする</translation>
    </message>
    <message>
        <source>저장한 판을 되돌리지 못했어요: %@</source>
        <translation>保存した版に戻せませんでした: %@</translation>
    </message>
    <message>
        <source>버리기</source>
        <translation>破棄</translation>
    </message>
    <message>
        <source>UTF-8 로 바꿔 저장</source>
        <translation>UTF-8 に変えて保存</translation>
    </message>
    <message>
        <source>인코딩 바꾸기</source>
        <translation>エンコーディングの変更</translation>
    </message>
    <message>
        <source>줄끝이 섞여 있어요 — CRLF %lld줄 · LF %lld줄 · CR %lld줄. 고치기 전에는 그대로 둬요.</source>
        <translation>改行コードが混在しています — CRLF %lld 行 · LF %lld 行 · CR %lld 行。変換するまでそのままにします。</translation>
    </message>
    <message>
        <source>모두 CRLF 로</source>
        <translation>すべて CRLF に</translation>
    </message>
    <message>
        <source>모두 LF 로</source>
        <translation>すべて LF に</translation>
    </message>
    <message>
        <source>글꼴 (이 탭만)</source>
        <translation>フォント（このタブのみ）</translation>
    </message>
    <message>
        <source>글자 크기 (이 탭만)</source>
        <translation>文字サイズ（このタブのみ）</translation>
    </message>
    <message>
        <source>줄 간격 (이 탭만)</source>
        <translation>行間（このタブのみ）</translation>
    </message>
    <message>
        <source>이 글꼴 · 크기 · 줄 간격을 새 탭의 기본으로</source>
        <translation>このフォント・サイズ・行間を新しいタブの既定にする</translation>
    </message>
    <message>
        <source>새 파일 만들기</source>
        <translation>新規テキストファイル</translation>
    </message>
    <message>
        <source>새 파일</source>
        <translation>新規ファイル</translation>
    </message>
    <message>
        <source>만들 곳: %1</source>
        <translation>作成先: %1</translation>
    </message>
    <message>
        <source>이름에 / 나 : 는 쓸 수 없어요.</source>
        <translation>名前に / や : は使えません。</translation>
    </message>
    <message>
        <source>「%1」 가 이미 있어요. 다른 이름을 써 주세요.</source>
        <translation>「%1」はすでにあります。別の名前にしてください。</translation>
    </message>
    <message>
        <source>만들지 못했어요: %1</source>
        <translation>作成できませんでした: %1</translation>
    </message>
    <message>
        <source>만들기</source>
        <translation>作成</translation>
    </message>
    <message>
        <source>「%@」 빠짐</source>
        <translation>「%@」がない</translation>
    </message>
    <message>
        <source>빠진 것이 있음</source>
        <translation>不足しているものがある</translation>
    </message>
    <message>
        <source>문법에 안 맞음</source>
        <translation>構文エラー</translation>
    </message>
    <message>
        <source>오류 %lld</source>
        <translation>エラー %lld</translation>
    </message>
    <message>
        <source>JSON 이 아니라서 고치지 않았어요 — %lld줄 %lld칸 근처를 보세요.</source>
        <translation>JSON ではないため変更しませんでした — %lld 行 %lld 桁付近を確認してください。</translation>
    </message>
    <message>
        <source>JSON 이 아니라서 고치지 않았어요.</source>
        <translation>JSON ではないため変更しませんでした。</translation>
    </message>
    <message>
        <source>주석이 있어 한 줄로 줄이지 않았어요 — 줄이면 주석이 사라져요.</source>
        <translation>コメントがあるため 1 行にまとめませんでした — まとめるとコメントが消えます。</translation>
    </message>
    <message>
        <source>XML 이 아니라서 고치지 않았어요.</source>
        <translation>XML ではないため変更しませんでした。</translation>
    </message>
    <message>
        <source>정리하지 못했어요 — %lld줄 %lld칸 근처 — %@</source>
        <translation>整形できませんでした — %lld 行 %lld 桁付近 — %@</translation>
    </message>
    <message>
        <source>정리하지 못했어요 — %@</source>
        <translation>整形できませんでした — %@</translation>
    </message>
    <message>
        <source>정리기 — %@</source>
        <translation>フォーマッタ — %@</translation>
    </message>
    <message>
        <source>정리기가 없어요</source>
        <translation>フォーマッタがありません</translation>
    </message>
    <message>
        <source>정리기를 받는 중이에요…</source>
        <translation>フォーマッタをダウンロードしています…</translation>
    </message>
    <message>
        <source>보기 좋게 정리하려면 정리기(Prettier)를 한 번 받아야 해요 (%@ · 약 0.6MB · 글은 이 맥 밖으로 나가지 않아요).</source>
        <translation>整形するにはフォーマッタ (Prettier) を一度ダウンロードする必要があります (%@ · 約 0.6MB · テキストはこのコンピュータの外に出ません)。</translation>
    </message>
    <message>
        <source>새 폴더</source>
        <translation>新規フォルダ</translation>
    </message>
    <message>
        <source>폴더 열기</source>
        <translation>フォルダを開く</translation>
    </message>
    <message>
        <source>Finder에서 보기</source>
        <translation>ファイルマネージャで表示</translation>
    </message>
    <message>
        <source>경로 복사</source>
        <translation>パスをコピー</translation>
    </message>
    <message>
        <source>펼치기 · 접기</source>
        <translation>展開・折りたたみ</translation>
    </message>
    <message>
        <source>이름 바꾸기</source>
        <translation>名前を変更</translation>
    </message>
    <message>
        <source>휴지통으로 옮기기…</source>
        <translation>ゴミ箱に入れる…</translation>
    </message>
    <message>
        <source>휴지통으로</source>
        <translation>ゴミ箱に入れる</translation>
    </message>
    <message>
        <source>「%@」 을(를) 휴지통으로 옮길까요?</source>
        <translation>「%@」をゴミ箱に入れますか?</translation>
    </message>
    <message>
        <source>휴지통에서 되살릴 수 있어요.</source>
        <translation>ゴミ箱から元に戻せます。</translation>
    </message>
    <message>
        <source>열어 둔 탭의 내용은 탭에 그대로 남아요.</source>
        <translation>開いているタブの内容はそのまま残ります。</translation>
    </message>
    <message>
        <source>「%@」 이(가) 이미 있어요.</source>
        <translation>「%@」はすでにあります。</translation>
    </message>
    <message>
        <source>이름이 비어 있어요.</source>
        <translation>名前が空です。</translation>
    </message>
    <message>
        <source>폴더가 없어졌어요</source>
        <translation>フォルダがなくなりました</translation>
    </message>
    <message>
        <source>그리고</source>
        <translation>かつ</translation>
    </message>
    <message>
        <source>또는</source>
        <translation>または</translation>
    </message>
    <message>
        <source>빼기</source>
        <translation>除く</translation>
    </message>
    <message>
        <source>그리고: 이것도 있는 줄 · 또는: 이것이 있어도 · 빼기: 이것이 있는 줄은 뺌</source>
        <translation>かつ: これもある行 · または: これがあっても · 除く: これがある行は除く</translation>
    </message>
    <message>
        <source>조건 말</source>
        <translation>条件の語</translation>
    </message>
    <message>
        <source>조건 빼기</source>
        <translation>条件を削除</translation>
    </message>
    <message>
        <source>찾을 말</source>
        <translation>検索する語</translation>
    </message>
    <message>
        <source>대소문자 구분</source>
        <translation>大文字と小文字を区別</translation>
    </message>
    <message>
        <source>낱말</source>
        <translation>単語</translation>
    </message>
    <message>
        <source>낱말 단위</source>
        <translation>単語単位</translation>
    </message>
    <message>
        <source>정규식</source>
        <translation>正規表現</translation>
    </message>
    <message>
        <source>선택 안</source>
        <translation>選択範囲</translation>
    </message>
    <message>
        <source>고른 곳 안에서만</source>
        <translation>選択範囲の中だけ</translation>
    </message>
    <message>
        <source>맞는 줄만 보기 (grep)</source>
        <translation>一致する行だけ表示 (grep)</translation>
    </message>
    <message>
        <source>바꿀 말</source>
        <translation>置換後の語</translation>
    </message>
    <message>
        <source>모두 바꾸기</source>
        <translation>すべて置換</translation>
    </message>
    <message>
        <source>모두 바꾸기는 ⌘Z 한 번에 돌아와요</source>
        <translation>すべて置換は Ctrl+Z 一回で元に戻ります</translation>
    </message>
    <message>
        <source>반대</source>
        <translation>反転</translation>
    </message>
    <message>
        <source>맞지 않는 줄만 (grep -v)</source>
        <translation>一致しない行だけ (grep -v)</translation>
    </message>
    <message>
        <source>맞는 부분만</source>
        <translation>一致部分だけ</translation>
    </message>
    <message>
        <source>줄 대신 맞은 글자만 (grep -o)</source>
        <translation>行の代わりに一致した文字だけ (grep -o)</translation>
    </message>
    <message>
        <source>앞뒤 줄 없음</source>
        <translation>前後の行なし</translation>
    </message>
    <message numerus="yes">
        <source>앞뒤 %n줄</source>
        <translation>
            <numerusform>前後 %n 行</numerusform>
        </translation>
    </message>
    <message>
        <source>맞은 줄의 앞뒤 줄도 (grep -C)</source>
        <translation>一致した行の前後の行も (grep -C)</translation>
    </message>
    <message>
        <source>조건 더하기</source>
        <translation>条件を追加</translation>
    </message>
    <message>
        <source>그리고 · 또는 · 빼기 조건</source>
        <translation>かつ · または · 除く 条件</translation>
    </message>
    <message>
        <source>내보내기</source>
        <translation>書き出し</translation>
    </message>
    <message>
        <source>새 탭으로</source>
        <translation>新しいタブへ</translation>
    </message>
    <message>
        <source>정규식이 틀렸어요 — %@</source>
        <translation>正規表現が正しくありません — %@</translation>
    </message>
    <message>
        <source>찾는 중…</source>
        <translation>検索中…</translation>
    </message>
    <message>
        <source>없음</source>
        <translation>なし</translation>
    </message>
    <message>
        <source>%lld곳 바꿈</source>
        <translation>%lld 箇所を置換</translation>
    </message>
    <message>
        <source>명령</source>
        <translation>コマンド</translation>
    </message>
    <message>
        <source>단축키</source>
        <translation>ショートカット</translation>
    </message>
    <message>
        <source>메뉴</source>
        <translation>メニュー</translation>
    </message>
    <message>
        <source>쓴 부품과 라이선스</source>
        <translation>使用しているコンポーネントとライセンス</translation>
    </message>
    <message>
        <source>판 %@ (빌드 %@)</source>
        <translation>バージョン %@（ビルド %@）</translation>
    </message>
    <message>
        <source>있는 그대로 보여 주는 텍스트 편집기</source>
        <translation>ファイルをそのまま表示するテキストエディタ</translation>
    </message>
    <message>
        <source>기본값으로…</source>
        <translation>デフォルトに戻す…</translation>
    </message>
    <message>
        <source>「%@」 설정을 기본값으로 되돌릴까요?</source>
        <translation>「%@」の設定をデフォルトに戻しますか?</translation>
    </message>
    <message>
        <source>바뀌는 것: %@</source>
        <translation>変更される項目: %@</translation>
    </message>
    <message>
        <source>기본값으로</source>
        <translation>デフォルトに戻す</translation>
    </message>
    <message>
        <source>일반</source>
        <translation>一般</translation>
    </message>
    <message>
        <source>탭</source>
        <translation>タブ</translation>
    </message>
    <message>
        <source>공백</source>
        <translation>スペース</translation>
    </message>
    <message>
        <source>너비</source>
        <translation>幅</translation>
    </message>
    <message>
        <source>들여쓰기 너비</source>
        <translation>インデント幅</translation>
    </message>
    <message>
        <source>열 때 파일의 들여쓰기에 맞춤</source>
        <translation>開くときにファイルのインデントに合わせる</translation>
    </message>
    <message>
        <source>괄호 뒤 자동 들여쓰기</source>
        <translation>括弧の後で自動インデント</translation>
    </message>
    <message>
        <source>따옴표를 둥근 따옴표로</source>
        <translation>引用符を丸い引用符に</translation>
    </message>
    <message>
        <source>-- 를 대시로</source>
        <translation>-- をダッシュに</translation>
    </message>
    <message>
        <source>서식 없는 글에 끼어들지 않게 처음엔 꺼 둬요</source>
        <translation>プレーンテキストの邪魔をしないよう、最初はオフです</translation>
    </message>
    <message>
        <source>날짜 · 시각 모양</source>
        <translation>日付・時刻の形式</translation>
    </message>
    <message>
        <source>넣으면: %@</source>
        <translation>挿入結果: %@</translation>
    </message>
    <message>
        <source>새 문서 인코딩</source>
        <translation>新規書類のエンコーディング</translation>
    </message>
    <message>
        <source>새 문서 줄끝</source>
        <translation>新規書類の改行コード</translation>
    </message>
    <message>
        <source>LF (맥 · 리눅스)</source>
        <translation>LF (Mac・Linux)</translation>
    </message>
    <message>
        <source>CRLF (윈도우)</source>
        <translation>CRLF (Windows)</translation>
    </message>
    <message>
        <source>CR (옛 맥)</source>
        <translation>CR (旧Mac)</translation>
    </message>
    <message>
        <source>연 파일은 읽은 인코딩 · 줄끝 그대로 저장해요</source>
        <translation>開いたファイルは読み込んだときのエンコーディング・改行コードのまま保存します</translation>
    </message>
    <message>
        <source>큰 파일 기준</source>
        <translation>大きなファイルの基準</translation>
    </message>
    <message>
        <source>MB 넘으면 읽기 전용으로</source>
        <translation>MBを超えると読み取り専用</translation>
    </message>
    <message>
        <source>넘으면 자동 줄바꿈 · 숨은 문자 · 수상한 글자 셈을 꺼요. 512MB 를 넘으면 앞부분만 읽어요.</source>
        <translation>超えると自動折り返し・不可視文字・不審な文字のカウントをオフにします。512MBを超えると先頭部分だけを読み込みます。</translation>
    </message>
    <message>
        <source>글꼴</source>
        <translation>フォント</translation>
    </message>
    <message>
        <source>글자 크기</source>
        <translation>文字サイズ</translation>
    </message>
    <message>
        <source>줄 간격</source>
        <translation>行間</translation>
    </message>
    <message>
        <source>한글 미리 보기</source>
        <translation>プレビュー 日本語</translation>
    </message>
    <message>
        <source>테마</source>
        <translation>テーマ</translation>
    </message>
    <message>
        <source>시스템 따라</source>
        <translation>システムに合わせる</translation>
    </message>
    <message>
        <source>밝게</source>
        <translation>ライト</translation>
    </message>
    <message>
        <source>어둡게</source>
        <translation>ダーク</translation>
    </message>
    <message>
        <source>새 탭 기본</source>
        <translation>新しいタブ</translation>
    </message>
    <message>
        <source>창</source>
        <translation>ウインドウ</translation>
    </message>
    <message>
        <source>새 탭에 자 보기 (cm)</source>
        <translation>新しいタブにルーラーを表示 (cm)</translation>
    </message>
    <message>
        <source>탭이 하나여도 탭 줄 보기</source>
        <translation>タブが1つでもタブバーを表示</translation>
    </message>
    <message>
        <source>코드 색</source>
        <translation>コードの色</translation>
    </message>
    <message>
        <source>언어에 맞춰 색칠</source>
        <translation>言語に合わせて色分け</translation>
    </message>
    <message>
        <source>MB 넘으면 색 끔 (Markdown 은 절반)</source>
        <translation>MBを超えると色分けしない (Markdownは半分)</translation>
    </message>
    <message>
        <source>언어 문법 저절로 받기 (인터넷 · %@)</source>
        <translation>言語の文法を自動でダウンロード (インターネット・%@)</translation>
    </message>
    <message>
        <source>CP949 (한국어 윈도우 기본)</source>
        <translation>CP949 (韓国語Windowsの標準)</translation>
    </message>
    <message>
        <source>EUC-KR (엄격)</source>
        <translation>EUC-KR (厳密)</translation>
    </message>
    <message>
        <source>Shift_JIS (윈도우)</source>
        <translation>Shift_JIS (Windows)</translation>
    </message>
    <message>
        <source>EUC-JP (일본어)</source>
        <translation>EUC-JP (日本語)</translation>
    </message>
    <message>
        <source>GB18030 (중국어 간체)</source>
        <translation>GB18030 (簡体字中国語)</translation>
    </message>
    <message>
        <source>Big5 (중국어 번체)</source>
        <translation>Big5 (繁体字中国語)</translation>
    </message>
    <message>
        <source>Windows-1252 (서유럽)</source>
        <translation>Windows-1252 (西ヨーロッパ)</translation>
    </message>
    <message>
        <source>ISO-8859-1 (라틴-1)</source>
        <translation>ISO-8859-1 (Latin-1)</translation>
    </message>
    <message>
        <source>Mac Roman (옛 맥)</source>
        <translation>Mac Roman (旧Mac)</translation>
    </message>
    <message>
        <source>끔</source>
        <translation>オフ</translation>
    </message>
    <message>
        <source>Esc · %@ — 저장하고 닫기 · %@ 에 이어 써요</source>
        <translation>Esc · %@ — 保存して閉じる · %@ に追記します</translation>
    </message>
    <message>
        <source>빠른 메모를 저장하지 못했어요.</source>
        <translation>クイックメモを保存できませんでした。</translation>
    </message>
    <message>
        <source>탭으로 열기</source>
        <translation>タブで開く</translation>
    </message>
    <message>
        <source>Orlune Viewer %@ 이 나왔어요.</source>
        <translation>Orlune Viewer %@ が公開されました。</translation>
    </message>
    <message>
        <source>지금 쓰는 버전은 %@ 예요. 다운로드 페이지에서 새 버전을 받아 설치하세요.</source>
        <translation>現在のバージョンは %@ です。ダウンロードページから新しいバージョンを入手してインストールしてください。</translation>
    </message>
    <message>
        <source>다운로드 페이지 열기</source>
        <translation>ダウンロードページを開く</translation>
    </message>
    <message>
        <source>나중에</source>
        <translation>あとで</translation>
    </message>
    <message>
        <source>최신 버전을 쓰고 있어요.</source>
        <translation>最新のバージョンを使用しています。</translation>
    </message>
    <message>
        <source>Orlune Viewer %@ 이 가장 새 버전이에요.</source>
        <translation>Orlune Viewer %@ が最新のバージョンです。</translation>
    </message>
    <message>
        <source>업데이트를 확인하지 못했어요.</source>
        <translation>アップデートを確認できませんでした。</translation>
    </message>
    <message>
        <source>줄 또는 줄:칸</source>
        <translation>行 または 行:桁</translation>
    </message>
    <message>
        <source>1 ~ %lld</source>
        <translation>1 〜 %lld</translation>
    </message>
    <message>
        <source>이 인코딩으로 쓸 수 없음</source>
        <translation>このエンコーディングでは書けません</translation>
    </message>
    <message>
        <source>원래 자리로 가기</source>
        <translation>元の場所へ移動</translation>
    </message>
    <message>
        <source>찾을 말을 넣으면 맞는 줄만 보여요</source>
        <translation>検索語を入れると一致する行だけを表示します</translation>
    </message>
    <message>
        <source>정규식을 고치면 다시 걸러요</source>
        <translation>正規表現を直すと再びフィルタします</translation>
    </message>
    <message>
        <source>맞는 줄이 없어요</source>
        <translation>一致する行はありません</translation>
    </message>
    <message>
        <source>거르는 중…</source>
        <translation>フィルタ中…</translation>
    </message>
    <message numerus="yes">
        <source>%n줄</source>
        <translation>
            <numerusform>%n行</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n곳</source>
        <translation>
            <numerusform>%n件</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%@ / 전체 %n줄</source>
        <translation>
            <numerusform>%@ / 全%n行</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n줄 복사함</source>
        <translation>
            <numerusform>%n行をコピーしました</numerusform>
        </translation>
    </message>
    <message>
        <source>걸러 본 줄</source>
        <translation>フィルタした行</translation>
    </message>
    <message>
        <source>걸러 봄</source>
        <translation>フィルタ済み</translation>
    </message>
    <message numerus="yes">
        <source>지난번 탭 중 %n개는 찾지 못해 열지 않았어요: %@</source>
        <translation>
            <numerusform>前回のタブのうち %n 個は見つからなかったため開きませんでした: %@</numerusform>
        </translation>
    </message>
    <message>
        <source>이름 없는 문서</source>
        <translation>名前のない書類</translation>
    </message>
    <message>
        <source>글이 너무 커서(5MB 넘음) 미리 보기를 멈췄어요.</source>
        <translation>テキストが大きすぎる（5MB 超）ため、プレビューを停止しました。</translation>
    </message>
    <message>
        <source>미리 보기를 불러오지 못했어요.</source>
        <translation>プレビューを読み込めませんでした。</translation>
    </message>
    <message>
        <source>큰 파일을 여는 중 — %@ / %@ · 다른 탭은 그대로 쓸 수 있어요</source>
        <translation>大きなファイルを開いています — %@ / %@ · ほかのタブはそのまま使えます</translation>
    </message>
    <message>
        <source>큰 파일(%@)이라 앞부분 %@만 읽기 전용으로 열었어요.</source>
        <translation>大きなファイル（%@）なので、先頭の %@ だけを読み取り専用で開きました。</translation>
    </message>
    <message>
        <source>큰 파일(%@)이라 읽기 전용으로 열었어요. 줄바꿈 · 숨은 문자는 꺼 두었어요.</source>
        <translation>大きなファイル（%@）なので、読み取り専用で開きました。折り返しと不可視文字はオフにしてあります。</translation>
    </message>
    <message>
        <source>더 읽기</source>
        <translation>続きを読む</translation>
    </message>
    <message>
        <source>글자 파일이 아닌 것 같아요.</source>
        <translation>テキストファイルではないようです。</translation>
    </message>
    <message>
        <source>그래도 열면 읽기 전용으로 열고 저장하지 않아요.</source>
        <translation>それでも開くと、読み取り専用で開き、保存はしません。</translation>
    </message>
    <message>
        <source>그래도 열기 (읽기 전용)</source>
        <translation>それでも開く（読み取り専用）</translation>
    </message>
    <message>
        <source>16진으로 열기</source>
        <translation>16進で開く</translation>
    </message>
    <message>
        <source>글자 파일이 아닌 것 같아 읽기 전용으로 열었어요. 저장하지 않아요.</source>
        <translation>テキストファイルではないようなので、読み取り専用で開きました。保存はしません。</translation>
    </message>
    <message>
        <source>16진으로 열지 못했어요 — %@</source>
        <translation>16進で開けませんでした — %@</translation>
    </message>
    <message>
        <source>● 따라보는 중</source>
        <translation>● 追跡中</translation>
    </message>
    <message numerus="yes">
        <source>● 멈춤 · 새 줄 %n</source>
        <translation>
            <numerusform>● 一時停止 · 新しい行 %n</numerusform>
        </translation>
    </message>
    <message>
        <source>── 로그가 새로 시작됨 · %@ ──</source>
        <translation>── ログが新しく始まりました · %@ ──</translation>
    </message>
    <message>
        <source>언어</source>
        <translation>言語</translation>
    </message>
    <message>
        <source>시스템 따라 (%@)</source>
        <translation>システムに合わせる（%@）</translation>
    </message>
    <message>
        <source>바꾼 언어는 다시 켜면 보여요. 탭 · 메모는 그대로 돌아와요.</source>
        <translation>変更した言語は再起動すると表示されます。タブ・メモはそのまま戻ります。</translation>
    </message>
    <message>
        <source>다시 켜기</source>
        <translation>再起動</translation>
    </message>
    <message>
        <source>업데이트</source>
        <translation>アップデート</translation>
    </message>
    <message>
        <source>하루 한 번 새 판 확인</source>
        <translation>1日1回新しいバージョンを確認</translation>
    </message>
    <message>
        <source>빠른 메모 단축키</source>
        <translation>クイックメモのショートカット</translation>
    </message>
    <message>
        <source>바꾸기…</source>
        <translation>変更…</translation>
    </message>
    <message>
        <source>빠른 메모 파일</source>
        <translation>クイックメモのファイル</translation>
    </message>
    <message>
        <source>어느 앱에서든 단축키로 작은 창을 띄워 쓰면, 이 파일 끝에 날짜와 함께 이어 써요</source>
        <translation>どのアプリからでもショートカットで小さなウインドウを開いて書くと、このファイルの末尾に日付と一緒に追記します</translation>
    </message>
    <message>
        <source>메뉴 막대</source>
        <translation>トレイ</translation>
    </message>
    <message>
        <source>메뉴 막대에 아이콘 보이기</source>
        <translation>システムトレイにアイコンを表示</translation>
    </message>
    <message>
        <source>로그인</source>
        <translation>ログイン</translation>
    </message>
    <message>
        <source>맥에 로그인하면 조용히 켜기 (창 없이)</source>
        <translation>ログイン時に静かに起動（ウインドウなし）</translation>
    </message>
    <message>
        <source>껐다 켜면 창 되살리기</source>
        <translation>再起動したらウインドウを復元</translation>
    </message>
    <message>
        <source>맥 시스템 설정과 상관없이 · 꺼도 이름 없는 메모는 남아요</source>
        <translation>デスクトップのセッション設定とは関係なく · オフでも名前のないメモは残ります</translation>
    </message>
    <message>
        <source>켜는 법…</source>
        <translation>オンにする方法…</translation>
    </message>
    <message>
        <source>Finder 오른쪽 클릭 메뉴</source>
        <translation>ファイルマネージャの右クリックメニュー</translation>
    </message>
    <message>
        <source>파일을 오른쪽 클릭하면 「Orlune Viewer로 열기」 · 폴더 빈 곳에 「새 파일 만들기」</source>
        <translation>ファイルを右クリックで「Orlune Viewerで開く」 · フォルダの空き場所で「新規テキストファイル」</translation>
    </message>
    <message>
        <source>만들면 바로 열기</source>
        <translation>作成したらすぐに開く</translation>
    </message>
    <message>
        <source>터미널 명령 olv</source>
        <translation>ターミナルコマンド olv</translation>
    </message>
    <message>
        <source>olv 파일 — 이 앱으로 열기</source>
        <translation>olv ファイル — このアプリで開く</translation>
    </message>
    <message>
        <source>olv 파일:120 — 120줄로</source>
        <translation>olv ファイル:120 — 120行目へ</translation>
    </message>
    <message>
        <source>명령 | olv — 출력을 새 문서로 · olv -w 파일 — 닫을 때까지 기다리기(git)</source>
        <translation>コマンド | olv — 出力を新規書類に · olv -w ファイル — 閉じるまで待つ(git)</translation>
    </message>
    <message>
        <source>「설치…」 를 누르거나, 터미널에 이 한 줄을 붙여 넣어 실행하세요 (관리자 암호를 물어요):</source>
        <translation>「インストール…」を押すか、この1行をターミナルに貼り付けて実行してください(管理者パスワードを求められます):</translation>
    </message>
    <message>
        <source>한 줄 복사</source>
        <translation>1行をコピー</translation>
    </message>
    <message>
        <source>설치…</source>
        <translation>インストール…</translation>
    </message>
    <message>
        <source>지우기…</source>
        <translation>削除…</translation>
    </message>
    <message>
        <source>● 설치됐어요 — </source>
        <translation>● インストール済み — </translation>
    </message>
    <message>
        <source>앱이 디스크 이미지나 내려받은 자리에서 돌고 있어요 — 여기를 가리키면 곧 끊겨요. 앱을 응용 프로그램 폴더로 옮겨 다시 켠 뒤 설치하세요</source>
        <translation>アプリが読み取り専用の場所(AppImage などのマウント)から動いています — ここを指すリンクはすぐに切れます。アプリをこのコンピュータにインストールし、起動し直してからインストールしてください</translation>
    </message>
    <message>
        <source>설치를 기다리는 중…</source>
        <translation>インストール待ち…</translation>
    </message>
    <message>
        <source>%@ 가 다른 것을 가리켜요: %@ — 설치하면 이 앱 것으로 바꿔요</source>
        <translation>%@ は別のものを指しています: %@ — インストールするとこのアプリのものに置き換えます</translation>
    </message>
    <message>
        <source>하지 못했어요: %@</source>
        <translation>できませんでした: %@</translation>
    </message>
    <message>
        <source>Finder 오른쪽 클릭 메뉴 켜기</source>
        <translation>ファイルマネージャの右クリックメニューを有効にする</translation>
    </message>
    <message>
        <source>열기
다음으로 열기 ▸
─────────
빠른 동작 ▸
✎ Orlune Viewer로 열기</source>
        <translation>開く
別のアプリケーションで開く
─────────
✎ Orlune Viewerで開く
✎ 新規テキストファイル</translation>
    </message>
    <message>
        <source>1. 아래 「시스템 설정 열기」
2. 열린 화면에서 「Orlune Viewer Finder」 를 켜기
3. 이 창으로 돌아오면 저절로 확인해요</source>
        <translation>1. アプリをインストールするとファイルマネージャの拡張も入ります
2. すでに動いているファイルマネージャは一度再起動してください (nautilus -q)
3. 下の「ファイルマネージャを開く」で開いてファイルを右クリック — この画面は自動で確認します</translation>
    </message>
    <message>
        <source>● 켜졌어요 — Finder 에서 바로 쓸 수 있어요</source>
        <translation>● 有効です — ファイルマネージャですぐ使えます</translation>
    </message>
    <message>
        <source>● 아직 꺼져 있어요</source>
        <translation>● まだ無効です</translation>
    </message>
    <message>
        <source>시스템 설정 열기</source>
        <translation>ファイルマネージャを開く</translation>
    </message>
    <message>
        <source>기본 앱</source>
        <translation>デフォルトのアプリ</translation>
    </message>
    <message>
        <source>.txt 를 이 앱으로 여는 법…</source>
        <translation>.txt をこのアプリで開く方法…</translation>
    </message>
    <message>
        <source>Finder 의 「다음으로 열기」 에는 이미 있어요</source>
        <translation>ファイルマネージャの「別のアプリで開く」にはすでにあります</translation>
    </message>
    <message>
        <source>마지막 확인: %@</source>
        <translation>最終確認: %@</translation>
    </message>
    <message>
        <source>아직 확인 안 함</source>
        <translation>まだ確認していません</translation>
    </message>
    <message>
        <source>지금 %@</source>
        <translation>現在 %@</translation>
    </message>
    <message>
        <source>● 켜짐</source>
        <translation>● オン</translation>
    </message>
    <message>
        <source>보기…</source>
        <translation>表示…</translation>
    </message>
    <message>
        <source>● 꺼짐</source>
        <translation>● オフ</translation>
    </message>
    <message>
        <source>● 설치됨</source>
        <translation>● インストール済み</translation>
    </message>
    <message>
        <source>설치 안 됨</source>
        <translation>未インストール</translation>
    </message>
    <message>
        <source>설치하는 법…</source>
        <translation>インストール方法…</translation>
    </message>
    <message>
        <source>.txt 파일을 언제나 Orlune Viewer로 열려면</source>
        <translation>.txt ファイルをいつも Orlune Viewer で開くには</translation>
    </message>
    <message>
        <source>1. Finder 에서 .txt 파일 하나를 고르고 ⌘I(정보 가져오기)
2. 「다음으로 열기」 에서 「Orlune Viewer」 를 고르기
3. 「모두 변경…」 을 누르기

.md · .log 같은 다른 확장자도 같은 방법이에요.</source>
        <translation>1. ファイル (Files) で .txt ファイルを右クリックして「別のアプリで開く…」を選ぶ
2. 「Orlune Viewer」を選び、「このファイル形式には常に使用する」をオンにする
3. 「開く」を押す

ターミナルなら: xdg-mime default app.orlune.viewer.desktop text/plain

.md · .log など他の拡張子も同じ方法です。</translation>
    </message>
    <message>
        <source>지금: %1</source>
        <translation>現在: %1</translation>
    </message>
    <message>
        <source>다른 인코딩으로 다시 열기</source>
        <translation>別のエンコーディングで開き直す</translation>
    </message>
    <message>
        <source>이 인코딩으로 바꾸기</source>
        <translation>このエンコーディングに変換</translation>
    </message>
    <message>
        <source>섞임 — LF %1 · CRLF %2 · CR %3</source>
        <translation>混在 — LF %1 · CRLF %2 · CR %3</translation>
    </message>
    <message>
        <source>모두 %1 로</source>
        <translation>すべて %1 に</translation>
    </message>
    <message>
        <source>탭 문자</source>
        <translation>タブ文字</translation>
    </message>
    <message>
        <source>공백 %1칸</source>
        <translation>スペース %1 個</translation>
    </message>
    <message>
        <source>파일에 맞춤</source>
        <translation>ファイルに合わせる</translation>
    </message>
    <message>
        <source>들여쓰기를 모두 탭으로</source>
        <translation>インデントをすべてタブに</translation>
    </message>
    <message>
        <source>들여쓰기를 모두 공백으로</source>
        <translation>インデントをすべてスペースに</translation>
    </message>
    <message>
        <source>자동 (%1)</source>
        <translation>自動 (%1)</translation>
    </message>
    <message>
        <source>줄끝 바꾸기</source>
        <translation>改行コードの変更</translation>
    </message>
    <message numerus="yes">
        <source>%1 로 쓸 수 없는 글자가 %n개 있어요.</source>
        <translation>
            <numerusform>%1 で書けない文字が %n 個あります。</numerusform>
        </translation>
    </message>
    <message>
        <source>「%1」 — 지우고 바꾸거나 그대로 두세요.</source>
        <translation>「%1」 — 削除して変換するか、そのままにしてください。</translation>
    </message>
    <message>
        <source>그 글자 지우고 바꾸기</source>
        <translation>その文字を削除して変換</translation>
    </message>
    <message>
        <source>BOM 넣기 / 빼기</source>
        <translation>BOM の追加 / 削除</translation>
    </message>
    <message>
        <source>저장 안 된 고침이 있어요.</source>
        <translation>保存されていない変更があります。</translation>
    </message>
    <message>
        <source>다시 열면 이번에 고친 것은 사라져요.</source>
        <translation>開き直すと、今回の変更は失われます。</translation>
    </message>
    <message>
        <source>버리고 다시 열기</source>
        <translation>破棄して開き直す</translation>
    </message>
    <message>
        <source>이 파일은 %1 로 읽히지 않아요.</source>
        <translation>このファイルは %1 として読めません。</translation>
    </message>
    <message>
        <source>다른 인코딩을 골라 보세요.</source>
        <translation>別のエンコーディングを選んでください。</translation>
    </message>
    <message>
        <source>들여쓰기 바꾸기</source>
        <translation>インデントの変更</translation>
    </message>
    <message>
        <source>(이 인코딩으로는 읽히지 않아요)</source>
        <translation>(このエンコーディングでは読めません)</translation>
    </message>
    <message>
        <source>이 파일을 어떤 인코딩으로 읽을까요?</source>
        <translation>このファイルをどのエンコーディングで読みますか?</translation>
    </message>
    <message>
        <source>글자가 바르게 보이는 것을 고르세요. 고른 인코딩은 이 파일에 기억해요.</source>
        <translation>文字が正しく表示されるものを選んでください。選んだエンコーディングはこのファイルに記憶されます。</translation>
    </message>
    <message>
        <source> — 판별이 고른 것</source>
        <translation> — 判定結果</translation>
    </message>
    <message>
        <source>고르기</source>
        <translation>選択</translation>
    </message>
    <message>
        <source>끌어 놓기</source>
        <translation>ドラッグ＆ドロップ</translation>
    </message>
    <message>
        <source>파일을 읽는 중이에요. 다 읽으면 고칠 수 있어요.</source>
        <translation>ファイルを読み込み中です。読み込みが終わると編集できます。</translation>
    </message>
    <message>
        <source>깨진 글자는 바꾸지 않아요 — 다른 인코딩으로 다시 열어 보세요</source>
        <translation>壊れた文字は変換しません — 別のエンコーディングで開き直してください</translation>
    </message>
    <message>
        <source>「%@」 가 이 파일에 두 가지 바이트로 들어 있어, %@ 표의 바이트로 맞춰 쓰면 파일이 바뀌어요. 저장을 멈췄어요 — 한 번 더 저장하면 그렇게 써요.</source>
        <translation>「%@」 がこのファイルに 2 通りのバイトで入っているため、%@ の表のバイトにそろえて書くとファイルが変わります。保存を中止しました — もう一度保存するとそのように書きます。</translation>
    </message>
    <message>
        <source>최소화</source>
        <translation>しまう</translation>
    </message>
    <message>
        <source>확대/축소</source>
        <translation>拡大/縮小</translation>
    </message>
    <message>
        <source>모두 앞으로 가져오기</source>
        <translation>すべてを手前に移動</translation>
    </message>
    <message>
        <source>%1 로 쓸 수 없는 글자가 %2개 있어요.</source>
        <translation>%1 で書けない文字が %2 個あります。</translation>
    </message>
    <message>
        <source>업데이트를 확인할 수 없어요.</source>
        <translation>アップデートを確認できません。</translation>
    </message>
    <message>
        <source>이 빌드에는 업데이트를 받아 올 곳이 정해져 있지 않아요. 새 버전은 이 프로그램을 받은 곳에서 확인하세요.</source>
        <translation>このビルドにはアップデートの取得先が設定されていません。新しいバージョンは、このプログラムを入手した場所で確認してください。</translation>
    </message>
    <message>
        <source>이 앱 옆에 olv 가 없어 설치할 수 없어요: %@</source>
        <translation>リンク先の olv がないため、インストールできません: %@</translation>
    </message>
    <message>
        <source>데스크톱 항목이 설치되지 않아 「다른 앱으로 열기」 에는 아직 없어요</source>
        <translation>デスクトップ エントリがインストールされていないため、「別のアプリで開く」にはまだありません</translation>
    </message>
    <message>
        <source>「%1」</source>
        <translation>「%1」</translation>
    </message>
</context>
</TS>
