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
#include <utility>
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
// Why the record did not do what it was asked; the front ends word it
// (words/RecordWords.h).
struct CRecordFault
{
    enum Kind
    {
        kNone,
        kEmptyAddress,
        kNotAnAddress, // `detail`: the text, a URI of another kind
        kPassword,     // the address holds a password
        kBadPort,      // no port number after the host's colon
        kNoDriver,     // Qt has no driver for the engine (`postgres`)
        kUnreachable,  // `detail`: the server's or driver's reason; `where`: the record, if known
        kNewer,        // made by a newer version: `version`, `where`
        kMissing,      // `where`, a file that does not exist
        kNoRecord,     // `where` holds no record of this program
        kUsedUp,       // the numbers of series `detail` are used up
        kSpool,        // the spool `where` cannot be read, taken or written: `detail`
    };
    CRecordFault() = default;
    CRecordFault(Kind what, std::string why = {}, std::string at = {}, int tables = 0)
        : kind(what), detail(std::move(why)), where(std::move(at)), version(tables)
    {
    }
    bool Ok() const { return kind == kNone; }

    Kind kind = kNone;
    std::string detail;
    std::string where;
    int version = 0;
    bool postgres = false;
};

// What the record tells as a run goes on.
struct CRecordNotice
{
    enum Kind
    {
        kAway,    // it cannot be reached: `fault`; no new microphone is taken
        kBack,    // it is back, `given` rows written from the spool
        kNotKept, // a row could be kept neither in the record nor in the spool: `fault`
    };
    CRecordNotice(Kind what, CRecordFault why = {}, int rows = 0)
        : kind(what), fault(std::move(why)), given(rows)
    {
    }

    Kind kind = kAway;
    CRecordFault fault;
    int given = 0;
};

// Reads `text` into `address`; false with `error` set for an address that
// is no record's, or one that holds a password (passwords come from
// ~/.pgpass, PGPASSWORD or a service file, never from a command line).
bool ParseRecordAddress(const std::string& text, CRecordAddress& address, CRecordFault& error);
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
                                             const std::string& station, CRecordFault& error,
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
    bool Add(const CMicRecord& record, const std::string& message, CRecordFault& error);
    // Adds `record`'s row as Add does, or, while the record cannot be
    // reached, keeps it in the spool (a file beside this station's settings)
    // to be given once it is back; a job never fails for its record.
    void Keep(const CMicRecord& record, const std::string& message);
    // Whether the record takes rows now: the spool is given to it first.
    // False with `reason` while it cannot be reached; the station then takes
    // no new microphone.
    bool Ready(CRecordFault& reason);
    // Told, once each, when the record goes away and when it is back.
    void SetNotice(std::function<void(const CRecordNotice& notice)> notice);
    const std::string& SpoolPath() const { return m_spool; }

    // Draws the next serial number of `counter`'s series for a microphone
    // on `port`, in one transaction, so that no two stations ever draw one
    // number: after the highest drawn in the record, and at least the
    // counter's own next number. The number is recorded as drawn with the
    // station, the port and `time`. False with `error` set when the record
    // cannot be reached or the numbers are used up (`usedUp`).
    bool DrawSerial(const CSerialCounter& counter, const std::string& port, const std::string& time,
                    std::string& label, bool& usedUp, CRecordFault& error);
    // Where `label` was programmed well (written, verified or checked) on
    // any station; false when it was not, or the record cannot be read
    // (`error` set).
    bool FindDone(const std::string& label, CLabelUse& use, CRecordFault& error);
    // Every row, in the order they were added; false with `error` set.
    bool ReadRows(std::vector<CRecordRow>& rows, CRecordFault& error);
    // Microphones of `day` ("2026-12-10") done well on every station, and
    // on this one.
    bool DayTotals(const std::string& day, int& shop, int& station, CRecordFault& error);

private:
    CShopRecord(CRecordAddress address, std::string station);
    // This thread's connection, opened on first use.
    bool Connection(QSqlDatabase& db, CRecordFault& error);
    bool MakeTables(QSqlDatabase& db, bool make, CRecordFault& error);
    // One row of `fields` (the log's, then the row's key).
    bool AddFields(const std::string& station, const std::vector<std::string>& fields,
                   CRecordFault& error);
    bool DrawOnce(const CSerialCounter& counter, const std::string& port, const std::string& time,
                  std::string& label, bool& usedUp, CRecordFault& error);
    // Writes the spool's rows (`given`) into the record; false, with the
    // rest kept, when it cannot. Under m_spoolMutex, as the two below.
    bool GiveSpool(int& given, CRecordFault& error);
    // Says once that the record went away, and that it is back.
    void GoneAway(const CRecordFault& error);
    void Back(int given);
    void Tell(const CRecordNotice& notice);
    // The rows `where` ("WHERE label = ?", its `values` bound) picks.
    bool Select(const QString& where, const std::vector<std::string>& values,
                std::vector<CRecordRow>& rows, CRecordFault& error);

    const CRecordAddress m_address;
    const std::string m_station;
    const std::string m_prefix; // of this record's connection names
    std::mutex m_mutex;
    std::vector<std::string> m_connections;
    std::mutex m_spoolMutex;
    std::string m_spool;
    CRecordFault m_away; // why the record cannot be reached; Ok(): it can
    std::function<void(const CRecordNotice&)> m_notice;
};
