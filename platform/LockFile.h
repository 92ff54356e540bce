#pragma once

#include <string>

// An advisory lock held through a file of its own beside the file it guards.
// The lock (flock) belongs to the open file, not to a name or a byte range:
// a file that is replaced by rename would leave a lock on its old version,
// and a byte-range lock would go when the process closes any descriptor of
// the file. It dies with the process, so a killed holder leaves nothing to
// clean up; a lock file it leaves is taken over by the next holder. While
// held, the file holds the holder's process id, for the message of a refusal.
class TLockFile
{
public:
    TLockFile() = default;
    ~TLockFile() { Unlock(); }
    TLockFile(const TLockFile&) = delete;
    TLockFile& operator=(const TLockFile&) = delete;

    // Takes the lock of the lock file at `path` (created when missing) and
    // writes this process's id into it. False when another holder has it:
    // `holder` then gets that holder's process id (0 when it cannot be read).
    // Raises EInOutError when the file cannot be opened or locked at all.
    bool TryLock(const std::string& path, long& holder);
    // Removes the lock file and lets the lock go; nothing when not held.
    void Unlock();
    bool Locked() const { return m_fd >= 0; }

private:
    int m_fd = -1;
    std::string m_path;
};
