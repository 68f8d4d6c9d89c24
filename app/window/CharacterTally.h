#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>

namespace EditorWindow {

// Counts the user-perceived characters of a text handed over in consecutive pieces, exactly as
// StatusContent::characterCount counts the whole: a character that may run on past a piece's end
// is counted with what follows. Any thread, one at a time.
class CharacterTally
{
public:
    void add(QStringView piece);
    // The count of everything added; the tally is empty again.
    std::int64_t finish();

private:
    // The text since the last boundary that later text cannot move: a boundary stays where it is
    // once the character after it is complete.
    QString m_open;
    std::int64_t m_count = 0;
};

} // namespace EditorWindow
