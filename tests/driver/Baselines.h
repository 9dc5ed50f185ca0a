#pragma once

// Baselines for the tests of the baseline database: made with the stock
// driver, as the family's baseline tool makes them, and asked through the
// database under test.

#include "driver/BaselineDatabase.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using Reading = BaselineDatabase::Reading;
using Rows = std::vector<std::vector<int>>;
using Registrations = std::vector<std::pair<std::string, int>>;

inline const QString kRegistrationTable = "CREATE TABLE RF_FileReg (FR_Primary INTEGER, FR_Ident TEXT, FR_Name TEXT)";
inline const QString kSuppressionTable = "CREATE TABLE DT_Suppression (SP_FileReg INTEGER, SP_State INTEGER, "
                                         "SP_Line INTEGER, SP_Column INTEGER, SP_Message INTEGER)";

// Writes a baseline database at path with the stock driver, the way the
// family's baseline tool would.
inline void makeBaseline(const std::string& path, const std::vector<QString>& statements)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "writer");
        db.setDatabaseName(QString::fromStdString(path));
        ASSERT_TRUE(db.open());
        QSqlQuery query(db);
        for (const QString& statement : statements)
            ASSERT_TRUE(query.exec(statement)) << statement.toStdString() << ": "
                                               << query.lastError().text().toStdString();
    }
    QSqlDatabase::removeDatabase("writer");
}

// The answers of db for a key: (ident, primary) per row, in order.
inline Registrations registrationsOf(BaselineDatabase& db, const std::string& key, int* skipped = nullptr)
{
    std::vector<BaselineDatabase::Registration> found;
    QSqlError error;
    int left = 0;
    EXPECT_TRUE(db.registrations(key, found, left, error)) << error.databaseText().toStdString();
    if (skipped)
        *skipped = left;
    Registrations got;
    for (const auto& r : found)
        got.emplace_back(r.ident, r.primary);
    return got;
}

// The answers of db for a registration: (state, line, column, message) per
// row, in order.
inline Rows suppressionsOf(BaselineDatabase& db, int primary, int* skipped = nullptr)
{
    std::vector<BaselineDatabase::Suppression> found;
    int left = 0;
    QSqlError error;
    EXPECT_TRUE(db.suppressions(primary, found, left, error)) << error.databaseText().toStdString();
    if (skipped)
        *skipped = left;
    Rows rows;
    for (const auto& r : found)
        rows.push_back({r.state, r.line, r.column, r.message});
    return rows;
}
