#include "job/PendingLine.h"

#include "job/PendingLineSlots.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr mode_t kNewFileMode = 0666;

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
        if (!slot.held.exchange(false))
            continue;
        const int fd = ::open(slot.path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, kNewFileMode);
        if (fd < 0)
            continue;
        ::flock(fd, LOCK_EX);
        struct stat status
        {
        };
        const bool empty = ::fstat(fd, &status) == 0 && status.st_size == 0;
        const std::size_t skip = empty ? 0 : slot.headerSize;
        WriteAll(fd, slot.text + skip, slot.size - skip);
        ::close(fd);
    }
}
