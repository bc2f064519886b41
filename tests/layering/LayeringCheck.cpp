// Reads the includes of every product source and reports each one that goes
// against the directions the subsystems may depend in:
//
//   text <- core <- link <- job <- diag <- words <- ui <- app,  grid on Qt
//   only,  sim on link and core.
//
// core/ and text/ are plain C++ (no Qt header); link/, diag/ and words/
// take Qt headers only from the module folders named on the command line
// (QtCore, QtSerialPort), and job/ from those and QtSql's, its record's.
//
// usage: qzm_layering_check ROOT [QT_INCLUDE_DIR...]
// Prints "folder/File.cpp:LINE: ..." for every fault; exit status 1 when
// there is one, 2 on a usage error or a tree without product folders.
#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <regex>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kExitClean = 0;
constexpr int kExitFaults = 1;
constexpr int kExitUsage = 2;

enum class QtUse
{
    kNone,        // no Qt header at all
    kCoreModules, // Qt headers of the folders given on the command line only, QtSql's aside
    kSqlModules,  // and QtSql's
    kAny,
};

struct CLayer
{
    const char* folder;
    std::vector<std::string> mayInclude; // product folders, its own included
    QtUse qt;
};

const std::array<CLayer, 10> kLayers{{
    {"text", {"text"}, QtUse::kNone},
    {"core", {"core", "text"}, QtUse::kNone},
    {"link", {"link", "core", "text"}, QtUse::kCoreModules},
    {"job", {"job", "link", "core", "text"}, QtUse::kSqlModules},
    {"diag", {"diag", "job", "link", "core", "text"}, QtUse::kCoreModules},
    {"words", {"words", "diag", "job", "link", "core", "text"}, QtUse::kCoreModules},
    {"grid", {"grid"}, QtUse::kAny},
    {"ui", {"ui", "grid", "words", "diag", "job", "link", "core", "text"}, QtUse::kAny},
    {"sim", {"sim", "link", "core", "text"}, QtUse::kAny},
    {"app", {"app", "ui", "grid", "words", "diag", "job", "link", "core", "text"}, QtUse::kAny},
}};

// Headers that the build makes for the whole project, which every folder may
// include wherever the build puts them.
const std::array<const char*, 1> kProjectHeaders{"app/Version.h"};

// Qt module folders that link/ may take its headers from by prefix.
const std::array<const char*, 2> kLinkQtModules{"QtCore", "QtSerialPort"};
// The module folder that job/ may take its headers from besides.
constexpr const char* kSqlModule = "QtSql";

bool IsSource(const fs::path& path)
{
    const std::string extension = path.extension().string();
    return extension == ".h" || extension == ".cpp";
}

bool IsProductFolder(const std::string& name)
{
    return std::any_of(
        kLayers.begin(), kLayers.end(), [&](const CLayer& layer) { return name == layer.folder; });
}

std::string FirstComponent(const std::string& include)
{
    const std::size_t slash = include.find('/');
    return slash == std::string::npos ? std::string() : include.substr(0, slash);
}

// Qt's headers: <QFoo>, <QtModule/...>, <qfoo.h>.
bool IsQtHeader(const std::string& include)
{
    static const std::regex qt(R"(^(Qt[A-Za-z]*/.*|Q[A-Za-z0-9_]*|q[a-z0-9_]*\.h)$)");
    return std::regex_match(include, qt);
}

class CChecker
{
public:
    CChecker(fs::path root, std::vector<fs::path> qtDirs)
        : m_root(std::move(root)), m_qtDirs(std::move(qtDirs))
    {
    }

    // Checks every source of one layer's folder; false when it has none.
    bool CheckLayer(const CLayer& layer)
    {
        const fs::path folder = m_root / layer.folder;
        if (!fs::is_directory(folder))
            return false;
        std::vector<fs::path> files;
        for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder))
            if (entry.is_regular_file() && IsSource(entry.path()))
                files.push_back(entry.path());
        std::sort(files.begin(), files.end());
        for (const fs::path& file : files)
            CheckFile(layer, file);
        return true;
    }

    int Faults() const { return m_faults; }

private:
    void CheckFile(const CLayer& layer, const fs::path& file)
    {
        static const std::regex includeLine(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])");
        std::ifstream in(file);
        std::string line;
        int number = 0;
        bool inComment = false;
        while (std::getline(in, line)) {
            ++number;
            // Includes inside a block comment are not includes.
            if (inComment) {
                if (line.find("*/") != std::string::npos)
                    inComment = false;
                continue;
            }
            const std::size_t open = line.find("/*");
            if (open != std::string::npos && line.find("*/", open) == std::string::npos)
                inComment = true;
            std::smatch match;
            if (!std::regex_search(line, match, includeLine))
                continue;
            const std::string fault = Fault(layer, match[1] == "<", match[2]);
            if (!fault.empty())
                Report(file, number, fault);
        }
    }

    std::string Fault(const CLayer& layer, bool angled, const std::string& include) const
    {
        const std::string target = FirstComponent(include);
        const bool projectHeader = std::find(kProjectHeaders.begin(), kProjectHeaders.end(),
                                             include) != kProjectHeaders.end();
        if (IsProductFolder(target) && !projectHeader) {
            const auto& allowed = layer.mayInclude;
            if (std::find(allowed.begin(), allowed.end(), target) == allowed.end())
                return "includes " + include + ", but " + layer.folder + "/ may include " +
                       Joined(allowed) + " only";
            return {};
        }
        if (!angled || !IsQtHeader(include))
            return {};
        switch (layer.qt) {
        case QtUse::kNone:
            return "includes the Qt header " + include + ", but " + layer.folder + "/ is plain C++";
        case QtUse::kCoreModules:
            if (!IsCoreModuleHeader(include, false))
                return "includes the Qt header " + include + ", but " + layer.folder +
                       "/ may use QtCore and QtSerialPort only";
            return {};
        case QtUse::kSqlModules:
            if (!IsCoreModuleHeader(include, true))
                return "includes the Qt header " + include + ", but " + layer.folder +
                       "/ may use QtCore, QtSerialPort and QtSql only";
            return {};
        case QtUse::kAny:
            return {};
        }
        return {};
    }

    bool IsCoreModuleHeader(const std::string& include, bool sql) const
    {
        const std::string module = FirstComponent(include);
        if (!module.empty())
            return std::find(kLinkQtModules.begin(), kLinkQtModules.end(), module) !=
                       kLinkQtModules.end() ||
                   (sql && module == kSqlModule);
        // Without the module folders there is nothing to look the header up in.
        if (m_qtDirs.empty())
            return true;
        return std::any_of(m_qtDirs.begin(), m_qtDirs.end(), [&](const fs::path& dir) {
            return (sql || dir.filename() != kSqlModule) && fs::exists(dir / include);
        });
    }

    static std::string Joined(const std::vector<std::string>& folders)
    {
        std::string joined;
        for (const std::string& folder : folders)
            joined += (joined.empty() ? "" : ", ") + folder + "/";
        return joined;
    }

    void Report(const fs::path& file, int line, const std::string& fault)
    {
        std::cout << fs::relative(file, m_root).generic_string() << ":" << line << ": " << fault
                  << "\n";
        ++m_faults;
    }

    fs::path m_root;
    std::vector<fs::path> m_qtDirs;
    int m_faults = 0;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::cerr << "usage: qzm_layering_check ROOT [QT_INCLUDE_DIR...]\n";
        return kExitUsage;
    }
    std::vector<fs::path> qtDirs;
    for (int i = 2; i < argc; ++i)
        qtDirs.emplace_back(argv[i]);

    CChecker checker(argv[1], std::move(qtDirs));
    int folders = 0;
    for (const CLayer& layer : kLayers)
        folders += checker.CheckLayer(layer) ? 1 : 0;
    if (folders == 0) {
        std::cerr << "qzm_layering_check: no product folder under " << argv[1] << "\n";
        return kExitUsage;
    }
    if (checker.Faults() > 0) {
        std::cout << checker.Faults() << " include(s) against the layering\n";
        return kExitFaults;
    }
    std::cout << "layering kept in " << folders << " folders\n";
    return kExitClean;
}
