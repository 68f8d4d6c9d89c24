// The interface's catalogues against its sources: every text the application can show has a
// finished English and Japanese translation. The texts are taken from the sources the way the
// translation tools take them (lupdate, with `localized` spelled as `tr`), and every Korean
// string literal of the application is held to the same rule, so that a text handed to a
// helper (`filled("…", …)`) or shown without any lookup is caught as well.

#include "app/kit/Localized.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <vector>

namespace {

struct Message
{
    QString source;
    bool numerus = false;
    bool finished = false;
    QStringList translations; // one per numerus form, else one
};

using Catalogue = std::map<QString, Message>;

Catalogue readCatalogue(const QString& path)
{
    Catalogue result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return result;
    QXmlStreamReader xml(&file);
    std::optional<Message> message;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const auto name = xml.name();
            if (name == QLatin1String("message")) {
                message = Message{};
                message->numerus = xml.attributes().value(QLatin1String("numerus"))
                                   == QLatin1String("yes");
            } else if (message && name == QLatin1String("source")) {
                message->source = xml.readElementText();
            } else if (message && name == QLatin1String("translation")) {
                const auto type = xml.attributes().value(QLatin1String("type"));
                message->finished = type.isEmpty();
                if (!message->numerus)
                    message->translations.push_back(xml.readElementText());
            } else if (message && name == QLatin1String("numerusform")) {
                message->translations.push_back(xml.readElementText());
            }
        } else if (xml.isEndElement() && xml.name() == QLatin1String("message") && message) {
            result[message->source] = *message;
            message.reset();
        }
    }
    EXPECT_FALSE(xml.hasError()) << path.toStdString() << ": " << xml.errorString().toStdString();
    return result;
}

QString translationsFolder()
{
    return QStringLiteral(OLV_SOURCE_DIR "/app/kit/translations");
}

bool hasHangul(const QString& text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= 0xAC00 && u <= 0xD7A3) || (u >= 0x1100 && u <= 0x11FF)
            || (u >= 0x3130 && u <= 0x318F))
            return true;
    }
    return false;
}

// The placeholders a text fills in: %1…%9, %@, %lld, %n.
QSet<QString> placeholders(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral("%(?:[1-9]|@|lld|n)"));
    QSet<QString> result;
    for (const auto& match : pattern.globalMatch(text))
        result.insert(match.captured());
    return result;
}

// What is wrong with the translation of `source` in `catalogue`, or an empty string.
QString fault(const Catalogue& catalogue, const QString& source, bool numerus, int forms)
{
    const auto found = catalogue.find(source);
    if (found == catalogue.end())
        return QStringLiteral("no entry");
    const Message& message = found->second;
    if (!message.finished)
        return QStringLiteral("unfinished");
    if (message.numerus != numerus)
        return numerus ? QStringLiteral("not a numerus entry") : QStringLiteral("numerus entry");
    if (message.translations.size() != forms)
        return QStringLiteral("%1 forms instead of %2").arg(message.translations.size()).arg(forms);
    for (const QString& translation : message.translations) {
        if (translation.isEmpty() && !source.isEmpty())
            return QStringLiteral("empty");
        if (hasHangul(translation))
            return QStringLiteral("Korean left in \"%1\"").arg(translation);
        if (placeholders(translation) != placeholders(source))
            return QStringLiteral("placeholders differ in \"%1\"").arg(translation);
    }
    return {};
}

struct Language
{
    const char* code;
    int numerusForms; // English: one, other; Japanese: one form
};
constexpr Language languages[] = {{"en", 2}, {"ja", 1}};

// The application's sources as lupdate reads them.
Catalogue extractedTexts()
{
    QTemporaryDir folder;
    EXPECT_TRUE(folder.isValid());
    const QString output = folder.filePath(QStringLiteral("extracted.ts"));
    QProcess lupdate;
    lupdate.setProcessChannelMode(QProcess::MergedChannels);
    lupdate.start(QStringLiteral(OLV_LUPDATE),
                  {QStringLiteral("-silent"), QStringLiteral("-locations"), QStringLiteral("none"),
                   QStringLiteral("-tr-function-alias"), QStringLiteral("tr+=localized"),
                   QStringLiteral(OLV_SOURCE_DIR "/app"), QStringLiteral("-ts"), output});
    EXPECT_TRUE(lupdate.waitForFinished(120000));
    EXPECT_EQ(lupdate.exitCode(), 0) << lupdate.readAll().toStdString();
    return readCatalogue(output);
}

// A C++ string literal's text with its escapes resolved.
QString unescaped(const QString& body)
{
    QString result;
    for (qsizetype i = 0; i < body.size(); ++i) {
        if (body[i] != QLatin1Char('\\') || i + 1 == body.size()) {
            result += body[i];
            continue;
        }
        const QChar next = body[++i];
        switch (next.unicode()) {
        case 'n': result += QLatin1Char('\n'); break;
        case 't': result += QLatin1Char('\t'); break;
        case 'u':
            result += QChar(body.mid(i + 1, 4).toUShort(nullptr, 16));
            i += 4;
            break;
        default: result += next; break;
        }
    }
    return result;
}

struct Literal
{
    QString text;
    QString where;
    QStringList callees; // the functions whose call the literal is inside, innermost last
};

// The string literals of one source file, adjacent ones joined as the compiler joins them;
// comments, character literals and raw strings are skipped.
std::vector<Literal> stringLiterals(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QString code = QString::fromUtf8(file.readAll());
    std::vector<Literal> result;
    std::optional<Literal> pending;
    QStringList callees;
    QString identifier; // the last name read, for the call a "(" opens
    int line = 1;
    auto flush = [&] {
        if (pending)
            result.push_back(*pending);
        pending.reset();
    };
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code[i];
        if (c == QLatin1Char('\n')) {
            ++line;
            continue;
        }
        if (c.isSpace())
            continue;
        if (code.mid(i, 2) == QLatin1String("//")) {
            while (i < code.size() && code[i] != QLatin1Char('\n'))
                ++i;
            --i;
            continue;
        }
        if (code.mid(i, 2) == QLatin1String("/*")) {
            const qsizetype end = code.indexOf(QLatin1String("*/"), i + 2);
            line += static_cast<int>(code.mid(i, end - i).count(QLatin1Char('\n')));
            i = end < 0 ? code.size() : end + 1;
            continue;
        }
        if (c == QLatin1Char('\'')) {
            qsizetype word = i;
            while (word > 0 && (code[word - 1].isLetterOrNumber() || code[word - 1] == QLatin1Char('_')
                                || code[word - 1] == QLatin1Char('\'')))
                --word;
            if (word < i && code[word].isDigit())
                continue; // a digit separator: 1'048'576
            ++i;
            while (i < code.size() && code[i] != QLatin1Char('\'')) {
                if (code[i] == QLatin1Char('\\'))
                    ++i;
                ++i;
            }
            flush();
            continue;
        }
        if (c == QLatin1Char('"')) {
            const qsizetype start = i + 1;
            ++i;
            while (i < code.size() && code[i] != QLatin1Char('"')) {
                if (code[i] == QLatin1Char('\\'))
                    ++i;
                ++i;
            }
            const QString text = unescaped(code.mid(start, i - start));
            if (pending)
                pending->text += text;
            else
                pending = Literal{text, QStringLiteral("%1:%2").arg(path).arg(line), callees};
            continue;
        }
        if (c.isLetterOrNumber() || c == QLatin1Char('_')) {
            const qsizetype start = i;
            while (i + 1 < code.size()
                   && (code[i + 1].isLetterOrNumber() || code[i + 1] == QLatin1Char('_')))
                ++i;
            const QString word = code.mid(start, i - start + 1);
            const bool quoteFollows = code.mid(i + 1, 1) == QLatin1String("\"");
            if (quoteFollows && word.endsWith(QLatin1Char('R')) && word.size() <= 3) {
                // A raw string, R"delimiter(…)delimiter": code, style sheets, never a key.
                const qsizetype quote = i + 1;
                const qsizetype open = code.indexOf(QLatin1Char('('), quote);
                const QString close = QLatin1Char(')') + code.mid(quote + 1, open - quote - 1)
                                      + QLatin1Char('"');
                const qsizetype end = code.indexOf(close, open);
                line += static_cast<int>(code.mid(i, end - i).count(QLatin1Char('\n')));
                i = end + close.size() - 1;
                flush();
                continue;
            }
            // A string prefix (u8"…", u"…", L"…") keeps a literal going.
            if (quoteFollows
                && (word == QLatin1String("u8") || word == QLatin1String("u")
                    || word == QLatin1String("L")))
                continue;
            flush();
            identifier = word;
            continue;
        }
        if (c == QLatin1Char('(')) {
            callees << identifier;
        } else if (c == QLatin1Char(')') && !callees.isEmpty()) {
            callees.removeLast();
        }
        identifier.clear();
        flush();
    }
    flush();
    return result;
}

TEST(InterfaceTranslations, everyExtractedTextHasFinishedTranslations)
{
    const Catalogue extracted = extractedTexts();
    ASSERT_GT(extracted.size(), 100u) << "lupdate found almost nothing in the sources";
    for (const Language& language : languages) {
        const Catalogue catalogue = readCatalogue(
            translationsFolder() + QStringLiteral("/orlune_%1.ts").arg(language.code));
        ASSERT_FALSE(catalogue.empty()) << language.code;
        QStringList faults;
        for (const auto& [source, message] : extracted) {
            const int forms = message.numerus ? language.numerusForms : 1;
            if (const QString why = fault(catalogue, source, message.numerus, forms); !why.isEmpty())
                faults << QStringLiteral("\"%1\": %2").arg(source, why);
        }
        EXPECT_TRUE(faults.isEmpty())
            << language.code << ", " << faults.size() << " texts:\n"
            << faults.join(QLatin1Char('\n')).toStdString();
    }
}

TEST(InterfaceTranslations, everyKoreanLiteralOfTheApplicationIsTranslated)
{
    // The language's own name in the language chooser stays Korean in every language, and the
    // line of a failed install goes to the system log.
    const QSet<QString> untranslated = {QStringLiteral("한국어"),
                                        QStringLiteral("olv 설치 · 지우기 실패 ")};
    // Diagnostics for the system log and the event log, not the interface.
    const QSet<QString> logCalls = {QStringLiteral("log"), QStringLiteral("logDocument"),
                                    QStringLiteral("logLarge"), QStringLiteral("record"),
                                    QStringLiteral("write")};
    auto isLogged = [&](const Literal& literal) {
        for (const QString& callee : literal.callees) {
            if (logCalls.contains(callee))
                return true;
        }
        return false;
    };
    std::vector<Literal> literals;
    QDirIterator files(QStringLiteral(OLV_SOURCE_DIR "/app"),
                       {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                       QDirIterator::Subdirectories);
    while (files.hasNext()) {
        for (Literal& literal : stringLiterals(files.next())) {
            if (hasHangul(literal.text) && !untranslated.contains(literal.text)
                && !isLogged(literal))
                literals.push_back(std::move(literal));
        }
    }
    ASSERT_GT(literals.size(), 100u) << "the scan found almost no Korean texts";
    for (const Language& language : languages) {
        const Catalogue catalogue = readCatalogue(
            translationsFolder() + QStringLiteral("/orlune_%1.ts").arg(language.code));
        QStringList faults;
        for (const Literal& literal : literals) {
            // A text with "%n" is a count and needs the forms of the language.
            const bool numerus = literal.text.contains(QLatin1String("%n"));
            const QString why = fault(catalogue, literal.text, numerus,
                                      numerus ? language.numerusForms : 1);
            if (!why.isEmpty())
                faults << QStringLiteral("%1 \"%2\": %3").arg(literal.where, literal.text, why);
        }
        EXPECT_TRUE(faults.isEmpty())
            << language.code << ", " << faults.size() << " texts:\n"
            << faults.join(QLatin1Char('\n')).toStdString();
    }
}

TEST(InterfaceTranslations, countsTakeTheFormsOfTheLanguage)
{
    struct Case
    {
        const char* language;
        long long count;
        const char* expected;
    };
    const Case cases[] = {
        {"en", 1, "1 Line of Context"},
        {"en", 0, "0 Lines of Context"},
        {"en", 8, "8 Lines of Context"},
        {"en", 3000000000LL, "3000000000 Lines of Context"},
        {"ja", 1, "前後 1 行"},
        {"ja", 8, "前後 8 行"},
        {"ko", 1, "앞뒤 1줄"},
        {"ko", 8, "앞뒤 8줄"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.language) + " " + std::to_string(c.count));
        ASSERT_TRUE(EditorKit::installTranslation(c.language));
        EXPECT_EQ(EditorKit::localized("앞뒤 %n줄", nullptr, c.count), QString::fromUtf8(c.expected));
    }
    EditorKit::installTranslation(QStringLiteral("ko"));
}

TEST(InterfaceTranslations, literalScanReadsTheLanguage)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("sample.cpp"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"src(// "주석" is skipped
/* "여러 줄
주석" */ auto a = localized("첫째 " "이어짐");
auto b = u8"둘째\n"; char c = '"'; auto d = R"x("날것")x"; auto e = "셋째 \"인용\"";
log(1'000, QString("기록")); f(u8R"(날것")");
)src");
    file.close();
    QStringList texts;
    for (const Literal& literal : stringLiterals(path)) {
        texts << literal.text + QLatin1Char('@') + literal.where.section(QLatin1Char(':'), -1)
                     + QLatin1Char('@') + literal.callees.join(QLatin1Char('/'));
    }
    EXPECT_EQ(texts, QStringList({QStringLiteral("첫째 이어짐@3@localized"),
                                  QStringLiteral("둘째\n@4@"), QStringLiteral("셋째 \"인용\"@4@"),
                                  QStringLiteral("기록@5@log/QString")}));
}

} // namespace
