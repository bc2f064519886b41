#pragma once
#include <string>
#include <vector>

// Small helpers on file names and lists of names.

// The name of a file without its folder: what follows the last "/" (or,
// for a Windows path, "\\").
inline std::string BaseName(const std::string& path)
{
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Appends `item` to `list` unless it is there already.
inline void AddOnce(std::vector<std::string>& list, const std::string& item)
{
    for (const std::string& known : list)
        if (known == item)
            return;
    list.push_back(item);
}
