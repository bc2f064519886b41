// The command line of the production-line window, and the pieces of its
// summary and log view.
#include "ui/production/ProductionArgs.h"
#include "ui/production/LogTail.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(ProductionArgs, KioskStartAndTheOptionsOfARun)
{
    CProductionArgs parsed;
    std::string error;
    ASSERT_TRUE(ParseProductionArgs(
        {"mic.dat", "--port", "/dev/a,/dev/b", "--log", "run.csv", "--backup", "saved", "--start",
         "--skip-same", "--port", "/dev/c", "--count", "25", "--ask-label", "--record", "shop.db"},
        parsed, error))
        << error;
    EXPECT_EQ(parsed.dataFile, "mic.dat");
    EXPECT_EQ(parsed.ports, (std::vector<std::string>{"/dev/a", "/dev/b", "/dev/c"}));
    EXPECT_EQ(parsed.logPath, "run.csv");
    EXPECT_EQ(parsed.backupDir, "saved");
    EXPECT_TRUE(parsed.start);
    EXPECT_TRUE(parsed.skipSame);
    EXPECT_TRUE(parsed.verify);
    EXPECT_EQ(parsed.count, 25);
    EXPECT_TRUE(parsed.askLabel);
    EXPECT_EQ(parsed.record, "shop.db");
    EXPECT_FALSE(parsed.fullScreen) << "maximized, not the whole screen, unless asked";
    ASSERT_TRUE(ParseProductionArgs({"--no-verify"}, parsed, error));
    EXPECT_EQ(parsed.count, 0) << "no quantity unless asked";
    EXPECT_FALSE(parsed.start || parsed.fullScreen) << "a window, not a kiosk, unless asked";
    EXPECT_FALSE(parsed.verify);
    EXPECT_TRUE(parsed.dataFile.empty()) << "chosen in the window";

    for (const std::vector<std::string>& bad : {std::vector<std::string>{"a.dat", "b.dat"},
                                                {"--port"},
                                                {"--log"},
                                                {"--port", "3,,4"},
                                                {"--port", "/dev/a", "--port", "/dev//a"},
                                                {"--colour"},
                                                {"--count", "0"},
                                                {"--count", "many"},
                                                {"--start", "a.dat"},
                                                {"--start", "--port", "3"}})
        EXPECT_FALSE(ParseProductionArgs(bad, parsed, error)) << bad.front();
    EXPECT_TRUE(ParseProductionArgs({"--start", "--help"}, parsed, error))
        << "help needs nothing else";

    // The quantity at both of its ends.
    for (const auto& [count, taken] : {std::pair<const char*, bool>{"1", true},
                                       {"1000000", true},
                                       {"1000001", false},
                                       {"0", false}}) {
        EXPECT_EQ(ParseProductionArgs({"--count", count}, parsed, error), taken) << count;
        EXPECT_TRUE(!taken || std::to_string(parsed.count) == count) << parsed.count;
    }
}

TEST(LogTail, TheLastLinesOfALongLog)
{
    const QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("log.csv"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    for (int i = 0; i < 2000; ++i)
        file.write(QStringLiteral("line %1,write,verified\r\n").arg(i).toUtf8());
    file.close();
    EXPECT_EQ(LastLines(path, 3),
              (QStringList{"line 1997,write,verified", "line 1998,write,verified",
                           "line 1999,write,verified"}));
    EXPECT_TRUE(LastLines(folder.filePath(QStringLiteral("none.csv")), 3).isEmpty());
}
