#include "driver/BaselineDatabase.h"

#include "QtApplication.h"
#include "support/TempDir.h"

#include <QSqlQuery>
#include <QVariant>

#include <gtest/gtest.h>

namespace {

// Writes a baseline database at path with the stock driver, the way the
// family's baseline tool would.
void makeBaseline(const std::string& path, const std::vector<QString>& statements)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "writer");
        db.setDatabaseName(QString::fromStdString(path));
        ASSERT_TRUE(db.open());
        QSqlQuery query(db);
        for (const QString& statement : statements)
            ASSERT_TRUE(query.exec(statement)) << statement.toStdString();
    }
    QSqlDatabase::removeDatabase("writer");
}

class BaselineDatabaseTest : public testing::Test {
protected:
    TempDir dir;
    std::string path = dir.file("baseline.sup");
    void SetUp() override
    {
        ensureQtApplication();
        makeBaseline(path, {
            "CREATE TABLE RF_FileReg (FR_Primary INTEGER, FR_Ident TEXT, FR_Name TEXT)",
            "CREATE TABLE DT_Suppression (SP_FileReg INTEGER, SP_State INTEGER, SP_Line INTEGER, "
            "SP_Column INTEGER, SP_Message INTEGER)",
            "INSERT INTO RF_FileReg VALUES (1, 'TAG1', '$ROOTPATH/src/a.c')",
            "INSERT INTO RF_FileReg VALUES (2, 'TAG2', '$ROOTPATH/src/b.c')",
            "INSERT INTO RF_FileReg VALUES (3, 'TAG3', '/w/it''s \"q\".c')",
            "INSERT INTO RF_FileReg VALUES (4, 'TAG4', '/w/é.c')",
            "INSERT INTO DT_Suppression VALUES (1, 0, 10, 4, 3200)",
            "INSERT INTO DT_Suppression VALUES (2, 0, 1, 1, 1)",
            "INSERT INTO DT_Suppression VALUES (1, 1, -1, 0, -5)",
        });
    }
};

TEST_F(BaselineDatabaseTest, RegistrationKeysAreBound)
{
    BaselineDatabase db;
    ASSERT_TRUE(db.isValid());
    db.setDatabaseName(QString::fromStdString(path));
    ASSERT_TRUE(db.open());
    struct Row {
        QString key;
        std::vector<int> primaries;
    };
    const std::vector<Row> rows = {
        {"$ROOTPATH/src/a.c", {1}},
        {"$rootpath/SRC/A.C", {1}},
        {"$ROOTPATH/src/c.c", {}},
        {"/w/it's \"q\".c", {3}},
        {"\" OR \"\"=\"", {}},         // would match every row if pasted into the SQL
        {"x\" OR 1=1 OR \"", {}},
        {"/w/é.c", {4}},               // only A-Z fold, on both sides
        {"/W/É.C", {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.key.toStdString());
        std::vector<BaselineDatabase::Registration> found;
        QString dbError, driverError;
        ASSERT_TRUE(db.registrations(row.key, found, dbError, driverError));
        std::vector<int> primaries;
        for (const auto& r : found)
            primaries.push_back(r.primary);
        EXPECT_EQ(primaries, row.primaries);
    }
    std::vector<BaselineDatabase::Suppression> sups;
    ASSERT_TRUE(db.suppressions(1, sups));
    ASSERT_EQ(sups.size(), 2u);
    EXPECT_EQ(sups[0].state, 0);
    EXPECT_EQ(sups[0].line, 10);
    EXPECT_EQ(sups[0].column, 4);
    EXPECT_EQ(sups[0].message, 3200);
    EXPECT_EQ(sups[1].state, 1);
    EXPECT_EQ(sups[1].line, -1);
    EXPECT_EQ(sups[1].message, -5);
}

// What SQLite itself answers for one key and one registration, with the
// query of each.
struct RawAnswers {
    std::vector<std::pair<QString, int>> registrations;
    std::vector<std::vector<int>> suppressions;
};

RawAnswers rawAnswers(const std::string& path, const QString& key, int primary)
{
    RawAnswers answers;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "raw");
        db.setDatabaseName(QString::fromStdString(path));
        EXPECT_TRUE(db.open());
        QSqlQuery query(db);
        query.prepare("SELECT FR_Ident, FR_Primary FROM RF_FileReg WHERE UPPER(FR_Name) = ?");
        query.addBindValue(BaselineDatabase::upperAscii(key));
        EXPECT_TRUE(query.exec());
        while (query.next())
            answers.registrations.emplace_back(query.value(0).toString(), query.value(1).toInt());
        query.prepare("SELECT SP_State, SP_Line, SP_Column, SP_Message FROM DT_Suppression WHERE SP_FileReg = ?");
        query.addBindValue(primary);
        EXPECT_TRUE(query.exec());
        while (query.next()) {
            answers.suppressions.push_back(
                {query.value(0).toInt(), query.value(1).toInt(), query.value(2).toInt(), query.value(3).toInt()});
        }
    }
    QSqlDatabase::removeDatabase("raw");
    return answers;
}

// The tables are read whole once per run; every answer is still the one the
// query of each key or registration gives: several rows of one name in table
// order, letter case, NULLs, numbers stored as names, and registration
// numbers that are not integers (text, real), where only SQLite's own
// comparison knows the answer.
TEST(BaselineDatabaseReading, AnswersAsTheQueryOfEachKeyWould)
{
    ensureQtApplication();
    TempDir dir;
    struct Case {
        const char* what;
        const char* suppressionColumn;  // declared type of SP_FileReg
        std::vector<QString> rows;
    };
    const std::vector<QString> registrations = {
        "INSERT INTO RF_FileReg VALUES (7, 'LATE', '/w/b.c')",
        "INSERT INTO RF_FileReg VALUES (1, 'T1', '/w/a.c')",
        "INSERT INTO RF_FileReg VALUES (2, 'T2', '/W/A.C')",
        "INSERT INTO RF_FileReg VALUES (3, 'T3', NULL)",
        "INSERT INTO RF_FileReg VALUES (4, 'T4', 123)",
        "INSERT INTO RF_FileReg VALUES (5, NULL, '/w/é.c')",
        "INSERT INTO RF_FileReg VALUES (6, 'T6', '/w/b.c')",
    };
    const std::vector<Case> cases = {
        {"integer registration numbers", "INTEGER",
         {"INSERT INTO DT_Suppression VALUES (2, 0, 5, 1, 10)", "INSERT INTO DT_Suppression VALUES (1, 0, 3, 2, 11)",
          "INSERT INTO DT_Suppression VALUES (2, 1, 4, 3, 12)", "INSERT INTO DT_Suppression VALUES (NULL, 0, 1, 1, 13)",
          "INSERT INTO DT_Suppression VALUES (6, 0, 9, 9, 14)", "INSERT INTO DT_Suppression VALUES (2, 0, 6, 1, 15)"}},
        {"text and real registration numbers", "",
         {"INSERT INTO DT_Suppression VALUES (2, 0, 5, 1, 10)", "INSERT INTO DT_Suppression VALUES ('2', 0, 7, 1, 16)",
          "INSERT INTO DT_Suppression VALUES (2.0, 0, 8, 1, 17)", "INSERT INTO DT_Suppression VALUES (2.5, 0, 9, 1, 18)",
          "INSERT INTO DT_Suppression VALUES ('02', 0, 3, 1, 19)"}},
        {"a text column", "TEXT",
         {"INSERT INTO DT_Suppression VALUES (2, 0, 5, 1, 10)", "INSERT INTO DT_Suppression VALUES ('2', 0, 7, 1, 16)",
          "INSERT INTO DT_Suppression VALUES ('02', 0, 3, 1, 19)"}},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.file("case" + std::to_string(n++) + ".sup");
        std::vector<QString> statements = {
            "CREATE TABLE RF_FileReg (FR_Primary INTEGER, FR_Ident TEXT, FR_Name TEXT)",
            QString("CREATE TABLE DT_Suppression (SP_FileReg %1, SP_State INTEGER, SP_Line INTEGER, "
                    "SP_Column INTEGER, SP_Message INTEGER)")
                .arg(c.suppressionColumn)};
        statements.insert(statements.end(), registrations.begin(), registrations.end());
        statements.insert(statements.end(), c.rows.begin(), c.rows.end());
        makeBaseline(path, statements);

        BaselineDatabase db;
        db.setDatabaseName(QString::fromStdString(path));
        ASSERT_TRUE(db.open());
        const std::vector<std::pair<QString, int>> asked = {
            {"/w/a.c", 1}, {"/W/a.C", 2}, {"/w/b.c", 6}, {"123", 4}, {"/w/é.c", 5}, {"", 3}, {"/w/none.c", 9},
            {"/w/a.c", 2}, {"/w/b.c", 7},
        };
        for (const auto& [key, primary] : asked) {
            SCOPED_TRACE(key.toStdString() + " / " + std::to_string(primary));
            const RawAnswers expected = rawAnswers(path, key, primary);
            std::vector<BaselineDatabase::Registration> found;
            QString dbError, driverError;
            ASSERT_TRUE(db.registrations(key, found, dbError, driverError));
            std::vector<std::pair<QString, int>> got;
            for (const auto& r : found)
                got.emplace_back(r.ident, r.primary);
            EXPECT_EQ(got, expected.registrations);
            std::vector<BaselineDatabase::Suppression> sups;
            ASSERT_TRUE(db.suppressions(primary, sups));
            std::vector<std::vector<int>> rows;
            for (const auto& r : sups)
                rows.push_back({r.state, r.line, r.column, r.message});
            EXPECT_EQ(rows, expected.suppressions);
        }
    }
}

TEST_F(BaselineDatabaseTest, OpenedReadOnlyAndClosedAtTheEnd)
{
    {
        BaselineDatabase db;
        db.setDatabaseName(QString::fromStdString(path));
        ASSERT_TRUE(db.open());
        QSqlQuery write(QSqlDatabase::database());
        EXPECT_FALSE(write.exec("DELETE FROM RF_FileReg"));
    }
    EXPECT_FALSE(QSqlDatabase::contains(QSqlDatabase::defaultConnection));
    BaselineDatabase again;  // the connection name is free again
    again.setDatabaseName(QString::fromStdString(path));
    ASSERT_TRUE(again.open());
    std::vector<BaselineDatabase::Registration> found;
    QString dbError, driverError;
    ASSERT_TRUE(again.registrations("$ROOTPATH/src/b.c", found, dbError, driverError));
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].ident, "TAG2");
}

TEST_F(BaselineDatabaseTest, FailuresCarryTheErrorTexts)
{
    makeBaseline(dir.file("empty.sup"), {"CREATE TABLE other (x INTEGER)"});
    BaselineDatabase db;
    db.setDatabaseName(QString::fromStdString(dir.file("empty.sup")));
    ASSERT_TRUE(db.open());
    std::vector<BaselineDatabase::Registration> found;
    QString dbError, driverError;
    EXPECT_FALSE(db.registrations("a", found, dbError, driverError));
    EXPECT_NE(dbError.toStdString().find("RF_FileReg"), std::string::npos);
    std::vector<BaselineDatabase::Suppression> sups;
    EXPECT_FALSE(db.suppressions(1, sups));

    BaselineDatabase missing;
    missing.setDatabaseName(QString::fromStdString(dir.file("no/such.sup")));
    EXPECT_FALSE(missing.open());
}

} // namespace
