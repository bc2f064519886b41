#include "job/TransferLog.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr mode_t kNewFileMode = 0666;

// Closes the file, and with it releases its lock, when it goes.
class CFileHandle
{
public:
    explicit CFileHandle(int fd) : m_fd(fd) {}
    ~CFileHandle()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    CFileHandle(const CFileHandle&) = delete;
    CFileHandle& operator=(const CFileHandle&) = delete;
    int Get() const { return m_fd; }

private:
    int m_fd;
};

bool Fail(std::string& error)
{
    error = std::strerror(errno);
    return false;
}

} // namespace

bool AppendLockedLine(const std::string& path, const std::string& header, const std::string& line,
                      std::string& error)
{
    const CFileHandle file(
        open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, kNewFileMode));
    if (file.Get() < 0)
        return Fail(error);
    // flock() locks belong to the open file, so they keep apart threads of
    // one process as well as processes.
    while (flock(file.Get(), LOCK_EX) != 0)
        if (errno != EINTR)
            return Fail(error);
    struct stat status
    {
    };
    if (fstat(file.Get(), &status) != 0)
        return Fail(error);
    const std::string text = status.st_size == 0 ? header + line : line;
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = write(file.Get(), text.data() + written, text.size() - written);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            // Still under the lock: take back what of the line went in, so
            // that the next line does not join a fragment.
            const int reason = errno;
            const bool takenBack = written == 0 || ftruncate(file.Get(), status.st_size) == 0;
            error = std::strerror(reason);
            if (!takenBack)
                error += "; part of the line stays in the file";
            return false;
        }
        written += static_cast<std::size_t>(n);
    }
    return true;
}
