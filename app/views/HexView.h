#pragma once

#include <QAbstractScrollArea>
#include <QFont>
#include <QString>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <system_error>
#include <utility>
#include <vector>

namespace EditorViews {

// Where a hex view's bytes come from. Asked for the bytes of the rows being drawn only.
class HexByteSource
{
public:
    virtual ~HexByteSource() = default;
    // The number of bytes now (a file may have shrunk or grown since the last look).
    virtual std::uint64_t size() = 0;
    // Fills `into` from `offset`; how many bytes there were (fewer at the end).
    virtual std::size_t read(std::uint64_t offset, std::span<std::uint8_t> into) = 0;
};

// Bytes in memory.
class HexDataSource : public HexByteSource
{
public:
    explicit HexDataSource(std::vector<std::uint8_t> bytes)
        : m_bytes(std::move(bytes))
    {}
    std::uint64_t size() override { return m_bytes.size(); }
    std::size_t read(std::uint64_t offset, std::span<std::uint8_t> into) override;

private:
    std::vector<std::uint8_t> m_bytes;
};

// An open file, read with pread(2) as rows are drawn. Never mapped: another program
// truncating a mapped file would end this one with SIGBUS.
class HexFileSource : public HexByteSource
{
public:
    // Null with `error` set when the file cannot be opened for reading.
    static std::unique_ptr<HexFileSource> open(const std::filesystem::path& path,
                                               std::error_code& error);
    ~HexFileSource() override;
    std::uint64_t size() override;
    std::size_t read(std::uint64_t offset, std::span<std::uint8_t> into) override;

private:
    explicit HexFileSource(int fd)
        : m_fd(fd)
    {}
    int m_fd = -1;
};

// A classic hex dump, read-only and without selection: per row of 16 bytes the row's offset,
// the bytes in hexadecimal and the same bytes as printable ASCII. Only the rows that meet the
// area being drawn are read and formatted, so a file of gigabytes costs what a small one
// costs. The vertical scroll bar counts rows (a pixel count would not fit an int).
class HexView : public QAbstractScrollArea
{
    Q_OBJECT
public:
    static constexpr double padding = 12.0;
    static constexpr int bytesPerRow = 16;

    explicit HexView(QWidget* parent = nullptr);
    ~HexView() override;

    void setSource(std::unique_ptr<HexByteSource> source);
    HexByteSource* source() const { return m_source.get(); }

    const QFont& font() const { return m_font; }
    // ceil(ascent + descent + leading + 4) of the font.
    double lineHeight() const { return m_lineHeight; }
    // The advance of "0".
    double charWidth() const { return m_charWidth; }
    // Rows of the bytes: at least one.
    std::int64_t rowCount() const;
    // The size of the whole dump: 77 character widths plus padding wide, the rows plus
    // padding high, or the visible area when that is larger.
    QSizeF contentSize(QSizeF visible) const;

    // The three texts of one row: offset, hexadecimal part, ASCII part.
    struct RowTexts
    {
        QString offset;
        QString hex;
        QString ascii;
    };
    static RowTexts rowTexts(std::uint64_t rowOffset, std::span<const std::uint8_t> bytes);
    // The rows that meet `area` (in the dump's own coordinates, row 0 at the top); last <
    // first when none.
    std::pair<std::int64_t, std::int64_t> rowsIn(QRectF area) const;

    // Draws the part `area` of the dump (its own coordinates) at `area` moved back by
    // `scroll`: the painter is never translated by the dump's height, which may pass what a
    // raster painter can address. Returns the rows drawn.
    std::int64_t drawRows(QPainter& painter, QRectF area, QPointF scroll = {});
    // Rows drawn by the last paint.
    std::int64_t lastDrawnRows() const { return m_lastDrawnRows; }
    // The dump's y of the top of the viewport.
    double scrollTop() const;
    void scrollToEnd();
    // Shows the row of the byte at `offset` at the top (as near as the end allows), also when
    // the view gets its size only later.
    void scrollToByte(std::uint64_t offset);
    // The offset of the first byte of the top row.
    std::uint64_t topByte() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    // Home and End (with or without Ctrl) go to the start and the end of the dump.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void updateScrollBars();
    // Looks at the size again; a change adjusts the scroll range.
    void refreshSize();

    std::unique_ptr<HexByteSource> m_source;
    std::uint64_t m_size = 0;
    QFont m_font;
    double m_lineHeight = 1;
    double m_charWidth = 1;
    std::int64_t m_lastDrawnRows = 0;
    std::vector<std::uint8_t> m_buffer;
    // The row asked for before the scroll range could reach it.
    std::optional<std::int64_t> m_pendingRow;
};

} // namespace EditorViews
