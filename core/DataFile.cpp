#include "core/DataFile.h"

#include "core/Clock.h"
#include "core/ConfigStore.h"
#include "core/FileIo.h"
#include "text/MessageBoxes.h"
#include "text/TextCatalog.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <memory>

using namespace DataFile;

static_assert(kHeaderSize + 1 + CConfigStore::kImageSize == kFileSize);
static_assert(sizeof(kProductField) == kProductNameSize);

namespace {

struct FileCloser
{
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

std::error_code LastError()
{
    return {errno ? errno : EIO, std::generic_category()};
}

std::array<uint8_t, kHeaderSize> BuildHeader()
{
    std::array<uint8_t, kHeaderSize> header;
    header.fill(kHeaderFill);
    std::memcpy(header.data(), kProductField, kProductNameSize);
    std::memcpy(header.data() + kVersionOffset, kVersion, sizeof(kVersion) - 1);
    header[kTypeOffset] = kTypeData;
    return header;
}

} // namespace

uint8_t DataFileKey(int minute, int second)
{
    return static_cast<uint8_t>((minute + second + 1) % 256);
}

int LoadDataFile(CConfigStore& store, const std::string& path, ForeignProductName& foreign)
{
    FilePtr file(OpenRegularFile(path));
    if (!file)
        return kCannotOpen;

    std::array<uint8_t, kFileSize> bytes;
    const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), file.get());
    file.reset();

    if (got < kHeaderSize)
        return kTooShort;
    if (std::memcmp(bytes.data(), kProductField, kProductNameSize) != 0) {
        std::copy_n(bytes.begin(), kProductNameSize, foreign.begin());
        return kOtherProduct;
    }
    if (bytes[kTypeOffset] != kTypeData)
        return kWrongType;
    if (got < kFileSize)
        return kTooShort;

    const uint8_t key = bytes[kKeyOffset];
    uint8_t* transfer = store.TransferCopy();
    const uint8_t* head = bytes.data() + kHeaderSize;
    const uint8_t* tail = bytes.data() + kKeyOffset + 1;
    std::copy_n(head, kImageHeadSize, transfer);
    std::copy_n(tail, CConfigStore::kImageSize - kImageHeadSize, transfer + kImageHeadSize);
    for (std::size_t i = 0; i < CConfigStore::kImageSize; ++i)
        transfer[i] ^= key;
    return kLoaded;
}

int SaveDataFile(CConfigStore& store, const std::string& path, const ILocalClock& clock,
                 std::error_code& error)
{
    error.clear();
    if (FileExists(path) && !IsWritableFile(path, error))
        return kCannotCreate;

    std::string tempPath;
    errno = 0;
    FilePtr file(CreateTempBeside(path, tempPath));
    if (!file) {
        error = LastError();
        return kCannotCreate;
    }

    const auto header = BuildHeader();
    const CLocalTime now = clock.Now();
    const uint8_t key = DataFileKey(now.minute, now.second);

    store.ImageToTransfer();
    uint8_t* transfer = store.TransferCopy();
    for (std::size_t i = 0; i < CConfigStore::kImageSize; ++i)
        transfer[i] ^= key;

    const auto put = [&](const uint8_t* data, std::size_t size) {
        return std::fwrite(data, 1, size, file.get()) == size;
    };
    errno = 0;
    bool ok = put(header.data(), header.size()) && put(transfer, kImageHeadSize) && put(&key, 1) &&
              put(transfer + kImageHeadSize, CConfigStore::kImageSize - kImageHeadSize) &&
              FlushToDisk(file.get());
    if (ok)
        ok = std::fclose(file.release()) == 0;
    if (!ok) {
        error = LastError();
        file.reset();
        RemoveFile(tempPath);
        return kWriteFailed;
    }
    if (const std::error_code replaced = ReplaceFile(tempPath, path)) {
        error = replaced;
        RemoveFile(tempPath);
        return kWriteFailed;
    }
    return kSaved;
}

bool IsDataFileName(const std::string& name)
{
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos)
        return false;
    const std::size_t extensionSize = sizeof(kExtension) - 1;
    if (name.size() - dot < extensionSize)
        return false;
    for (std::size_t i = 0; i < extensionSize; ++i)
        if (std::toupper(static_cast<unsigned char>(name[dot + i])) != kExtension[i])
            return false;
    return true;
}

std::string SiblingProduct(const ForeignProductName& foreign)
{
    std::string product;
    for (uint8_t byte : foreign) {
        if (byte == 0x00 || byte == 0xFF)
            break;
        product += static_cast<char>(byte);
    }
    return product.find("QZM") != std::string::npos ? product : std::string();
}

std::string LoadFailureText(const CTextCatalog& texts, int result, const std::string& fileName,
                            const ForeignProductName& foreign)
{
    switch (result) {
    case kLoaded:
        return {};
    case kCannotOpen:
        return texts.GetText(TextId::kCannotOpenFile);
    case kOtherProduct: {
        const std::string product = SiblingProduct(foreign);
        if (!product.empty())
            return FormatText(texts.GetText(TextId::kFileConfiguredFor), fileName, product);
        return FormatText(texts.GetText(TextId::kFileCannotOpen), fileName);
    }
    default: // kWrongType, kTooShort
        return texts.GetText(TextId::kIncorrectFileType);
    }
}

void ReportLoadFailure(const CMessageBoxes& boxes, const CTextCatalog& texts, MessageOwner owner,
                       int result, const std::string& fileName, const ForeignProductName& foreign)
{
    if (result == kLoaded)
        return;
    boxes.ShowError(owner, LoadFailureText(texts, result, fileName, foreign), TextId::kTitleError);
}

void ReportSaveFailure(const CMessageBoxes& boxes, MessageOwner owner, const std::error_code& error)
{
    boxes.ShowError(owner, error.message(), TextId::kTitleError);
}

bool ReadDataFileHeader(const std::string& path, CDataFileHeader& header)
{
    FilePtr file(OpenRegularFile(path));
    if (!file)
        return false;
    std::array<uint8_t, kFileSize> bytes;
    const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), file.get());
    if (got < kFileSize)
        return false;
    header.productName.clear();
    for (std::size_t i = 0; i < kProductNameSize && bytes[i] != 0x00 && bytes[i] != 0xFF; ++i)
        header.productName += static_cast<char>(bytes[i]);
    header.version.assign(reinterpret_cast<const char*>(bytes.data() + kVersionOffset),
                          sizeof(kVersion) - 1);
    header.fileType = bytes[kTypeOffset];
    header.key = bytes[kKeyOffset];
    std::fseek(file.get(), 0, SEEK_END);
    const long size = std::ftell(file.get());
    header.fileSize = size > 0 ? static_cast<std::size_t>(size) : got;
    return true;
}
