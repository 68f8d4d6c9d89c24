#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace EditorCommands {

// A key with the modifier keys held with it, as the catalog stores it: `key` is a lower-case
// letter, a digit, one punctuation character (, . / ' [ ] - + =) or one of the named keys
// "up", "down", "left", "right", "tab".
struct KeyShortcut
{
    // Raw values are fixed: they order the modifiers (control < option < shift < command).
    enum class Modifier : std::uint8_t { control = 0, option = 1, shift = 2, command = 3 };

    // A set of modifiers; equality and hashing do not depend on the order of insertion.
    class ModifierSet
    {
    public:
        constexpr ModifierSet() = default;
        constexpr ModifierSet(std::initializer_list<Modifier> modifiers)
        {
            for (auto modifier : modifiers)
                insert(modifier);
        }

        constexpr bool contains(Modifier modifier) const { return (m_bits & bit(modifier)) != 0; }
        constexpr void insert(Modifier modifier) { m_bits |= bit(modifier); }
        constexpr void erase(Modifier modifier) { m_bits &= ~bit(modifier); }
        constexpr bool empty() const { return m_bits == 0; }
        // Bit n stands for the modifier with raw value n.
        constexpr std::uint8_t bits() const { return m_bits; }
        // The members in ascending raw-value order.
        std::vector<Modifier> sorted() const;

        constexpr bool operator==(const ModifierSet&) const = default;

    private:
        static constexpr std::uint8_t bit(Modifier modifier)
        {
            return static_cast<std::uint8_t>(1u << static_cast<unsigned>(modifier));
        }
        std::uint8_t m_bits = 0;
    };

    std::string key;
    ModifierSet modifiers;

    // The display text: modifier glyphs in ⌃⌥⇧⌘ order, then the key (arrows and tab as glyphs,
    // anything else upper-cased), with nothing between them. UTF-8.
    std::string description() const;

    bool operator==(const KeyShortcut&) const = default;
};

// Nothing for a raw value outside 0...3.
std::optional<KeyShortcut::Modifier> modifierFromRawValue(int rawValue);

std::ostream& operator<<(std::ostream&, const KeyShortcut&);
std::ostream& operator<<(std::ostream&, const std::optional<KeyShortcut>&);

} // namespace EditorCommands

template<>
struct std::hash<EditorCommands::KeyShortcut>
{
    std::size_t operator()(const EditorCommands::KeyShortcut& shortcut) const noexcept
    {
        std::size_t seed = std::hash<std::string>{}(shortcut.key);
        return seed ^ (std::size_t{shortcut.modifiers.bits()} * 0x9e3779b97f4a7c15ull);
    }
};
