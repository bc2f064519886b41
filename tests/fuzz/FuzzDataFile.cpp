// Feeds arbitrary bytes to the data-file loader: it must not crash, must
// answer with one of its result codes, and must leave the store untouched
// whenever it refuses the file.
#include "core/ConfigStore.h"
#include "core/DataFile.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string path = [] {
        char name[] = "/tmp/qzm_fuzz_XXXXXX";
        const int fd = mkstemp(name);
        if (fd >= 0)
            close(fd);
        return std::string(name);
    }();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    CConfigStore store;
    store.Reset();
    store.WorkingImage()[100] = 0x5A;
    store.TransferCopy()[200] = 0xA5;
    const CConfigStore::Image image(
        *reinterpret_cast<const CConfigStore::Image*>(store.WorkingImage()));
    const CConfigStore::Image transfer(
        *reinterpret_cast<const CConfigStore::Image*>(store.TransferCopy()));
    const CConfigStore::Image saved(
        *reinterpret_cast<const CConfigStore::Image*>(store.SavedCopy()));

    ForeignProductName foreign{};
    const int result = LoadDataFile(store, path, foreign);
    switch (result) {
    case DataFile::kLoaded:
    case DataFile::kCannotOpen:
    case DataFile::kOtherProduct:
    case DataFile::kWrongType:
    case DataFile::kTooShort:
        break;
    default:
        std::abort();
    }
    const auto same = [](const uint8_t* a, const CConfigStore::Image& b) {
        return std::equal(b.begin(), b.end(), a);
    };
    if (!same(store.WorkingImage(), image) || !same(store.SavedCopy(), saved))
        std::abort();
    if (result != DataFile::kLoaded && !same(store.TransferCopy(), transfer))
        std::abort();
    return 0;
}
