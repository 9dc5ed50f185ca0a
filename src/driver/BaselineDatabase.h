#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

#include <QHash>

#include <unordered_map>
#include <vector>

/// The baseline suppression database of one run, opened read-only through
/// the SQL driver "KTW_QSQLITE" under Qt's default connection. Every value
/// is bound, never pasted into the SQL text. The destructor finishes the
/// query, closes the database and removes the connection, on every way out
/// of the run.
class BaselineDatabase {
public:
    // One row of RF_FileReg for a file.
    struct Registration {
        QString ident;
        int primary = 0;
    };
    // One row of DT_Suppression.
    struct Suppression {
        int state = 0;
        int line = 0;
        int column = 0;
        int message = 0;
    };

    // Asks Qt for the driver; isValid() tells whether it was there.
    BaselineDatabase();
    ~BaselineDatabase();
    BaselineDatabase(const BaselineDatabase&) = delete;
    BaselineDatabase& operator=(const BaselineDatabase&) = delete;

    // False when Qt has no driver "KTW_QSQLITE".
    bool isValid() const { return db_.isValid(); }
    // Names the database file that open() opens.
    void setDatabaseName(const QString& path) { db_.setDatabaseName(path); }
    // Opens the file read-only, with an empty user name and the password
    // "quenz"; false when it cannot be opened.
    bool open();

    // The registrations whose upper-cased FR_Name equals key upper-cased
    // (A-Z only, as SQLite's UPPER), in table order; false, with the
    // database's and the driver's error texts, when the query fails. The
    // first call reads the whole table once: a query per key would scan it
    // for every file of the run.
    bool registrations(const QString& key, std::vector<Registration>& rows, QString& databaseError,
                       QString& driverError);
    // The suppression rows of the registration primary, in table order;
    // false when the query fails. The first call reads the whole table once
    // (unless a registration number in it is not an integer): a query per
    // registration would scan it for every file of the run.
    bool suppressions(int primary, std::vector<Suppression>& rows);

    // text with a-z turned into A-Z and every other character kept.
    static QString upperAscii(const QString& text);

private:
    // Reads every registration under its upper-cased name; false when the
    // table cannot be read that way.
    bool loadRegistrations();
    // Reads every suppression under its registration number; false when the
    // table cannot be read that way.
    bool loadSuppressions();

    QSqlDatabase db_;
    QSqlQuery query_;
    enum class Table { NotRead, Read, Unreadable } registrationTable_ = Table::NotRead;
    QHash<QString, std::vector<Registration>> registrationsByName_;
    Table suppressionTable_ = Table::NotRead;
    // Every row once the table was read; else the rows of each registration
    // asked so far.
    std::unordered_map<int, std::vector<Suppression>> suppressionsByPrimary_;
};
