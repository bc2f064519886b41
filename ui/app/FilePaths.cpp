#include "ui/app/FilePaths.h"

#include <cerrno>
#include <climits>

namespace {

bool IsSeparator(char c)
{
    return c == '\\' || c == '/' || c == ':';
}

std::size_t LastSeparator(const std::string& path)
{
    for (std::size_t i = path.size(); i > 0; --i)
        if (IsSeparator(path[i - 1]))
            return i - 1;
    return std::string::npos;
}

} // namespace

std::size_t CFilePaths::MaxPathLength()
{
#ifdef _WIN32
    return 259; // MAX_PATH less its terminator
#elif defined(PATH_MAX)
    return PATH_MAX - 1;
#else
    return 4095;
#endif
}

bool CFilePaths::Join(const std::string& folder, const std::string& name, std::string& path,
                      std::error_code& error)
{
    if (folder.size() + name.size() > MaxPathLength()) {
        error = std::make_error_code(std::errc::filename_too_long);
        return false;
    }
    path = folder + name;
    return true;
}

std::string CFilePaths::FileNameOf(const std::string& path)
{
    const std::size_t separator = LastSeparator(path);
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

std::string CFilePaths::FolderOf(const std::string& path)
{
    const std::size_t separator = LastSeparator(path);
    return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

std::string CFilePaths::WithSeparator(const std::string& folder)
{
    if (folder.empty() || IsSeparator(folder.back()))
        return folder;
#ifdef _WIN32
    return folder + '\\';
#else
    return folder + '/';
#endif
}
