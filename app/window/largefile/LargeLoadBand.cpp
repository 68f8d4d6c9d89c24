#include "app/window/largefile/LargeLoadBand.h"

#include "app/kit/Localized.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>

namespace EditorWindow {

namespace {

// The bar counts in steps of its own: its range is an int and a file may pass 2 GiB.
constexpr int barSteps = 10'000;

} // namespace

QString fileStyleSize(std::uint64_t bytes)
{
    return QLocale().formattedDataSize(static_cast<qint64>(bytes), 1, QLocale::DataSizeSIFormat);
}

LargeLoadBand::LargeLoadBand(std::uint64_t total,
                             std::uint64_t loaded,
                             std::uint64_t target,
                             QWidget* parent)
    : BandBackgroundView(parent)
    , m_total(total)
    , m_start(loaded)
    , m_target(std::max(target, loaded))
{
    setObjectName(QStringLiteral("largeLoadBand"));
    resize(600, 34);
    setFillColor([](const QPalette&) { return QColor(0, 122, 255, 26); });

    m_label = new QLabel(this);
    QFont font = m_label->font();
    font.setPointSizeF(12.5);
    m_label->setFont(font);
    m_bar = new QProgressBar(this);
    m_bar->setRange(0, barSteps);
    m_bar->setTextVisible(false);
    m_bar->setMinimumWidth(200);
    m_bar->setMaximumHeight(12);
    m_cancel = new QPushButton(EditorKit::localized("취소"), this);
    m_cancel->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(m_cancel, &QPushButton::clicked, this, [this] { cancelTapped(); });

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, 7, 12, 7);
    row->setSpacing(10);
    row->addWidget(m_label);
    row->addWidget(m_bar, 1);
    row->addWidget(m_cancel);
    update(loaded);
}

void LargeLoadBand::update(std::uint64_t done)
{
    const std::uint64_t span = m_target - m_start;
    const std::uint64_t reached = std::clamp(done, m_start, m_target) - m_start;
    m_bar->setValue(span == 0 ? barSteps
                              : static_cast<int>(static_cast<double>(reached) / span * barSteps));
    QString text = EditorKit::localized("큰 파일을 여는 중 — %@ / %@ · 다른 탭은 그대로 쓸 수 있어요");
    const qsizetype first = text.indexOf(QLatin1String("%@"));
    if (first >= 0)
        text.replace(first, 2, fileStyleSize(done));
    const qsizetype second = text.indexOf(QLatin1String("%@"));
    if (second >= 0)
        text.replace(second, 2, fileStyleSize(m_total));
    m_label->setText(text);
}

void LargeLoadBand::cancelTapped()
{
    if (onCancel)
        onCancel();
}

} // namespace EditorWindow
