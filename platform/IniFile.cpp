#include "platform/IniFile.h"

#include "platform/Errors.h"
#include "platform/TextFile.h"
#include "platform/TextSearch.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace {

constexpr std::size_t NotFound = std::string::npos;
constexpr std::string_view Bom = "\xEF\xBB\xBF";
// The blanks a line may carry around names, values and brackets.
constexpr std::string_view Blanks = " \t";

// A value with blanks at either end, or already wrapped in quotes, is written
// inside double quotes: reading trims blanks around a value and drops one pair
// of enclosing quotes, so hand-written "KEY = value" lines read sensibly and
// every value the program writes comes back byte for byte.
bool isQuoted(std::string_view v)
{
    return v.size() >= 2 && v.front() == v.back() && (v.front() == '"' || v.front() == '\'');
}

std::string encodedValue(const std::string& value)
{
    std::string out;
    out.reserve(value.size() + 2);
    for (char c : value) {
        // A line break would end the key line and start a line of its own.
        if (c != '\r' && c != '\n')
            out += c;
    }
    if (!out.empty() && (Trim(out, Blanks).size() != out.size() || isQuoted(out)))
        return '"' + out + '"';
    return out;
}

std::string decodedValue(std::string_view raw)
{
    raw = Trim(raw, Blanks);
    if (isQuoted(raw))
        raw = raw.substr(1, raw.size() - 2);
    return std::string(raw.substr(0, ProfileValueMax));
}

// The lines of a settings file end at LF, a CR before it dropped. A lone CR
// ends no line: it stays inside the line's name or value, as the file holds it.
std::vector<std::string> splitAtLineFeeds(const std::string& content)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        if (end == NotFound)
            end = content.size();
        std::size_t stop = end;
        if (stop > start && content[stop - 1] == '\r')
            --stop;
        lines.emplace_back(content, start, stop - start);
        start = end + 1;
    }
    return lines;
}

// A line as it is read: without the byte order mark of the file's first line
// and without the blanks around it.
std::string_view significant(const std::vector<std::string>& lines, std::size_t i)
{
    std::string_view line = lines[i];
    if (i == 0 && line.starts_with(Bom))
        line.remove_prefix(Bom.size());
    return Trim(line, Blanks);
}

// Where a key stands in the file: its line and value, and the line after the
// last non-blank line of the first section of the wanted name.
struct KeySpot
{
    std::size_t keyLine = NotFound;
    std::string value;
    std::size_t sectionEnd = NotFound;
};

// Every section of the wanted name counts (a hand-edited file may repeat one);
// the first key of the wanted name in file order is the one read and replaced.
KeySpot findKey(
    const std::vector<std::string>& lines, std::string_view section, std::string_view key)
{
    KeySpot spot;
    bool inSection = false;
    bool inFirstSection = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = significant(lines, i);
        if (line.empty())
            continue;
        if (line.front() == '[') {
            std::string_view name = line.substr(1, line.find(']') - 1);
            inSection = EqualNoCase(Trim(name, Blanks), section);
            inFirstSection = inSection && spot.sectionEnd == NotFound;
            if (inFirstSection)
                spot.sectionEnd = i + 1;
            continue;
        }
        if (inFirstSection)
            spot.sectionEnd = i + 1;
        if (!inSection || line.front() == ';' || spot.keyLine != NotFound)
            continue;
        const std::size_t eq = line.find('=');
        if (eq != NotFound && EqualNoCase(Trim(line.substr(0, eq), Blanks), key)) {
            spot.keyLine = i;
            spot.value = decodedValue(line.substr(eq + 1));
        }
    }
    return spot;
}

bool hasLineBreak(std::string_view s)
{
    return s.find_first_of("\r\n") != NotFound;
}

// Names that could not be found again after writing them are refused.
bool validSection(std::string_view s)
{
    return !s.empty() && Trim(s, Blanks) == s && s.find(']') == NotFound && !hasLineBreak(s);
}

bool validKey(std::string_view k)
{
    return !k.empty() && Trim(k, Blanks) == k && k.find('=') == NotFound && k.front() != '['
        && k.front() != ';' && !hasLineBreak(k);
}

} // namespace

TIniFile::TIniFile(const std::string& text)
    : m_lines(splitAtLineFeeds(text))
{ }

TIniFile TIniFile::Read(const std::string& path)
{
    struct stat info
    { };
    if (::stat(path.c_str(), &info) != 0) {
        if (errno == ENOENT)
            return TIniFile();
        throw EInOutError("Cannot read file " + path + ": " + std::strerror(errno));
    }
    if (S_ISDIR(info.st_mode))
        throw EInOutError("Cannot read file " + path + ": " + std::strerror(EISDIR));
    return TIniFile(ReadWholeFile(path));
}

std::optional<std::string> TIniFile::Value(std::string_view section, std::string_view key) const
{
    if (section.empty() || key.empty())
        return std::nullopt;
    KeySpot spot = findKey(m_lines, section, key);
    if (spot.keyLine == NotFound)
        return std::nullopt;
    return std::move(spot.value);
}

bool TIniFile::Set(std::string_view section, std::string_view key, const std::string& value)
{
    if (!validSection(section) || !validKey(key))
        return false;
    const KeySpot spot = findKey(m_lines, section, key);
    std::string entry = std::string(key) + '=' + encodedValue(value);
    if (spot.keyLine != NotFound) {
        m_lines[spot.keyLine] = std::move(entry);
    } else if (spot.sectionEnd != NotFound) {
        m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(spot.sectionEnd), entry);
    } else {
        // A blank line sets the new section apart from the one before it.
        if (!m_lines.empty() && !Trim(m_lines.back(), Blanks).empty())
            m_lines.emplace_back();
        m_lines.push_back('[' + std::string(section) + ']');
        m_lines.push_back(std::move(entry));
    }
    return true;
}

bool TIniFile::Blank() const
{
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const std::string_view line = significant(m_lines, i);
        if (!line.empty() && line.front() == '[')
            return false;
    }
    return true;
}

std::string TIniFile::Text() const
{
    return JoinLines(m_lines);
}
