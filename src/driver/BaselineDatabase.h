#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

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
    // (A-Z only, as SQLite's UPPER); false, with the database's and the
    // driver's error texts, when the query fails.
    bool registrations(const QString& key, std::vector<Registration>& rows, QString& databaseError,
                       QString& driverError);
    // The suppression rows of the registration primary; false when the
    // query fails.
    bool suppressions(int primary, std::vector<Suppression>& rows);

    // text with a-z turned into A-Z and every other character kept.
    static QString upperAscii(const QString& text);

private:
    QSqlDatabase db_;
    QSqlQuery query_;
};
