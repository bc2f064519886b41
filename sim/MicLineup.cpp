#include "sim/MicLineup.h"

#include "core/ConfigStore.h"
#include "core/DataFile.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <system_error>

namespace {
constexpr const char* kDataFileExtension = ".dat";
} // namespace

bool CMicLineup::UseFolder(const std::string& folder, std::string& error)
{
    std::error_code code;
    std::vector<std::string> files;
    for (std::filesystem::directory_iterator it(folder, code), end; !code && it != end;
         it.increment(code)) {
        const std::filesystem::path& path = it->path();
        if (path.extension() == kDataFileExtension)
            files.push_back(path.string());
    }
    if (code) {
        error = "cannot read " + folder + ": " + code.message();
        return false;
    }
    if (files.empty()) {
        error = folder + " holds no data file";
        return false;
    }
    std::sort(files.begin(), files.end());
    m_files = std::move(files);
    m_fromFolder = true;
    m_next = 0;
    return true;
}

bool CMicLineup::Next(CVirtualMic::Image& image, std::string& origin)
{
    CConfigStore store;
    if (!m_fromFolder) {
        store.Reset();
        std::memcpy(image.data(), store.WorkingImage(), image.size());
        origin = "new configuration";
        return true;
    }
    while (m_next < m_files.size()) {
        const std::string& path = m_files[m_next++];
        ForeignProductName foreign{};
        if (LoadDataFile(store, path, foreign) != DataFile::kLoaded) {
            std::cerr << "qzm530rx-sim: " << path << " is not a readable data file; skipped\n";
            continue;
        }
        std::memcpy(image.data(), store.TransferCopy(), image.size());
        origin = path;
        return true;
    }
    return false;
}
