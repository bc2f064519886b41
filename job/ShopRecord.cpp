#include "job/ShopRecord.h"

#include "job/JobResult.h"
#include "job/LogReport.h"
#include "job/MicTally.h"
#include "job/SerialCounter.h"

#include "job/TransferLog.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QUrl>
#include <QUrlQuery>
#include <QVariant>

#include <atomic>

namespace {

using Engine = CRecordAddress::Engine;

// Long enough for another station's transaction to end, short enough that
// a record that went away is said within seconds.
constexpr int kBusyTimeoutMs = 10000;
constexpr int kConnectTimeoutS = 5;
// Taken by whoever makes or upgrades the tables of a PostgreSQL record.
constexpr long long kSchemaLock = 530530;

std::string Text(const QString& text)
{
    return text.toStdString();
}

QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}

// The server's reason on one line ("server closed the connection
// unexpectedly"), else the driver's; empty when neither gives one.
std::string Reason(const QSqlError& error)
{
    QStringList lines;
    for (const QString& part : {error.databaseText(), error.driverText()})
        for (QString line : part.split(QLatin1Char('\n'))) {
            line = line.trimmed();
            if (line.startsWith(QStringLiteral("FATAL:")) ||
                line.startsWith(QStringLiteral("ERROR:")))
                line = line.mid(line.indexOf(QLatin1Char(':')) + 1).trimmed();
            if (!line.isEmpty() && !line.startsWith(QStringLiteral("This probably means")) &&
                !line.startsWith(QStringLiteral("before or while")) && !lines.contains(line))
                lines << line;
        }
    return Text(lines.join(QStringLiteral("; ")));
}

// The row columns: the log's, then the station and the key that keeps a
// row given twice (from the spool) from being added twice.
QString Column(std::size_t index)
{
    return QStringLiteral("\"%1\"").arg(
        QString::fromLatin1(LogColumnName(static_cast<LogColumn>(index))));
}

QString ColumnList()
{
    QStringList columns;
    for (std::size_t i = 0; i < kLogColumns; ++i)
        columns << Column(i);
    return columns.join(QStringLiteral(", "));
}

std::string RowKey(const std::string& station, const CMicRecord& record)
{
    return station + "|" + (record.unit.empty() ? record.port : record.unit) + "|" +
           OperationWord(record.operation) + "|" + record.time;
}

CRecordFault Unreachable(const QSqlError& error)
{
    return {CRecordFault::kUnreachable, Reason(error)};
}

bool Exec(QSqlQuery& query, CRecordFault& error)
{
    if (query.exec())
        return true;
    error = Unreachable(query.lastError());
    return false;
}

bool Run(QSqlDatabase& db, const QString& statement, CRecordFault& error)
{
    QSqlQuery query(db);
    if (query.exec(statement))
        return true;
    error = Unreachable(query.lastError());
    return false;
}

bool DoneWell(const CMicRecord& record)
{
    const bool programmed =
        record.operation == Operation::kWrite || record.operation == Operation::kVerify;
    return programmed && IsSuccess(record.result);
}

// A transaction that is rolled back unless committed. SQLite's begins with
// the write lock, so that two stations take turns instead of failing.
class CTransaction
{
public:
    CTransaction(QSqlDatabase& db, Engine engine) : m_db(db)
    {
        CRecordFault begun;
        m_open = engine == Engine::kSqlite ? Run(db, QStringLiteral("BEGIN IMMEDIATE"), begun)
                                           : db.transaction();
        if (!m_open)
            m_error = engine == Engine::kSqlite ? begun : Unreachable(db.lastError());
        m_engine = engine;
    }
    ~CTransaction()
    {
        if (m_open) {
            CRecordFault ignored;
            if (m_engine == Engine::kSqlite)
                Run(m_db, QStringLiteral("ROLLBACK"), ignored);
            else
                m_db.rollback();
        }
    }
    bool Open(CRecordFault& error) const
    {
        if (!m_open)
            error = m_error;
        return m_open;
    }
    bool Commit(CRecordFault& error)
    {
        const bool done = m_engine == Engine::kSqlite ? Run(m_db, QStringLiteral("COMMIT"), error)
                                                      : m_db.commit();
        if (!done && m_engine == Engine::kPostgres)
            error = Unreachable(m_db.lastError());
        m_open = !done && m_open;
        return done;
    }

private:
    QSqlDatabase& m_db;
    Engine m_engine = Engine::kSqlite;
    bool m_open = false;
    CRecordFault m_error;
};

} // namespace

bool ParseRecordAddress(const std::string& text, CRecordAddress& address, CRecordFault& error)
{
    address = CRecordAddress();
    if (text.empty()) {
        error = {CRecordFault::kEmptyAddress};
        return false;
    }
    const QString given = Q(text);
    if (!given.startsWith(QStringLiteral("postgresql://")) &&
        !given.startsWith(QStringLiteral("postgres://"))) {
        if (given.contains(QStringLiteral("://"))) {
            error = {CRecordFault::kNotAnAddress, text};
            return false;
        }
        address.path = text;
        return true;
    }
    address.engine = Engine::kPostgres;
    // libpq's URI: postgresql://[user[:password]@][host][:port][/dbname][?key=value&...],
    // the host percent-encoded where it is a socket folder ("%2Frun%2Fpostgresql").
    QString rest = given.mid(given.indexOf(QStringLiteral("://")) + 3);
    QString query;
    if (const int mark = rest.indexOf(QLatin1Char('?')); mark >= 0) {
        query = rest.mid(mark + 1);
        rest.truncate(mark);
    }
    QString authority = rest;
    QString database;
    if (const int slash = rest.indexOf(QLatin1Char('/')); slash >= 0) {
        authority = rest.left(slash);
        database = rest.mid(slash + 1);
    }
    const auto decoded = [](const QString& part) {
        return Text(QUrl::fromPercentEncoding(part.toUtf8()));
    };
    if (const int at = authority.lastIndexOf(QLatin1Char('@')); at >= 0) {
        const QString user = authority.left(at);
        authority = authority.mid(at + 1);
        if (user.contains(QLatin1Char(':'))) {
            error = {CRecordFault::kPassword};
            return false;
        }
        address.user = decoded(user);
    }
    if (const int colon = authority.lastIndexOf(QLatin1Char(':'));
        colon >= 0 && !authority.endsWith(QLatin1Char(']'))) {
        bool number = false;
        address.port = authority.mid(colon + 1).toInt(&number);
        if (!number || address.port < 1 || address.port > 65535) {
            error = {CRecordFault::kBadPort};
            return false;
        }
        authority.truncate(colon);
    }
    address.host = decoded(authority);
    address.database = decoded(database);
    QStringList options;
    for (const auto& [key, value] : QUrlQuery(query).queryItems(QUrl::FullyDecoded)) {
        if (key == QStringLiteral("password")) {
            error = {CRecordFault::kPassword};
            return false;
        }
        if (key == QStringLiteral("host"))
            address.host = Text(value);
        else if (key == QStringLiteral("port"))
            address.port = value.toInt();
        else if (key == QStringLiteral("dbname"))
            address.database = Text(value);
        else if (key == QStringLiteral("user"))
            address.user = Text(value);
        else if (!value.contains(QLatin1Char(';')))
            options << key + QLatin1Char('=') + value;
    }
    address.options = Text(options.join(QLatin1Char(';')));
    return true;
}

std::string ShownAddress(const CRecordAddress& address)
{
    if (address.engine == Engine::kSqlite)
        return address.path;
    std::string shown = "postgresql://";
    if (!address.user.empty())
        shown += address.user + "@";
    if (!address.host.empty() && address.host.front() != '/')
        shown += address.host;
    if (address.port > 0)
        shown += ":" + std::to_string(address.port);
    shown += "/" + address.database;
    if (!address.host.empty() && address.host.front() == '/')
        shown += "?host=" + address.host;
    return shown;
}

namespace {

// Beside the program's settings, one file per record.
std::string DefaultSpool(const CRecordAddress& address)
{
    const QString settings =
        QFileInfo(QSettings(QStringLiteral("ZEPHRAN"), QStringLiteral("QZM530RX")).fileName())
            .absolutePath();
    const std::string where = address.engine == Engine::kSqlite
                                  ? Text(QFileInfo(Q(address.path)).absoluteFilePath())
                                  : ShownAddress(address);
    const QByteArray tag =
        QCryptographicHash::hash(QByteArray::fromStdString(where), QCryptographicHash::Sha256)
            .toHex()
            .left(12);
    return Text(settings + QStringLiteral("/record-spool-") + QString::fromLatin1(tag) +
                QStringLiteral(".csv"));
}

} // namespace

CShopRecord::CShopRecord(CRecordAddress address, std::string station)
    : m_address(std::move(address)), m_station(std::move(station)),
      m_prefix("qzm-record-" + std::to_string(reinterpret_cast<std::uintptr_t>(this)) + "-")
{
}

CShopRecord::~CShopRecord()
{
    // Removing a connection closes it, from whichever thread made it.
    for (const std::string& name : m_connections)
        QSqlDatabase::removeDatabase(Q(name));
}

std::unique_ptr<CShopRecord> CShopRecord::Open(const CRecordAddress& address,
                                               const std::string& station, CRecordFault& error,
                                               bool make, const std::string& spool)
{
    if (!make && address.engine == Engine::kSqlite && !QFileInfo::exists(Q(address.path))) {
        error = {CRecordFault::kMissing, {}, address.path};
        return nullptr;
    }
    std::unique_ptr<CShopRecord> record(new CShopRecord(address, station));
    record->m_spool = spool.empty() ? DefaultSpool(address) : spool;
    QSqlDatabase db;
    if (!record->Connection(db, error) || !record->MakeTables(db, make, error))
        return nullptr;
    // Rows an earlier run could not give (it ended while the record was away).
    if (make) {
        const std::lock_guard<std::mutex> lock(record->m_spoolMutex);
        CRecordFault spoolError;
        int given = 0;
        if (!record->GiveSpool(given, spoolError))
            record->m_away = spoolError;
    }
    return record;
}

bool CShopRecord::Connection(QSqlDatabase& db, CRecordFault& error)
{
    // A number per thread that no later thread takes, so that a connection
    // is never used by a thread that did not make it.
    static std::atomic<unsigned long long> s_threads{0};
    thread_local const unsigned long long t_thread = ++s_threads;
    const std::string name = m_prefix + std::to_string(t_thread);
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (QSqlDatabase::contains(Q(name))) {
            db = QSqlDatabase::database(Q(name), false);
        } else {
            const bool sqlite = m_address.engine == Engine::kSqlite;
            db = QSqlDatabase::addDatabase(
                sqlite ? QStringLiteral("QSQLITE") : QStringLiteral("QPSQL"), Q(name));
            m_connections.push_back(name);
            if (sqlite) {
                db.setDatabaseName(Q(m_address.path));
                db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
            } else {
                if (!m_address.host.empty())
                    db.setHostName(Q(m_address.host));
                if (m_address.port > 0)
                    db.setPort(m_address.port);
                db.setDatabaseName(Q(m_address.database));
                if (!m_address.user.empty())
                    db.setUserName(Q(m_address.user));
                QString options = QStringLiteral("connect_timeout=%1").arg(kConnectTimeoutS);
                if (!m_address.options.empty())
                    options += QLatin1Char(';') + Q(m_address.options);
                db.setConnectOptions(options);
            }
        }
    }
    if (!db.isValid()) {
        error = {CRecordFault::kNoDriver};
        error.postgres = m_address.engine == Engine::kPostgres;
        return false;
    }
    if (db.isOpen())
        return true;
    if (db.open())
        return true;
    error = Unreachable(db.lastError());
    error.where = ShownAddress(m_address);
    return false;
}

bool CShopRecord::MakeTables(QSqlDatabase& db, bool make, CRecordFault& error)
{
    const bool sqlite = m_address.engine == Engine::kSqlite;
    CTransaction transaction(db, m_address.engine);
    if (!transaction.Open(error))
        return false;
    if (!sqlite) {
        QSqlQuery lock(db);
        lock.prepare(QStringLiteral("SELECT pg_advisory_xact_lock(?)"));
        lock.addBindValue(kSchemaLock);
        if (!Exec(lock, error))
            return false;
    }
    int version = 0;
    if (db.tables().contains(QStringLiteral("qzm_schema"))) {
        QSqlQuery query(db);
        if (!query.exec(QStringLiteral("SELECT MAX(version) FROM qzm_schema"))) {
            error = Unreachable(query.lastError());
            return false;
        }
        if (query.next())
            version = query.value(0).toInt();
    }
    if (version > kSchemaVersion) {
        error = {CRecordFault::kNewer, {}, ShownAddress(m_address), version};
        return false;
    }
    if (version == kSchemaVersion)
        return true;
    if (!make) {
        error = {CRecordFault::kNoRecord, {}, ShownAddress(m_address)};
        return false;
    }
    // Version 1: the rows, the series and the numbers drawn. A later version
    // adds its steps after these, each run once, in this transaction.
    QStringList columns;
    for (std::size_t i = 0; i < kLogColumns; ++i)
        columns << Column(i) + QStringLiteral(" TEXT NOT NULL DEFAULT ''");
    const QString id = sqlite ? QStringLiteral("id INTEGER PRIMARY KEY AUTOINCREMENT")
                              : QStringLiteral("id BIGSERIAL PRIMARY KEY");
    const QString statements[] = {
        QStringLiteral("CREATE TABLE qzm_schema (version INTEGER NOT NULL)"),
        QStringLiteral("CREATE TABLE microphones (%1, station TEXT NOT NULL, %2, "
                       "row_key TEXT NOT NULL UNIQUE)")
            .arg(id, columns.join(QStringLiteral(", "))),
        QStringLiteral("CREATE INDEX microphones_label ON microphones (\"label\")"),
        QStringLiteral(
            "CREATE TABLE serials (series TEXT PRIMARY KEY, last_number BIGINT NOT NULL)"),
        QStringLiteral("CREATE TABLE serial_numbers (label TEXT PRIMARY KEY, series TEXT NOT NULL, "
                       "number BIGINT NOT NULL, station TEXT NOT NULL, port TEXT NOT NULL, "
                       "drawn TEXT NOT NULL)"),
        QStringLiteral("INSERT INTO qzm_schema (version) VALUES (1)"),
    };
    for (const QString& statement : statements)
        if (!Run(db, statement, error))
            return false;
    return transaction.Commit(error);
}

bool CShopRecord::Add(const CMicRecord& record, const std::string& message, CRecordFault& error)
{
    std::vector<std::string> fields = LogFields(record, message, kNewestLog);
    fields.push_back(RowKey(m_station, record));
    return AddFields(m_station, fields, error);
}

bool CShopRecord::AddFields(const std::string& station, const std::vector<std::string>& fields,
                            CRecordFault& error)
{
    QSqlDatabase db;
    if (!Connection(db, error))
        return false;
    QStringList marks;
    for (std::size_t i = 0; i < kLogColumns + 2; ++i)
        marks << QStringLiteral("?");
    QSqlQuery query(db);
    query.prepare(QStringLiteral("INSERT INTO microphones (station, %1, row_key) VALUES (%2) "
                                 "ON CONFLICT (row_key) DO NOTHING")
                      .arg(ColumnList(), marks.join(QStringLiteral(", "))));
    query.addBindValue(Q(station));
    for (const std::string& field : fields)
        query.addBindValue(Q(field));
    if (Exec(query, error))
        return true;
    // A connection that broke is opened again at the next call.
    db.close();
    return false;
}

void CShopRecord::SetNotice(std::function<void(const CRecordNotice& notice)> notice)
{
    const std::lock_guard<std::mutex> lock(m_spoolMutex);
    m_notice = std::move(notice);
}

void CShopRecord::Tell(const CRecordNotice& notice)
{
    if (m_notice)
        m_notice(notice);
}

void CShopRecord::GoneAway(const CRecordFault& error)
{
    if (m_away.Ok())
        Tell({CRecordNotice::kAway, error});
    m_away = error.Ok() ? CRecordFault{CRecordFault::kUnreachable} : error;
}

void CShopRecord::Back(int given)
{
    m_away = {};
    Tell({CRecordNotice::kBack, {}, given});
}

void CShopRecord::Keep(const CMicRecord& record, const std::string& message)
{
    const std::lock_guard<std::mutex> lock(m_spoolMutex);
    CRecordFault error;
    // A record that went away is tried again: a run that takes no more
    // microphones (one write, one after another) gives its spool too.
    int given = 0;
    if (!m_away.Ok() && GiveSpool(given, error))
        Back(given);
    if (m_away.Ok() && Add(record, message, error))
        return;
    std::vector<std::string> fields{m_station};
    for (const std::string& field : LogFields(record, message, kNewestLog))
        fields.push_back(field);
    fields.push_back(RowKey(m_station, record));
    std::string spoolError;
    QDir().mkpath(QFileInfo(Q(m_spool)).absolutePath());
    if (!AppendLockedLine(m_spool, std::string(), CsvLine(fields), spoolError))
        Tell({CRecordNotice::kNotKept, {CRecordFault::kSpool, spoolError, m_spool}});
    GoneAway(error);
}

bool CShopRecord::GiveSpool(int& given, CRecordFault& error)
{
    // The spool is taken away under another name first, so that a row that
    // another process appends meanwhile goes into a new spool, not into one
    // being removed. A spool taken by a run that ended on the way is given
    // first.
    const QString spool = Q(m_spool);
    const QString taken = spool + QStringLiteral(".giving");
    given = 0;
    for (int pass = 0; pass < 2; ++pass) {
        if (!QFileInfo::exists(taken)) {
            if (!QFileInfo::exists(spool))
                break;
            if (!QFile::rename(spool, taken)) {
                error = {CRecordFault::kSpool, {}, m_spool};
                return false;
            }
        }
        QFile file(taken);
        if (!file.open(QIODevice::ReadOnly)) {
            error = {CRecordFault::kSpool, Text(file.errorString()), Text(taken)};
            return false;
        }
        const QByteArray text = file.readAll();
        file.close();
        for (const CCsvRecord& row :
             ParseCsv(std::string_view(text.constData(), static_cast<std::size_t>(text.size())))) {
            // A line cut short by a crash: the next row was written whole after it.
            if (!row.complete || row.fields.size() != kLogColumns + 2)
                continue;
            const std::vector<std::string> fields(row.fields.begin() + 1, row.fields.end());
            if (!AddFields(row.fields.front(), fields, error))
                return false;
            ++given;
        }
        if (!file.remove()) {
            error = {CRecordFault::kSpool, Text(file.errorString()), Text(taken)};
            return false;
        }
    }
    return true;
}

bool CShopRecord::Ready(CRecordFault& reason)
{
    const std::lock_guard<std::mutex> lock(m_spoolMutex);
    if (m_away.Ok() && !QFileInfo::exists(Q(m_spool)) &&
        !QFileInfo::exists(Q(m_spool) + QStringLiteral(".giving")))
        return true;
    CRecordFault error;
    QSqlDatabase db;
    int given = 0;
    if (Connection(db, error) && Run(db, QStringLiteral("SELECT 1"), error) &&
        GiveSpool(given, error)) {
        if (!m_away.Ok() || given > 0)
            Back(given);
        return true;
    }
    QSqlDatabase broken;
    CRecordFault ignored;
    if (Connection(broken, ignored))
        broken.close();
    GoneAway(error);
    reason = m_away;
    return false;
}

bool CShopRecord::DrawSerial(const CSerialCounter& counter, const std::string& port,
                             const std::string& time, std::string& label, bool& usedUp,
                             CRecordFault& error)
{
    const bool drawn = DrawOnce(counter, port, time, label, usedUp, error);
    // A draw is where a station that takes labels first sees the record go
    // away, and come back.
    const std::lock_guard<std::mutex> lock(m_spoolMutex);
    if (!drawn && !usedUp) {
        GoneAway(error);
    } else if (drawn && !m_away.Ok()) {
        int given = 0;
        CRecordFault spoolError;
        if (GiveSpool(given, spoolError))
            Back(given);
    }
    return drawn;
}

bool CShopRecord::DrawOnce(const CSerialCounter& counter, const std::string& port,
                           const std::string& time, std::string& label, bool& usedUp,
                           CRecordFault& error)
{
    usedUp = false;
    QSqlDatabase db;
    if (!Connection(db, error))
        return false;
    // The series is the form of its labels: "SN-{0001}" and "SN-{0100}"
    // give the same labels and draw from one series.
    const std::string series = counter.Format(0);
    CTransaction transaction(db, m_address.engine);
    if (!transaction.Open(error)) {
        db.close();
        return false;
    }
    const bool sqlite = m_address.engine == Engine::kSqlite;
    QSqlQuery draw(db);
    draw.prepare(QStringLiteral("INSERT INTO serials (series, last_number) VALUES (?, ?) "
                                "ON CONFLICT (series) DO UPDATE SET last_number = %1("
                                "serials.last_number + 1, excluded.last_number) "
                                "RETURNING last_number")
                     .arg(sqlite ? QStringLiteral("MAX") : QStringLiteral("GREATEST")));
    draw.addBindValue(Q(series));
    draw.addBindValue(static_cast<qlonglong>(counter.NextNumber()));
    if (!Exec(draw, error) || !draw.next()) {
        if (error.Ok())
            error = {CRecordFault::kUnreachable};
        draw.finish();
        db.close();
        return false;
    }
    const long long number = draw.value(0).toLongLong();
    draw.finish();
    if (number > CSerialCounter::kLargestNumber) {
        usedUp = true;
        error = {CRecordFault::kUsedUp, series};
        return false;
    }
    label = counter.Format(static_cast<long>(number));
    QSqlQuery drawn(db);
    drawn.prepare(QStringLiteral("INSERT INTO serial_numbers (label, series, number, station, "
                                 "port, drawn) VALUES (?, ?, ?, ?, ?, ?)"));
    for (const QVariant& value :
         {QVariant(Q(label)), QVariant(Q(series)), QVariant(static_cast<qlonglong>(number)),
          QVariant(Q(m_station)), QVariant(Q(port)), QVariant(Q(time))})
        drawn.addBindValue(value);
    if (!Exec(drawn, error))
        return false;
    return transaction.Commit(error);
}

bool CShopRecord::Select(const QString& where, const std::vector<std::string>& values,
                         std::vector<CRecordRow>& rows, CRecordFault& error)
{
    QSqlDatabase db;
    if (!Connection(db, error))
        return false;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT station, %1 FROM microphones %2 ORDER BY id")
                      .arg(ColumnList(), where));
    for (const std::string& value : values)
        query.addBindValue(Q(value));
    if (!Exec(query, error)) {
        db.close();
        return false;
    }
    while (query.next()) {
        CRecordRow row;
        row.station = Text(query.value(0).toString());
        for (std::size_t i = 0; i < kLogColumns; ++i)
            row.entry.fields[i] = Text(query.value(static_cast<int>(i + 1)).toString());
        row.entry.line = static_cast<int>(rows.size() + 1);
        rows.push_back(std::move(row));
    }
    return true;
}

bool CShopRecord::FindDone(const std::string& label, CLabelUse& use, CRecordFault& error)
{
    error = {};
    std::vector<CRecordRow> rows;
    if (!Select(QStringLiteral("WHERE \"label\" = ?"), {label}, rows, error))
        return false;
    for (const CRecordRow& row : rows) {
        CMicRecord record;
        if (!RecordOfEntry(row.entry, record) || !DoneWell(record))
            continue;
        use.station = row.station;
        use.port = record.port;
        use.time = record.time;
        use.inLog = true;
        return true;
    }
    return false;
}

bool CShopRecord::ReadRows(std::vector<CRecordRow>& rows, CRecordFault& error)
{
    return Select(QString(), {}, rows, error);
}

bool CShopRecord::DayTotals(const std::string& day, int& shop, int& station, CRecordFault& error)
{
    shop = station = 0;
    std::vector<CRecordRow> rows;
    if (!Select(QStringLiteral("WHERE substr(\"time\", 1, 10) = ?"), {day}, rows, error))
        return false;
    for (const CRecordRow& row : rows) {
        CMicRecord record;
        if (!RecordOfEntry(row.entry, record) || !CountsAsMicrophone(record))
            continue;
        CMicTally tally;
        tally.Add(record);
        shop += tally.good;
        if (row.station == m_station)
            station += tally.good;
    }
    return true;
}
