#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The search of the keyword filter and the targeted list: which entries occur
// in a page text taken in upper case (letters a to z only), mark-up included.
// One pass over the page finds every entry, however many the list holds: the
// entries form one automaton (Aho-Corasick) whose moves are a table indexed by
// a byte's class, so a step costs one look-up.
class TKeywordMatcher
{
public:
    // A matcher for `entries` as the settings hold them (upper case). An empty
    // entry, and one with a lower-case letter, never occurs: a plain search of
    // the upper-cased page finds neither.
    explicit TKeywordMatcher(const std::vector<std::string>& entries = {});

    // The index in the list of the first entry, in list order, that occurs in
    // `text`; none when no entry does. A large text is searched with a pump
    // point after each MiB.
    std::optional<std::size_t> FirstFound(std::string_view text) const;
    // True when any entry occurs in `text`; stops at the first found.
    bool AnyFound(std::string_view text) const;

private:
    std::optional<std::size_t> Scan(std::string_view text, bool firstInList) const;

    // The class of every byte of the text, once upper-cased: bytes that no
    // entry holds share class 0.
    std::uint8_t m_class[256] = {};
    std::size_t m_classes = 1;
    // The moves: for the state whose row starts at r and a byte of class c,
    // m_moves[r + c] is the next state's row, shifted left by one, with the
    // low bit set when an entry ends in that state.
    std::vector<std::uint32_t> m_moves;
    // For each state (by row / m_classes): the least index of the entries
    // that end there, itself or by its suffixes.
    std::vector<std::size_t> m_firstEnding;
};
