#pragma once

#include <QString>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace EditorKit {

// What sent an action: a menu item (with the command identifier and the tag it carries), a
// tool-band button, or anything else (the palette, code).
struct ActionSender
{
    enum class Kind { menuItem, button, other };

    Kind kind = Kind::other;
    // The command identifier's raw value ("window.selectTab9"), empty when there is none.
    QString identifier;
    // 1...9 on the tab items; 0 otherwise.
    int tag = 0;
};

// One link of the responder chain. Actions are the catalog's selector strings ("toggleWrap:").
// The router asks each link in turn whether it implements an action; the first one that does
// decides alone whether the action is enabled now and performs it.
class Responder
{
public:
    virtual ~Responder() = default;

    virtual bool respondsToAction(std::string_view action) const = 0;
    // Asked only when respondsToAction() is true; decides whether menu items and shortcuts for
    // the action are enabled.
    virtual bool validateAction(std::string_view action, const ActionSender& sender) const
    {
        (void)action;
        (void)sender;
        return true;
    }
    virtual void performAction(std::string_view action, const ActionSender& sender) = 0;
    // Whether the switch that `sender` names is on now, for the check mark of its menu item;
    // nullopt when this link does not know. Asked of every link in turn, not only the target:
    // the state of a switch may be kept by another link than the one that flips it.
    virtual std::optional<bool> actionState(std::string_view action,
                                            const ActionSender& sender) const
    {
        (void)action;
        (void)sender;
        return std::nullopt;
    }
};

// A responder made of a table of handlers, for links that answer a fixed set of actions.
class ActionTableResponder : public Responder
{
public:
    using Handler = std::function<void(const ActionSender&)>;
    using Validator = std::function<bool(const ActionSender&)>;

    // Named apart from QWidget::addAction, since views are responders too.
    // Replaces an earlier handler of the same action. Without a validator the action is always
    // enabled.
    void addHandler(std::string action, Handler handler, Validator validator = {});
    void removeHandler(std::string_view action);

    bool respondsToAction(std::string_view action) const override;
    bool validateAction(std::string_view action, const ActionSender& sender) const override;
    void performAction(std::string_view action, const ActionSender& sender) override;

private:
    struct Entry
    {
        Handler handler;
        Validator validator;
    };
    std::map<std::string, Entry, std::less<>> m_actions;
};

} // namespace EditorKit
