#include "crawl/UrlListFile.h"

#include "crawl/QueueProgress.h"
#include "platform/Errors.h"
#include "platform/FileStamp.h"

#include <cerrno>
#include <cstring>
#include <iterator>
#include <unistd.h>

namespace {

bool exists(const std::string& path)
{
    return FileStampOf(path).has_value();
}

void removeFile(const std::string& path)
{
    if (::unlink(path.c_str()) != 0 && errno != ENOENT)
        throw EInOutError("Cannot delete file " + path + ": " + std::strerror(errno));
}

} // namespace

std::vector<std::string> ReadUrlList(const std::string& path)
{
    return SplitLines(ReadWholeFile(path));
}

void WriteUrlList(const std::string& path, const std::vector<std::string>& urls)
{
    WriteFileAtomic(path, JoinLines(urls));
}

std::string ProgressFileOf(const std::string& inputFile)
{
    return ResolveLinks(inputFile) + ".skelvo-progress";
}

void TUrlListFile::Read(const std::string& path, TUrlQueue& urls, bool fold)
{
    // Whatever this object wrote before, the files now tell the queue.
    m_progressSize = 0;
    m_mirror.Forget();
    const std::string content = ReadWholeFile(path);
    auto lines = SplitLines(content);
    urls.assign(std::make_move_iterator(lines.begin()), std::make_move_iterator(lines.end()));
    m_inputSize = content.size();
    m_mirror.Note(path, content.size());
    const std::string progressFile = ProgressFileOf(path);
    if (!exists(progressFile))
        return;
    std::string progress;
    try {
        progress = ReadWholeFile(progressFile);
    } catch (const EInOutError&) {
        // Only read: the run that crawls the file has just folded it.
        if (fold)
            throw;
        return;
    }
    ApplyProgress(progress, content, urls);
    if (fold)
        Write(path, urls);
    else
        m_mirror.Forget();
}

void TUrlListFile::PageDone(
    const std::string& path, const std::string& url, const std::vector<std::string>& links)
{
    const std::string entry = ProgressEntry(url, links);
    AppendText(ProgressFileOf(path), entry);
    m_progressSize += entry.size();
}

void TUrlListFile::Fold(const std::string& path, const TUrlQueue& urls)
{
    if (m_progressSize > 0)
        Write(path, urls);
}

void TUrlListFile::Write(const std::string& path, const TUrlQueue& urls, Durability durability)
{
    m_mirror.Forget();
    const std::string text = JoinLines(urls);
    const std::string progressFile = ProgressFileOf(path);
    // The mark goes first: a crash after the rename but before the removal
    // leaves a progress file that the mark shows to be folded already.
    const bool progress = m_progressSize > 0 || exists(progressFile);
    if (progress)
        AppendText(progressFile, FoldMark(text));
    WriteFileAtomic(path, text, NewFileMode::ByUmask, durability);
    if (progress)
        removeFile(progressFile);
    m_inputSize = text.size();
    m_progressSize = 0;
    m_mirror.Note(path, text.size());
}

bool TUrlListFile::Changed(const std::string& path) const
{
    return exists(path) && (!m_mirror.Current(path) || exists(ProgressFileOf(path)));
}
