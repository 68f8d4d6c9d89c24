#include "app/views/HexView.h"
#include "tests/platform/TemporaryFolder.h"

#include <QApplication>
#include <QCoreApplication>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

#include <gtest/gtest.h>

#include <fstream>

using EditorViews::HexView;

namespace {

std::vector<std::uint8_t> counting(std::size_t count)
{
    std::vector<std::uint8_t> bytes(count);
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<std::uint8_t>(i);
    return bytes;
}

} // namespace

TEST(HexView, rowTextsFollowTheColumns)
{
    struct Case
    {
        const char* name;
        std::uint64_t offset;
        std::vector<std::uint8_t> bytes;
        QString hex;
        QString ascii;
        QString offsetText;
    };
    const std::vector<Case> cases = {
        {"printable edges", 0, {0x1F, 0x20, 0x7E, 0x7F, 0xFF}, "1F 20 7E 7F FF ", ". ~..", "00000000"},
        {"second row of 17 bytes", 16, {0x10}, "10 ", ".", "00000010"},
        {"offsets in upper case", 0xABCDE0, {0x41}, "41 ", "A", "00ABCDE0"},
        {"past 4 GiB the offset grows", 0x100000000ULL, {0x61}, "61 ", "a", "100000000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto texts = HexView::rowTexts(c.offset, c.bytes);
        EXPECT_EQ(texts.offset, c.offsetText);
        EXPECT_EQ(texts.hex, c.hex);
        EXPECT_EQ(texts.ascii, c.ascii);
    }
    // A full row: 16 × 3 characters and the extra space after the eighth byte.
    const auto full = HexView::rowTexts(0, counting(16));
    EXPECT_EQ(full.hex.size(), 49);
    EXPECT_EQ(full.hex.mid(21, 5), QStringLiteral("07  0"));
}

TEST(HexView, sizesAndRowsDrawnForAnExposedArea)
{
    HexView view;
    const double width = view.charWidth() * 77 + 24;
    // Empty: one row high, 77 columns wide, or the visible area when larger.
    view.setSource(std::make_unique<EditorViews::HexDataSource>(std::vector<std::uint8_t>{}));
    EXPECT_EQ(view.rowCount(), 1);
    EXPECT_EQ(view.contentSize({10, 10}), QSizeF(width, view.lineHeight() + 24));
    EXPECT_EQ(view.contentSize({2000, 900}), QSizeF(2000, 900));

    view.setSource(std::make_unique<EditorViews::HexDataSource>(counting(17)));
    EXPECT_EQ(view.rowCount(), 2);

    view.setSource(std::make_unique<EditorViews::HexDataSource>(counting(16 * 1000)));
    const double line = view.lineHeight();
    // Rows 10 to 14 meet a rectangle from row 10's top to inside row 14.
    const QRectF area(0, 12 + 10 * line, 300, 4.5 * line);
    const auto [first, last] = view.rowsIn(area);
    EXPECT_EQ(first, 10);
    EXPECT_EQ(last, 15);
    QImage image(400, 400, QImage::Format_ARGB32);
    QPainter painter(&image);
    EXPECT_EQ(view.drawRows(painter, area, {0, area.top()}), 6);
    // Past the last row nothing is drawn.
    EXPECT_EQ(view.drawRows(painter, QRectF(0, 12 + 2000 * line, 100, 100), {0, 12 + 2000 * line}), 0);
}

TEST(HexView, aFileThatShrinksWhileShownDrawsFewerRows)
{
    TemporaryFolder folder;
    const auto path = folder / "data.bin";
    auto write = [&](std::size_t count) {
        const auto bytes = counting(count);
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    };
    write(16 * 100);
    std::error_code error;
    auto source = EditorViews::HexFileSource::open(path, error);
    ASSERT_TRUE(source);
    HexView view;
    view.resize(800, 600);
    view.setSource(std::move(source));
    view.scrollToEnd();
    QImage image(800, 600, QImage::Format_ARGB32);
    view.viewport()->render(&image);
    const auto before = view.lastDrawnRows();
    EXPECT_GT(before, 5);
    // Another program truncates the file: a mapped file would end the process here.
    write(16 * 5 + 3);
    view.viewport()->render(&image);
    EXPECT_EQ(view.lastDrawnRows(), 6);
    EXPECT_LT(view.lastDrawnRows(), before);
    EXPECT_EQ(view.rowCount(), 6);
    write(0);
    view.viewport()->render(&image);
    EXPECT_EQ(view.lastDrawnRows(), 0);
    EXPECT_EQ(view.rowCount(), 1);

    EXPECT_FALSE(EditorViews::HexFileSource::open(folder / "missing.bin", error));
    EXPECT_TRUE(error);
}

TEST(HexView, opensAtAByteAndHomeAndEndGoToTheEnds)
{
    EditorViews::HexView view;
    view.setSource(std::make_unique<EditorViews::HexDataSource>(counting(16 * 1000)));
    // Asked before the view has its size: kept until the rows can be reached.
    view.scrollToByte(16 * 500 + 3);
    view.resize(600, 300);
    view.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(view.topByte(), 16u * 500);

    auto press = [&](int key, Qt::KeyboardModifiers modifiers) {
        QKeyEvent event(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(&view, &event);
    };
    press(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(view.verticalScrollBar()->value(), view.verticalScrollBar()->maximum());
    EXPECT_GT(view.topByte(), 16u * 900);
    press(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(view.topByte(), 0u);
    press(Qt::Key_End, Qt::NoModifier);
    EXPECT_EQ(view.verticalScrollBar()->value(), view.verticalScrollBar()->maximum());
    press(Qt::Key_Home, Qt::NoModifier);
    EXPECT_EQ(view.topByte(), 0u);
}
