#pragma once

// The common characters of the four East Asian legacy standards, which detection uses to tell
// real text from bytes that merely decode. Each set is built on first use, once per process
// (safe when several threads ask first at the same time), from the converter of the standard
// itself: the wider code pages of the fourteen encodings would let rare characters in.
namespace EditorCore::CommonCharacters {

// The Hangul syllables of KS X 1001 (EUC-KR, lead bytes B0..C8).
bool isHangul(char32_t scalar);
// The level-1 kanji of JIS X 0208 (EUC-JP, lead bytes B0..CF).
bool isKanji(char32_t scalar);
// The level-1 hanzi of GB 2312 (EUC-CN, lead bytes B0..D7).
bool isSimplifiedHanzi(char32_t scalar);
// The frequently used characters of Big5 (lead bytes A4..C6).
bool isTraditionalHanzi(char32_t scalar);

} // namespace EditorCore::CommonCharacters
