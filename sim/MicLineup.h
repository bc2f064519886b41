#pragma once
#include "sim/VirtualMic.h"

#include <cstddef>
#include <string>
#include <vector>

// The microphones that come after the first one on a simulated production
// line: each with a new configuration, or, from a folder, one for each data
// file in it, in the order of their names, until they are used up.
class CMicLineup
{
public:
    // New configurations without end.
    CMicLineup() = default;
    // The data files (*.dat) in `folder`; false with `error` set when the
    // folder cannot be read or holds none.
    bool UseFolder(const std::string& folder, std::string& error);

    // The next microphone's image and where it came from; false when the
    // folder's files are used up. A file that cannot be read is skipped
    // with a warning on stderr.
    bool Next(CVirtualMic::Image& image, std::string& origin);

private:
    std::vector<std::string> m_files;
    bool m_fromFolder = false;
    std::size_t m_next = 0;
};
