#include "app/kit/Utf16.h"
#include "app/views/EditRecord.h"
#include "app/views/TextStorage.h"
#include "core/LineIndex.h"

#include <gtest/gtest.h>

#include <random>

using EditorViews::TextStorage;

// A long text still read elsewhere (a save, a search) keeps what it had while the storage
// changes, a replace and a splice alike; the storage holds the change.
TEST(TextStorage, aSnapshotKeepsItsTextWhileTheStorageChanges)
{
    QString original;
    for (int i = 0; original.size() < (5 << 20) + 123; ++i)
        original += QString::number(i) + QLatin1Char(' ');
    for (bool splice : {false, true}) {
        SCOPED_TRACE(splice ? "splice" : "replace");
        TextStorage storage;
        storage.setText(original);
        const EditorCore::TextSnapshot reader = storage.snapshot();
        const QString flat = storage.text();
        if (splice)
            storage.splice({{{10, 2}, u"ab"}, {{(4 << 20) + 7, 0}, u"cd"}});
        else
            storage.replace({(4 << 20) + 7, 0}, QStringLiteral("cd"));
        EXPECT_TRUE(EditorViews::snapshotText(reader) == original);
        EXPECT_TRUE(flat == original);
        QString expected = original;
        if (splice)
            expected.replace(10, 2, QStringLiteral("ab"));
        expected.insert((4 << 20) + 7, QStringLiteral("cd"));
        EXPECT_TRUE(storage.text() == expected);
        EXPECT_TRUE(EditorViews::snapshotEquals(storage.current(), expected));
        EXPECT_FALSE(EditorViews::snapshotEquals(reader, expected));
    }
}

// Thousands of edits with chunks of a few units, so that every edit, read and line-index
// update meets chunk borders (inside CR LF pairs and surrogate pairs too): the storage, its
// reads and the line index kept up to date through stretches must equal a plain string's.
TEST(TextStorage, editsAcrossChunkBordersMatchAPlainString)
{
    const std::u16string alphabet = u"ab\r\n\r\nx\u2028\u00E9\u0085\U0001F600 ";
    for (const EditorCore::ChunkLimits limits : {EditorCore::ChunkLimits{1, 2, 4},
                                                 EditorCore::ChunkLimits{2, 5, 9},
                                                 EditorCore::ChunkLimits{}}) {
        SCOPED_TRACE(limits.maximum);
        std::mt19937 random(limits.maximum);
        auto pick = [&](int bound) {
            return static_cast<int>(random() % static_cast<unsigned>(bound));
        };
        auto randomText = [&](int length) {
            QString text;
            for (int i = 0; i < length; ++i)
                text += EditorKit::qstringFrom(alphabet.substr(
                    static_cast<std::size_t>(pick(static_cast<int>(alphabet.size()))), 1));
            return text;
        };
        TextStorage storage(nullptr, limits);
        QString model = randomText(40);
        storage.setText(model);
        EditorCore::LineIndex lines(EditorKit::utf16View(model));
        int lastLocation = 0;
        int lastOld = 0;
        int lastNew = 0;
        QObject::connect(
            &storage, &TextStorage::didReplace, [&](int location, int oldLength, int newLength) {
                lastLocation = location;
                lastOld = oldLength;
                lastNew = newLength;
                const auto stretch =
                    EditorCore::LineIndex::updateStretch(location, newLength, storage.length());
                lines.update(location,
                             oldLength,
                             newLength,
                             storage.length(),
                             EditorKit::utf16View(storage.mid(stretch.location, stretch.length)));
            });
        for (int step = 0; step < 3000; ++step) {
            const int location = pick(model.size() + 1);
            const int length = std::min(pick(6), static_cast<int>(model.size()) - location);
            const QString inserted = randomText(pick(7));
            if (step % 5 == 4 && location + length + 2 <= model.size()) {
                // Two pieces at once.
                const QString second = randomText(pick(3));
                storage.splice(
                    {{{location, length}, inserted}, {{location + length + 1, 1}, second}});
                model.replace(location + length + 1, 1, second);
                model.replace(location, length, inserted);
                EXPECT_EQ(lastLocation, location);
                EXPECT_EQ(lastOld, length + 2);
                EXPECT_EQ(lastNew, inserted.size() + 1 + second.size());
            } else {
                storage.replace({location, length}, inserted);
                model.replace(location, length, inserted);
            }
            ASSERT_EQ(storage.length(), model.size()) << "step " << step;
            if (step % 97 == 0 || step == 2999) {
                ASSERT_TRUE(storage.text() == model) << "step " << step;
                const int from = pick(model.size() + 1);
                const int count = pick(20);
                EXPECT_TRUE(storage.mid(from, count) == model.mid(from, count));
                EXPECT_EQ(storage.at(from), from < model.size() ? model.at(from) : QChar());
                EXPECT_EQ(lines, EditorCore::LineIndex(EditorKit::utf16View(model)))
                    << "step " << step;
                EXPECT_EQ(EditorCore::LineIndex(storage.current()), lines) << "step " << step;
            }
        }
    }
}

// An edit record carries the text after the change; a long insertion is read from it.
TEST(TextStorage, anEditRecordReadsALongInsertionFromItsSnapshot)
{
    TextStorage storage;
    storage.setText(QStringLiteral("head tail"));
    const QString inserted(EditorViews::EditRecord::insertedTextLimit + 5, QLatin1Char('z'));
    storage.replace({5, 0}, inserted);
    EditorViews::EditRecord record;
    record.location = 5;
    record.text = storage.snapshot();
    record.insertedLength = static_cast<int>(inserted.size());
    EXPECT_EQ(record.newLength(), inserted.size());
    EXPECT_TRUE(record.inserted() == inserted);
    EditorViews::EditRecord small;
    small.insertedText = QStringLiteral("ab");
    EXPECT_EQ(small.newLength(), 2);
    EXPECT_EQ(small.inserted(), QStringLiteral("ab"));
}
