#include "registry.h"

#include "platform/errors.h"

#include <QDir>
#include <QFileInfo>
#include <QtGlobal>

#include <sqlite3.h>

namespace vimbo {

namespace {

void bindText(sqlite3_stmt* stmt, int index, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text(stmt, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

QString columnText(sqlite3_stmt* stmt, int index)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, index));
    return QString::fromUtf8(text, sqlite3_column_bytes(stmt, index));
}

[[noreturn]] void throwUnavailable(const QString& path, const QString& reason)
{
    throw EStoreUnavailable(
        QStringLiteral("The settings store \"%1\" cannot be used: %2.\n\n"
                       "Vimbo has not changed the file. Move it out of the way (or put back a "
                       "copy that works) and start Vimbo again; it then makes a new, empty store.")
            .arg(QDir::toNativeSeparators(path), reason));
}

// Resets a cached statement when its use ends, so no read stays open
// (an open read would hide other processes' writes from this connection).
class StatementUse
{
public:
    explicit StatementUse(sqlite3_stmt* stmt) : m_stmt(stmt) {}
    ~StatementUse()
    {
        if (m_stmt) {
            sqlite3_reset(m_stmt);
            sqlite3_clear_bindings(m_stmt);
        }
    }
    StatementUse(const StatementUse&) = delete;
    StatementUse& operator=(const StatementUse&) = delete;
    sqlite3_stmt* get() const { return m_stmt; }
    explicit operator bool() const { return m_stmt != nullptr; }

private:
    sqlite3_stmt* m_stmt;
};

bool execute(sqlite3* db, const char* sql)
{
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

} // namespace

std::shared_ptr<RegistryDatabase> RegistryDatabase::open(const QString& path)
{
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        throwUnavailable(path, QStringLiteral("it is not a file"));
    if (!QDir().mkpath(info.absolutePath()))
        throwUnavailable(path, QStringLiteral("its folder cannot be created"));

    sqlite3* raw = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, flags, nullptr);
    std::unique_ptr<sqlite3, int (*)(sqlite3*)> db(raw, &sqlite3_close_v2);
    if (rc != SQLITE_OK)
        throwUnavailable(path, QString::fromUtf8(raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc)));

    // Read before anything writes, so that a file which is not a database is
    // reported and left exactly as it was.
    if (!execute(db.get(), "SELECT count(*) FROM sqlite_schema"))
        throwUnavailable(path, QString::fromUtf8(sqlite3_errmsg(db.get())));
    if (sqlite3_db_readonly(db.get(), "main") == 1)
        throwUnavailable(path, QStringLiteral("it cannot be written"));

    // Another process may hold the write lock for a moment (a second instance
    // writing "Opened"); wait for it rather than failing.
    sqlite3_busy_timeout(db.get(), 10000);
    // WAL lets one process read while another writes; NORMAL sync keeps every
    // committed write when the process dies.
    if (!execute(db.get(), "PRAGMA journal_mode=WAL") ||
        !execute(db.get(), "PRAGMA synchronous=NORMAL") ||
        !execute(db.get(), "CREATE TABLE IF NOT EXISTS reg_values("
                           " key  TEXT NOT NULL COLLATE NOCASE,"
                           " name TEXT NOT NULL COLLATE NOCASE,"
                           " type INTEGER NOT NULL,"
                           " data,"
                           " PRIMARY KEY (key, name)) WITHOUT ROWID"))
        throwUnavailable(path, QString::fromUtf8(sqlite3_errmsg(db.get())));

    return std::shared_ptr<RegistryDatabase>(new RegistryDatabase(path, db.release()));
}

RegistryDatabase::RegistryDatabase(QString path, sqlite3* db) : m_path(std::move(path)), m_db(db) {}

RegistryDatabase::~RegistryDatabase()
{
    for (auto& [sql, stmt] : m_statements)
        sqlite3_finalize(stmt);
    sqlite3_close_v2(m_db);
    sqlite3_finalize(m_readerFetch);
    sqlite3_close_v2(m_reader);
}

sqlite3_stmt* RegistryDatabase::statement(const char* sql)
{
    auto& cached = m_statements[sql];
    if (!cached && sqlite3_prepare_v3(m_db, sql, -1, SQLITE_PREPARE_PERSISTENT, &cached, nullptr) != SQLITE_OK) {
        sqlite3_finalize(cached);
        cached = nullptr;
    }
    return cached;
}

void RegistryDatabase::begin()
{
    // IMMEDIATE takes the write lock now, so a second process cannot slip a
    // write in between our reads and writes.
    if (!execute(m_db, "BEGIN IMMEDIATE"))
        throw ERegistryException(QStringLiteral("Failed to start a transaction: %1")
                                     .arg(QString::fromUtf8(sqlite3_errmsg(m_db))));
}

void RegistryDatabase::commit()
{
    // Counted once the writes are there to be read, never before.
    const bool committed = execute(m_db, "COMMIT");
    changed();
    if (!committed) {
        const QString reason = QString::fromUtf8(sqlite3_errmsg(m_db));
        rollback();
        throw ERegistryException(QStringLiteral("Failed to commit a transaction: %1").arg(reason));
    }
}

void RegistryDatabase::rollback()
{
    if (!sqlite3_get_autocommit(m_db))
        execute(m_db, "ROLLBACK");
    changed();
}

RegistryKey::RegistryKey(std::shared_ptr<RegistryDatabase> db, QString keyPath)
    : m_db(std::move(db)), m_keyPath(std::move(keyPath))
{
}

std::optional<RegistryKey::Stored> RegistryKey::fetch(const QString& name) const
{
    std::lock_guard lock(m_db->m_mutex);
    StatementUse stmt(m_db->statement("SELECT type, data FROM reg_values WHERE key = ?1 AND name = ?2"));
    if (!stmt)
        throw ERegistryException(QStringLiteral("Failed to get data for '%1'").arg(name));
    bindText(stmt.get(), 1, m_keyPath);
    bindText(stmt.get(), 2, name);
    const int rc = sqlite3_step(stmt.get());
    if (rc == SQLITE_DONE)
        return std::nullopt;
    if (rc != SQLITE_ROW)
        throw ERegistryException(QStringLiteral("Failed to get data for '%1'").arg(name));
    Stored value{RegistryType(sqlite3_column_int(stmt.get(), 0)), {}, 0};
    if (value.type == RegistryType::Integer)
        value.number = qint32(sqlite3_column_int64(stmt.get(), 1));
    else
        value.text = columnText(stmt.get(), 1);
    return value;
}

bool RegistryKey::valueExists(const QString& name) const
{
    return fetch(name).has_value();
}

std::optional<RegistryType> RegistryKey::valueType(const QString& name) const
{
    const auto value = fetch(name);
    return value ? std::optional(value->type) : std::nullopt;
}

QString RegistryKey::readCommittedString(const QString& name) const
{
    std::lock_guard lock(m_db->m_readerMutex);
    if (!m_db->m_reader) {
        sqlite3* raw = nullptr;
        const int flags = SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX;
        if (sqlite3_open_v2(QFile::encodeName(m_db->m_path).constData(), &raw, flags, nullptr) != SQLITE_OK ||
            sqlite3_prepare_v3(raw, "SELECT type, data FROM reg_values WHERE key = ?1 AND name = ?2", -1,
                               SQLITE_PREPARE_PERSISTENT, &m_db->m_readerFetch, nullptr) != SQLITE_OK) {
            sqlite3_close_v2(raw);
            throw ERegistryException(QStringLiteral("Failed to get data for '%1'").arg(name));
        }
        // Readers of a WAL database wait only while another process
        // recovers it; a brief wait then, never a writer's whole transaction.
        sqlite3_busy_timeout(raw, 200);
        m_db->m_reader = raw;
    }
    StatementUse stmt(m_db->m_readerFetch);
    bindText(stmt.get(), 1, m_keyPath);
    bindText(stmt.get(), 2, name);
    const int rc = sqlite3_step(stmt.get());
    if (rc == SQLITE_DONE)
        return {};
    if (rc != SQLITE_ROW)
        throw ERegistryException(QStringLiteral("Failed to get data for '%1'").arg(name));
    if (RegistryType(sqlite3_column_int(stmt.get(), 0)) != RegistryType::String)
        throw ERegistryException(QStringLiteral("Invalid data type for '%1'").arg(name));
    return columnText(stmt.get(), 1);
}

QString RegistryKey::readString(const QString& name) const
{
    const auto value = fetch(name);
    if (!value)
        return {};
    if (value->type != RegistryType::String)
        throw ERegistryException(QStringLiteral("Invalid data type for '%1'").arg(name));
    return value->text;
}

qint32 RegistryKey::readInteger(const QString& name) const
{
    const auto value = fetch(name);
    if (!value)
        return 0;
    if (value->type != RegistryType::Integer)
        throw ERegistryException(QStringLiteral("Invalid data type for '%1'").arg(name));
    return value->number;
}

void RegistryKey::write(const QString& name, const Stored& value)
{
    std::lock_guard lock(m_db->m_mutex);
    // A value written again under another case keeps its first spelling.
    StatementUse stmt(m_db->statement(
        "INSERT INTO reg_values(key, name, type, data) VALUES(?1, ?2, ?3, ?4) "
        "ON CONFLICT(key, name) DO UPDATE SET type = excluded.type, data = excluded.data"));
    bool ok = bool(stmt);
    if (ok) {
        bindText(stmt.get(), 1, m_keyPath);
        bindText(stmt.get(), 2, name);
        sqlite3_bind_int(stmt.get(), 3, int(value.type));
        if (value.type == RegistryType::Integer)
            sqlite3_bind_int64(stmt.get(), 4, value.number);
        else
            bindText(stmt.get(), 4, value.text);
        ok = sqlite3_step(stmt.get()) == SQLITE_DONE;
        m_db->changed();
    }
    if (!ok) {
        qWarning("settings store: %s", sqlite3_errmsg(m_db->m_db));
        throw ERegistryException(QStringLiteral("Failed to set data for '%1'").arg(name));
    }
}

void RegistryKey::writeString(const QString& name, const QString& value)
{
    write(name, {RegistryType::String, value, 0});
}

void RegistryKey::writeInteger(const QString& name, qint32 value)
{
    write(name, {RegistryType::Integer, {}, value});
}

bool RegistryKey::deleteValue(const QString& name)
{
    std::lock_guard lock(m_db->m_mutex);
    StatementUse stmt(m_db->statement("DELETE FROM reg_values WHERE key = ?1 AND name = ?2"));
    if (!stmt)
        throw ERegistryException(QStringLiteral("Failed to delete value '%1'").arg(name));
    bindText(stmt.get(), 1, m_keyPath);
    bindText(stmt.get(), 2, name);
    const int rc = sqlite3_step(stmt.get());
    m_db->changed();
    if (rc != SQLITE_DONE)
        throw ERegistryException(QStringLiteral("Failed to delete value '%1'").arg(name));
    return sqlite3_changes(m_db->m_db) > 0;
}

QStringList RegistryKey::valueNames() const
{
    std::lock_guard lock(m_db->m_mutex);
    StatementUse stmt(m_db->statement("SELECT name FROM reg_values WHERE key = ?1"));
    if (!stmt)
        throw ERegistryException(QStringLiteral("Failed to read the values of '%1'").arg(m_keyPath));
    bindText(stmt.get(), 1, m_keyPath);
    QStringList names;
    int rc;
    while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW)
        names << columnText(stmt.get(), 0);
    if (rc != SQLITE_DONE)
        throw ERegistryException(QStringLiteral("Failed to read the values of '%1'").arg(m_keyPath));
    return names;
}

QList<std::pair<QString, QString>> RegistryKey::readAllStrings() const
{
    std::lock_guard lock(m_db->m_mutex);
    StatementUse stmt(m_db->statement("SELECT name, data FROM reg_values WHERE key = ?1 AND type = 1"));
    if (!stmt)
        throw ERegistryException(QStringLiteral("Failed to read the values of '%1'").arg(m_keyPath));
    bindText(stmt.get(), 1, m_keyPath);
    QList<std::pair<QString, QString>> values;
    int rc;
    while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW)
        values.append({columnText(stmt.get(), 0), columnText(stmt.get(), 1)});
    if (rc != SQLITE_DONE)
        throw ERegistryException(QStringLiteral("Failed to read the values of '%1'").arg(m_keyPath));
    return values;
}

} // namespace vimbo
