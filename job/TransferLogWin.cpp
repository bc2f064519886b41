#include "job/TransferLog.h"

#include <windows.h>

namespace {

// Closes the file, and with it releases its lock, when it goes.
class CFileHandle
{
public:
    explicit CFileHandle(HANDLE handle) : m_handle(handle) {}
    ~CFileHandle()
    {
        if (m_handle != INVALID_HANDLE_VALUE)
            CloseHandle(m_handle);
    }
    CFileHandle(const CFileHandle&) = delete;
    CFileHandle& operator=(const CFileHandle&) = delete;
    HANDLE Get() const { return m_handle; }

private:
    HANDLE m_handle;
};

// The path, given in UTF-8, as Windows takes it.
std::wstring WidePath(const std::string& path)
{
    const int size = MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, nullptr, 0);
    if (size <= 0)
        return {};
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, wide.data(), size);
    wide.resize(static_cast<std::size_t>(size - 1));
    return wide;
}

bool Fail(std::string& error)
{
    error = "Windows error " + std::to_string(GetLastError());
    return false;
}

} // namespace

bool AppendLockedLine(const std::string& path, const std::string& header, const std::string& line,
                      std::string& error)
{
    const std::wstring name = WidePath(path);
    const CFileHandle file(CreateFileW(name.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.Get() == INVALID_HANDLE_VALUE)
        return Fail(error);
    OVERLAPPED whole{};
    if (!LockFileEx(file.Get(), LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole))
        return Fail(error);
    LARGE_INTEGER size{};
    bool ok = GetFileSizeEx(file.Get(), &size) != 0;
    if (ok) {
        const std::string text = size.QuadPart == 0 ? header + line : line;
        DWORD written = 0;
        ok = WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written,
                       nullptr) &&
             written == text.size();
    }
    if (!ok)
        Fail(error);
    UnlockFileEx(file.Get(), 0, MAXDWORD, MAXDWORD, &whole);
    return ok;
}
