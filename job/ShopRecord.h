#pragma once
// The shop's record of microphones: a row per microphone and operation, from
// every station, with the serial numbers drawn. An SQLite file for one
// station, a PostgreSQL database for several; both through Qt SQL.
#include "job/LogLayout.h"
#include "job/MicLabel.h"
#include "job/MicRecord.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class CSerialCounter;
class QSqlDatabase;
class QString;

// Where a record is, read from what the user gave: "postgresql://..." or
// "postgres://..." (libpq's URI form; the host may be a socket folder, also
// as "?host=/run/postgresql"), else the path of an SQLite file.
struct CRecordAddress
{
    enum class Engine
    {
        kSqlite,
        kPostgres
    };
    Engine engine = Engine::kSqlite;
    std::string path;     // SQLite
    std::string host;     // PostgreSQL: a name, an address or a socket folder; empty: libpq's
    int port = -1;        // -1: libpq's
    std::string database; // empty: libpq's (the user's name)
    std::string user;     // empty: libpq's
    std::string options;  // the other query parameters, as libpq keywords ("sslmode=require")
};
// Reads `text` into `address`; false with `error` set for an address that
// is no record's, or one that holds a password (passwords come from
// ~/.pgpass, PGPASSWORD or a service file, never from a command line).
bool ParseRecordAddress(const std::string& text, CRecordAddress& address, std::string& error);
// The address as it may be shown and logged: the URI without anything
// secret, or the file's path.
std::string ShownAddress(const CRecordAddress& address);

// A row of the record read back: the log's fields and the station.
struct CRecordRow
{
    std::string station;
    CLogEntry entry;
};

// A record, open. Every port's thread may use it: each thread gets a
// connection of its own. Every statement is prepared.
class CShopRecord
{
public:
    // The version of the tables this tool makes; a record of a newer one is
    // refused, an older one upgraded in one transaction.
    static constexpr int kSchemaVersion = 1;

    // Opens (and on first use makes) the record at `address` for the
    // station `station`, and gives it the rows a run left in the spool;
    // nullptr with `error` set when it cannot. `make` false: only a record
    // that exists (a report reads, it makes nothing, it spools nothing).
    // `spool`: the spool's file; empty: beside the program's settings, one
    // file per record.
    static std::unique_ptr<CShopRecord> Open(const CRecordAddress& address,
                                             const std::string& station, std::string& error,
                                             bool make = true, const std::string& spool = {});
    ~CShopRecord();
    CShopRecord(const CShopRecord&) = delete;
    CShopRecord& operator=(const CShopRecord&) = delete;

    const std::string& Station() const { return m_station; }
    const CRecordAddress& Address() const { return m_address; }

    // Adds `record`'s row, `message` in its message column. A row that is
    // in the record already (the same station, unit, operation and time:
    // one given again from the spool) is not added twice. False with
    // `error` set when the record cannot be reached.
    bool Add(const CMicRecord& record, const std::string& message, std::string& error);
    // Adds `record`'s row as Add does, or, while the record cannot be
    // reached, keeps it in the spool (a file beside this station's settings)
    // to be given once it is back; a job never fails for its record.
    void Keep(const CMicRecord& record, const std::string& message);
    // Whether the record takes rows now: the spool is given to it first.
    // False with `reason` while it cannot be reached; the station then takes
    // no new microphone.
    bool Ready(std::string& reason);
    // Told, once each, when the record goes away and when it is back.
    void SetNotice(std::function<void(const std::string& text)> notice);
    const std::string& SpoolPath() const { return m_spool; }

    // Draws the next serial number of `counter`'s series for a microphone
    // on `port`, in one transaction, so that no two stations ever draw one
    // number: after the highest drawn in the record, and at least the
    // counter's own next number. The number is recorded as drawn with the
    // station, the port and `time`. False with `error` set when the record
    // cannot be reached or the numbers are used up (`usedUp`).
    bool DrawSerial(const CSerialCounter& counter, const std::string& port, const std::string& time,
                    std::string& label, bool& usedUp, std::string& error);
    // Where `label` was programmed well (written, verified or checked) on
    // any station; false when it was not, or the record cannot be read
    // (`error` set).
    bool FindDone(const std::string& label, CLabelUse& use, std::string& error);
    // Every row, in the order they were added; false with `error` set.
    bool ReadRows(std::vector<CRecordRow>& rows, std::string& error);
    // Microphones of `day` ("2026-12-10") done well on every station, and
    // on this one.
    bool DayTotals(const std::string& day, int& shop, int& station, std::string& error);

private:
    CShopRecord(CRecordAddress address, std::string station);
    // This thread's connection, opened on first use.
    bool Connection(QSqlDatabase& db, std::string& error);
    bool MakeTables(QSqlDatabase& db, bool make, std::string& error);
    // One row of `fields` (the log's, then the row's key).
    bool AddFields(const std::string& station, const std::vector<std::string>& fields,
                   std::string& error);
    bool DrawOnce(const CSerialCounter& counter, const std::string& port, const std::string& time,
                  std::string& label, bool& usedUp, std::string& error);
    // Writes the spool's rows (`given`) into the record; false, with the
    // rest kept, when it cannot. Under m_spoolMutex, as the two below.
    bool GiveSpool(int& given, std::string& error);
    // Says once that the record went away, and that it is back.
    void GoneAway(const std::string& error);
    void Back(int given);
    void Tell(const std::string& text);
    // The rows `where` ("WHERE label = ?", its `values` bound) picks.
    bool Select(const QString& where, const std::vector<std::string>& values,
                std::vector<CRecordRow>& rows, std::string& error);

    const CRecordAddress m_address;
    const std::string m_station;
    const std::string m_prefix; // of this record's connection names
    std::mutex m_mutex;
    std::vector<std::string> m_connections;
    std::mutex m_spoolMutex;
    std::string m_spool;
    std::string m_away; // why the record cannot be reached; empty: it can
    std::function<void(const std::string&)> m_notice;
};
