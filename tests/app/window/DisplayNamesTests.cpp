#include "app/kit/Localized.h"
#include "app/window/DisplayNames.h"

#include <QCoreApplication>
#include <QTranslator>

#include <gtest/gtest.h>

using EditorCore::TextEncoding;
namespace DisplayNames = EditorWindow::DisplayNames;

namespace {

// A translation table of one entry.
class OneEntryTranslator : public QTranslator
{
public:
    OneEntryTranslator(QString source, QString translation)
        : m_source(std::move(source))
        , m_translation(std::move(translation))
    {}

    QString translate(const char*, const char* sourceText, const char*, int) const override
    {
        return QString::fromUtf8(sourceText) == m_source ? m_translation : QString();
    }
    bool isEmpty() const override { return false; }

private:
    QString m_source;
    QString m_translation;
};

} // namespace

TEST(DisplayNames, choicesSkipOnlyEucKr)
{
    const auto& choices = DisplayNames::encodingChoices();
    ASSERT_EQ(choices.size(), 13u);
    EXPECT_EQ(choices[5], TextEncoding::cp949);
    EXPECT_EQ(choices[6], TextEncoding::shiftJIS);
    EXPECT_EQ(choices.front(), TextEncoding::utf8);
    EXPECT_EQ(choices.back(), TextEncoding::macRoman);
}

TEST(DisplayNames, shortAndMenuNamesOfEveryEncoding)
{
    struct Case
    {
        TextEncoding encoding;
        const char* shortName;
        const char* displayName;
    };
    const Case cases[] = {
        {TextEncoding::utf8, "UTF-8", "UTF-8"},
        {TextEncoding::utf16LE, "UTF-16 LE", "UTF-16 LE"},
        {TextEncoding::utf16BE, "UTF-16 BE", "UTF-16 BE"},
        {TextEncoding::utf32LE, "UTF-32 LE", "UTF-32 LE"},
        {TextEncoding::utf32BE, "UTF-32 BE", "UTF-32 BE"},
        {TextEncoding::cp949, "CP949", "CP949 (한국어 윈도우 기본)"},
        {TextEncoding::eucKR, "EUC-KR", "EUC-KR (엄격)"},
        {TextEncoding::shiftJIS, "Shift_JIS", "Shift_JIS (윈도우)"},
        {TextEncoding::eucJP, "EUC-JP", "EUC-JP (일본어)"},
        {TextEncoding::gb18030, "GB18030", "GB18030 (중국어 간체)"},
        {TextEncoding::big5, "Big5", "Big5 (중국어 번체)"},
        {TextEncoding::windows1252, "Windows-1252", "Windows-1252 (서유럽)"},
        {TextEncoding::isoLatin1, "ISO-8859-1", "ISO-8859-1 (라틴-1)"},
        {TextEncoding::macRoman, "Mac Roman", "Mac Roman (옛 맥)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shortName);
        EXPECT_EQ(DisplayNames::shortName(c.encoding).toStdString(), c.shortName);
        EXPECT_EQ(DisplayNames::displayName(c.encoding).toStdString(), c.displayName);
    }
}

TEST(DisplayNames, menuNameIsTranslatedWhileTheShortNameStays)
{
    OneEntryTranslator english(QStringLiteral("CP949 (한국어 윈도우 기본)"),
                               QStringLiteral("CP949 (Korean Windows default)"));
    QCoreApplication::installTranslator(&english);
    EXPECT_EQ(DisplayNames::displayName(TextEncoding::cp949),
              QStringLiteral("CP949 (Korean Windows default)"));
    EXPECT_EQ(DisplayNames::shortName(TextEncoding::cp949), QStringLiteral("CP949"));
    // No translation: the Korean text.
    EXPECT_EQ(DisplayNames::displayName(TextEncoding::big5), QStringLiteral("Big5 (중국어 번체)"));
    QCoreApplication::removeTranslator(&english);
}

TEST(DisplayNames, everySuspiciousKindHasItsName)
{
    using EditorCore::SuspiciousKind;
    const std::pair<SuspiciousKind, const char*> cases[] = {
        {SuspiciousKind::noBreakSpace, "줄 안 바뀌는 공백"},
        {SuspiciousKind::zeroWidth, "폭 없는 글자"},
        {SuspiciousKind::specialSpace, "특수 공백"},
        {SuspiciousKind::bidiControl, "방향 바꾸는 글자"},
        {SuspiciousKind::controlCharacter, "제어 문자"},
        {SuspiciousKind::lineSeparator, "다른 줄 나눔"},
        {SuspiciousKind::softHyphen, "부드러운 하이픈"},
        {SuspiciousKind::replacementCharacter, "깨진 글자"},
    };
    static_assert(std::size(cases) == EditorCore::allSuspiciousKinds.size());
    for (const auto& [kind, name] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(DisplayNames::displayName(kind).toStdString(), name);
    }
}
