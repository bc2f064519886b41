#include "ui/production/ProductionArgs.h"

#include "core/UserText.h"
#include "link/PortName.h"

namespace {

constexpr long kLargestCount = 1000000;

} // namespace

const char* const kProductionUsage =
    "Usage: qzm530rx-line [FILE] [OPTIONS]\n\n"
    "The production-line window: writes the configuration of a data file to one\n"
    "microphone after another on several ports at once, each read back, logged and\n"
    "backed up as chosen, with a tile per port that shows its progress and results.\n"
    "\n"
    "  FILE             the data file to write\n"
    "  --port PORT      the ports to program on, by COM number or device, separated\n"
    "                   by commas (\"3,4\" or \"/dev/ttyUSB0,/dev/ttyUSB1\"); may be\n"
    "                   given more than once\n"
    "  --log FILE.csv   append a line per microphone to this CSV log\n"
    "  --record URL     keep a row per microphone in the shop's record too (an\n"
    "                   SQLite file, or postgresql://host/dbname); serial numbers\n"
    "                   are drawn from it, so that stations never share one\n"
    "  --backup DIR     save what each microphone held before it is written\n"
    "  --no-verify      do not read each microphone back after writing it\n"
    "  --skip-same      leave microphones that already hold the configuration alone\n"
    "  --count N        end the run by itself once N microphones went well\n"
    "  --ask-label      ask for the label of each microphone before it is written\n"
    "  --serial PATTERN label each microphone with the next number of PATTERN\n"
    "                   ('SN-{0001}'), after the highest of its form in the log\n"
    "  --start          start at once (a bench that boots into the program), the\n"
    "                   window maximized; needs FILE and --port\n"
    "  --full-screen    fill the whole screen, as a kiosk does\n"
    "  --help           show this text and end\n"
    "  --version        show the version and end\n"
    "\n"
    "Without FILE and --port the window comes back with the file, the ports\n"
    "and the options of its last run.\n";

bool ParseProductionArgs(const std::vector<std::string>& args, CProductionArgs& parsed,
                         std::string& error)
{
    parsed = CProductionArgs();
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool takesValue = arg == "--port" || arg == "--log" || arg == "--backup" ||
                                arg == "--count" || arg == "--serial" || arg == "--record";
        if (takesValue && (i + 1 >= args.size() || args[i + 1].empty())) {
            error = arg + " needs a value";
            return false;
        }
        if (arg == "--port") {
            if (!AddPortList(args[++i], parsed.ports, error))
                return false;
        } else if (arg == "--log") {
            parsed.logPath = args[++i];
        } else if (arg == "--record") {
            parsed.record = args[++i];
        } else if (arg == "--backup") {
            parsed.backupDir = args[++i];
        } else if (arg == "--count") {
            long count = 0;
            if (!ParseNumber(args[++i], 1, kLargestCount, count)) {
                error = "--count takes a number of microphones from 1 to " +
                        std::to_string(kLargestCount);
                return false;
            }
            parsed.count = static_cast<int>(count);
        } else if (arg == "--ask-label") {
            parsed.askLabel = true;
        } else if (arg == "--serial") {
            parsed.serial = args[++i];
        } else if (arg == "--no-verify") {
            parsed.verify = false;
        } else if (arg == "--skip-same") {
            parsed.skipSame = true;
        } else if (arg == "--start") {
            parsed.start = true;
        } else if (arg == "--full-screen") {
            parsed.fullScreen = true;
        } else if (arg == "--help" || arg == "-h") {
            parsed.help = true;
        } else if (arg == "--version") {
            parsed.version = true;
        } else if (!arg.empty() && arg[0] == '-') {
            error = "unknown option " + arg;
            return false;
        } else if (!parsed.dataFile.empty()) {
            error = "one data file only, not " + parsed.dataFile + " and " + arg;
            return false;
        } else {
            parsed.dataFile = arg;
        }
    }
    if (parsed.start && (parsed.dataFile.empty() || parsed.ports.empty()) && !parsed.help &&
        !parsed.version) {
        error = "--start needs a data file and --port";
        return false;
    }
    return true;
}
