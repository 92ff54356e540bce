#include "page/KeywordMatcher.h"

#include "platform/Pump.h"

#include <algorithm>
#include <limits>

namespace {

constexpr std::size_t NoEntry = std::numeric_limits<std::size_t>::max();
constexpr std::uint32_t NoMove = std::numeric_limits<std::uint32_t>::max();
constexpr std::size_t PumpedBlock = std::size_t { 1 } << 20;

unsigned char upper(unsigned char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

bool usable(const std::string& entry)
{
    return !entry.empty()
        && std::none_of(entry.begin(), entry.end(), [](char c) { return c >= 'a' && c <= 'z'; });
}

} // namespace

TKeywordMatcher::TKeywordMatcher(const std::vector<std::string>& entries)
{
    // Each byte an entry holds gets a class of its own. No usable entry holds
    // a lower-case letter, so there are at most 230 of them.
    std::uint8_t byteClass[256] = {};
    for (const auto& entry : entries) {
        if (!usable(entry))
            continue;
        for (const char c : entry) {
            auto& cls = byteClass[static_cast<unsigned char>(c)];
            if (cls == 0)
                cls = static_cast<std::uint8_t>(m_classes++);
        }
    }
    for (int b = 0; b < 256; ++b)
        m_class[b] = byteClass[upper(static_cast<unsigned char>(b))];

    // The trie of the entries: goto moves by class, NoMove where none.
    const std::size_t width = m_classes;
    std::vector<std::uint32_t> next(width, NoMove);
    m_firstEnding.assign(1, NoEntry);
    for (std::size_t index = 0; index < entries.size(); ++index) {
        const std::string& entry = entries[index];
        if (!usable(entry))
            continue;
        std::size_t state = 0;
        for (const char c : entry) {
            const std::size_t cls = byteClass[static_cast<unsigned char>(c)];
            if (next[state * width + cls] == NoMove) {
                next[state * width + cls] = static_cast<std::uint32_t>(m_firstEnding.size());
                m_firstEnding.push_back(NoEntry);
                next.resize(next.size() + width, NoMove);
            }
            state = next[state * width + cls];
        }
        m_firstEnding[state] = std::min(m_firstEnding[state], index);
    }

    // Breadth first, each state's missing moves become those of its longest
    // proper suffix that is a state, and its entries include that suffix's.
    const std::size_t states = m_firstEnding.size();
    std::vector<std::size_t> suffix(states, 0);
    std::vector<std::size_t> queue;
    queue.reserve(states);
    for (std::size_t cls = 0; cls < width; ++cls) {
        if (next[cls] == NoMove) {
            next[cls] = 0;
        } else {
            queue.push_back(next[cls]);
        }
    }
    for (std::size_t head = 0; head < queue.size(); ++head) {
        const std::size_t state = queue[head];
        m_firstEnding[state] = std::min(m_firstEnding[state], m_firstEnding[suffix[state]]);
        for (std::size_t cls = 0; cls < width; ++cls) {
            std::uint32_t& move = next[state * width + cls];
            const std::uint32_t fallback = next[suffix[state] * width + cls];
            if (move == NoMove) {
                move = fallback;
            } else {
                suffix[move] = fallback;
                queue.push_back(move);
            }
        }
    }

    m_moves.resize(next.size());
    for (std::size_t i = 0; i < next.size(); ++i) {
        const std::size_t target = next[i];
        m_moves[i] = static_cast<std::uint32_t>(target * width) << 1
            | static_cast<std::uint32_t>(m_firstEnding[target] != NoEntry);
    }
}

std::optional<std::size_t> TKeywordMatcher::FirstFound(std::string_view text) const
{
    return Scan(text, true);
}

bool TKeywordMatcher::AnyFound(std::string_view text) const
{
    return Scan(text, false).has_value();
}

std::optional<std::size_t> TKeywordMatcher::Scan(std::string_view text, bool firstInList) const
{
    if (m_firstEnding.size() == 1)
        return std::nullopt;
    std::size_t found = NoEntry;
    std::uint32_t row = 0;
    const auto* const bytes = reinterpret_cast<const unsigned char*>(text.data());
    for (std::size_t block = 0; block < text.size(); block += PumpedBlock) {
        const std::size_t end = std::min(text.size(), block + PumpedBlock);
        for (std::size_t i = block; i < end; ++i) {
            const std::uint32_t move = m_moves[row + m_class[bytes[i]]];
            row = move >> 1;
            if ((move & 1) != 0) {
                found = std::min(found, m_firstEnding[row / m_classes]);
                // Nothing comes before the list's first entry.
                if (!firstInList || found == 0)
                    return found;
            }
        }
        pumpMessages();
    }
    return found == NoEntry ? std::nullopt : std::optional<std::size_t>(found);
}
