#pragma once
#include <cstdio>
#include <string>
#include <system_error>

// The few file operations whose form differs between systems. Paths are
// UTF-8. Each failure leaves its reason in errno-style codes.

// Opens a regular file for reading in binary mode. Anything else (a FIFO,
// a device, a folder) is refused without waiting for it: the type is checked
// on a handle whose opening cannot block. nullptr on failure with errno set.
std::FILE* OpenRegularFile(const std::string& path);

// Creates a new, empty file for writing in the folder of `target`, under a
// short name of its own that fits in that folder whatever the length of the
// target's name; nullptr on failure. `tempPath` receives the name.
std::FILE* CreateTempBeside(const std::string& target, std::string& tempPath);

// Pushes what was written down to the disk; false with errno set on failure.
bool FlushToDisk(std::FILE* file);

// Replaces `target` by `source` in one step (an existing target included).
std::error_code ReplaceFile(const std::string& source, const std::string& target);

// Removes a file; failures are ignored.
void RemoveFile(const std::string& path);

// Whether a file exists at that path, and whether it is a regular file that
// may be written to (a folder, a FIFO or a device is not).
bool FileExists(const std::string& path);
bool IsWritableFile(const std::string& path, std::error_code& error);
// Whether `path` is a folder in which files may be made.
bool IsWritableFolder(const std::string& path);
