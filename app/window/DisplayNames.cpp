#include "app/window/DisplayNames.h"

#include "app/kit/Localized.h"

namespace EditorWindow::DisplayNames {
namespace {

using EditorCore::TextEncoding;

struct EncodingNames
{
    std::string_view shortName;
    // Empty for the Unicode forms, whose menu name is the short name.
    std::string_view description;
};

EncodingNames namesOf(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::utf8:
        return {"UTF-8", {}};
    case TextEncoding::utf16LE:
        return {"UTF-16 LE", {}};
    case TextEncoding::utf16BE:
        return {"UTF-16 BE", {}};
    case TextEncoding::utf32LE:
        return {"UTF-32 LE", {}};
    case TextEncoding::utf32BE:
        return {"UTF-32 BE", {}};
    case TextEncoding::cp949:
        return {"CP949", "CP949 (한국어 윈도우 기본)"};
    case TextEncoding::eucKR:
        return {"EUC-KR", "EUC-KR (엄격)"};
    case TextEncoding::shiftJIS:
        return {"Shift_JIS", "Shift_JIS (윈도우)"};
    case TextEncoding::eucJP:
        return {"EUC-JP", "EUC-JP (일본어)"};
    case TextEncoding::gb18030:
        return {"GB18030", "GB18030 (중국어 간체)"};
    case TextEncoding::big5:
        return {"Big5", "Big5 (중국어 번체)"};
    case TextEncoding::windows1252:
        return {"Windows-1252", "Windows-1252 (서유럽)"};
    case TextEncoding::isoLatin1:
        return {"ISO-8859-1", "ISO-8859-1 (라틴-1)"};
    case TextEncoding::macRoman:
        return {"Mac Roman", "Mac Roman (옛 맥)"};
    }
    return {"UTF-8", {}};
}

} // namespace

const std::array<TextEncoding, 13>& encodingChoices()
{
    static const auto choices = [] {
        std::array<TextEncoding, 13> result{};
        std::size_t next = 0;
        for (TextEncoding encoding : EditorCore::allTextEncodings) {
            if (encoding != TextEncoding::eucKR)
                result[next++] = encoding;
        }
        return result;
    }();
    return choices;
}

QString shortName(TextEncoding encoding)
{
    auto name = namesOf(encoding).shortName;
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

QString displayName(TextEncoding encoding)
{
    auto names = namesOf(encoding);
    if (names.description.empty())
        return shortName(encoding);
    return EditorKit::localized(names.description);
}

QString displayName(EditorCore::SuspiciousKind kind)
{
    using EditorCore::SuspiciousKind;
    switch (kind) {
    case SuspiciousKind::noBreakSpace:
        return EditorKit::localized("줄 안 바뀌는 공백");
    case SuspiciousKind::zeroWidth:
        return EditorKit::localized("폭 없는 글자");
    case SuspiciousKind::specialSpace:
        return EditorKit::localized("특수 공백");
    case SuspiciousKind::bidiControl:
        return EditorKit::localized("방향 바꾸는 글자");
    case SuspiciousKind::controlCharacter:
        return EditorKit::localized("제어 문자");
    case SuspiciousKind::lineSeparator:
        return EditorKit::localized("다른 줄 나눔");
    case SuspiciousKind::softHyphen:
        return EditorKit::localized("부드러운 하이픈");
    case SuspiciousKind::replacementCharacter:
        return EditorKit::localized("깨진 글자");
    }
    return {};
}

} // namespace EditorWindow::DisplayNames
