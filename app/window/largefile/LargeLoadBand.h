#pragma once

#include "app/window/BannerView.h"

#include <cstdint>
#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;

namespace EditorWindow {

// A file size as the file manager shows it: decimal units ("537.9 MB").
QString fileStyleSize(std::uint64_t bytes);

// The band over the text while a large file loads: how far it got, and a cancel button.
class LargeLoadBand : public BandBackgroundView
{
    Q_OBJECT
public:
    // `loaded`: where the job starts; `target`: where it stops; `total`: the file's size.
    LargeLoadBand(std::uint64_t total,
                  std::uint64_t loaded,
                  std::uint64_t target,
                  QWidget* parent = nullptr);

    // The cancel button.
    std::function<void()> onCancel;

    using QWidget::update;
    // Bytes reached.
    void update(std::uint64_t done);
    void cancelTapped();

    QProgressBar* bar() const { return m_bar; }
    QLabel* label() const { return m_label; }
    QPushButton* cancelButton() const { return m_cancel; }
    std::uint64_t total() const { return m_total; }

private:
    QLabel* m_label = nullptr;
    QProgressBar* m_bar = nullptr;
    QPushButton* m_cancel = nullptr;
    std::uint64_t m_total = 0;
    std::uint64_t m_start = 0;
    std::uint64_t m_target = 0;
};

} // namespace EditorWindow
