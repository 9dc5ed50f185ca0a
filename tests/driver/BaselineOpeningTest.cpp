#include "driver/BaselineDatabase.h"
#include "patch/FileDigest.h"
#include "platform/PathLookup.h"

#include "Baselines.h"
#include "QtApplication.h"
#include "support/ScopedCurrentDirectory.h"
#include "support/TempDir.h"

#include <QSqlError>
#include <QSqlQuery>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <functional>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// A file that is no usable baseline does not open, and leaves nothing open:
// no SQLite file, no tables, a table or column missing, a directory, a FIFO
// (which must not block), a device. The digest is taken of a regular file
// only.
TEST(BaselineDatabaseOpening, OnlyAUsableBaselineOpens)
{
    ensureQtApplication();
    TempDir dir;
    const QString noMessage = "CREATE TABLE DT_Suppression (SP_FileReg, SP_State, SP_Line, SP_Column)";
    const QString noIdent = "CREATE TABLE RF_FileReg (FR_Primary, FR_Name)";
    struct Case {
        const char* what;
        std::function<std::string()> make;
        bool opens;
    };
    const auto baseline = [&](const std::string& name, const std::vector<QString>& statements) {
        makeBaseline(dir.file(name), statements);
        return dir.file(name);
    };
    const std::vector<Case> cases = {
        {"a baseline", [&] { return baseline("good.sup", {kRegistrationTable, kSuppressionTable}); }, true},
        {"a text file", [&] { return dir.write("text.sup", "SQLite format 3 is what this is not\n"); }, false},
        {"an empty file", [&] { return dir.write("empty.sup", ""); }, false},
        {"no tables", [&] { return baseline("none.sup", {"CREATE TABLE x (a)", "DROP TABLE x"}); }, false},
        {"another table", [&] { return baseline("other.sup", {"CREATE TABLE other (x)"}); }, false},
        {"no DT_Suppression", [&] { return baseline("noSup.sup", {kRegistrationTable}); }, false},
        {"no RF_FileReg", [&] { return baseline("noReg.sup", {kSuppressionTable}); }, false},
        {"no SP_Message", [&] { return baseline("noMessage.sup", {kRegistrationTable, noMessage}); }, false},
        {"no FR_Ident", [&] { return baseline("noIdent.sup", {noIdent, kSuppressionTable}); }, false},
        {"a directory", [&] { ::mkdir(dir.file("dir.sup").c_str(), 0700); return dir.file("dir.sup"); }, false},
        {"a FIFO", [&] { ::mkfifo(dir.file("fifo.sup").c_str(), 0600); return dir.file("fifo.sup"); }, false},
        {"a device", [] { return std::string("/dev/null"); }, false},
        {"nothing", [&] { return dir.file("missing.sup"); }, false},
    };
    // A FIFO that blocks would hang the test: the alarm ends it instead.
    ::alarm(60);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = c.make();
        {
            BaselineDatabase db;
            EXPECT_EQ(db.open(path), c.opens);
            EXPECT_EQ(QSqlDatabase::database(QSqlDatabase::defaultConnection, false).isOpen(), c.opens);
        }
        struct stat status;
        const bool regular = ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
        EXPECT_EQ(FileDigest::ofRegularFile(path).empty(), !regular);
    }
    ::alarm(0);
    EXPECT_EQ(FileDigest::ofRegularFile(dir.write("abc", "abc")), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(FileDigest::ofText("abc"), "900150983cd24fb0d6963f7d28e17f72");
}

// The stamp covers the -wal file where SQLite keeps it, beside the file that
// a link leads to, however the baseline is named; without rows in a -wal it
// is the .sup's own digest, and a -wal that cannot be read leaves no stamp.
TEST(BaselineDatabaseOpening, TheStampCoversTheWalWhereSQLiteKeepsIt)
{
    ensureQtApplication();
    TempDir dir;
    ::mkdir(dir.file("db").c_str(), 0700);
    const std::string real = dir.file("db/baseline.sup");
    makeBaseline(real, {kRegistrationTable, kSuppressionTable, "PRAGMA journal_mode = WAL"});
    ::symlink("db/baseline.sup", dir.file("link.sup").c_str());
    ::symlink("link.sup", dir.file("chain.sup").c_str());
    ::symlink(real.c_str(), dir.file("db/other.sup").c_str());
    ::symlink("db", dir.file("dblink").c_str());
    const ScopedCurrentDirectory current(dir.path());
    const std::vector<std::pair<const char*, std::string>> namings = {
        {"the file", real},
        {"a link", dir.file("link.sup")},
        {"a link to a link", dir.file("chain.sup")},
        {"a link beside the file", dir.file("db/other.sup")},
        {"a link to its directory", dir.file("dblink/baseline.sup")},
        {"a relative name through links", "dblink/../chain.sup"},
    };
    for (const auto& [what, name] : namings) {
        SCOPED_TRACE(what);
        // The writer names the baseline so too, and keeps its rows in the
        // -wal while it is open.
        QSqlDatabase writer = QSqlDatabase::addDatabase("QSQLITE", "walWriter");
        writer.setDatabaseName(QString::fromStdString(name));
        ASSERT_TRUE(writer.open());
        {
            QSqlQuery insert(writer);
            ASSERT_TRUE(insert.exec("INSERT INTO DT_Suppression VALUES (1, 0, 5, 1, 1)"));
        }
        struct stat wal, named;
        ASSERT_EQ(::stat((real + "-wal").c_str(), &wal), 0);
        const BaselineStamp stamp = BaselineDatabase::stamp(name);
        EXPECT_EQ(stamp.fileDigest, FileDigest::ofRegularFile(real));
        ASSERT_EQ(::stat(stamp.walPath.c_str(), &named), 0) << stamp.walPath;
        EXPECT_EQ(named.st_ino, wal.st_ino);
        EXPECT_EQ(stamp.walDigest, FileDigest::ofRegularFile(real + "-wal"));
        EXPECT_EQ(stamp.value(), FileDigest::ofText(stamp.fileDigest + stamp.walDigest));
        writer.close();
        writer = QSqlDatabase();
        QSqlDatabase::removeDatabase("walWriter");
    }

    // The last connection's close moved the rows into the .sup.
    ASSERT_NE(::access((real + "-wal").c_str(), F_OK), 0);
    EXPECT_EQ(BaselineDatabase::stamp(real).value(), FileDigest::ofRegularFile(real));
    dir.write("db/baseline.sup-wal", "");
    EXPECT_EQ(BaselineDatabase::stamp(real).value(), FileDigest::ofRegularFile(real));
    ::unlink((real + "-wal").c_str());
    ::mkdir((real + "-wal").c_str(), 0700);
    EXPECT_EQ(BaselineDatabase::stamp(dir.file("link.sup")).value(), "");
}

// A writer that holds its lock past the short busy wait makes the baseline
// one that cannot be opened; once it is done the baseline opens.
TEST(BaselineDatabaseOpening, ALockedBaselineDoesNotOpen)
{
    ensureQtApplication();
    TempDir dir;
    const std::string path = dir.file("locked.sup");
    makeBaseline(path, {kRegistrationTable, kSuppressionTable});
    {
        QSqlDatabase writer = QSqlDatabase::addDatabase("QSQLITE", "locker");
        writer.setDatabaseName(QString::fromStdString(path));
        ASSERT_TRUE(writer.open());
        QSqlQuery lock(writer);
        ASSERT_TRUE(lock.exec("BEGIN EXCLUSIVE"));
        {
            BaselineDatabase db;
            EXPECT_FALSE(db.open(path));
        }
        ASSERT_TRUE(lock.exec("ROLLBACK"));
        BaselineDatabase db;
        EXPECT_TRUE(db.open(path));
    }
    QSqlDatabase::removeDatabase("locker");
}

// Every answer of a run comes from one state of the database, the one its
// first query saw: a writer that commits to a WAL baseline meanwhile is not
// seen, and one of a rollback-journal baseline cannot commit until the run
// has ended.
TEST(BaselineDatabaseOpening, OneStateFromTheFirstQueryToTheEnd)
{
    ensureQtApplication();
    TempDir dir;
    for (const bool wal : {false, true}) {
        SCOPED_TRACE(wal ? "WAL" : "rollback journal");
        const std::string path = dir.file(wal ? "wal.sup" : "journal.sup");
        std::vector<QString> statements = {kRegistrationTable, kSuppressionTable,
                                           "INSERT INTO RF_FileReg VALUES (1, 'T1', '/a.c')",
                                           "INSERT INTO DT_Suppression VALUES (1, 0, 10, 1, 1)"};
        if (wal)
            statements.insert(statements.begin(), "PRAGMA journal_mode = WAL");
        makeBaseline(path, statements);
        {
            QSqlDatabase writer = QSqlDatabase::addDatabase("QSQLITE", "writer2");
            writer.setDatabaseName(QString::fromStdString(path));
            writer.setConnectOptions("QSQLITE_BUSY_TIMEOUT=0");
            ASSERT_TRUE(writer.open());
            QSqlQuery update(writer);
            {
                BaselineDatabase db;
                ASSERT_TRUE(db.open(path));
                EXPECT_EQ(registrationsOf(db, "/a.c"), (Registrations{{"T1", 1}}));
                EXPECT_EQ(update.exec("UPDATE DT_Suppression SET SP_Line = 99"), wal)
                    << update.lastError().text().toStdString();
                EXPECT_EQ(suppressionsOf(db, 1), (Rows{{0, 10, 1, 1}}));
            }
            EXPECT_TRUE(update.exec("UPDATE DT_Suppression SET SP_Line = 98")) << update.lastError().text().toStdString();
            BaselineDatabase db;
            ASSERT_TRUE(db.open(path));
            EXPECT_EQ(suppressionsOf(db, 1), (Rows{{0, 98, 1, 1}}));
        }
        QSqlDatabase::removeDatabase("writer2");
    }
}

// The path reaches SQLite byte for byte: a byte that is no UTF-8, the
// characters a URI gives a meaning, a relative path, a path that begins
// with "//". A WAL database gets its journal files beside the path itself.
TEST(BaselineDatabaseOpening, PathsReachSQLiteAsTheirBytes)
{
    ensureQtApplication();
    EXPECT_EQ(BaselineDatabase::uri("/a b/caf\xE9" ".sup"), QString("file:///a%20b/caf%E9.sup"));
    EXPECT_EQ(BaselineDatabase::uri("rel/x?#%.sup"), QString("file:rel/x%3F%23%25.sup"));
    EXPECT_EQ(BaselineDatabase::uri("//h/x"), QString("file:////h/x"));

    TempDir dir;
    const std::string name = "caf\xE9 ?#%&=:.sup";
    for (const bool wal : {false, true}) {
        SCOPED_TRACE(wal ? "WAL" : "rollback journal");
        std::vector<QString> statements = {kRegistrationTable, kSuppressionTable,
                                           "INSERT INTO RF_FileReg VALUES (1, 'T1', '/a.c')"};
        if (wal)
            statements.insert(statements.begin(), "PRAGMA journal_mode = WAL");
        makeBaseline(dir.file("made.sup"), statements);
        const std::string path = dir.file(name);
        ASSERT_EQ(std::rename(dir.file("made.sup").c_str(), path.c_str()), 0);
        {
            BaselineDatabase db;
            ASSERT_TRUE(db.open(path));
            EXPECT_EQ(registrationsOf(db, "/a.c"), (Registrations{{"T1", 1}}));
            struct stat status;
            EXPECT_EQ(::stat((path + "-shm").c_str(), &status) == 0, wal);
        }
        {
            BaselineDatabase db;
            EXPECT_TRUE(db.open("/" + path));
        }
        {
            ScopedCurrentDirectory here(dir.path());
            ASSERT_TRUE(here.isValid());
            BaselineDatabase db;
            ASSERT_TRUE(db.open(name));
            EXPECT_EQ(registrationsOf(db, "/a.c"), (Registrations{{"T1", 1}}));
        }
        std::remove(path.c_str());
    }
}

// Another user's link leads a root run to no file that user could not read
// itself: neither the baseline nor its -wal, whose digest would go into
// the stamp. Such a baseline does not open, and its stamp holds no digest of
// the file behind the link. A link of the user
// who owns what it leads to is followed.
TEST(BaselineDatabaseOpening, AnotherUsersLinkLeadsToNoFileOfSomeoneElse)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to give links and baselines to another user";
    ensureQtApplication();
    constexpr uid_t kOther = 4242;
    TempDir dir;
    const std::vector<QString> rows = {kRegistrationTable, kSuppressionTable,
                                       "INSERT INTO RF_FileReg VALUES (1, 'T1', '/a.c')"};
    const std::string secret = dir.file("secret.sup");
    makeBaseline(secret, {kRegistrationTable, kSuppressionTable, "INSERT INTO RF_FileReg VALUES (1, 'S', '/s.c')"});
    ASSERT_EQ(::chmod(secret.c_str(), 0600), 0);
    const std::string own = dir.file("own.sup");
    makeBaseline(own, rows);
    ASSERT_EQ(::chown(own.c_str(), kOther, kOther), 0);
    std::vector<QString> walRows = rows;
    walRows.insert(walRows.begin(), "PRAGMA journal_mode = WAL");
    const std::string wal = dir.file("wal.sup");
    makeBaseline(wal, walRows);
    ASSERT_EQ(::chown(wal.c_str(), kOther, kOther), 0);
    dir.write("secret-wal", "root only");
    ASSERT_EQ(::chmod(dir.file("secret-wal").c_str(), 0600), 0);

    const auto plant = [&](const std::string& name, const std::string& target) {
        ASSERT_EQ(::symlink(target.c_str(), dir.file(name).c_str()), 0);
        ASSERT_EQ(::lchown(dir.file(name).c_str(), kOther, kOther), 0);
    };
    plant("planted.sup", secret);
    plant("ownlink.sup", own);
    plant("wal.sup-wal", dir.file("secret-wal"));

    struct Row {
        const char* what;
        std::string path;
        bool opens;
        bool stamped;
    };
    const Row table[] = {
        {"the other's link to root's baseline", dir.file("planted.sup"), false, false},
        {"the other's link to the other's baseline", dir.file("ownlink.sup"), true, true},
        {"the other's -wal linked to root's file", wal, false, false},
    };
    for (const Row& row : table) {
        SCOPED_TRACE(row.what);
        const BaselineStamp stamp = BaselineDatabase::stamp(row.path);
        EXPECT_EQ(!stamp.value().empty(), row.stamped);
        EXPECT_NE(stamp.walDigest, FileDigest::ofRegularFile(dir.file("secret-wal")));
        EXPECT_NE(stamp.fileDigest, FileDigest::ofRegularFile(secret));
        BaselineDatabase db;
        errno = 0;
        EXPECT_EQ(db.open(row.path), row.opens);
        // SQLite itself refuses a journal file that is a link.
        if (!row.opens && row.path != wal) {
            EXPECT_EQ(db.openErrno(), platform::kRefusedLink);
        }
    }
}

} // namespace
