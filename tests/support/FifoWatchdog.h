#pragma once
// A FIFO for tests of code that must refuse one at once. Should the code
// block on it after all (in open() for want of a writer or a reader, or in
// read() while a writer stays silent), the watchdog releases it after a
// generous deadline by opening and closing the writing end, by closing the
// writer it holds, or by holding a reader open, so that such a test fails
// instead of hanging. POSIX only.
#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

class CFifoWatchdog
{
public:
    // Makes the FIFO at `path`; with `holdWriter` keeps a writer on it that
    // never writes.
    CFifoWatchdog(std::string path, bool holdWriter) : m_path(std::move(path))
    {
        m_made = ::mkfifo(m_path.c_str(), 0600) == 0;
        // O_RDWR opens at once, and holds the writing end open.
        if (m_made && holdWriter)
            m_writer = ::open(m_path.c_str(), O_RDWR | O_NONBLOCK);
        m_thread = std::thread([this] { Watch(); });
    }
    ~CFifoWatchdog()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_done = true;
        }
        m_wake.notify_all();
        m_thread.join();
        if (m_writer >= 0)
            ::close(m_writer);
        if (m_reader >= 0)
            ::close(m_reader);
        ::unlink(m_path.c_str());
    }
    CFifoWatchdog(const CFifoWatchdog&) = delete;
    CFifoWatchdog& operator=(const CFifoWatchdog&) = delete;

    bool Made() const { return m_made; }
    // Whether the deadline passed: the code under test blocked on the FIFO.
    bool Fired() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_fired;
    }

private:
    static constexpr std::chrono::seconds kDeadline{20};
    static constexpr std::chrono::milliseconds kRetry{100};

    void Watch()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (m_wake.wait_for(lock, kDeadline, [this] { return m_done; }))
            return;
        m_fired = true;
        if (m_writer >= 0) {
            ::close(m_writer); // the blocked read sees the end of the file
            m_writer = -1;
        }
        // A blocked open() for writing needs a reader, which stays, so that
        // what is then written fits into the pipe instead of raising SIGPIPE.
        m_reader = ::open(m_path.c_str(), O_RDONLY | O_NONBLOCK);
        // A blocked open() for reading needs a writer; a blocked read() its
        // end. Repeat until the code under test lets go.
        do {
            const int fd = ::open(m_path.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0)
                ::close(fd);
        } while (!m_wake.wait_for(lock, kRetry, [this] { return m_done; }));
    }

    std::string m_path;
    bool m_made = false;
    int m_writer = -1;
    int m_reader = -1;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_done = false;
    bool m_fired = false;
    std::thread m_thread;
};
