#include "app/window/toolband/ToolBandFeature.h"

#include "app/kit/NotificationCenter.h"
#include "app/views/EditorTextView.h"
#include "app/window/DocumentWindowController.h"
#include "app/window/toolband/ToolBand.h"
#include "store/Settings.h"

#include <QApplication>
#include <QUndoStack>

#include <algorithm>

namespace EditorWindow {

ToolBandFeature::~ToolBandFeature()
{
    delete m_band;
}

ToolBandView* ToolBandFeature::band() const
{
    return m_band;
}

void ToolBandFeature::attach(DocumentWindowController& window)
{
    m_window = &window;
    followSetting();
    connect(
        &window, &DocumentWindowController::statusDidUpdate, this, [this] { setNeedsRefresh(); });
    connect(qApp, &QApplication::focusChanged, this, [this] { setNeedsRefresh(); });
    connect(&EditorKit::NotificationCenter::shared(),
            &EditorKit::NotificationCenter::posted,
            this,
            [this](const QString& name) {
                if (name == EditorKit::NotificationCenter::actionDidSend)
                    setNeedsRefresh();
            });
    if (QUndoStack* stack = window.textView()->undoStack()) {
        connect(stack, &QUndoStack::canUndoChanged, this, [this] { setNeedsRefresh(); });
        connect(stack, &QUndoStack::canRedoChanged, this, [this] { setNeedsRefresh(); });
    }
}

void ToolBandFeature::detach()
{
    delete m_band;
    m_window = nullptr;
}

bool ToolBandFeature::isShown() const
{
    if (!m_window)
        return false;
    EditorStore::Settings* settings = m_window->environment().settings;
    return (settings ? *settings : EditorStore::Settings::shared())
        .value(EditorStore::SettingKeys::viewShowToolbar);
}

void ToolBandFeature::followSetting()
{
    if (isShown() && !m_band) {
        m_band = new ToolBandView(*m_window);
        m_band->refresh();
    } else if (!isShown() && m_band) {
        // Out of the bands first, then gone; a band turned on again is made afresh.
        QPointer<ToolBandView> old = m_band;
        m_band = nullptr;
        m_window->layoutBands();
        delete old;
    }
}

void ToolBandFeature::setNeedsRefresh()
{
    if (m_band)
        m_band->setNeedsRefresh();
}

void ToolBandFeature::textDidEdit(const EditorViews::EditRecord&)
{
    setNeedsRefresh();
}

void ToolBandFeature::selectionDidChange(EditorViews::TextRange)
{
    setNeedsRefresh();
}

void ToolBandFeature::settingsDidChange(const std::vector<std::string>& changedKeys)
{
    if (std::find(changedKeys.begin(), changedKeys.end(), "view.showToolbar")
        != changedKeys.end()) {
        const bool had = m_band;
        followSetting();
        if (!had && m_band)
            m_window->layoutBands();
    }
    setNeedsRefresh();
}

void ToolBandFeature::windowBecameKey()
{
    setNeedsRefresh();
}

WindowFeature::Bands ToolBandFeature::bands() const
{
    Bands bands;
    if (m_band)
        bands.aboveBanners.push_back(m_band);
    return bands;
}

} // namespace EditorWindow
