// From exec to a window on the screen: the time until the X server maps the
// first top-level window of a program, for the desktop program and for a
// bare Qt window (bench_bare_window) in turns, so that both meet the same
// machine. Needs an X display (Xvfb :99 & DISPLAY=:99), and no window
// manager, which would reparent the window first.
//
//   bench_startup [RUNS] [PROGRAM]   (15, the desktop program beside this one)
#include <X11/Xlib.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kDefaultRuns = 15;
constexpr int kGiveUpMs = 10000;

// Milliseconds from the start of `program` until a window of the screen's
// root is mapped; negative when none was within kGiveUpMs.
double TimeToWindow(Display* display, const std::string& program)
{
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, True);
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    double ms = -1;
    while (ms < 0) {
        const double elapsed =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        if (elapsed > kGiveUpMs)
            break;
        if (XPending(display) == 0) {
            usleep(200);
            continue;
        }
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == MapNotify && event.xmap.event == root)
            ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                     .count();
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    return ms;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

std::string Beside(const char* self, const char* name)
{
    std::string path(self);
    const std::size_t slash = path.rfind('/');
    return (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + name;
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::atoi(argv[1]) : kDefaultRuns;
    const std::string program = argc > 2 ? argv[2] : Beside(argv[0], "qzm530rx");
    const std::string bare = Beside(argv[0], "bench_bare_window");
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "no X display (start Xvfb and set DISPLAY)\n");
        return 1;
    }
    std::vector<double> own;
    std::vector<double> plain;
    for (int i = 0; i < runs; ++i) {
        own.push_back(TimeToWindow(display, program));
        plain.push_back(TimeToWindow(display, bare));
    }
    XCloseDisplay(display);
    const bool ok = std::none_of(own.begin(), own.end(), [](double ms) { return ms < 0; }) &&
                    std::none_of(plain.begin(), plain.end(), [](double ms) { return ms < 0; });
    std::printf("From exec to the first window mapped, %d runs each in turns (median, best)\n",
                runs);
    std::printf("  %-28s %7.1f ms %7.1f ms\n", program.substr(program.rfind('/') + 1).c_str(),
                Median(own), *std::min_element(own.begin(), own.end()));
    std::printf("  %-28s %7.1f ms %7.1f ms\n", "a bare Qt window", Median(plain),
                *std::min_element(plain.begin(), plain.end()));
    std::printf("  the program's own part       %7.1f ms\n", Median(own) - Median(plain));
    return ok ? 0 : 1;
}
