#include "app/shell/GlobalHotKey.h"

#include "app/kit/KeyMapping.h"
#include "app/kit/Localized.h"
#include "app/shell/X11KeyGrab.h"
#include "commands/KeyShortcut.h"
#include "platform/SystemLog.h"

#include <QGuiApplication>
#include <QTimer>

#include <array>
#include <vector>

namespace EditorShell {

namespace {

using EditorCommands::KeyShortcut;

struct ModifierWord
{
    std::string_view word;
    std::uint32_t mask;
    const char16_t* glyph;
    KeyShortcut::Modifier modifier;
};

constexpr std::array<ModifierWord, 4> modifierWords = {{
    {"ctrl", GlobalHotKey::controlMask, u"⌃", KeyShortcut::Modifier::control},
    {"opt", GlobalHotKey::optionMask, u"⌥", KeyShortcut::Modifier::option},
    {"shift", GlobalHotKey::shiftMask, u"⇧", KeyShortcut::Modifier::shift},
    {"cmd", GlobalHotKey::commandMask, u"⌘", KeyShortcut::Modifier::command},
}};

const ModifierWord* modifierWord(std::string_view word)
{
    for (const auto& entry : modifierWords)
        if (entry.word == word)
            return &entry;
    return nullptr;
}

std::optional<std::uint32_t> keyCode(std::string_view key)
{
    if (key == "n")
        return 45;
    if (key == "m")
        return 46;
    if (key == "space")
        return 49;
    return std::nullopt;
}

std::vector<std::string_view> pieces(std::string_view text)
{
    std::vector<std::string_view> result;
    while (!text.empty()) {
        auto plus = text.find('+');
        auto piece = text.substr(0, plus);
        if (!piece.empty())
            result.push_back(piece);
        if (plus == std::string_view::npos)
            break;
        text.remove_prefix(plus + 1);
    }
    return result;
}

void writeSystemLog(std::string_view message)
{
    Platform::SystemLog::write(
        "app.orlune.viewer", "hotKey", Platform::SystemLog::Level::info, message);
}

} // namespace

std::optional<GlobalHotKey::Chord> GlobalHotKey::parse(std::string_view text)
{
    if (text == "off")
        return std::nullopt;
    auto parts = pieces(text);
    if (parts.empty())
        return std::nullopt;
    auto code = keyCode(parts.back());
    if (!code)
        return std::nullopt;
    Chord chord{*code, 0};
    for (std::size_t i = 0; i + 1 < parts.size(); ++i)
        if (const auto* word = modifierWord(parts[i]))
            chord.modifiers |= word->mask;
    return chord;
}

QString GlobalHotKey::displayText(std::string_view text)
{
    if (text == "off")
        return EditorKit::localized("끔");
    auto parts = pieces(text);
    QString key;
    if (!parts.empty()) {
        key =
            parts.back() == "space"
                ? QStringLiteral("Space")
                : QString::fromUtf8(parts.back().data(), qsizetype(parts.back().size())).toUpper();
    }
    QString result;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i)
        if (const auto* word = modifierWord(parts[i]))
            result += QString::fromUtf16(word->glyph);
    return result + key;
}

QString GlobalHotKey::shortcutText(std::string_view text)
{
    if (text == "off")
        return EditorKit::localized("끔");
    auto parts = pieces(text);
    if (parts.empty() || !keyCode(parts.back()))
        return displayText(text);
    KeyShortcut shortcut{std::string(parts.back()), {}};
    for (std::size_t i = 0; i + 1 < parts.size(); ++i)
        if (const auto* word = modifierWord(parts[i]))
            shortcut.modifiers.insert(word->modifier);
    auto shown = EditorKit::KeyMapping::shortcutText(shortcut);
    return shown.isEmpty() ? displayText(text) : shown;
}

Qt::KeyboardModifiers GlobalHotKey::qtModifiers(std::uint32_t mask)
{
    KeyShortcut::ModifierSet modifiers;
    for (const auto& entry : modifierWords)
        if (mask & entry.mask)
            modifiers.insert(entry.modifier);
    return EditorKit::KeyMapping::qtModifiers(modifiers);
}

GlobalHotKey& GlobalHotKey::shared()
{
    static GlobalHotKey* hotKey = new GlobalHotKey(X11KeyGrab::create());
    return *hotKey;
}

GlobalHotKey::GlobalHotKey(std::unique_ptr<KeyGrab> grab, Log log)
    : m_grab(std::move(grab))
    , m_log(log ? std::move(log) : Log(writeSystemLog))
{}

GlobalHotKey::~GlobalHotKey()
{
    if (m_grab)
        m_grab->release();
}

void GlobalHotKey::registerHotKey(std::string_view text, std::function<void()> action)
{
    if (m_grab)
        m_grab->release();
    m_registered = false;
    *m_action = std::move(action);
    auto chord = parse(text);
    if (!chord)
        return;
    if (!m_grab) {
        if (!m_saidNoGrab) {
            m_saidNoGrab = true;
            m_log("hot key: no desktop-wide key grab on the \""
                  + QGuiApplication::platformName().toStdString()
                  + "\" platform; the quick memo's hot key is off for this run");
        }
        return;
    }
    std::weak_ptr<std::function<void()>> current = m_action;
    m_registered = m_grab->grab(chord->keyCode, chord->modifiers, [current] {
        // Never inside the event handling: the action may open windows and run dialogs.
        QTimer::singleShot(0, [current] {
            if (auto inForce = current.lock(); inForce && *inForce)
                (*inForce)();
        });
    });
    if (!m_registered)
        m_log("hot key: " + std::string(text) + " is taken by another program");
}

} // namespace EditorShell
