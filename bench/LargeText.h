#pragma once

#include "core/ChunkedText.h"

#include <QString>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// The benchmarks' large text: 1,000,000 numbered lines of 104 characters and LF, 105,000,000
// UTF-8 bytes, about 100 MiB.
namespace LargeText {

inline constexpr int lineCount = 1'000'000;
inline constexpr int lineLength = 104;

// The same lines, `lines` of them, built straight into chunks of one byte per character:
// 1 GiB of text costs 1 GiB of memory.
inline EditorCore::TextSnapshot generateChunked(int lines)
{
    EditorCore::ChunkedTextBuilder builder;
    const std::string filler = "The quick brown fox jumps over the lazy dog; ";
    std::vector<std::uint8_t> piece;
    piece.reserve(1 << 20);
    char number[16];
    for (int i = 0; i < lines; ++i) {
        std::snprintf(number, sizeof number, "%07d ", i);
        std::string line = number;
        while (line.size() < static_cast<std::size_t>(lineLength))
            line += filler;
        line.resize(static_cast<std::size_t>(lineLength));
        line += '\n';
        piece.insert(piece.end(), line.begin(), line.end());
        if (piece.size() >= (1 << 20) - 256) {
            builder.appendLatin1(piece);
            piece.clear();
        }
    }
    builder.appendLatin1(piece);
    return builder.finishSnapshot();
}

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
