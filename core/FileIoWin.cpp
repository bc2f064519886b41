#include "core/FileIo.h"

#include <cerrno>
#include <filesystem>
#include <io.h>
#include <string>
#include <windows.h>

namespace {

std::wstring Wide(const std::string& utf8)
{
    return std::filesystem::u8path(utf8).wstring();
}

std::wstring WideMode(const char* mode)
{
    return std::wstring(mode, mode + std::char_traits<char>::length(mode));
}

} // namespace

std::FILE* OpenFile(const std::string& path, const char* mode)
{
    return ::_wfopen(Wide(path).c_str(), WideMode(mode).c_str());
}

std::FILE* CreateTempBeside(const std::string& target, std::string& tempPath)
{
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        const std::string name =
            target + "." + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(attempt);
        std::FILE* file = ::_wfopen(Wide(name).c_str(), L"wbx");
        if (file) {
            tempPath = name;
            return file;
        }
        if (errno != EEXIST)
            return nullptr;
    }
    return nullptr;
}

bool FlushToDisk(std::FILE* file)
{
    if (std::fflush(file) != 0)
        return false;
    return ::_commit(::_fileno(file)) == 0;
}

std::error_code ReplaceFile(const std::string& source, const std::string& target)
{
    if (!::MoveFileExW(Wide(source).c_str(), Wide(target).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return {static_cast<int>(::GetLastError()), std::system_category()};
    return {};
}

void RemoveFile(const std::string& path)
{
    ::DeleteFileW(Wide(path).c_str());
}

bool FileExists(const std::string& path)
{
    return ::GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsWritableFile(const std::string& path, std::error_code& error)
{
    const DWORD attributes = ::GetFileAttributesW(Wide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        error = {static_cast<int>(::GetLastError()), std::system_category()};
        return false;
    }
    if (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) {
        error = {ERROR_ACCESS_DENIED, std::system_category()};
        return false;
    }
    return true;
}
