// The shop's record on both engines: an SQLite file in a temporary folder,
// and a PostgreSQL database when the test scripts started a cluster of
// their own (QZM_TEST_PG names its socket folder).
#include "job/ShopRecord.h"
#include "job/LogLayout.h"
#include "job/SerialCounter.h"
#include "words/RecordWords.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdlib>
#include <set>
#include <thread>

// Failures said in the tool's words.
std::ostream& operator<<(std::ostream& out, const CRecordFault& fault)
{
    return out << RecordFaultText(fault);
}

namespace {

struct CEngine
{
    const char* name;
    bool postgres;
};

void PrintTo(const CEngine& engine, std::ostream* out)
{
    *out << engine.name;
}

class ShopRecordTest : public testing::TestWithParam<CEngine>
{
protected:
    void SetUp() override
    {
        if (!GetParam().postgres) {
            m_address = m_folder.filePath(QStringLiteral("shop.db")).toStdString();
            return;
        }
        const char* socket = std::getenv("QZM_TEST_PG");
        if (!socket || !*socket ||
            !QFileInfo::exists(QString::fromLocal8Bit(socket) + QStringLiteral("/.s.PGSQL.5432")))
            GTEST_SKIP() << "no PostgreSQL cluster of the tests (QZM_TEST_PG)";
        // A database of its own for each test, made through the maintenance one.
        const std::string database =
            std::string("qzm_") + testing::UnitTest::GetInstance()->current_test_info()->name();
        std::string base = database;
        for (char& c : base)
            c = std::isalnum(static_cast<unsigned char>(c)) ? static_cast<char>(std::tolower(c))
                                                            : '_';
        {
            QSqlDatabase admin =
                QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("admin"));
            admin.setHostName(QString::fromLocal8Bit(socket));
            admin.setDatabaseName(QStringLiteral("postgres"));
            admin.setUserName(QStringLiteral("postgres"));
            ASSERT_TRUE(admin.open()) << "the tests' cluster does not answer";
            QSqlQuery(admin).exec(
                QStringLiteral("DROP DATABASE IF EXISTS %1").arg(QString::fromStdString(base)));
            ASSERT_TRUE(QSqlQuery(admin).exec(
                QStringLiteral("CREATE DATABASE %1").arg(QString::fromStdString(base))));
            admin.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("admin"));
        m_address = "postgresql:///" + base + "?host=" + socket + "&user=postgres";
    }

    // `spool`: the spool of the record (none: the test's own file).
    std::unique_ptr<CShopRecord> Open(const std::string& station, std::string* failure = nullptr,
                                      const std::string& spool = std::string())
    {
        CRecordAddress address;
        CRecordFault error;
        EXPECT_TRUE(ParseRecordAddress(m_address, address, error)) << error;
        auto record =
            CShopRecord::Open(address, station, error, true, spool.empty() ? SpoolPath() : spool);
        if (failure)
            *failure = RecordFaultText(error);
        else
            EXPECT_NE(record, nullptr) << error;
        return record;
    }

    static CMicRecord Verified(const std::string& label, const std::string& unit)
    {
        CMicRecord record;
        record.operation = Operation::kWrite;
        record.result = JobResult::kVerified;
        record.port = "COM3";
        record.device = "/dev/ttyUSB0";
        record.model = "PVHM_812";
        record.file = "/shop/mic.dat";
        record.label = label;
        record.unit = unit;
        record.time = "2026-12-10T10:15:30+01:00";
        record.logged = true;
        return record;
    }

    std::string SpoolPath() const
    {
        return m_folder.filePath(QStringLiteral("spool.csv")).toStdString();
    }

    QTemporaryDir m_folder;
    std::string m_address;
};

// What a shop types is stored and read back exactly, and a row given twice
// (from a spool) is there once.
TEST_P(ShopRecordTest, ARowKeepsEveryFieldExactlyAndOnce)
{
    auto record = Open("bench-1");
    ASSERT_NE(record, nullptr);
    const std::string label = "A'1; DROP TABLE microphones;--\\\"x";
    const CMicRecord mic = Verified(label, "u1");
    CRecordFault error;
    ASSERT_TRUE(record->Add(mic, "it's \"done\"; ok\\", error)) << error;
    ASSERT_TRUE(record->Add(mic, "it's \"done\"; ok\\", error)) << error;
    std::vector<CRecordRow> rows;
    ASSERT_TRUE(record->ReadRows(rows, error)) << error;
    ASSERT_EQ(rows.size(), 1u) << "a row given again is not added twice";
    EXPECT_EQ(rows[0].station, "bench-1");
    const std::vector<std::string> fields = LogFields(mic, "it's \"done\"; ok\\", kNewestLog);
    for (std::size_t i = 0; i < kLogColumns; ++i)
        EXPECT_EQ(rows[0].entry.fields[i], fields[i]) << LogColumnName(static_cast<LogColumn>(i));

    // Another station finds the label done, with where.
    auto other = Open("bench-2");
    ASSERT_NE(other, nullptr);
    CLabelUse use;
    ASSERT_TRUE(other->FindDone(label, use, error)) << error;
    EXPECT_EQ(use.station, "bench-1");
    EXPECT_EQ(use.port, "COM3");
    EXPECT_FALSE(other->FindDone("A'1", use, error)) << "labels are compared whole";
    int shop = 0, mine = 0;
    ASSERT_TRUE(other->DayTotals("2026-12-10", shop, mine, error)) << error;
    EXPECT_EQ(shop, 1);
    EXPECT_EQ(mine, 0);
}

// Stations drawing at once, each with its own connections, never draw one
// number twice and skip none; the series goes on after a counter's own start.
TEST_P(ShopRecordTest, StationsDrawingAtOnceGetEveryNumberOnce)
{
    constexpr int kStations = 4;
    constexpr int kEach = 60;
    CSerialCounter counter;
    SerialFault fault = SerialFault::kNone;
    ASSERT_TRUE(counter.SetPattern("SN-{0101}", fault));
    std::vector<std::unique_ptr<CShopRecord>> stations;
    for (int i = 0; i < kStations; ++i)
        stations.push_back(Open("bench-" + std::to_string(i)));
    std::vector<std::vector<std::string>> drawn(kStations);
    std::vector<CRecordFault> errors(kStations);
    std::vector<std::thread> threads;
    for (int i = 0; i < kStations; ++i)
        threads.emplace_back([&, i] {
            for (int n = 0; n < kEach; ++n) {
                std::string label;
                bool usedUp = false;
                if (!stations[i]->DrawSerial(counter, "COM3", "2026-12-10T10:00:00+01:00", label,
                                             usedUp, errors[i]))
                    return;
                drawn[i].push_back(label);
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    std::set<std::string> all;
    for (int i = 0; i < kStations; ++i) {
        EXPECT_EQ(drawn[i].size(), static_cast<std::size_t>(kEach)) << errors[i];
        all.insert(drawn[i].begin(), drawn[i].end());
    }
    ASSERT_EQ(all.size(), static_cast<std::size_t>(kStations * kEach)) << "a number drawn twice";
    EXPECT_EQ(*all.begin(), "SN-0101");
    EXPECT_EQ(*all.rbegin(), counter.Format(100 + kStations * kEach)) << "none skipped";

    // A counter of the same form that starts further on moves the series there.
    CSerialCounter further;
    ASSERT_TRUE(further.SetPattern("SN-{0900}", fault));
    std::string label;
    CRecordFault error;
    bool usedUp = false;
    ASSERT_TRUE(stations[0]->DrawSerial(further, "COM4", "t", label, usedUp, error)) << error;
    EXPECT_EQ(label, "SN-0900");
    ASSERT_TRUE(stations[1]->DrawSerial(counter, "COM4", "t", label, usedUp, error)) << error;
    EXPECT_EQ(label, "SN-0901") << "one series for one form of label";
}

// While the server is away, rows wait in the spool and the record says it
// is not ready; once it is back they are in it, once each.
TEST_P(ShopRecordTest, RowsWaitInTheSpoolWhileTheServerIsAway)
{
    if (!GetParam().postgres)
        GTEST_SKIP() << "an SQLite file does not go away";
    const std::string control = QZM_PG_CLUSTER_SCRIPT;
    const std::string cluster = std::getenv("QZM_TEST_PG");
    const auto server = [&](const char* action) {
        return std::system(("sh '" + control + "' " + action + " '" + cluster + "'").c_str()) == 0;
    };
    auto record = Open("bench-1");
    ASSERT_NE(record, nullptr);
    std::vector<std::string> notices;
    record->SetNotice(
        [&](const CRecordNotice& notice) { notices.push_back(RecordNoticeText(notice)); });
    record->Keep(Verified("SN-1", "u1"), "");
    ASSERT_TRUE(server("pause"));
    record->Keep(Verified("SN-2", "u2"), "");
    record->Keep(Verified("SN-3", "u3"), "");
    CRecordFault reason;
    EXPECT_FALSE(record->Ready(reason));
    EXPECT_FALSE(reason.Ok());
    ASSERT_TRUE(server("resume"));
    EXPECT_TRUE(record->Ready(reason)) << reason;
    record->Keep(Verified("SN-3", "u3"), "");
    // A run that ends while the record is away leaves its spool to the next.
    ASSERT_TRUE(server("pause"));
    record->Keep(Verified("SN-4", "u4"), "");
    const std::string spool = record->SpoolPath();
    record.reset();
    ASSERT_TRUE(server("resume"));
    record = Open("bench-1", nullptr, spool);
    ASSERT_NE(record, nullptr);
    std::vector<CRecordRow> rows;
    CRecordFault error;
    ASSERT_TRUE(record->ReadRows(rows, error)) << error;
    std::vector<std::string> labels;
    for (const CRecordRow& row : rows)
        labels.push_back(row.entry[LogColumn::kLabel]);
    EXPECT_EQ(labels, (std::vector<std::string>{"SN-1", "SN-2", "SN-3", "SN-4"}));
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(spool)));
    ASSERT_EQ(notices.size(), 3u);
    EXPECT_EQ(notices[0].rfind("record unreachable: ", 0), 0u) << notices[0];
    EXPECT_EQ(notices[1], "the record is back: 2 row(s) written from the spool");
    EXPECT_EQ(notices[2].rfind("record unreachable: ", 0), 0u) << notices[2];
}

// A record made by a newer tool is refused and left as it is; what is no
// record's address is said.
TEST_P(ShopRecordTest, ANewerRecordIsLeftAlone)
{
    {
        auto record = Open("bench-1");
        ASSERT_NE(record, nullptr);
        CRecordFault error;
        ASSERT_TRUE(record->Add(Verified("L1", "u1"), "", error)) << error;
    }
    {
        CRecordAddress address;
        CRecordFault error;
        ASSERT_TRUE(ParseRecordAddress(m_address, address, error));
        const QString name = QStringLiteral("raise");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(
                GetParam().postgres ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(
                QString::fromStdString(GetParam().postgres ? address.database : address.path));
            db.setHostName(QString::fromStdString(address.host));
            db.setUserName(QString::fromStdString(address.user));
            ASSERT_TRUE(db.open());
            ASSERT_TRUE(QSqlQuery(db).exec(QStringLiteral("UPDATE qzm_schema SET version = 9")));
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
    }
    std::string error;
    EXPECT_EQ(Open("bench-1", &error), nullptr);
    EXPECT_NE(error.find("made by a newer version"), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(Engines, ShopRecordTest,
                         testing::Values(CEngine{"SQLite", false}, CEngine{"PostgreSQL", true}),
                         [](const testing::TestParamInfo<CEngine>& info) {
                             return std::string(info.param.name);
                         });

TEST(RecordAddress, PathsAndPostgresAddressesPasswordsNever)
{
    const struct
    {
        const char* text;
        bool ok;
        CRecordAddress::Engine engine;
        const char* host;
        int port;
        const char* database;
        const char* user;
        const char* shown; // or a part of the error
    } cases[] = {
        {"shop.db", true, CRecordAddress::Engine::kSqlite, "", -1, "", "", "shop.db"},
        {"postgresql://qa@db.shop:5433/line?sslmode=require", true,
         CRecordAddress::Engine::kPostgres, "db.shop", 5433, "line", "qa",
         "postgresql://qa@db.shop:5433/line"},
        {"postgres:///line?host=/run/postgresql", true, CRecordAddress::Engine::kPostgres,
         "/run/postgresql", -1, "line", "", "postgresql:///line?host=/run/postgresql"},
        {"postgresql://%2Ftmp%2Fpg/line", true, CRecordAddress::Engine::kPostgres, "/tmp/pg", -1,
         "line", "", "postgresql:///line?host=/tmp/pg"},
        {"postgresql://qa:secret@db/line", false, {}, "", -1, "", "", "~/.pgpass"},
        {"postgresql://db/line?password=secret", false, {}, "", -1, "", "", "PGPASSWORD"},
        {"mysql://db/line", false, {}, "", -1, "", "", "is no record"},
        {"", false, {}, "", -1, "", "", "empty"},
    };
    for (const auto& c : cases) {
        CRecordAddress address;
        CRecordFault fault;
        ASSERT_EQ(ParseRecordAddress(c.text, address, fault), c.ok) << c.text << ": " << fault;
        const std::string error = RecordFaultText(fault);
        if (!c.ok) {
            EXPECT_NE(error.find(c.shown), std::string::npos) << c.text << ": " << error;
            EXPECT_EQ(error.find("secret"), std::string::npos) << "no password is said";
            continue;
        }
        EXPECT_EQ(address.engine, c.engine) << c.text;
        EXPECT_EQ(address.host, c.host) << c.text;
        EXPECT_EQ(address.port, c.port) << c.text;
        EXPECT_EQ(address.database, c.database) << c.text;
        EXPECT_EQ(address.user, c.user) << c.text;
        EXPECT_EQ(ShownAddress(address), c.shown) << c.text;
    }
}

} // namespace
