#include "app/views/SpellChecker.h"

#include <QTextBoundaryFinder>

#include <algorithm>
#include <enchant.h>

namespace EditorViews {

struct SpellChecker::Dictionary
{
    QString tag;
    QLocale::Script script = QLocale::AnyScript;
    EnchantDict* dict = nullptr;
};

namespace {

QLocale::Script scriptOfWord(QStringView word)
{
    for (QChar c : word) {
        if (!c.isLetter())
            continue;
        switch (c.script()) {
        case QChar::Script_Latin:
            return QLocale::LatinScript;
        case QChar::Script_Cyrillic:
            return QLocale::CyrillicScript;
        case QChar::Script_Greek:
            return QLocale::GreekScript;
        case QChar::Script_Hangul:
            return QLocale::HangulScript;
        case QChar::Script_Arabic:
            return QLocale::ArabicScript;
        case QChar::Script_Hebrew:
            return QLocale::HebrewScript;
        default:
            return QLocale::AnyScript;
        }
    }
    return QLocale::AnyScript;
}

} // namespace

SpellChecker::SpellChecker(const QStringList& languages)
{
    auto* broker = enchant_broker_init();
    m_broker = broker;
    if (!broker)
        return;
    for (QString tag : languages) {
        tag.replace(QLatin1Char('-'), QLatin1Char('_'));
        if (tag.isEmpty() || tag == QLatin1String("C") || tag == QLatin1String("POSIX"))
            continue;
        const QByteArray name = tag.toUtf8();
        if (!enchant_broker_dict_exists(broker, name.constData()))
            continue;
        EnchantDict* dict = enchant_broker_request_dict(broker, name.constData());
        if (!dict)
            continue;
        const bool known = std::any_of(
            m_dictionaries.begin(), m_dictionaries.end(), [&](auto& d) { return d.dict == dict; });
        if (known) {
            enchant_broker_free_dict(broker, dict);
            continue;
        }
        QLocale locale(tag);
        QLocale::Script script = locale.script();
        m_dictionaries.push_back({tag, script, dict});
    }
}

SpellChecker::~SpellChecker()
{
    auto* broker = static_cast<EnchantBroker*>(m_broker);
    if (!broker)
        return;
    for (auto& dictionary : m_dictionaries)
        enchant_broker_free_dict(broker, dictionary.dict);
    enchant_broker_free(broker);
}

QStringList SpellChecker::userLanguages()
{
    QStringList languages;
    for (const QString& name : QLocale::system().uiLanguages())
        languages << name;
    // The bare language as well ("en" after "en-US"), so that any installed variant serves.
    const QStringList full = languages;
    for (const QString& name : full) {
        const QString bare = name.section(QLatin1Char('-'), 0, 0);
        if (!languages.contains(bare))
            languages << bare;
    }
    return languages;
}

std::shared_ptr<SpellChecker> SpellChecker::shared()
{
    static std::shared_ptr<SpellChecker> checker = std::make_shared<SpellChecker>(userLanguages());
    return checker;
}

QStringList SpellChecker::dictionaries() const
{
    QStringList tags;
    for (const auto& dictionary : m_dictionaries)
        tags << dictionary.tag;
    return tags;
}

bool SpellChecker::isEmpty() const
{
    return m_dictionaries.empty();
}

bool SpellChecker::isCorrect(QStringView word)
{
    if (m_dictionaries.empty() || word.isEmpty())
        return true;
    const QString key = word.toString();
    if (auto known = m_known.constFind(key); known != m_known.constEnd())
        return *known;
    const QLocale::Script script = scriptOfWord(word);
    bool judged = false;
    bool correct = true;
    if (script != QLocale::AnyScript) {
        const QByteArray bytes = key.toUtf8();
        correct = false;
        for (const auto& dictionary : m_dictionaries) {
            if (dictionary.script != script)
                continue;
            judged = true;
            if (enchant_dict_check(dictionary.dict, bytes.constData(), bytes.size()) == 0) {
                correct = true;
                break;
            }
        }
    }
    if (!judged)
        correct = true;
    if (m_known.size() > 50000)
        m_known.clear();
    m_known.insert(key, correct);
    return correct;
}

std::vector<TextRange> SpellChecker::misspelledWords(QStringView text)
{
    std::vector<TextRange> words;
    if (m_dictionaries.empty())
        return words;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Word, text.data(), text.size());
    qsizetype start = -1;
    for (qsizetype at = finder.toNextBoundary(); at >= 0; at = finder.toNextBoundary()) {
        const auto reasons = finder.boundaryReasons();
        if (reasons & QTextBoundaryFinder::StartOfItem) {
            start = at;
            continue;
        }
        if ((reasons & QTextBoundaryFinder::EndOfItem) && start >= 0) {
            const qsizetype from = start;
            QStringView word = text.mid(from, at - from);
            start = -1;
            // Words with digits or joined by underscores are names, not prose.
            const bool plain = std::all_of(word.begin(), word.end(), [](QChar c) {
                return c.isLetter() || c == QLatin1Char('\'') || c == QChar(0x2019)
                       || c.category() == QChar::Mark_NonSpacing;
            });
            if (plain && word.size() > 1 && !isCorrect(word))
                words.push_back({static_cast<int>(from), static_cast<int>(word.size())});
        }
    }
    return words;
}

} // namespace EditorViews
