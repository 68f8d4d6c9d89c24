#pragma once

#include "app/window/WindowFeature.h"
#include "core/LineEnding.h"
#include "core/Result.h"
#include "core/TextRange.h"
#include "core/TextTidy.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace EditorWindow {

// The commands that rewrite text in place (format, minify, the line tidies, case changes) and
// the pop-up menus of the tidy and multi-caret commands. Every transform runs in one frame:
// nothing on a read-only text; the selection, or the whole text without one (the line tidies
// take the whole lines covering the selection); a failure shows a "tidy" banner and changes
// nothing; success removes that banner and, unless the result equals the text it replaces,
// makes one undoable step named after the command. Large texts are transformed on a worker
// and the answer is dropped when the text changed meanwhile; other languages than JSON and
// XML format through the formatter center. Main thread only.
class TidyFeature
    : public QObject
    , public WindowFeature
{
    Q_OBJECT
public:
    static constexpr const char* bannerKey = "tidy";
    // Texts at least this long (UTF-16 units) are transformed on the worker.
    static constexpr std::int64_t defaultWorkerThreshold = 32'768;

    explicit TidyFeature(std::int64_t workerThreshold = defaultWorkerThreshold);
    ~TidyFeature() override;

    void attach(DocumentWindowController& window) override;
    void detach() override;

    bool respondsToAction(std::string_view action) const override;
    bool validateAction(std::string_view action,
                        const EditorKit::ActionSender& sender) const override;
    void performAction(std::string_view action, const EditorKit::ActionSender& sender) override;

    using Outcome = EditorCore::Result<std::u16string, EditorCore::TextTidy::Failure>;

    // Whether a transform or a formatter request is under way (tests).
    bool isBusy() const { return m_pending > 0; }

private:
    enum class Scope { selection, lines };
    using Transform = std::function<Outcome(std::u16string_view)>;

    // What one request took from the window, to apply its answer or drop it.
    struct Request
    {
        EditorCore::TextRange range;
        std::u16string piece;
        bool hadSelection = false;
        std::int64_t caret = 0;
        QString snapshot;
        std::uint64_t version = 0;
        QString title;
    };

    void runTransform(Scope scope, const char* title, Transform transform);
    void formatText();
    void formatWithPrettier(const std::string& parser);
    std::optional<Request> takeRequest(Scope scope, const char* title) const;
    bool textChangedSince(const Request& request) const;
    void apply(const Request& request, const std::u16string& result);
    void reportTidyFailure(const EditorCore::TextTidy::Failure& failure, std::int64_t rangeStart);
    void showFailure(const QString& text);
    void offerDownload(const std::string& parser);
    void showMenu(bool tidy);
    // Counts requests under way; shows a busy cursor when one takes longer than a moment.
    void beginWork();
    void endWork();
    std::int64_t documentLine(std::int64_t line, std::int64_t rangeStart) const;

    DocumentWindowController* m_window = nullptr;
    std::int64_t m_workerThreshold;
    int m_pending = 0;
    QTimer m_busyTimer;
    bool m_busyShown = false;
};

} // namespace EditorWindow
