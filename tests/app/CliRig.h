#pragma once
// The command-line tool run in-process on a fresh folder of its own, with a
// fixed clock, its output captured, and its input given by the test.
#include "app/cli/CliSupport.h"
#include "core/Clock.h"
#include "core/ConfigStore.h"
#include "core/DataFile.h"

#include <QSettings>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

// Points the per-user settings (the pins of the port numbers, which any
// use of a port number writes) at a folder of the test's for its life, never
// at the settings of the user who runs the tests.
class CTestSettings
{
public:
    explicit CTestSettings(const std::filesystem::path& folder)
    {
        const QString path = QString::fromStdString(folder.string());
        for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
            QSettings::setPath(format, QSettings::UserScope, path);
    }
};

class CCliTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_dir = std::filesystem::temp_directory_path() /
                ("qzm-cli-" +
                 std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir);
        const CTestSettings settings(m_dir / "settings");
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    // Runs the tool with no input and no terminal.
    int Run(std::vector<std::string> words) { return RunWithInput(std::move(words), "", false); }
    // Runs the tool with `input` on standard input; `terminal` tells whether
    // that input comes from a terminal.
    int RunWithInput(std::vector<std::string> words, const std::string& input, bool terminal)
    {
        words.insert(words.begin(), "qzm530rx-cli");
        m_out.str({});
        m_err.str({});
        m_in.clear();
        m_in.str(input);
        return RunCli(words, m_in, m_out, m_err, terminal, m_clock);
    }
    std::string Path(const std::string& name) const { return (m_dir / name).string(); }
    std::string Bytes(const std::string& name) const
    {
        std::ifstream in(Path(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    // The word of setting `id` in a data file; 0xDEAD when it does not load.
    uint16_t StoredWord(const std::string& name, int id) const
    {
        CConfigStore store;
        ForeignProductName foreign{};
        if (LoadDataFile(store, Path(name), foreign) != DataFile::kLoaded)
            return kNotLoaded;
        store.TransferToImage();
        return store.GetWord(id);
    }

    // How often `part` stands in `text`.
    static std::size_t Occurrences(const std::string& text, const std::string& part)
    {
        std::size_t count = 0;
        for (std::size_t at = text.find(part); at != std::string::npos;
             at = text.find(part, at + part.size()))
            ++count;
        return count;
    }

    static constexpr uint16_t kNotLoaded = 0xDEAD;
    std::filesystem::path m_dir;
    CFixedClock m_clock{12, 0, 0};
    std::istringstream m_in;
    std::ostringstream m_out;
    std::ostringstream m_err;
};
