// The listings that the manual page and the shell completion read: they name
// what the tool takes, and every command's --help names all of its options.
#include "CliRig.h"

#include <algorithm>
#include <set>

namespace {

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

class CliListingTest : public CCliTest
{
};

TEST_F(CliListingTest, ListsEveryCommandAndOnlyThose)
{
    ASSERT_EQ(Run({"--list-commands"}), 0);
    std::vector<std::string> expected;
    for (const CCliCommand& command : AllCommands())
        expected.emplace_back(command.name);
    EXPECT_EQ(Lines(m_out.str()), expected);
    EXPECT_TRUE(m_err.str().empty());
    // Not an option of the tool with anything after it.
    EXPECT_EQ(Run({"--list-commands", "x"}), 2);
}

// Every option the listing names is one the command takes, with a value
// where the listing gives a placeholder and without one where it does not.
TEST_F(CliListingTest, ListedOptionsAreTheOnesTheParserTakes)
{
    for (const CCliCommand& command : AllCommands()) {
        ASSERT_EQ(Run({command.name, "--list-options"}), 0) << command.name;
        const std::vector<std::string> listed = Lines(m_out.str());
        EXPECT_EQ(listed.size(), command.valueOptions.size() + command.flagOptions.size() + 1)
            << command.name;
        EXPECT_EQ(listed.back(), "--help");
        std::set<std::string> names;
        for (const std::string& line : listed) {
            const std::size_t blank = line.find(' ');
            const std::string name = line.substr(0, blank);
            EXPECT_TRUE(names.insert(name).second) << command.name << " lists " << name << " twice";
            CCliArgs args;
            std::string error;
            std::vector<std::string> words = {name};
            if (blank != std::string::npos) {
                EXPECT_EQ(line.substr(blank + 1), OptionPlaceholder(name));
                words.emplace_back("1");
                EXPECT_FALSE(ParseCliArgs(command, {name}, args, error))
                    << command.name << " " << name << " needs its value";
            }
            args = {};
            EXPECT_TRUE(ParseCliArgs(command, words, args, error))
                << command.name << " " << line << ": " << error;
            EXPECT_TRUE(args.Has(name));
        }
    }
    EXPECT_EQ(Run({"frobnicate", "--list-options"}), 2);
    EXPECT_TRUE(m_out.str().empty());
}

// The manual page holds each command's --help: so each --help must name every
// option of its command, also those the prose leaves out (write --verify).
TEST_F(CliListingTest, EveryHelpNamesEveryOptionOfItsCommand)
{
    for (const CCliCommand& command : AllCommands()) {
        ASSERT_EQ(Run({command.name, "--help"}), 0);
        const std::string help = m_out.str();
        EXPECT_EQ(help.rfind(std::string("Usage: qzm530rx-cli ") + command.synopsis + "\n", 0), 0u)
            << help;
        // One option a line, each with what it does.
        const std::size_t line = help.find("\nOptions:\n");
        ASSERT_NE(line, std::string::npos) << command.name;
        const std::string options = help.substr(line, help.find("\n\n", line + 1) - line) + "\n";
        for (const std::string& option : CommandOptions(command)) {
            EXPECT_NE(options.find("\n  " + option + " "), std::string::npos)
                << command.name << " --help lacks " << option << ":" << options;
            EXPECT_FALSE(OptionSummary(option.substr(0, option.find(' '))).empty()) << option;
        }
        for (const std::string& text : Lines(help))
            EXPECT_LE(text.size(), 80u) << command.name << ": " << text;
    }
    ASSERT_EQ(Run({"ports", "--help"}), 0);
    EXPECT_NE(m_out.str().find("\n  --forget N "), std::string::npos) << "one placeholder";
    // The summaries start in one column.
    ASSERT_EQ(Run({"read", "--help"}), 0);
    EXPECT_NE(m_out.str().find("\n  --port PORT           the port:"), std::string::npos)
        << m_out.str();
    EXPECT_NE(m_out.str().find("\n  --yes                 answer"), std::string::npos);
    // The words set takes, also those offered only with noise cancellation on.
    ASSERT_EQ(Run({"--list-settings"}), 0);
    EXPECT_NE(m_out.str().find("\nTX LED=Voice Recognition\n"), std::string::npos);
    EXPECT_NE(m_out.str().find("\n1006=+10dB\n"), std::string::npos);
}

} // namespace
