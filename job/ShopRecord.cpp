#include "job/ShopRecord.h"

#include "job/JobResult.h"
#include "job/LogReport.h"
#include "job/MicTally.h"
#include "job/SerialCounter.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QThread>
#include <QUrl>
#include <QUrlQuery>
#include <QVariant>

#include <sstream>

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

std::string Reason(const QSqlError& error)
{
    std::string text = Text(error.text()).empty() ? "no reason given" : Text(error.text());
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
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

bool Exec(QSqlQuery& query, std::string& error)
{
    if (query.exec())
        return true;
    error = Reason(query.lastError());
    return false;
}

bool Run(QSqlDatabase& db, const QString& statement, std::string& error)
{
    QSqlQuery query(db);
    if (query.exec(statement))
        return true;
    error = Reason(query.lastError());
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
        std::string ignored;
        m_open = engine == Engine::kSqlite ? Run(db, QStringLiteral("BEGIN IMMEDIATE"), ignored)
                                           : db.transaction();
        if (!m_open)
            m_error = Reason(db.lastError()).empty() ? ignored : Reason(db.lastError());
        m_engine = engine;
    }
    ~CTransaction()
    {
        if (m_open) {
            std::string ignored;
            if (m_engine == Engine::kSqlite)
                Run(m_db, QStringLiteral("ROLLBACK"), ignored);
            else
                m_db.rollback();
        }
    }
    bool Open(std::string& error) const
    {
        if (!m_open)
            error = m_error;
        return m_open;
    }
    bool Commit(std::string& error)
    {
        const bool done = m_engine == Engine::kSqlite ? Run(m_db, QStringLiteral("COMMIT"), error)
                                                      : m_db.commit();
        if (!done && m_engine == Engine::kPostgres)
            error = Reason(m_db.lastError());
        m_open = !done && m_open;
        return done;
    }

private:
    QSqlDatabase& m_db;
    Engine m_engine = Engine::kSqlite;
    bool m_open = false;
    std::string m_error;
};

} // namespace

bool ParseRecordAddress(const std::string& text, CRecordAddress& address, std::string& error)
{
    address = CRecordAddress();
    if (text.empty()) {
        error = "the record's address is empty";
        return false;
    }
    const QString given = Q(text);
    if (!given.startsWith(QStringLiteral("postgresql://")) &&
        !given.startsWith(QStringLiteral("postgres://"))) {
        if (given.contains(QStringLiteral("://"))) {
            error = text + " is no record: give an SQLite file's path or a postgresql:// address";
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
            error = "a password in the record's address is refused (anyone may read a command "
                    "line): put it in ~/.pgpass, PGPASSWORD or a service file";
            return false;
        }
        address.user = decoded(user);
    }
    if (const int colon = authority.lastIndexOf(QLatin1Char(':'));
        colon >= 0 && !authority.endsWith(QLatin1Char(']'))) {
        bool number = false;
        address.port = authority.mid(colon + 1).toInt(&number);
        if (!number || address.port < 1 || address.port > 65535) {
            error = "the record's address has no port number after its host's colon";
            return false;
        }
        authority.truncate(colon);
    }
    address.host = decoded(authority);
    address.database = decoded(database);
    QStringList options;
    for (const auto& [key, value] : QUrlQuery(query).queryItems(QUrl::FullyDecoded)) {
        if (key == QStringLiteral("password")) {
            error = "a password in the record's address is refused: put it in ~/.pgpass, "
                    "PGPASSWORD or a service file";
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

CShopRecord::CShopRecord(CRecordAddress address, std::string station)
    : m_address(std::move(address)), m_station(std::move(station)),
      m_prefix("qzm-record-" + std::to_string(reinterpret_cast<std::uintptr_t>(this)) + "-")
{
}

CShopRecord::~CShopRecord()
{
    for (const std::string& name : m_connections) {
        {
            QSqlDatabase db = QSqlDatabase::database(Q(name), false);
            db.close();
        }
        QSqlDatabase::removeDatabase(Q(name));
    }
}

std::unique_ptr<CShopRecord> CShopRecord::Open(const CRecordAddress& address,
                                               const std::string& station, std::string& error)
{
    std::unique_ptr<CShopRecord> record(new CShopRecord(address, station));
    QSqlDatabase db;
    if (!record->Connection(db, error) || !record->MakeTables(db, error))
        return nullptr;
    return record;
}

bool CShopRecord::Connection(QSqlDatabase& db, std::string& error)
{
    std::ostringstream thread;
    thread << QThread::currentThread();
    const std::string name = m_prefix + thread.str();
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
        error = m_address.engine == Engine::kSqlite
                    ? "Qt has no SQLite driver here (install libqt6sql6-sqlite)"
                    : "Qt has no PostgreSQL driver here (install libqt6sql6-psql)";
        return false;
    }
    if (db.isOpen())
        return true;
    if (db.open())
        return true;
    error = ShownAddress(m_address) + ": " + Reason(db.lastError());
    return false;
}

bool CShopRecord::MakeTables(QSqlDatabase& db, std::string& error)
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
            error = Reason(query.lastError());
            return false;
        }
        if (query.next())
            version = query.value(0).toInt();
    }
    if (version > kSchemaVersion) {
        error = ShownAddress(m_address) +
                " was made by a newer version of the tool (its tables "
                "are of version " +
                std::to_string(version) + ", this tool knows up to " +
                std::to_string(kSchemaVersion) + "); it is left as it is";
        return false;
    }
    if (version == kSchemaVersion)
        return true;
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

bool CShopRecord::Add(const CMicRecord& record, const std::string& message, std::string& error)
{
    QSqlDatabase db;
    if (!Connection(db, error))
        return false;
    const std::vector<std::string> fields = LogFields(record, message, kNewestLog);
    QStringList marks;
    for (std::size_t i = 0; i < kLogColumns + 2; ++i)
        marks << QStringLiteral("?");
    QSqlQuery query(db);
    query.prepare(QStringLiteral("INSERT INTO microphones (station, %1, row_key) VALUES (%2) "
                                 "ON CONFLICT (row_key) DO NOTHING")
                      .arg(ColumnList(), marks.join(QStringLiteral(", "))));
    query.addBindValue(Q(m_station));
    for (const std::string& field : fields)
        query.addBindValue(Q(field));
    query.addBindValue(Q(RowKey(m_station, record)));
    if (Exec(query, error))
        return true;
    // A connection that broke is opened again at the next call.
    db.close();
    return false;
}

bool CShopRecord::DrawSerial(const CSerialCounter& counter, const std::string& port,
                             const std::string& time, std::string& label, bool& usedUp,
                             std::string& error)
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
        if (error.empty())
            error = "the record drew no number";
        return false;
    }
    const long long number = draw.value(0).toLongLong();
    draw.finish();
    if (number > CSerialCounter::kLargestNumber) {
        usedUp = true;
        error = "the numbers of " + series + " are used up";
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
                         std::vector<CRecordRow>& rows, std::string& error)
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

bool CShopRecord::FindDone(const std::string& label, CLabelUse& use, std::string& error)
{
    error.clear();
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

bool CShopRecord::ReadRows(std::vector<CRecordRow>& rows, std::string& error)
{
    return Select(QString(), {}, rows, error);
}

bool CShopRecord::DayTotals(const std::string& day, int& shop, int& station, std::string& error)
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
