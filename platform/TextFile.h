#pragma once

#include <string>
#include <string_view>
#include <vector>

// Small whole-file operations on 8-bit text files. Every failure raises
// EInOutError naming the file.

// Appends `line` and CR LF to `path`, creating the file when missing; the file
// is opened, written, flushed and closed within the call.
void AppendLine(const std::string& path, const std::string& line);

// Appends every entry of `lines`, each followed by CR LF, in one opening of
// `path` (created when missing) and one write; nothing is opened for an empty
// list.
void AppendLines(const std::string& path, const std::vector<std::string>& lines);

// The lines (any container of strings), each followed by CR LF: the text of
// a file of such lines. With a `tick`, it is called once a line, as
// SplitLines does.
template <class Lines = std::vector<std::string>>
std::string JoinLines(const Lines& lines, void (*tick)() = nullptr)
{
    std::size_t size = 0;
    for (const auto& line : lines)
        size += line.size() + 2;
    std::string text;
    text.reserve(size);
    for (const auto& line : lines) {
        text += line;
        text += "\r\n";
        if (tick != nullptr)
            tick();
    }
    return text;
}

// The lines of `bytes`: a line ends at CR, LF or CR LF (the break is not
// kept); every line, an empty one too, is an entry, and a break at the very
// end adds no empty entry, so SplitLines(JoinLines(lines)) is `lines`. With a
// `tick`, it is called once a line (the page fetch passes the pump's tick, so
// that the split of a large page leaves the window its turns).
std::vector<std::string> SplitLines(std::string_view bytes, void (*tick)() = nullptr);

// Appends `text` as it stands (no line end added) to `path`, created when
// missing; opened, written, flushed and closed within the call.
void AppendText(const std::string& path, const std::string& text);

// Creates `path` empty when it does not exist; an existing file is left alone.
void CreateIfMissing(const std::string& path);

// Replaces the contents of `path` with `content` in place (created when
// missing). With a `pump`, the content goes in blocks of a MiB with a call of
// `pump` after each, so that writing a large page leaves the window its turns.
void WriteWholeFile(const std::string& path, const std::string& content, void (*pump)() = nullptr);

// The permissions of a file that a write creates: those any new file gets
// (0666 less the umask), or reading and writing by its owner only, for files
// that may hold a password. AlwaysOwnerOnly makes a file that the write
// replaces its owner's only as well, whatever its mode was: for a file that
// holds a password now.
enum class NewFileMode { ByUmask, OwnerOnly, AlwaysOwnerOnly };

// Whether a replacement waits until its contents are on the disk before it
// takes the old file's name. Synced keeps the old file through a power loss
// on any file system, at the cost of a disk round trip per call. Cached
// leaves the order to the file system (ext4 writes a file that replaces
// another by rename before the rename itself); a crash of the program alone
// leaves the old or the new file whole either way.
enum class Durability { Synced, Cached };

// Replaces the contents of `path` with `content` through a temporary file in
// the same folder renamed over it: a crash leaves the old or the new file whole.
// When `path` is a symbolic link, the file it leads to is replaced and the
// link stays. The new file keeps the mode of the one it replaces
// (AlwaysOwnerOnly aside), and its owner and group where the system permits;
// a file that did not exist gets `newFileMode`. The temporary file has one
// name per file (TemporaryFileOf), so a writer killed half-way leaves at most
// one, which the next write of the file removes.
void WriteFileAtomic(const std::string& path, const std::string& content,
    NewFileMode newFileMode = NewFileMode::ByUmask, Durability durability = Durability::Synced);

// The file a write of `path` changes: `path` itself or, when it is a symbolic
// link, the file at the end of its chain of links (a relative link read from
// the link's own folder). Raises EInOutError for a chain that does not end.
std::string ResolveLinks(const std::string& path);

// The name of the temporary file through which WriteFileAtomic replaces the
// file at `target` (a path ResolveLinks gives): beside it, in the same folder.
std::string TemporaryFileOf(const std::string& target);

// The whole contents of `path`.
std::string ReadWholeFile(const std::string& path);
