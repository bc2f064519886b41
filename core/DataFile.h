#pragma once
#include "text/MessagePresenter.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <system_error>

class CConfigStore;
class CMessageBoxes;
class CTextCatalog;
class ILocalClock;

// Data file layout: a 64-byte header, then the image scrambled with a
// one-byte key that sits between image bytes 49 and 50.
namespace DataFile {
constexpr std::size_t kHeaderSize = 64;
constexpr std::size_t kProductNameSize = 10; // "QZM-530RX" and one 0x00
constexpr std::size_t kVersionOffset = 10;
constexpr std::size_t kTypeOffset = 32;
constexpr uint8_t kTypeData = 0x44; // 'D'
constexpr uint8_t kHeaderFill = 0xFF;
constexpr std::size_t kImageHeadSize = 50;                       // image bytes before the key
constexpr std::size_t kKeyOffset = kHeaderSize + kImageHeadSize; // 114
constexpr std::size_t kFileSize = 2369;
constexpr const char kProductField[kProductNameSize] = "QZM-530RX";
constexpr const char kVersion[] = "V1.00";
constexpr const char kExtension[] = ".DAT";

// Results of LoadDataFile.
constexpr int kLoaded = 0;
constexpr int kCannotOpen = 1;
constexpr int kOtherProduct = 2;
constexpr int kWrongType = 6;
constexpr int kTooShort = 7; // shorter than the header, or than a whole file

// Results of SaveDataFile.
constexpr int kSaved = 0;
constexpr int kCannotCreate = 1;
constexpr int kWriteFailed = 3;
} // namespace DataFile

using ForeignProductName = std::array<uint8_t, DataFile::kProductNameSize>;

// Loads a data file into the store's transfer copy and nothing else. On
// result kOtherProduct, `foreign` receives header bytes 0 to 9. Every other
// failure leaves the store, the transfer copy included, untouched. Bytes
// past the end of a whole file are ignored.
int LoadDataFile(CConfigStore& store, const std::string& path, ForeignProductName& foreign);

// Saves the working image, scrambled with a key from the local clock, using
// the transfer copy as scratch. The bytes go to a new file beside the target
// which replaces it only once everything is written and flushed, so a
// failed save leaves an existing file as it was and no stray file behind.
// On failure `error` holds the system's reason.
int SaveDataFile(CConfigStore& store, const std::string& path, const ILocalClock& clock,
                 std::error_code& error);

// The key a save at that minute and second uses: (minute + second + 1) mod 256.
uint8_t DataFileKey(int minute, int second);

// True when the name's last extension begins with ".dat", in any case.
bool IsDataFileName(const std::string& name);

// The product a file of the same family is configured for ("QZM-400"),
// from header bytes 0 to 9 of a kOtherProduct; empty for another's file.
std::string SiblingProduct(const ForeignProductName& foreign);

// The message for a failed load (empty for kLoaded): `fileName` is the name
// shown to the user, inserted as plain text.
std::string LoadFailureText(const CTextCatalog& texts, int result, const std::string& fileName,
                            const ForeignProductName& foreign);
// Shows a failed load with the error box; nothing for kLoaded.
void ReportLoadFailure(const CMessageBoxes& boxes, const CTextCatalog& texts, MessageOwner owner,
                       int result, const std::string& fileName, const ForeignProductName& foreign);
// Shows the system's own text for a failed save with the error box.
void ReportSaveFailure(const CMessageBoxes& boxes, MessageOwner owner,
                       const std::error_code& error);

// The header fields of a data file, as far as they can be read.
struct CDataFileHeader
{
    std::string productName; // up to the first 0x00 or 0xFF of bytes 0 to 9
    std::string version;     // bytes 10 to 14
    uint8_t fileType = 0;
    uint8_t key = 0;
    std::size_t fileSize = 0;
};

// Reads the header and key of a data file without touching any store;
// false when the file cannot be read or is shorter than a whole file.
bool ReadDataFileHeader(const std::string& path, CDataFileHeader& header);
