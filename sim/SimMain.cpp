// qzm530rx-sim: a virtual VHM microphone on a pseudo-terminal.
#include "app/Version.h"
#include "core/Clock.h"
#include "core/ConfigStore.h"
#include "core/DataFile.h"
#include "core/UserText.h"
#include "link/SettingsPortPins.h"
#include "link/TickClock.h"
#include "sim/MicLineup.h"
#include "sim/MicSwap.h"
#include "sim/NoisyDevice.h"
#include "sim/PtyMicServer.h"
#include "sim/VirtualMic.h"
#include "text/TextCatalog.h"

#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr uint32_t kMaxRate = 115200;
constexpr long kMaxSwapSeconds = 86400;

CPtyMicServer* g_server = nullptr;

void OnSignal(int)
{
    if (g_server)
        g_server->Stop();
}

const char* const kUsage =
    "Usage: qzm530rx-sim --image FILE [OPTIONS]\n\n"
    "Serves a virtual VHM microphone on a pseudo-terminal and prints its device\n"
    "path. The microphone's image is kept in FILE (a .dat data file, created new\n"
    "when missing) and saved there after every session that wrote to it.\n\n"
    "Options:\n"
    "  --image FILE       the microphone's data file (required)\n"
    "  --rate N           rate the microphone listens at (9600)\n"
    "  --fast             send without the pace of the line rate\n"
    "  --port N           store the device as \"Ports/COM<N>\" so COM N reaches it\n"
    "  --trace            print every byte that crosses\n"
    "  --version          print the version and stop\n"
    "  --help             print this help and stop\n"
    "A production line:\n"
    "  --swap-after S     unplug the microphone S seconds after the end of the\n"
    "                     first session that wrote to it, or whose read or write\n"
    "                     broke off (a failed microphone is taken away too), and\n"
    "                     plug in a new one with a new configuration once the\n"
    "                     line has been probed twice and found empty (at least\n"
    "                     1 s later)\n"
    "  --images DIR       the new microphones hold the data files in DIR, one\n"
    "                     each in the order of their names; then the line stays\n"
    "                     empty\n"
    "Faults:\n"
    "  --silent           never answer\n"
    "  --silent-after-write\n"
    "                     answer nothing once a session has written to it\n"
    "  --model ID         identify as another model (8 characters)\n"
    "  --nak N            answer the first N block writes with NAK\n"
    "  --bad-checksum     send the first block read with a wrong checksum\n"
    "  --drop-after K     lose the connection after block K\n"
    "  --line-fault       report framing errors and breaks (in-process only; a\n"
    "                     pseudo-terminal cannot carry them, so it stays silent)\n"
    "  --slow-prepare MS  answer the write preparation MS ms late\n"
    "  --noise BER        flip bits of what it sends and receives at that bit\n"
    "                     error rate (1e-4: one bit in 10,000)\n"
    "  --seed N           seed of the noise, for a repeatable run (1)\n";

struct CSimOptions
{
    std::string image;
    uint32_t rate = CVirtualMic::kDefaultListenRate;
    bool fast = false;
    bool trace = false;
    int port = 0;
    long swapAfterSeconds = -1; // below 0: no swapping
    std::string images;
    double noise = 0;
    unsigned long seed = 1;
    CMicFaults faults;
    bool silentAfterWrite = false;
};

// A bit error rate: a decimal fraction from 0 to 1, "0.0001" or "1e-4".
// Blanks at either end are ignored, as for every number.
bool ParseRate(const std::string& text, double& value)
{
    const std::string trimmed(TrimBlanks(text));
    char* end = nullptr;
    const double rate = std::strtod(trimmed.c_str(), &end);
    if (trimmed.empty() || *end != '\0' || !(rate >= 0 && rate <= 1))
        return false;
    value = rate;
    return true;
}

bool ParseOptions(int argc, char** argv, CSimOptions& options, std::string& error)
{
    const std::vector<std::string> words(argv + 1, argv + argc);
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        const auto next = [&](std::string& value) {
            if (i + 1 >= words.size()) {
                error = word + " needs a value";
                return false;
            }
            value = words[++i];
            return true;
        };
        std::string value;
        long number = 0;
        // The option's value as a number of the one rule; else `what` it takes.
        const auto nextNumber = [&](long minimum, long maximum, const char* what, long& into) {
            if (next(value) && ParseNumber(value, minimum, maximum, into))
                return true;
            error = word + " takes " + what;
            return false;
        };
        if (word == "--image") {
            if (!next(options.image))
                return false;
        } else if (word == "--rate") {
            if (!nextNumber(1, kMaxRate, "a line rate", number))
                return false;
            options.rate = static_cast<uint32_t>(number);
        } else if (word == "--port") {
            if (!nextNumber(1, 255, "a port number from 1 to 255", number))
                return false;
            options.port = static_cast<int>(number);
        } else if (word == "--fast") {
            options.fast = true;
        } else if (word == "--trace") {
            options.trace = true;
        } else if (word == "--silent") {
            options.faults.silent = true;
        } else if (word == "--silent-after-write") {
            options.silentAfterWrite = true;
        } else if (word == "--model") {
            if (!next(options.faults.model))
                return false;
        } else if (word == "--nak") {
            if (!nextNumber(0, 1000, "a count", number))
                return false;
            options.faults.nakWrites = static_cast<int>(number);
        } else if (word == "--bad-checksum") {
            options.faults.badChecksumOnce = true;
        } else if (word == "--drop-after") {
            if (!nextNumber(0, 8, "a block from 0 to 8", number))
                return false;
            options.faults.dropAfterBlock = static_cast<int>(number);
        } else if (word == "--line-fault") {
            options.faults.lineFault = true;
        } else if (word == "--slow-prepare") {
            if (!nextNumber(0, 600000, "milliseconds", number))
                return false;
            options.faults.slowPrepareMs = static_cast<uint32_t>(number);
        } else if (word == "--swap-after") {
            if (!nextNumber(0, kMaxSwapSeconds, "seconds", options.swapAfterSeconds))
                return false;
        } else if (word == "--images") {
            if (!next(options.images))
                return false;
        } else if (word == "--noise") {
            if (!next(value) || !ParseRate(value, options.noise)) {
                error = "--noise takes a bit error rate from 0 to 1";
                return false;
            }
        } else if (word == "--seed") {
            if (!nextNumber(0, LONG_MAX, "a whole number", number))
                return false;
            options.seed = static_cast<unsigned long>(number);
        } else {
            error = "unknown option " + word;
            return false;
        }
    }
    if (options.image.empty()) {
        error = "--image is required";
        return false;
    }
    if (!options.images.empty() && options.swapAfterSeconds < 0) {
        error = "--images needs --swap-after";
        return false;
    }
    return true;
}

// Loads the image file into the microphone, or creates it new.
bool LoadImage(const std::string& path, CConfigStore& store, CVirtualMic& mic)
{
    std::error_code exists;
    if (!std::filesystem::exists(path, exists)) {
        store.Reset();
        std::error_code error;
        if (SaveDataFile(store, path, CSystemClock::Instance(), error) != DataFile::kSaved) {
            std::cerr << "qzm530rx-sim: cannot create " << path << ": " << error.message() << "\n";
            return false;
        }
        std::cerr << "qzm530rx-sim: created " << path << " with a new configuration\n";
    } else {
        ForeignProductName foreign{};
        if (LoadDataFile(store, path, foreign) != DataFile::kLoaded) {
            std::cerr << "qzm530rx-sim: " << path << " is not a readable data file\n";
            return false;
        }
        store.TransferToImage();
    }
    std::memcpy(mic.GetImage().data(), store.WorkingImage(), CConfigStore::kImageSize);
    return true;
}

std::string NoiseText(const CSimOptions& options)
{
    char text[64];
    std::snprintf(text, sizeof text, "%g, seed %lu", options.noise, options.seed);
    return text;
}

void TraceBytes(bool fromProgram, const uint8_t* bytes, std::size_t count, uint32_t rate)
{
    std::fprintf(stderr, "%s %6u:", fromProgram ? "P>M" : "M>P", rate);
    for (std::size_t i = 0; i < count; ++i)
        std::fprintf(stderr, " %02X", bytes[i]);
    std::fprintf(stderr, "\n");
}

} // namespace

int main(int argc, char** argv)
{
    CSimOptions options;
    std::string error;
    if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::cout << kUsage;
        return kExitOk;
    }
    if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
        std::cout << "qzm530rx-sim (" << kProductName << ") " << kQzmVersion << "\n";
        return kExitOk;
    }
    if (!ParseOptions(argc, argv, options, error)) {
        std::cerr << "qzm530rx-sim: " << error << "\n\n" << kUsage;
        return kExitUsage;
    }

    CVirtualMic mic(options.rate);
    mic.SetFaults(options.faults);
    CConfigStore store;
    if (!LoadImage(options.image, store, mic))
        return kExitFailure;
    CMicLineup lineup;
    if (!options.images.empty() && !lineup.UseFolder(options.images, error)) {
        std::cerr << "qzm530rx-sim: " << error << "\n";
        return kExitFailure;
    }
    std::unique_ptr<CMicSwap> swap;
    if (options.swapAfterSeconds >= 0) {
        const auto swapAfterMs = static_cast<uint32_t>(options.swapAfterSeconds) * kMsPerSecond;
        swap = std::make_unique<CMicSwap>(
            mic, CSteadyTickClock::Instance(), swapAfterMs,
            [&lineup](CVirtualMic::Image& image, std::string& origin) {
                return lineup.Next(image, origin);
            });
        swap->SetNotice(
            [](const std::string& text) { std::cerr << "qzm530rx-sim: " << text << std::endl; });
    }
    mic.SetStoredHandler([&]() {
        if (swap)
            swap->NoteWritten();
        if (options.silentAfterWrite) {
            CMicFaults silent = options.faults;
            silent.silent = true;
            mic.SetFaults(silent);
        }
        std::memcpy(store.WorkingImage(), mic.GetImage().data(), CConfigStore::kImageSize);
        std::error_code saveError;
        if (SaveDataFile(store, options.image, CSystemClock::Instance(), saveError) ==
            DataFile::kSaved)
            std::cerr << "qzm530rx-sim: image saved to " << options.image << "\n";
        else
            std::cerr << "qzm530rx-sim: cannot save " << options.image << ": "
                      << saveError.message() << "\n";
    });

    CPtyMicServer server(mic);
    if (!server.Open(error)) {
        std::cerr << "qzm530rx-sim: cannot create a pseudo-terminal: " << error << "\n";
        return kExitFailure;
    }
    server.SetPaced(!options.fast);
    CBitNoise noise(options.noise, options.seed);
    if (options.noise > 0)
        server.SetNoise(&noise);
    if (options.trace)
        server.SetTracer(TraceBytes);

    // COM N leads to the simulator while it runs; the device pinned to N
    // before keeps its number for when the simulator ends.
    CSettingsPortPins pins;
    if (options.port > 0)
        pins.Lend(options.port, server.DevicePath());

    std::cout << server.DevicePath() << std::endl;
    std::cerr << "qzm530rx-sim: listening at " << options.rate << " on " << server.DevicePath()
              << (options.port > 0 ? " (COM" + std::to_string(options.port) + ")" : "")
              << (options.noise > 0 ? "; noise at a bit error rate of " + NoiseText(options)
                                    : std::string())
              << "; Ctrl+C ends\n";

    g_server = &server;
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    server.Serve();
    g_server = nullptr;

    if (options.port > 0)
        pins.GiveBack(options.port, server.DevicePath());
    return kExitOk;
}
