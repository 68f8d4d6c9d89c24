// Bytes on disk and key presses, as the end-to-end tests compare and send them.
#pragma once

#include <QChar>
#include <QString>
#include <QTest>
#include <QWidget>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string_view>
#include <vector>

namespace EndToEnd {

using Bytes = std::vector<unsigned char>;

inline Bytes bytesOf(std::string_view text)
{
    return Bytes(text.begin(), text.end());
}

inline Bytes readBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeBytes(const std::filesystem::path& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// Key presses carrying each character; characters without a key of their own (Korean) come
// as the key events of a keyboard layout that types them.
inline void typeKeys(QWidget* target, const QString& text)
{
    for (QChar c : text) {
        if (c.unicode() < 0x80)
            QTest::keyClick(target, c.toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, target, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

} // namespace EndToEnd
