#include "core/ByteForms.h"

#include "core/IcuConverter.h"

#include <algorithm>
#include <mutex>
#include <optional>

namespace EditorCore {
namespace {

// A set of UTF-16 units, one bit each.
class UnitSet
{
public:
    void insert(char16_t unit) { m_bits[unit >> 6] |= std::uint64_t(1) << (unit & 63); }
    bool contains(char16_t unit) const { return (m_bits[unit >> 6] >> (unit & 63)) & 1; }
    // Sixteen units between branches: no branch per unit to mispredict, and the loads of one
    // block overlap.
    bool intersects(std::u16string_view text) const
    {
        const char16_t* p = text.data();
        const char16_t* const end = p + text.size();
        constexpr std::ptrdiff_t block = 16;
        for (; end - p >= block; p += block) {
            std::uint64_t found = 0;
            for (std::ptrdiff_t k = 0; k < block; ++k)
                found |= m_bits[p[k] >> 6] >> (p[k] & 63);
            if (found & 1)
                return true;
        }
        for (; p < end; ++p) {
            if (contains(*p))
                return true;
        }
        return false;
    }

private:
    std::array<std::uint64_t, 1024> m_bits{};
};

struct Sequence
{
    ByteForm form;
    std::uint16_t character = 0; // index into Table::characters
    bool isTableForm = false;
};

struct Character
{
    char16_t unit = 0;
    std::optional<ByteForm> tableForm;
};

// The sequences of one encoding that matter for byte forms: every form of every character the
// table does not give back as it was read. Slots hold an index into `sequences` plus one.
struct Table
{
    std::array<std::uint8_t, 256> lengths{}; // of a sequence starting with that byte; 0: invalid
    std::array<std::uint16_t, 256> singleSlots{};
    std::vector<std::uint16_t> pairSlots;   // first << 8 | second
    std::vector<std::uint16_t> tripleSlots; // EUC-JP 8F: second << 8 | third
    std::vector<Sequence> sequences;
    std::vector<Character> characters; // by unit
    UnitSet affected;
    DoubleByteTable::PairSet pairs{}; // every two-byte form in `sequences`
    bool hasOnlyPairs = true;

    bool hasSeveralForms() const { return !characters.empty(); }
};

constexpr std::uint8_t eucJPThreeByteLead = 0x8F;

ByteForm formOf(char16_t character, std::span<const std::uint8_t> bytes)
{
    ByteForm form;
    form.character = character;
    form.length = static_cast<std::uint8_t>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), form.bytes.begin());
    return form;
}

std::unique_ptr<const Table> generate(TextEncoding encoding)
{
    auto table = std::make_unique<Table>();
    auto converter = IcuConverter::open(icuConverterName(encoding));
    if (!converter)
        return table;

    // Found per character: the table's form (none when it cannot encode the character) and
    // every sequence it decodes from; kept only where one of those is not the table's form.
    struct Found
    {
        std::optional<ByteForm> tableForm;
        std::vector<ByteForm> forms;
        bool isOneToOne = true;
    };
    std::vector<std::optional<Found>> found(65536);
    std::vector<std::uint8_t> back;
    auto note = [&](char16_t unit, std::span<const std::uint8_t> bytes) {
        auto& entry = found[unit];
        if (!entry) {
            entry.emplace();
            // The text side of windows-31j has its three control codes swapped back.
            const char16_t icuUnit =
                encoding == TextEncoding::shiftJIS ? toWindows31jControl(unit) : unit;
            back.clear();
            if (converter->encode(std::u16string_view(&icuUnit, 1), back) && !back.empty()
                && back.size() <= 3)
                entry->tableForm = formOf(unit, back);
        }
        const ByteForm form = formOf(unit, bytes);
        entry->forms.push_back(form);
        if (!entry->tableForm || !(*entry->tableForm == form))
            entry->isOneToOne = false;
    };

    if (const auto* decoded = DoubleByteTable::forEncoding(encoding)) {
        // The double-byte table has every pair decoded already (large files need it anyway):
        // only the characters are encoded here.
        for (unsigned first = 0; first < 256; ++first) {
            const auto lead = std::uint8_t(first);
            if (!decoded->isLead(lead)) {
                const char16_t unit = decoded->single(lead);
                if (unit != u'\0' || first == 0) {
                    const std::uint8_t one[] = {lead};
                    note(unit, one);
                    table->lengths[first] = 1;
                }
                continue;
            }
            table->lengths[first] = 2;
            for (unsigned second = 0; second < 256; ++second) {
                const auto trail = std::uint8_t(second);
                if (const char16_t unit = decoded->pair(lead, trail); unit != u'\0') {
                    const std::uint8_t two[] = {lead, trail};
                    note(unit, two);
                }
            }
        }
    } else {
        std::u16string text;
        auto visit = [&](std::span<const std::uint8_t> bytes) {
            text.clear();
            if (!converter->decode(bytes, text) || text.size() != 1)
                return false;
            note(encoding == TextEncoding::shiftJIS ? fromWindows31jControl(text[0]) : text[0],
                 bytes);
            return true;
        };
        for (unsigned first = 0; first < 256; ++first) {
            const std::uint8_t one[] = {std::uint8_t(first)};
            if (visit(one)) {
                table->lengths[first] = 1;
                continue;
            }
            if (encoding == TextEncoding::eucJP && first == eucJPThreeByteLead) {
                for (unsigned pair = 0; pair < 65536; ++pair) {
                    const std::uint8_t three[] = {
                        std::uint8_t(first), std::uint8_t(pair >> 8), std::uint8_t(pair)};
                    if (visit(three))
                        table->lengths[first] = 3;
                }
                continue;
            }
            for (unsigned second = 0; second < 256; ++second) {
                const std::uint8_t two[] = {std::uint8_t(first), std::uint8_t(second)};
                if (visit(two))
                    table->lengths[first] = 2;
            }
        }
    }

    for (unsigned unit = 0; unit < 65536; ++unit) {
        const auto& entry = found[unit];
        if (!entry || entry->isOneToOne)
            continue;
        const auto character = static_cast<std::uint16_t>(table->characters.size());
        table->characters.push_back({char16_t(unit), entry->tableForm});
        table->affected.insert(char16_t(unit));
        for (const auto& form : entry->forms) {
            const bool isTableForm = entry->tableForm && *entry->tableForm == form;
            table->sequences.push_back({form, character, isTableForm});
        }
    }
    if (table->sequences.empty())
        return table;

    table->pairSlots.assign(65536, 0);
    if (encoding == TextEncoding::eucJP)
        table->tripleSlots.assign(65536, 0);
    for (std::size_t i = 0; i < table->sequences.size(); ++i) {
        const auto slot = static_cast<std::uint16_t>(i + 1);
        const auto& sequence = table->sequences[i];
        const auto& b = sequence.form.bytes;
        if (sequence.form.length != 2)
            table->hasOnlyPairs = false;
        switch (sequence.form.length) {
        case 1:
            table->singleSlots[b[0]] = slot;
            break;
        case 2: {
            const std::size_t code = std::size_t(b[0]) << 8 | b[1];
            table->pairSlots[code] = slot;
            table->pairs[code >> 6] |= std::uint64_t(1) << (code & 63);
            break;
        }
        default:
            table->tripleSlots[std::size_t(b[1]) << 8 | b[2]] = slot;
            break;
        }
    }
    return table;
}

// The tables that generation finds not one-to-one (the tests generate every table to keep
// this list true), so that no other encoding pays for a look.
bool mayHaveSeveralForms(TextEncoding encoding)
{
    return encoding == TextEncoding::shiftJIS || encoding == TextEncoding::eucJP
           || encoding == TextEncoding::big5;
}

const Table* tableFor(TextEncoding encoding)
{
    if (!mayHaveSeveralForms(encoding))
        return nullptr;
    static std::array<std::once_flag, allTextEncodings.size()> once;
    static std::array<std::unique_ptr<const Table>, allTextEncodings.size()> tables;
    const auto index = static_cast<std::size_t>(encoding);
    std::call_once(once[index], [&] { tables[index] = generate(encoding); });
    const Table* table = tables[index].get();
    return table && table->hasSeveralForms() ? table : nullptr;
}

} // namespace

std::ostream& operator<<(std::ostream& out, const ByteForm& form)
{
    constexpr char digits[] = "0123456789ABCDEF";
    out << "U+";
    for (int shift = 12; shift >= 0; shift -= 4)
        out << digits[(form.character >> shift) & 0xF];
    out << " as";
    for (auto byte : form.sequence())
        out << ' ' << digits[byte >> 4] << digits[byte & 0xF];
    return out;
}

std::ostream& operator<<(std::ostream& out, const ByteForms& forms)
{
    out << "ByteForms{" << forms.encoding();
    for (const auto& form : forms.kept())
        out << ", " << form;
    if (!forms.mixed().empty())
        out << ", mixed " << forms.mixed().size();
    return out << '}';
}

bool ByteForms::hasSeveralForms(TextEncoding encoding)
{
    return tableFor(encoding) != nullptr;
}

struct ByteForms::Reader::State
{
    TextEncoding encoding;
    const Table* table = nullptr;
    // Per character of the table: the sequence first seen (an index into the table's
    // sequences plus one), and whether another one came later.
    std::vector<std::uint16_t> firstSeen;
    std::vector<bool> isMixed;

    void note(std::uint16_t slot)
    {
        const auto character = table->sequences[slot - 1].character;
        if (firstSeen[character] == 0)
            firstSeen[character] = slot;
        else if (firstSeen[character] != slot)
            isMixed[character] = true;
    }
    // Every character of the bytes, in order.
    void walk(std::span<const std::uint8_t> bytes)
    {
        const std::uint8_t* p = bytes.data();
        const std::uint8_t* const end = p + bytes.size();
        while (p < end) {
            const std::uint8_t first = *p;
            const std::size_t length = std::max<std::uint8_t>(table->lengths[first], 1);
            if (std::size_t(end - p) < length)
                break;
            std::uint16_t slot = 0;
            switch (length) {
            case 1:
                slot = table->singleSlots[first];
                break;
            case 2:
                slot = table->pairSlots[std::size_t(first) << 8 | p[1]];
                break;
            default:
                slot = table->tripleSlots[std::size_t(p[1]) << 8 | p[2]];
                break;
            }
            if (slot != 0)
                note(slot);
            p += length;
        }
    }
};

ByteForms::Reader::Reader(TextEncoding encoding)
    : m_state(std::make_unique<State>())
{
    m_state->encoding = encoding;
    m_state->table = tableFor(encoding);
    if (m_state->table) {
        m_state->firstSeen.assign(m_state->table->characters.size(), 0);
        m_state->isMixed.assign(m_state->table->characters.size(), false);
    }
}

ByteForms::Reader::~Reader() = default;
ByteForms::Reader::Reader(Reader&&) noexcept = default;
ByteForms::Reader& ByteForms::Reader::operator=(Reader&&) noexcept = default;

TextEncoding ByteForms::Reader::encoding() const
{
    return m_state->encoding;
}

const DoubleByteTable::PairSet* ByteForms::Reader::watchedPairs() const
{
    const Table* table = m_state->table;
    return table && table->hasOnlyPairs ? &table->pairs : nullptr;
}

void ByteForms::Reader::notePair(std::uint16_t pair)
{
    if (m_state->table == nullptr)
        return;
    if (const auto slot = m_state->table->pairSlots[pair]; slot != 0)
        m_state->note(slot);
}

void ByteForms::Reader::add(std::span<const std::uint8_t> bytes, std::u16string_view text)
{
    const Table* table = m_state->table;
    // Most files hold none of the characters concerned: then the bytes need no look.
    if (table == nullptr || !table->affected.intersects(text))
        return;
    m_state->walk(bytes);
}

ByteForms ByteForms::Reader::result() const
{
    ByteForms forms;
    forms.m_encoding = m_state->encoding;
    const Table* table = m_state->table;
    if (table == nullptr)
        return {};
    for (std::size_t i = 0; i < table->characters.size(); ++i) {
        const auto slot = m_state->firstSeen[i];
        if (slot == 0)
            continue;
        const auto& character = table->characters[i];
        const auto& first = table->sequences[slot - 1];
        if (m_state->isMixed[i]) {
            forms.m_mixed.push_back(character.unit);
            // A character the table cannot write keeps a form the file had.
            if (!character.tableForm)
                forms.m_kept.push_back(first.form);
        } else if (!first.isTableForm) {
            forms.m_kept.push_back(first.form);
        }
    }
    // Nothing to keep compares equal whatever the encoding.
    return forms.isEmpty() ? ByteForms() : forms;
}

ByteForms ByteForms::read(std::span<const std::uint8_t> bytes,
                          std::u16string_view text,
                          TextEncoding encoding)
{
    Reader reader(encoding);
    reader.add(bytes, text);
    return reader.result();
}

std::vector<std::u16string> ByteForms::rewrittenCharacters(std::u16string_view text,
                                                           std::size_t limit) const
{
    std::vector<std::u16string> result;
    if (m_mixed.empty() || limit == 0)
        return result;
    UnitSet mixed;
    for (char16_t unit : m_mixed)
        mixed.insert(unit);
    UnitSet listed;
    for (char16_t unit : text) {
        if (!mixed.contains(unit) || listed.contains(unit))
            continue;
        listed.insert(unit);
        result.emplace_back(1, unit);
        if (result.size() == limit || result.size() == m_mixed.size())
            break;
    }
    return result;
}

} // namespace EditorCore
