#pragma once
#include <string>
#include <vector>

// What the command line of the production-line window asks for.
struct CProductionArgs
{
    std::string dataFile;           // empty: chosen in the window
    std::vector<std::string> ports; // --port, as the user named them
    std::string logPath;            // --log
    std::string record;             // --record: the shop's record; empty: none
    std::string backupDir;          // --backup
    bool verify = true;             // --no-verify turns the read-back off
    bool skipSame = false;          // --skip-same
    int count = 0;                  // --count N: end once N went well; 0: no limit
    bool askLabel = false;          // --ask-label: each tile asks the label of each microphone
    std::string serial;             // --serial PATTERN: each microphone's label from a counter
    bool start = false;             // --start: start at once, the window maximized
    bool fullScreen = false;        // --full-screen: the window fills the screen
    bool help = false;
    bool version = false;
};

// Reads `args` (without the program's name). False with `error` set for an
// option it does not know, an option without its value, a second data file
// or a port list that --port would refuse; --start without a data file or
// a port is refused too.
bool ParseProductionArgs(const std::vector<std::string>& args, CProductionArgs& parsed,
                         std::string& error);

// The text of --help.
extern const char* const kProductionUsage;
