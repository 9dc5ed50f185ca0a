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
