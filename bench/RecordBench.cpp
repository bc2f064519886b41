// The shop's record: the time to record a microphone and to draw a serial
// number, and the numbers drawn per second by 8 stations at once, on an
// SQLite file and, when a server is given, on PostgreSQL.
//
//   bench_record [POSTGRES_URL]   (e.g. 'postgresql:///bench?host=/tmp/pg&user=postgres';
//                                  tests/support/pg-cluster.sh start makes a server)
#include "bench/BenchClock.h"
#include "job/SerialCounter.h"
#include "job/ShopRecord.h"
#include "words/RecordWords.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

namespace {

constexpr int kRows = 500;
constexpr int kDraws = 500;
constexpr int kStations = 8;
constexpr int kDrawsEach = 100;

CMicRecord Row(int n)
{
    CMicRecord record;
    record.operation = Operation::kWrite;
    record.result = JobResult::kVerified;
    record.port = "COM3";
    record.label = "SN-" + std::to_string(n);
    record.unit = "u" + std::to_string(n);
    record.time = "2026-12-10T10:00:00+01:00";
    return record;
}

bool Measure(const char* engine, const std::string& where)
{
    CRecordAddress address;
    CRecordFault error;
    std::unique_ptr<CShopRecord> record;
    if (!ParseRecordAddress(where, address, error) ||
        !(record = CShopRecord::Open(address, "bench", error))) {
        std::fprintf(stderr, "%s: %s\n", engine, RecordFaultText(error).c_str());
        return false;
    }
    auto start = BenchClock::now();
    for (int n = 0; n < kRows; ++n)
        if (!record->Add(Row(n), "", error)) {
            std::fprintf(stderr, "%s: %s\n", engine, RecordFaultText(error).c_str());
            return false;
        }
    const double perRow = MsSince(start) / kRows;

    CSerialCounter counter;
    SerialFault fault = SerialFault::kNone;
    counter.SetPattern("SN-{000001}", fault);
    start = BenchClock::now();
    std::string label;
    bool usedUp = false;
    for (int n = 0; n < kDraws; ++n)
        if (!record->DrawSerial(counter, "COM3", "t", label, usedUp, error)) {
            std::fprintf(stderr, "%s: %s\n", engine, RecordFaultText(error).c_str());
            return false;
        }
    const double perDraw = MsSince(start) / kDraws;

    std::vector<std::unique_ptr<CShopRecord>> stations;
    for (int i = 0; i < kStations; ++i)
        stations.push_back(CShopRecord::Open(address, "bench-" + std::to_string(i), error));
    std::vector<int> drawn(kStations, 0);
    std::vector<std::thread> threads;
    start = BenchClock::now();
    for (int i = 0; i < kStations; ++i)
        threads.emplace_back([&, i] {
            std::string mine;
            CRecordFault why;
            bool out = false;
            for (int n = 0; n < kDrawsEach && stations[i]; ++n)
                if (stations[i]->DrawSerial(counter, "COM3", "t", mine, out, why))
                    ++drawn[i];
        });
    for (std::thread& thread : threads)
        thread.join();
    const double seconds = MsSince(start) / 1000.0;
    int total = 0;
    for (int n : drawn)
        total += n;
    std::printf("  %-10s  %7.2f ms a microphone  %7.2f ms a number  %7.0f numbers/s by %d "
                "stations (%d of %d drawn)\n",
                engine, perRow, perDraw, total / seconds, kStations, total, kStations * kDrawsEach);
    return total == kStations * kDrawsEach;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    std::printf("The shop's record (%d rows, %d numbers one by one)\n", kRows, kDraws);
    bool ok = Measure("SQLite", folder.filePath(QStringLiteral("bench.db")).toStdString());
    if (argc > 1)
        ok = Measure("PostgreSQL", argv[1]) && ok;
    else
        std::printf("  PostgreSQL  not measured: give its address\n");
    return ok ? 0 : 1;
}
