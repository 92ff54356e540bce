#pragma once

#include <string>
#include <unordered_set>
#include <vector>

// The URLs already queued by link following, in queueing order as the track
// file holds them, with an index folded to lower case (ASCII letters only) so
// that a membership test ignores letter case and costs one hash look-up.
class TSeenList
{
public:
    // True when `url` is in the list, compared without regard to letter case.
    bool Contains(const std::string& url) const;

    // Appends `url` as it is written.
    void Add(const std::string& url);

    // Replaces the whole list by `lines`, in their order (duplicates kept).
    void Assign(std::vector<std::string> lines);

    // Empties the list.
    void Clear();

    // The entries in order, in their own letter case.
    const std::vector<std::string>& Items() const { return m_items; }

    int Count() const { return static_cast<int>(m_items.size()); }

private:
    std::vector<std::string> m_items;
    std::unordered_set<std::string> m_folded;
};
