#pragma once
#include "job/VerifiedTransfer.h"

#include <string>
#include <system_error>

class ILocalClock;

// The name of a backup: time stamp, port, model and the microphone's label
// (when it has one) joined by "_", with every character that a file name
// should not hold replaced by "-", and ".dat":
// "20240501-101530_COM3_PVHM_812_SN-0042.dat". `copy` above 1 adds "-2",
// "-3" before the extension.
std::string BackupFileName(const std::string& stamp, const std::string& port,
                           const std::string& model, int copy = 1, const std::string& label = {});

// Why a backup was not saved: its folder cannot be made or written
// (`folder`), or the file cannot (`path`), and the system's reason.
struct CBackupFailure
{
    bool folder = false;
    std::string path;
    std::error_code error;
};

// Saves `image` as a data file in `folder`, which is created when missing,
// under BackupFileName; when that name is taken the next copy number is
// tried, so no file is ever replaced, even by a run in another process at
// the same moment. The data file's key comes from `clock`. True with
// `path` set to the file written; false with `failure` set.
bool SaveBackup(const MicImage& image, const std::string& folder, const std::string& stamp,
                const std::string& port, const std::string& model, const ILocalClock& clock,
                std::string& path, CBackupFailure& failure, const std::string& label = {});

// Whether backups can be saved in `folder`, checked before any microphone
// is touched: a folder that can be written, or one that can be made (its
// nearest existing parent is a folder that can be written). False with
// `failure` set (the folder and the system's reason: not a folder, no
// permission).
bool CanSaveBackups(const std::string& folder, CBackupFailure& failure);
