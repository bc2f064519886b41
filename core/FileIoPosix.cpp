#include "core/FileIo.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The temporary file of a save: short, so that it fits wherever the target's
// name does, and hidden.
constexpr char kTempName[] = ".qzm530rx-XXXXXX";

} // namespace

std::FILE* OpenRegularFile(const std::string& path)
{
    // O_NONBLOCK keeps the open of a FIFO without a writer from waiting.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat st
    {
    };
    int error = 0;
    if (::fstat(fd, &st) != 0)
        error = errno;
    else if (!S_ISREG(st.st_mode))
        error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    else if (const int flags = ::fcntl(fd, F_GETFL);
             flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0)
        error = errno;
    std::FILE* file = error ? nullptr : ::fdopen(fd, "rb");
    if (!file) {
        if (!error)
            error = errno;
        ::close(fd);
        errno = error;
    }
    return file;
}

std::FILE* CreateTempBeside(const std::string& target, std::string& tempPath)
{
    const std::size_t slash = target.rfind('/');
    std::string pattern =
        (slash == std::string::npos ? std::string() : target.substr(0, slash + 1)) + kTempName;
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        return nullptr;
    std::FILE* file = ::fdopen(fd, "wb");
    if (!file) {
        const int error = errno;
        ::close(fd);
        ::unlink(pattern.c_str());
        errno = error;
        return nullptr;
    }
    // mkstemp makes the file private; give it the mode a new file gets.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    tempPath = pattern;
    return file;
}

bool FlushToDisk(std::FILE* file)
{
    if (std::fflush(file) != 0)
        return false;
    return ::fsync(::fileno(file)) == 0;
}

std::error_code ReplaceFile(const std::string& source, const std::string& target)
{
    // Keep the permissions of a file that is being replaced.
    struct stat old
    {
    };
    if (::stat(target.c_str(), &old) == 0)
        ::chmod(source.c_str(), old.st_mode & 07777);
    if (std::rename(source.c_str(), target.c_str()) != 0)
        return {errno, std::generic_category()};
    return {};
}

void RemoveFile(const std::string& path)
{
    ::unlink(path.c_str());
}

bool FileExists(const std::string& path)
{
    struct stat st
    {
    };
    return ::stat(path.c_str(), &st) == 0;
}

bool IsWritableFile(const std::string& path, std::error_code& error)
{
    struct stat st
    {
    };
    // A save replaces the file by a new one: only a regular file may be
    // replaced, never a folder, a FIFO or a device that the name stands for.
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        error = {S_ISDIR(st.st_mode) ? EISDIR : EINVAL, std::generic_category()};
        return false;
    }
    if (::access(path.c_str(), W_OK) != 0) {
        error = {errno, std::generic_category()};
        return false;
    }
    return true;
}

bool IsWritableFolder(const std::string& path)
{
    struct stat st
    {
    };
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
           ::access(path.c_str(), W_OK | X_OK) == 0;
}
