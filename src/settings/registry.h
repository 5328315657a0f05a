// The player's settings store: registry-like keys and typed values kept in
// one SQLite database. Every write is committed at once; value names compare
// case-insensitively; a value keeps the type it was written with.
#pragma once

#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <utility>

struct sqlite3;
struct sqlite3_stmt;

namespace vimbo {

// Value types, numbered as the registry numbers them.
enum class RegistryType : int { String = 1, Integer = 4 };

// One open settings database. Shared by every key handle of a process; safe
// to use from several threads (one statement at a time), and from several
// processes at once.
class RegistryDatabase
{
public:
    // Opens (creating when missing) the database at `path`. Throws
    // EStoreUnavailable naming the file when it is not a usable database;
    // such a file is never changed.
    static std::shared_ptr<RegistryDatabase> open(const QString& path);
    ~RegistryDatabase();
    RegistryDatabase(const RegistryDatabase&) = delete;
    RegistryDatabase& operator=(const RegistryDatabase&) = delete;

    QString path() const { return m_path; }
    // Goes up with every write this process commits (and with every write
    // inside a transaction). Readers that keep a copy of a value compare it
    // to know when to read again; other processes' writes do not count.
    quint64 commitCount() const { return m_commits.load(std::memory_order_acquire); }

    // Runs `work` as one transaction: the store holds either all of its writes or none.
    // Other threads wait; the calling thread may read and write inside, and
    // may nest transactions (they join the outermost one).
    template <typename Work> void transaction(Work&& work)
    {
        std::lock_guard lock(m_mutex);
        if (m_depth == 0)
            begin();
        ++m_depth;
        try {
            work();
        } catch (...) {
            if (--m_depth == 0)
                rollback();
            throw;
        }
        if (--m_depth == 0)
            commit();
    }

private:
    friend class RegistryKey;
    RegistryDatabase(QString path, sqlite3* db);
    void begin();
    void commit();
    void rollback();
    void changed() { m_commits.fetch_add(1, std::memory_order_acq_rel); }
    // A prepared statement for `sql` (a string literal), prepared once and
    // kept; null when it cannot be prepared. The caller holds m_mutex and
    // resets it after use (see StatementUse).
    sqlite3_stmt* statement(const char* sql);

    QString m_path;
    sqlite3* m_db;
    std::recursive_mutex m_mutex;
    int m_depth = 0;
    std::unordered_map<const char*, sqlite3_stmt*> m_statements;
    std::atomic<quint64> m_commits{0};
    // A read-only connection of its own for readCommittedString, opened at
    // its first use, with its one statement; m_readerMutex guards both.
    std::mutex m_readerMutex;
    sqlite3* m_reader = nullptr;
    sqlite3_stmt* m_readerFetch = nullptr;
};

// An open key, such as "Software\Zevo Software\Vimbo Player". Cheap to copy.
class RegistryKey
{
public:
    RegistryKey(std::shared_ptr<RegistryDatabase> db, QString keyPath);

    const QString& keyPath() const { return m_keyPath; }
    const std::shared_ptr<RegistryDatabase>& database() const { return m_db; }

    bool valueExists(const QString& name) const;
    std::optional<RegistryType> valueType(const QString& name) const;
    // A missing value reads as "" or 0; a value of the other type throws
    // ERegistryException "Invalid data type for '<name>'".
    QString readString(const QString& name) const;
    qint32 readInteger(const QString& name) const;
    // readString as last committed, through a connection of its own: it does
    // not wait for a transaction held open by another thread of this
    // process (a rebuild's), whose writes it does not see until they are
    // committed. For threads that must never stand behind the GUI thread.
    QString readCommittedString(const QString& name) const;
    // Throw ERegistryException "Failed to set data for '<name>'" when the store refuses.
    void writeString(const QString& name, const QString& value);
    void writeInteger(const QString& name, qint32 value);
    // True when a value was there to delete.
    bool deleteValue(const QString& name);
    QStringList valueNames() const;
    // Every string value of the key as (name, text), in one read. Values of
    // the other type are not strings and are left out.
    QList<std::pair<QString, QString>> readAllStrings() const;

private:
    struct Stored
    {
        RegistryType type;
        QString text;
        qint32 number;
    };
    std::optional<Stored> fetch(const QString& name) const;
    void write(const QString& name, const Stored& value);

    std::shared_ptr<RegistryDatabase> m_db;
    QString m_keyPath;
};

inline constexpr const char* kSettingsKeyPath = "Software\\Zevo Software\\Vimbo Player";
inline constexpr const char* kPlaylistKeyPath = "Software\\Zevo Software\\Vimbo Player\\Playlist";

} // namespace vimbo
