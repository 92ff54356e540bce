#include "crawl/TrackFile.h"

#include "page/SeenList.h"
#include "platform/TextFile.h"

void TTrackFile::Read(const std::string& path, TSeenList& seen)
{
    if (m_mirror.Current(path) && static_cast<std::size_t>(seen.Count()) == m_entries)
        return;
    const std::string content = ReadWholeFile(path);
    seen.Assign(SplitLines(content));
    m_entries = static_cast<std::size_t>(seen.Count());
    m_endsWithBreak = content.empty() || content.back() == '\r' || content.back() == '\n';
    m_mirror.Note(path, content.size());
}

void TTrackFile::Append(
    const std::string& path, const std::vector<std::string>& links, const TSeenList& seen)
{
    if (links.empty())
        return;
    // After the append the file's lines are seenList's entries only when it
    // held them before and its last line was ended: otherwise the first link
    // would join that line.
    const bool mirrored = m_mirror.Current(path) && m_endsWithBreak
        && static_cast<std::size_t>(seen.Count()) == m_entries + links.size();
    std::uint64_t bytes = 0;
    for (const auto& link : links)
        bytes += link.size() + 2;
    const std::uint64_t expected = m_mirror.Size() + bytes;
    AppendLines(path, links);
    if (!mirrored) {
        m_mirror.Forget();
        return;
    }
    m_entries += links.size();
    m_mirror.Note(path, expected);
}
