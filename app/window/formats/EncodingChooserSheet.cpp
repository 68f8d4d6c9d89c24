#include "app/window/formats/EncodingChooserSheet.h"

#include "app/kit/Localized.h"
#include "app/views/EditorFont.h"
#include "app/window/DisplayNames.h"
#include "core/TextCodec.h"

#include <QButtonGroup>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

namespace EditorWindow {

using EditorCore::TextEncoding;

namespace {

bool isLineSeparator(QChar unit)
{
    switch (unit.unicode()) {
    case 0x000A:
    case 0x000B:
    case 0x000C:
    case 0x000D:
    case 0x0085:
    case 0x2028:
    case 0x2029:
        return true;
    default:
        return false;
    }
}

} // namespace

QString EncodingChooserSheet::previewText(std::span<const std::uint8_t> sample,
                                          TextEncoding encoding)
{
    const auto mark = EditorCore::byteOrderMark(encoding);
    if (!mark.empty() && sample.size() >= mark.size()
        && std::equal(mark.begin(), mark.end(), sample.begin()))
        sample = sample.subspan(mark.size());

    std::optional<std::u16string> decoded;
    for (std::size_t cut = 0; cut <= 3 && !decoded; ++cut) {
        if (cut > 0 && cut >= sample.size())
            break;
        auto attempt = EditorCore::TextCodec::decode(
            sample.first(sample.size() - cut), encoding, EditorCore::StripByteOrderMark::no);
        if (attempt)
            decoded = std::move(*attempt);
    }
    if (!decoded)
        return EditorKit::localized("(이 인코딩으로는 읽히지 않아요)");

    // Every separator splits, so CR LF leaves an empty piece between its two halves.
    QStringList pieces;
    QString piece;
    for (char16_t unit : *decoded) {
        if (pieces.size() == 3)
            break;
        if (isLineSeparator(QChar(unit))) {
            pieces.append(piece);
            piece.clear();
        } else {
            piece.append(QChar(unit));
        }
    }
    if (pieces.size() < 3)
        pieces.append(piece);
    return pieces.join(QLatin1Char('\n'));
}

EncodingChooserSheet::EncodingChooserSheet(std::span<const std::uint8_t> fileStart,
                                           const std::vector<TextEncoding>& choices,
                                           std::optional<TextEncoding> current,
                                           std::optional<TextEncoding> detected,
                                           QWidget* parent,
                                           const EditorViews::EditorFontSettings& fontSettings)
    : QDialog(parent)
{
    setWindowModality(Qt::WindowModal);
    setFixedWidth(560);

    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(12);
    layout->setContentsMargins(22, 20, 22, 18);

    auto* title = new QLabel(EditorKit::localized("이 파일을 어떤 인코딩으로 읽을까요?"), this);
    QFont titleFont = title->font();
    titleFont.setBold(true);
    titleFont.setPixelSize(13);
    title->setFont(titleFont);
    layout->addWidget(title);
    m_subject = new QLabel(this);
    m_subject->setTextFormat(Qt::PlainText);
    m_subject->setVisible(false);
    layout->addWidget(m_subject);

    auto* explanation =
        new QLabel(EditorKit::localized(
                       "글자가 바르게 보이는 것을 고르세요. 고른 인코딩은 이 파일에 기억해요."),
                   this);
    explanation->setWordWrap(true);
    explanation->setForegroundRole(QPalette::PlaceholderText);
    layout->addWidget(explanation);

    const auto sample = fileStart.first(std::min(fileStart.size(), sampleLength));
    m_previewFont = EditorViews::editorFont(std::nullopt, std::nullopt, 0.9, fontSettings);
    const QFont& previewFont = m_previewFont;
    // The buttons sit in separate rows; the group keeps them exclusive.
    auto* group = new QButtonGroup(this);
    group->setExclusive(true);
    auto* choiceList = new QVBoxLayout;
    choiceList->setSpacing(8);
    for (TextEncoding encoding : choices) {
        QString name = DisplayNames::displayName(encoding);
        if (detected && *detected == encoding)
            name += EditorKit::localized(" — 판별이 고른 것");
        auto* radio = new QRadioButton(name, this);
        radio->setChecked(current && *current == encoding);
        group->addButton(radio);
        m_choices.emplace_back(encoding, radio);

        auto* preview = new QLabel(this);
        preview->setFont(previewFont);
        preview->setForegroundRole(QPalette::PlaceholderText);
        preview->setTextFormat(Qt::PlainText);
        preview->setMaximumWidth(500);
        // At most three lines, each cut at the tail to the preview's width.
        QStringList lines = previewText(sample, encoding).split(QLatin1Char('\n'));
        const QFontMetrics metrics(previewFont);
        for (QString& line : lines)
            line = metrics.elidedText(line, Qt::ElideRight, 500);
        preview->setText(lines.join(QLatin1Char('\n')));

        auto* pair = new QVBoxLayout;
        pair->setSpacing(2);
        pair->addWidget(radio);
        pair->addWidget(preview);
        choiceList->addLayout(pair);
    }
    layout->addLayout(choiceList);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* cancelButton = new QPushButton(EditorKit::localized("취소"), this);
    auto* chooseButton = new QPushButton(EditorKit::localized("고르기"), this);
    chooseButton->setDefault(true);
    buttons->addWidget(cancelButton);
    buttons->addWidget(chooseButton);
    layout->addLayout(buttons);
    connect(cancelButton, &QPushButton::clicked, this, [this] { cancel(); });
    connect(chooseButton, &QPushButton::clicked, this, [this] { choose(); });
}

void EncodingChooserSheet::setSubject(const QString& name)
{
    setWindowTitle(name);
    m_subject->setText(EditorKit::localized("「%1」").arg(name));
    m_subject->setVisible(!name.isEmpty());
}

QString EncodingChooserSheet::subject() const
{
    return windowTitle();
}

void EncodingChooserSheet::choose()
{
    std::optional<TextEncoding> answer;
    for (const auto& [encoding, button] : m_choices) {
        if (button->isChecked()) {
            answer = encoding;
            break;
        }
    }
    finish(answer);
}

void EncodingChooserSheet::cancel()
{
    finish(std::nullopt);
}

void EncodingChooserSheet::reject()
{
    finish(std::nullopt);
}

void EncodingChooserSheet::finish(std::optional<TextEncoding> answer)
{
    // A second click finds no handler: the answer is delivered once.
    auto handler = std::move(onChoose);
    onChoose = nullptr;
    done(answer ? QDialog::Accepted : QDialog::Rejected);
    if (handler)
        handler(answer);
}

} // namespace EditorWindow
