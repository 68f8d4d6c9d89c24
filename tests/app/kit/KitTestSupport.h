#pragma once

#include "app/kit/Responder.h"

#include <QObject>
#include <QString>
#include <QWidget>

#include <map>
#include <optional>
#include <string>
#include <vector>

// A chain link that answers the actions it was given and records what reached it.
class RecordingResponder
    : public QObject
    , public EditorKit::ActionTableResponder
{
public:
    struct Received
    {
        std::string action;
        EditorKit::ActionSender sender;
    };

    explicit RecordingResponder(QString name, QObject* parent = nullptr)
        : QObject(parent)
        , m_name(std::move(name))
    {}

    void answer(const std::string& action, bool enabled = true)
    {
        addHandler(
            action,
            [this, action](const EditorKit::ActionSender& sender) {
                received.push_back({action, sender});
            },
            [enabled](const EditorKit::ActionSender&) { return enabled; });
    }

    const QString& name() const { return m_name; }

    std::optional<bool> actionState(std::string_view action,
                                    const EditorKit::ActionSender&) const override
    {
        auto found = states.find(std::string(action));
        if (found == states.end())
            return std::nullopt;
        return found->second;
    }

    std::vector<Received> received;
    // The switches this link knows the state of.
    std::map<std::string, bool> states;

private:
    QString m_name;
};

// A view inside a tab page that is itself a link of the chain.
class RecordingView
    : public QWidget
    , public EditorKit::ActionTableResponder
{
public:
    using QWidget::QWidget;
    std::vector<std::string> received;

    void answer(const std::string& action)
    {
        addHandler(action,
                   [this, action](const EditorKit::ActionSender&) { received.push_back(action); });
    }
};
