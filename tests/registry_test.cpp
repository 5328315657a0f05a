#include "platform/errors.h"
#include "settings/registry.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace vimbo;

namespace {

class RegistryTest : public ::testing::Test
{
protected:
    QString dbPath() const { return dir.filePath("registry.db"); }
    std::shared_ptr<RegistryDatabase> db() { return m_db ? m_db : (m_db = RegistryDatabase::open(dbPath())); }
    RegistryKey settings() { return RegistryKey(db(), kSettingsKeyPath); }
    RegistryKey playlist() { return RegistryKey(db(), kPlaylistKeyPath); }

    QTemporaryDir dir;

private:
    std::shared_ptr<RegistryDatabase> m_db;
};

template <typename F> QString errorOf(F&& f)
{
    try {
        f();
    } catch (const ERegistryException& e) {
        return e.message();
    }
    return QStringLiteral("<no error>");
}

TEST_F(RegistryTest, ValuesKeepTypeAndNamesIgnoreCase)
{
    RegistryKey key = settings();
    EXPECT_EQ(key.readString("Skin"), "");
    EXPECT_EQ(key.readInteger("Volume"), 0);
    EXPECT_FALSE(key.valueExists("Volume"));

    key.writeInteger("Volume", 73);
    key.writeInteger("FormTop", -12);
    key.writeString("Skin", "Blue Steel");
    key.writeString("Opened", "");

    EXPECT_EQ(key.readInteger("VOLUME"), 73);
    EXPECT_EQ(key.readInteger("formtop"), -12);
    EXPECT_EQ(key.readString("skin"), "Blue Steel");
    EXPECT_TRUE(key.valueExists("opened")); // an empty string is a value, not a missing one
    EXPECT_EQ(key.valueType("Opened"), RegistryType::String);

    // Writing under another case replaces the value and keeps the first spelling.
    key.writeInteger("volume", 10);
    EXPECT_EQ(key.readInteger("Volume"), 10);
    EXPECT_EQ(key.valueNames().filter("olume", Qt::CaseInsensitive), QStringList{"Volume"});

    // The other key is a separate namespace.
    EXPECT_EQ(playlist().readInteger("Volume"), 0);
    EXPECT_TRUE(key.deleteValue("VOLUME"));
    EXPECT_FALSE(key.deleteValue("Volume"));
    EXPECT_EQ(key.readInteger("Volume"), 0);
}

TEST_F(RegistryTest, WrongTypeAndRefusedWritesRaiseTheirMessages)
{
    RegistryKey key = settings();
    key.writeString("Volume", "loud");
    key.writeInteger("Skin", 3);
    EXPECT_EQ(errorOf([&] { key.readInteger("volume"); }), "Invalid data type for 'volume'");
    EXPECT_EQ(errorOf([&] { key.readString("Skin"); }), "Invalid data type for 'Skin'");

    // A store that refuses writes (here: a trigger that aborts them).
    {
        QProcess sqlite;
        sqlite.start("sqlite3", {dbPath(), "CREATE TRIGGER deny BEFORE INSERT ON reg_values "
                                           "BEGIN SELECT RAISE(ABORT, 'refused'); END;"});
        ASSERT_TRUE(sqlite.waitForFinished());
        ASSERT_EQ(sqlite.exitCode(), 0) << sqlite.readAllStandardError().toStdString();
    }
    EXPECT_EQ(errorOf([&] { key.writeString("LastDir", "/music"); }), "Failed to set data for 'LastDir'");
    EXPECT_EQ(key.readString("LastDir"), "");
}

TEST_F(RegistryTest, TransactionKeepsAllOrNothing)
{
    RegistryKey key = playlist();
    key.writeString("1", "/a.mp3");
    EXPECT_THROW(db()->transaction([&] {
        key.writeString("1", "/changed.mp3");
        key.writeString("2", "/b.mp3");
        throw std::runtime_error("interrupted");
    }),
                 std::runtime_error);
    EXPECT_EQ(key.readString("1"), "/a.mp3");
    EXPECT_FALSE(key.valueExists("2"));
}

TEST_F(RegistryTest, UnusableFileIsReportedByNameAndLeftAlone)
{
    const QByteArray garbage = QByteArray("This is my shopping list, not a database.\n").repeated(200);
    {
        QFile f(dbPath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(garbage);
    }
    try {
        RegistryDatabase::open(dbPath());
        FAIL() << "opened a file that is not a database";
    } catch (const EStoreUnavailable& e) {
        EXPECT_TRUE(e.message().contains(dbPath())) << e.what();
        EXPECT_TRUE(e.message().contains("Move it out of the way")) << e.what();
    }
    QFile f(dbPath());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), garbage);
    EXPECT_FALSE(QFile::exists(dbPath() + "-wal"));

    // A folder where the file should be.
    const QString folderPath = dir.filePath("folder.db");
    ASSERT_TRUE(QDir().mkpath(folderPath));
    EXPECT_THROW(RegistryDatabase::open(folderPath), EStoreUnavailable);
}

TEST_F(RegistryTest, OtherThreadReadsWhileGuiThreadWrites)
{
    RegistryKey entries = playlist();
    entries.writeString("1", "/music/first.mp3");
    std::atomic<bool> stop = false;
    std::atomic<int> bad = 0;
    std::thread reader([&] {
        RegistryKey mine = playlist();
        while (!stop) {
            if (mine.readString("1") != "/music/first.mp3")
                ++bad;
            mine.readString("2");
        }
    });
    for (int i = 0; i < 300; ++i)
        entries.writeString("2", QString("/music/%1.mp3").arg(i));
    stop = true;
    reader.join();
    EXPECT_EQ(bad, 0);
    EXPECT_EQ(entries.readString("2"), "/music/299.mp3");
}

TEST_F(RegistryTest, SecondProcessWritesWhileFirstReadsAndWrites)
{
    RegistryKey key = settings();
    key.writeString("Skin", "Default");
    QProcess child;
    child.start(VIMBO_STORETOOL, {dbPath(), "write-many", "Child", "200"});
    ASSERT_TRUE(child.waitForStarted());
    int reads = 0;
    while (child.state() != QProcess::NotRunning) {
        ASSERT_EQ(key.readString("Skin"), "Default");
        key.writeInteger("Volume", reads++);
        child.waitForFinished(1);
    }
    ASSERT_EQ(child.exitCode(), 0) << child.readAllStandardError().toStdString();
    for (int i = 0; i < 200; ++i)
        ASSERT_EQ(key.readInteger(QString("Child%1").arg(i)), i);
    EXPECT_EQ(key.readInteger("Volume"), reads - 1);
}

} // namespace
