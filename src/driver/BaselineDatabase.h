#pragma once

#include "platform/FileAt.h"
#include "util/U_Exception.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>

#include <set>
#include <string>
#include <unordered_map>
#include <vector>

/// A query of the baseline that failed during the run: the run ends there,
/// since no later answer could be trusted to come from the same state.
class BaselineQueryException : public U_UserException {
public:
    using U_UserException::U_UserException;
};

/// What the baseline's stamp in "patch.xml" is made of: the .sup file and,
/// where rows committed without a checkpoint wait, its -wal file. Any change
/// SQLite could read changes the stamp.
struct BaselineStamp {
    // The .sup file's MD5; empty when it cannot be read.
    std::string fileDigest;
    // The -wal file SQLite reads with it, when that holds bytes (an empty one
    // holds no rows); else empty.
    std::string walPath;
    // Its MD5; empty when it cannot be read.
    std::string walDigest;

    // The stamp: the .sup's digest alone without a -wal, else the digest of
    // both digests; empty when a file that makes it up cannot be read.
    std::string value() const;
};

/// The baseline suppression database of one run, opened read-only through
/// the SQL driver "KTW_QSQLITE" under Qt's default connection. Every value
/// is bound, never pasted into the SQL text. The answers are those of the
/// query of each key with the key bound: the same rows in the order SQLite
/// gives them. A table is read whole once only where that is provably the
/// same (both queries scan the table's own b-tree forward and nothing else);
/// otherwise the query of each key runs, prepared once. The destructor
/// finishes the queries, closes the database and removes the connection, on
/// every way out of the run.
class BaselineDatabase {
public:
    // One row of RF_FileReg for a file.
    struct Registration {
        // FR_Ident's text as UTF-8 bytes: in a UTF-8 database exactly the
        // bytes it holds. Empty for NULL.
        std::string ident;
        int primary = 0;
    };
    // One row of DT_Suppression.
    struct Suppression {
        int state = 0;
        int line = 0;
        int column = 0;
        int message = 0;
    };
    // How a table is read: whole once, or by the query of each key.
    enum class Reading { Whole, PerKey };

    // Asks Qt for the driver; isValid() tells whether it was there.
    BaselineDatabase();
    ~BaselineDatabase();
    BaselineDatabase(const BaselineDatabase&) = delete;
    BaselineDatabase& operator=(const BaselineDatabase&) = delete;

    // False when Qt has no driver "KTW_QSQLITE".
    bool isValid() const { return db_.isValid(); }
    // Opens the file at path (native bytes, "/" separators) read-only, with
    // an empty user name and the password "quenz", and begins the one read
    // transaction every answer comes from, which lasts until the destructor.
    // False, with nothing left open, when it is no regular file, is no SQLite
    // database, lacks a table or column the queries name, or stays locked by
    // a writer past a short busy wait.
    // A link on the way is followed as platform::openPathAt allows, and
    // SQLite is handed the file that was checked, by the name the kernel
    // knows it by: should it open another file all the same (a name
    // flipped meanwhile), or a journal file through a link the rule
    // refuses, the database is one that cannot be opened (openErrno()
    // platform::kRefusedLink).
    bool open(const std::string& path);
    // The same for file, looked up in its directory only.
    bool open(const platform::FileAt& file);
    // The errno of the last open() that failed before SQLite was asked (the
    // file cannot be opened, is no regular file, a link refused); 0 when
    // SQLite refused it or none failed.
    int openErrno() const noexcept { return openErrno_; }

    // The registrations whose UPPER(FR_Name) holds the bytes of key with
    // a-z upper-cased (key: the name's UTF-8 bytes, valid or not), in the
    // order SQLite gives them. A row whose FR_Primary is no 32-bit integer
    // is left out and counted in skipped; NULL reads as 0. False, with SQLite's error in error,
    // when the query fails: anything but a row or the end of the rows, in the
    // table read whole or the query of the key.
    bool registrations(const std::string& key, std::vector<Registration>& rows, int& skipped, QSqlError& error);
    // The suppression rows of the registration primary, in the order SQLite
    // gives them; each is read once per run. A row with a value that is no
    // 32-bit integer is left out (NULL reads as 0); skipped counts them the first time primary
    // is asked for and is 0 afterwards. False, with SQLite's error in error,
    // when the query fails.
    bool suppressions(int primary, std::vector<Suppression>& rows, int& skipped, QSqlError& error);

    // How each table is read: chosen by open(); a table whose whole read
    // turns out unable to answer (a value SQLite alone can compare) is
    // asked by the query of each key from then on.
    Reading registrationReading() const { return registrationReading_; }
    Reading suppressionReading() const { return suppressionReading_; }

    // The stamp of the baseline at path (native bytes, "/" separators), read
    // from its files as they are now.
    // Links are followed as platform::openPathAt allows; a -wal beside the
    // file that cannot be read (a link the rule refuses) leaves the stamp
    // empty.
    static BaselineStamp stamp(const std::string& path);
    // The same for file, looked up in its directory only.
    static BaselineStamp stamp(const platform::FileAt& file);

    // text with the bytes a-z turned into A-Z, as SQLite's UPPER does.
    static std::string upperAscii(const std::string& text);
    // The SQLite URI that names the file at path byte for byte.
    static QString uri(const std::string& path);

private:
    enum class Encoding { Utf8, Utf16le, Utf16be };

    // Rows of a group of the whole-table read, with those left out.
    template <typename Row>
    struct Group {
        std::vector<Row> rows;
        int skipped = 0;
    };

    // Checks the schema and chooses how each table is read; false when the
    // per-key queries do not prepare.
    bool prepare();
    // Whether every file SQLite opened since the descriptors before were
    // open is the database checked_ holds or a journal file beside its name
    // path that the rule reaches.
    bool openedOnlyWhatWasChecked(const std::vector<int>& before, const std::string& path) const;
    // Closes the database and what was opened for it.
    void closeAll();
    // True when the query sql of table reads nothing but the table's own
    // b-tree, forward from its start, and its answer cannot depend on the
    // bound value.
    bool scansTableOnly(const QString& table, const QString& sql, int parameters);
    // text (the database's bytes of a text) as UTF-8 bytes.
    std::string utf8Of(const QByteArray& text) const;
    // key's bytes as the database holds text; false when a UTF-16 database
    // can hold no text with these bytes (key is no valid UTF-8).
    bool databaseText(const std::string& key, std::string& bytes) const;
    // How a table read whole ended.
    enum class Load { Done, PerKey, Failed };

    // Reads every registration under the bytes of its upper-cased name;
    // false, with the query's error, when the query fails.
    bool loadRegistrations(QSqlError& error);
    // Reads every suppression under its registration number: PerKey where a
    // row needs SQLite's own comparison, Failed (with the query's error)
    // when the query fails.
    Load loadSuppressions(QSqlError& error);
    // The rows of the per-key registration query run with value bound.
    bool queryRegistrations(QSqlQuery& query, const QVariant& value, Group<Registration>& group);

    QSqlDatabase db_;
    // The database file as it was checked, open for as long as SQLite has
    // it open; -1 before.
    int checked_ = -1;
    int openErrno_ = 0;
    QSqlQuery registrationQuery_;     // the key bound as text
    QSqlQuery registrationRawQuery_;  // the key's bytes bound, made text
    QSqlQuery suppressionQuery_;
    Encoding encoding_ = Encoding::Utf8;
    Reading registrationReading_ = Reading::PerKey;
    Reading suppressionReading_ = Reading::PerKey;
    bool registrationsLoaded_ = false;
    bool suppressionsLoaded_ = false;
    std::unordered_map<std::string, Group<Registration>> registrationsByName_;
    // Every group once the table was read whole; else the groups asked so far.
    std::unordered_map<int, Group<Suppression>> suppressionsByPrimary_;
    std::set<int> reportedPrimaries_;
};
