#include "job/PendingLine.h"

#include "job/PendingLineSlots.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace {

constexpr mode_t kNewFileMode = 0666;
constexpr int kLockTries = 20;
constexpr long kLockPauseNs = 5000000;

void WriteAll(int fd, const char* text, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, text, size);
        if (n <= 0)
            return;
        text += n;
        size -= static_cast<std::size_t>(n);
    }
}

} // namespace

void WritePendingLinesNow()
{
    for (CPendingLineSlot& slot : g_pendingLines) {
        int held = kPendingHeld;
        if (!slot.state.compare_exchange_strong(held, kPendingWriting))
            continue;
        const int fd = ::open(slot.path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, kNewFileMode);
        if (fd < 0) {
            slot.state = kPendingWritten;
            continue;
        }
        // The lock may be held by the thread this handler interrupted: a few
        // tries, then the line goes in without it rather than never.
        for (int tries = 0; tries < kLockTries && ::flock(fd, LOCK_EX | LOCK_NB) != 0; ++tries) {
            const timespec pause{0, kLockPauseNs};
            ::nanosleep(&pause, nullptr);
        }
        struct stat status
        {
        };
        const bool empty = ::fstat(fd, &status) == 0 && status.st_size == 0;
        const std::size_t skip = empty ? 0 : slot.headerSize;
        WriteAll(fd, slot.text + skip, slot.size - skip);
        ::close(fd);
        slot.state = kPendingWritten;
    }
}
