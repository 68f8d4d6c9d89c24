// Follows a generated log of 100 MiB that grows by 8 MiB between steps, through a document
// window with the shipped features (offscreen Qt), and prints the interface thread's time of
// each step: the read, the decode, the append through the edit pipeline and the turn of the
// event loop that refreshes the window. The log is made and deleted here.
#include "app/documents/SnapshotStrings.h"
#include "app/kit/ActionRouter.h"
#include "app/views/EditorTextView.h"
#include "app/window/DocumentWindowController.h"
#include "app/window/follow/FollowFeature.h"
#include "app/window/WindowDocument.h"
#include "core/DiskIdentity.h"
#include "platform/PreferencesDomain.h"
#include "store/Settings.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QUndoStack>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

class FollowedDocument
    : public QObject
    , public EditorWindow::WindowDocument
{
public:
    FollowedDocument(std::filesystem::path url, QString text)
        : m_url(std::move(url))
        , m_text(std::move(text))
        , m_identity(EditorCore::DiskIdentity::read(m_url, 0))
    {}
    QObject* documentObject() override { return this; }
    std::optional<std::filesystem::path> fileURL() const override { return m_url; }
    QString displayName() const override { return QStringLiteral("follow.log"); }
    EditorCore::TextEncoding encoding() const override { return EditorCore::TextEncoding::utf8; }
    bool hasByteOrderMark() const override { return false; }
    bool isEncodingGuessUnsure() const override { return false; }
    EditorCore::LineEndingSummary lineEndings() const override { return {}; }
    std::optional<EditorCore::IndentStyle> indentStyle() const override { return std::nullopt; }
    bool indentChosenByUser() const override { return false; }
    bool isReadOnly() const override { return false; }
    bool isExternalCopy() const override { return false; }
    bool hasLargeFile() const override { return false; }
    bool isWritingToDisk() const override { return false; }
    EditorCore::TextSnapshot loadedText() const override
    {
        return EditorDocuments::snapshotOf(m_text);
    }
    std::optional<QString> openedText() const override { return m_text; }
    QUndoStack* undoStack() override { return &m_stack; }
    bool isEdited() const override { return false; }
    std::optional<EditorCore::EncodingGuess> encodingGuess() const override { return std::nullopt; }
    void setLineEndings(const EditorCore::LineEndingSummary&) override {}
    void changeEncoding(EditorCore::TextEncoding, bool, const QString&) override {}
    void chooseIndentStyle(std::optional<EditorCore::IndentStyle>) override {}
    void reopen(EditorCore::TextEncoding, std::function<void(bool)> done) override
    {
        if (done)
            done(false);
    }
    // As a document does once its window holds the text: the string is the window's alone.
    void dropText() { m_text = QString(); }
    std::optional<EditorCore::DiskIdentity> diskIdentity() const override { return m_identity; }
    void adoptDiskIdentity(std::optional<EditorCore::DiskIdentity> identity) override
    {
        m_identity = std::move(identity);
    }

private:
    std::filesystem::path m_url;
    QString m_text;
    std::optional<EditorCore::DiskIdentity> m_identity;
    QUndoStack m_stack;
};

std::string logLines(std::uint64_t bytes, std::uint64_t& line)
{
    std::string text;
    text.reserve(bytes + 200);
    char buffer[200];
    while (text.size() < bytes) {
        const int length = std::snprintf(buffer,
                                         sizeof buffer,
                                         "2026-12-10 11:22:33.%03d INFO [worker-%02d] request %09llu "
                                         "handled in %3d ms status=200\n",
                                         int(line % 1000),
                                         int(line % 16),
                                         static_cast<unsigned long long>(line),
                                         int(line * 7 % 997));
        text.append(buffer, static_cast<std::size_t>(length));
        ++line;
    }
    return text;
}

} // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QTemporaryDir home;
    setenv("HOME", qPrintable(home.path()), 1);
    setenv("XDG_CONFIG_HOME", qPrintable(home.path() + "/config"), 1);
    setenv("XDG_DATA_HOME", qPrintable(home.path() + "/data"), 1);
    setenv("XDG_STATE_HOME", qPrintable(home.path() + "/state"), 1);
    QApplication application(argc, argv);

    const auto path = std::filesystem::path(home.path().toStdString()) / "follow.log";
    std::uint64_t line = 0;
    std::string initial = logLines(100ULL << 20, line);
    std::ofstream(path, std::ios::binary) << initial;
    QString text = QString::fromUtf8(initial.data(), static_cast<qsizetype>(initial.size()));
    initial = {};

    EditorStore::Settings settings(
        std::make_shared<Platform::PreferencesDomain>(
            std::filesystem::path(home.path().toStdString()) / "group-defaults.json"),
        {});
    EditorKit::ActionRouter router;
    FollowedDocument document(path, std::move(text));
    EditorWindow::WindowEnvironment environment;
    environment.settings = &settings;
    environment.homeFolder = home.path();
    EditorWindow::DocumentWindowController window(document, router, environment);
    window.page()->resize(1180, 640);
    document.dropText();
    application.processEvents();
    auto* follow = window.feature<EditorWindow::FollowFeature>();
    follow->startFollowing();
    if (!follow->isFollowing()) {
        std::fprintf(stderr, "follow mode did not start\n");
        return 1;
    }

    std::vector<double> times;
    std::vector<double> refreshes;
    for (int step = 0; step < 20; ++step) {
        std::ofstream(path, std::ios::binary | std::ios::app) << logLines(8ULL << 20, line);
        QElapsedTimer timer;
        timer.start();
        follow->followTick();
        const double tick = timer.nsecsElapsed() / 1e6;
        application.processEvents();
        times.push_back(timer.nsecsElapsed() / 1e6);
        refreshes.push_back(times.back() - tick);
    }
    std::sort(refreshes.begin(), refreshes.end());
    std::printf("of which the refresh turn after a step: median %.1f ms, max %.1f ms\n",
                refreshes[refreshes.size() / 2],
                refreshes.back());
    const double first = times.front();
    std::sort(times.begin(), times.end());
    std::printf("follow steps of 8 MiB on a 100 MiB document: first %.1f ms, median %.1f ms, "
                "max %.1f ms (text now %lld units)\n",
                first,
                times[times.size() / 2],
                times.back(),
                static_cast<long long>(window.textView()->text().size()));
    return 0;
}
