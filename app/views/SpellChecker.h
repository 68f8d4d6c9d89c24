#pragma once

#include "app/views/TextRange.h"

#include <QHash>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <memory>
#include <vector>

namespace EditorViews {

// The spell checker behind the spelling underline: the system's dictionaries (Enchant, with the
// Hunspell dictionaries Debian installs) for the user's languages. A word is checked only by the
// dictionaries of its own script, so a Korean word is never judged by an English dictionary,
// and a word of a script no dictionary covers is never marked. Main thread only.
class SpellChecker
{
public:
    // The dictionaries of `languages` ("en_US", "en-GB", "de") that are installed; languages
    // without one are left out.
    explicit SpellChecker(const QStringList& languages);
    ~SpellChecker();
    SpellChecker(const SpellChecker&) = delete;
    SpellChecker& operator=(const SpellChecker&) = delete;

    // The user's interface languages, most preferred first, as the system locale gives them.
    static QStringList userLanguages();
    // One checker for the application, made on first use for the user's languages.
    static std::shared_ptr<SpellChecker> shared();

    // The tags of the dictionaries in use ("en_US").
    QStringList dictionaries() const;
    bool isEmpty() const;
    // False for a word that every dictionary of its script rejects.
    bool isCorrect(QStringView word);
    // The words of `text` that are misspelled, as ranges in it.
    std::vector<TextRange> misspelledWords(QStringView text);

private:
    struct Dictionary;
    void* m_broker = nullptr;
    std::vector<Dictionary> m_dictionaries;
    QHash<QString, bool> m_known;
};

} // namespace EditorViews
