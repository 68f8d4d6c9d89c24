#pragma once

#include "app/views/EditorFont.h"
#include "core/TextEncoding.h"

#include <QDialog>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <utility>
#include <vector>

class QLabel;
class QRadioButton;

namespace EditorWindow {

// The sheet that shows the start of a file decoded in each offered encoding, one radio button
// and a short preview per encoding, and reports the one the user picks. Window-modal over the
// document window; the caller decides what to offer and what to do with the answer.
class EncodingChooserSheet : public QDialog
{
public:
    // The bytes read from the file's start at most.
    static constexpr std::size_t sampleLength = 4096;

    // `fileStart`: the file's first bytes (only the first `sampleLength` are used). `current`
    // starts on; `detected` gets a mark in its title.
    EncodingChooserSheet(std::span<const std::uint8_t> fileStart,
                         const std::vector<EditorCore::TextEncoding>& choices,
                         std::optional<EditorCore::TextEncoding> current,
                         std::optional<EditorCore::TextEncoding> detected,
                         QWidget* parent = nullptr,
                         const EditorViews::EditorFontSettings& fontSettings = {});

    // The previews' font: the editor's font from the settings, a little smaller.
    const QFont& previewFont() const { return m_previewFont; }

    // The answer, none for a cancel. Called at most once.
    std::function<void(std::optional<EditorCore::TextEncoding>)> onChoose;
    // The name of the file asked about, shown under the question and as the window title.
    void setSubject(const QString& name);
    QString subject() const;

    const std::vector<std::pair<EditorCore::TextEncoding, QRadioButton*>>& choices() const
    {
        return m_choices;
    }

    // "고르기": the checked encoding, none when no button is on.
    void choose();
    // "취소".
    void cancel();

    // The first three lines of the sample decoded strictly in the encoding (a byte-order
    // mark dropped, up to three cut bytes at the end forgiven), or the note that it does not
    // decode.
    static QString previewText(std::span<const std::uint8_t> sample,
                               EditorCore::TextEncoding encoding);

protected:
    void reject() override;

private:
    void finish(std::optional<EditorCore::TextEncoding> answer);

    QFont m_previewFont;
    std::vector<std::pair<EditorCore::TextEncoding, QRadioButton*>> m_choices;
    QLabel* m_subject = nullptr;
};

} // namespace EditorWindow
