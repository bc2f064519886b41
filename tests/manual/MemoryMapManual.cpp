// Opens the memory map over a configuration store, for trying it by hand
// until the settings form exists.
//
//   qzm_memory_map_manual [--load FILE.dat] [--sample] [--no-ascii]
//                         [--screenshot OUT.png]
//
// --load reads a data file into the store, --sample writes a few lines of
// sample bytes into a new configuration, --no-ascii opens without the
// character columns, --screenshot saves the opened dialog as a picture and
// exits instead of waiting for the user. The exit status is 0; the result of
// the dialog and every changed byte are printed.
#include "core/ConfigStore.h"
#include "core/DataFile.h"
#include "text/MessageStyle.h"
#include "text/TextCatalog.h"
#include "ui/memmap/MemoryMapDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QPixmap>

#include <cstdio>
#include <cstring>
#include <string>

namespace {
void WriteSample(CConfigStore& store)
{
    static constexpr char kSample[] = "QZM-530RX memory map sample line.";
    constexpr std::size_t kSampleOffset = 0x40;
    constexpr std::size_t kCountingOffset = 0x100;
    constexpr std::size_t kCountingBytes = 0x100;
    uint8_t* image = store.WorkingImage();
    std::memcpy(image + kSampleOffset, kSample, sizeof(kSample) - 1);
    for (std::size_t i = 0; i < kCountingBytes; ++i)
        image[kCountingOffset + i] = static_cast<uint8_t>(i);
    store.ImageToSaved();
}
} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    std::string loadPath;
    std::string screenshot;
    bool sample = false;
    bool ascii = true;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--load" && i + 1 < argc)
            loadPath = argv[++i];
        else if (arg == "--screenshot" && i + 1 < argc)
            screenshot = argv[++i];
        else if (arg == "--sample")
            sample = true;
        else if (arg == "--no-ascii")
            ascii = false;
    }

    CTextCatalog texts;
    if (!texts.SelectLanguage("English"))
        return 1;
    CConfigStore store(&texts);
    store.Reset();
    if (sample)
        WriteSample(store);
    if (!loadPath.empty()) {
        ForeignProductName foreign{};
        const int result = LoadDataFile(store, loadPath, foreign);
        if (result != 0) {
            std::fprintf(stderr, "cannot load %s (code %d)\n", loadPath.c_str(), result);
            return 1;
        }
        store.TransferToImage();
        store.ImageToSaved();
    }

    CMemoryMapDlg dialog(&texts);
    dialog.Configure(store.WorkingImage(), store.TransferCopy(), CConfigStore::kImageSize, ascii,
                     true, std::string());
    int result = 0;
    if (!screenshot.empty()) {
        dialog.Open();
        QApplication::processEvents();
        if (!dialog.grab().save(QString::fromStdString(screenshot))) {
            std::fprintf(stderr, "cannot save %s\n", screenshot.c_str());
            return 1;
        }
        dialog.reject();
        return 0;
    }
    result = dialog.Run();
    std::printf("result: %s\n", result == MessageAnswer::kOk ? "OK (changed)" : "Cancel");
    const uint8_t* saved = store.SavedCopy();
    const uint8_t* image = store.WorkingImage();
    for (std::size_t i = 0; i < CConfigStore::kImageSize; ++i)
        if (saved[i] != image[i])
            std::printf("  %05zX: %02X -> %02X\n", i, saved[i], image[i]);
    return 0;
}
