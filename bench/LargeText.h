#pragma once

#include <QString>

// The benchmarks' large text: 1,000,000 numbered lines of 104 characters and LF, 105,000,000
// UTF-8 bytes, about 100 MiB.
namespace LargeText {

inline constexpr int lineCount = 1'000'000;
inline constexpr int lineLength = 104;

inline QString generate()
{
    QString text;
    text.reserve(static_cast<qsizetype>(lineCount) * (lineLength + 1));
    const QString filler = QStringLiteral("The quick brown fox jumps over the lazy dog; ");
    for (int i = 0; i < lineCount; ++i) {
        QString line = QStringLiteral("%1 ").arg(i, 7, 10, QLatin1Char('0'));
        while (line.size() < lineLength)
            line += filler;
        line.truncate(lineLength);
        text += line;
        text += QLatin1Char('\n');
    }
    return text;
}

} // namespace LargeText
