#include "core/FileIo.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

std::FILE* OpenFile(const std::string& path, const char* mode)
{
    return std::fopen(path.c_str(), mode);
}

std::FILE* CreateTempBeside(const std::string& target, std::string& tempPath)
{
    std::string pattern = target + ".XXXXXX";
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
    if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        error = {EISDIR, std::generic_category()};
        return false;
    }
    if (::access(path.c_str(), W_OK) != 0) {
        error = {errno, std::generic_category()};
        return false;
    }
    return true;
}
