#include "page/SeenList.h"

#include "platform/TextSearch.h"

bool TSeenList::Contains(const std::string& url) const
{
    return m_folded.count(LowerCase(url)) != 0;
}

void TSeenList::Add(const std::string& url)
{
    m_items.push_back(url);
    m_folded.insert(LowerCase(url));
}

void TSeenList::Assign(std::vector<std::string> lines)
{
    m_items = std::move(lines);
    m_folded.clear();
    m_folded.reserve(m_items.size());
    for (const auto& line : m_items)
        m_folded.insert(LowerCase(line));
}

void TSeenList::Clear()
{
    m_items.clear();
    m_folded.clear();
}
