#pragma once

#include "app/window/formats/EncodingChooserSheet.h"
#include "app/window/LineEndingConversion.h"
#include "app/window/WindowFeature.h"
#include "core/LineEnding.h"
#include "core/TextEncoding.h"

#include <QObject>
#include <QPointer>

#include <memory>
#include <optional>
#include <vector>

class QMenu;

namespace EditorKit {
class Presenter;
}

namespace EditorWindow {

// The menus of the encoding, line-ending, indentation and language segments of the status bar
// and the format changes they make: converting line endings, the encoding and the indentation
// (each one undoable step), the byte-order mark, reading the file again in another encoding,
// and the encoding chooser. Menus are built anew at each click and show that moment's state.
class FormatMenusFeature
    : public QObject
    , public WindowFeature
    , public LineEndingConversion
{
public:
    FormatMenusFeature();
    ~FormatMenusFeature() override;

    void attach(DocumentWindowController& window) override;
    void detach() override;
    void windowDidOpen() override;
    bool statusSegmentClicked(StatusBarView::Segment segment, QPushButton* button) override;

    bool respondsToAction(std::string_view action) const override;
    bool validateAction(std::string_view action,
                        const EditorKit::ActionSender& sender) const override;
    void performAction(std::string_view action, const EditorKit::ActionSender& sender) override;

    // The menus as the segments pop them up (the caller owns them).
    std::unique_ptr<QMenu> encodingMenu();
    std::unique_ptr<QMenu> lineEndingMenu();
    std::unique_ptr<QMenu> indentationMenu();
    std::unique_ptr<QMenu> languageMenu();

    void convertLineEndings(EditorCore::LineEnding ending) override;
    // Keeps the text and writes it in `target` from now on; characters the target cannot
    // hold are asked about first.
    void convertEncoding(EditorCore::TextEncoding target);
    void toggleByteOrderMark();
    // Reads the file again in the encoding, asking first when there are unsaved edits.
    void confirmDiscardAndReopen(EditorCore::TextEncoding encoding);
    void reopenWithEncoding(EditorCore::TextEncoding encoding);
    void convertIndentation(bool toTabs);
    void detectIndentation();
    void presentEncodingChooser();
    // The chooser while it is up.
    EncodingChooserSheet* activeSheet() const { return m_activeSheet; }

    // What the chooser offers: the guess's candidates, the current encoding, then the common
    // ones; each once, never EUC-KR, at most six.
    static std::vector<EditorCore::TextEncoding>
    chooserOffer(const std::vector<EditorCore::TextEncoding>& candidates,
                 EditorCore::TextEncoding current);

private:
    EditorKit::Presenter& presenter();
    bool isEditable() const;

    DocumentWindowController* m_window = nullptr;
    std::shared_ptr<EditorKit::Presenter> m_ownPresenter;
    QPointer<EncodingChooserSheet> m_activeSheet;
};

} // namespace EditorWindow
