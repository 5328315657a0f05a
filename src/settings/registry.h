// The player's settings store: registry-like keys and typed values kept in
// one SQLite database. Every write is committed at once; value names compare
// case-insensitively; a value keeps the type it was written with.
#pragma once

#include <QString>
#include <QStringList>

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
    // A prepared statement for `sql` (a string literal), prepared once and
    // kept; null when it cannot be prepared. The caller holds m_mutex and
    // resets it after use (see StatementUse).
    sqlite3_stmt* statement(const char* sql);

    QString m_path;
    sqlite3* m_db;
    std::recursive_mutex m_mutex;
    int m_depth = 0;
    std::unordered_map<const char*, sqlite3_stmt*> m_statements;
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
