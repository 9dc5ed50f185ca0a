#include "driver/BaselineDatabase.h"

#include "Baselines.h"
#include "QtApplication.h"
#include "support/TempDir.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>


namespace {

class BaselineDatabaseTest : public testing::Test {
protected:
    TempDir dir;
    std::string path = dir.file("baseline.sup");
    void SetUp() override
    {
        ensureQtApplication();
        makeBaseline(path, {
            kRegistrationTable,
            kSuppressionTable,
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
    ASSERT_TRUE(db.open(path));
    struct Row {
        std::string key;
        std::vector<int> primaries;
    };
    const std::vector<Row> rows = {
        {"$ROOTPATH/src/a.c", {1}},
        {"$rootpath/SRC/A.C", {1}},
        {"$ROOTPATH/src/c.c", {}},
        {"/w/it's \"q\".c", {3}},
        {"\" OR \"\"=\"", {}},         // would match every row if pasted into the SQL
        {"x\" OR 1=1 OR \"", {}},
        {"/w/é.c", {4}},               // only a-z fold, on both sides
        {"/W/É.C", {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.key);
        std::vector<int> primaries;
        for (const auto& r : registrationsOf(db, row.key))
            primaries.push_back(r.second);
        EXPECT_EQ(primaries, row.primaries);
    }
    EXPECT_EQ(suppressionsOf(db, 1), (Rows{{0, 10, 4, 3200}, {1, -1, 0, -5}}));
}

// Rows whose value in column is exactly a 32-bit integer, by SQLite's own
// conversions: an INTEGER in range, or a text that casts to such an integer
// and back to itself.
QString exactInt(const QString& column)
{
    return QString("((typeof(%1) = 'integer' OR (typeof(%1) = 'text' AND CAST(CAST(%1 AS INTEGER) AS TEXT) = %1)) "
                   "AND CAST(%1 AS INTEGER) BETWEEN -2147483648 AND 2147483647)")
        .arg(column);
}

// What SQLite itself answers for one key (bound as text) and one
// registration number, with the query of each; rows with a value that is no
// 32-bit integer are counted, not answered.
struct RawAnswers {
    Registrations registrations;
    int registrationsSkipped = 0;
    Rows suppressions;
    int suppressionsSkipped = 0;
};

RawAnswers rawAnswers(const std::string& path, const std::string& key, int primary)
{
    RawAnswers answers;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "raw");
        db.setDatabaseName(QString::fromStdString(path));
        EXPECT_TRUE(db.open());
        QSqlQuery query(db);
        query.prepare("SELECT FR_Ident, FR_Primary, " + exactInt("FR_Primary") +
                      " FROM RF_FileReg WHERE UPPER(FR_Name) = ?");
        query.addBindValue(QString::fromStdString(BaselineDatabase::upperAscii(key)));
        EXPECT_TRUE(query.exec()) << query.lastError().text().toStdString();
        while (query.next()) {
            if (query.value(2).toInt())
                answers.registrations.emplace_back(query.value(0).toString().toStdString(), query.value(1).toInt());
            else
                ++answers.registrationsSkipped;
        }
        query.prepare("SELECT SP_State, SP_Line, SP_Column, SP_Message, " + exactInt("SP_State") + " AND " +
                      exactInt("SP_Line") + " AND " + exactInt("SP_Column") + " AND " + exactInt("SP_Message") +
                      " FROM DT_Suppression WHERE SP_FileReg = ?");
        query.addBindValue(primary);
        EXPECT_TRUE(query.exec()) << query.lastError().text().toStdString();
        while (query.next()) {
            if (query.value(4).toInt())
                answers.suppressions.push_back(
                    {query.value(0).toInt(), query.value(1).toInt(), query.value(2).toInt(), query.value(3).toInt()});
            else
                ++answers.suppressionsSkipped;
        }
    }
    QSqlDatabase::removeDatabase("raw");
    return answers;
}

// Every answer is the one the query of each key or registration gives, for
// every schema a baseline may have: a table read whole only where SQLite
// answers by a full scan of it, the query of each key elsewhere (indexes,
// expression indexes, a covering index, a view); rowids out of insertion
// order, WITHOUT ROWID tables, UTF-16 databases, and registration numbers of
// other types, where only SQLite's own comparison knows the answer.
TEST(BaselineDatabaseReading, AnswersAsTheQueryOfEachKeyWould)
{
    ensureQtApplication();
    TempDir dir;
    const QString registration = "ID INTEGER, FR_Primary INTEGER, FR_Ident TEXT, FR_Name TEXT";
    const QString suppression = "ID INTEGER, SP_FileReg INTEGER, SP_State INTEGER, SP_Line INTEGER, "
                                "SP_Column INTEGER, SP_Message INTEGER";
    const QString plainRegistration = "CREATE TABLE RF_FileReg (" + registration + ")";
    const QString plainSuppression = "CREATE TABLE DT_Suppression (" + suppression + ")";
    struct Case {
        const char* what;
        std::vector<QString> schema;
        Reading registrations;
        Reading suppressions;
        const char* registrationTable = "RF_FileReg";  // where the rows go
        std::vector<QString> more = {};
    };
    const std::vector<Case> cases = {
        {"plain tables", {plainRegistration, plainSuppression}, Reading::Whole, Reading::Whole},
        {"rowids out of insertion order",
         {"CREATE TABLE RF_FileReg (ID INTEGER PRIMARY KEY, FR_Primary INTEGER, FR_Ident TEXT, FR_Name TEXT)",
          "CREATE TABLE DT_Suppression (ID INTEGER PRIMARY KEY, SP_FileReg INTEGER, SP_State INTEGER, "
          "SP_Line INTEGER, SP_Column INTEGER, SP_Message INTEGER)"},
         Reading::Whole, Reading::Whole},
        {"an index on the suppressions' key and line",
         {plainRegistration, plainSuppression, "CREATE INDEX s ON DT_Suppression(SP_FileReg, SP_Line)"},
         Reading::Whole, Reading::PerKey},
        {"an expression index on the upper-cased name",
         {plainRegistration, plainSuppression, "CREATE INDEX r ON RF_FileReg(UPPER(FR_Name), FR_Primary)"},
         Reading::PerKey, Reading::Whole},
        {"analysed indexes",
         {plainRegistration, plainSuppression, "CREATE INDEX r ON RF_FileReg(UPPER(FR_Name), FR_Primary)",
          "CREATE INDEX s ON DT_Suppression(SP_FileReg, SP_Line)"},
         Reading::PerKey, Reading::PerKey, "RF_FileReg", {"ANALYZE"}},
        {"a covering index that serves no key",
         {plainRegistration, plainSuppression, "CREATE INDEX c ON RF_FileReg(FR_Name, FR_Ident, FR_Primary)",
          "CREATE INDEX d ON DT_Suppression(SP_Line, SP_FileReg, SP_State, SP_Column, SP_Message)"},
         Reading::PerKey, Reading::PerKey},
        {"WITHOUT ROWID tables",
         {"CREATE TABLE RF_FileReg (" + registration + ", PRIMARY KEY (ID DESC)) WITHOUT ROWID",
          "CREATE TABLE DT_Suppression (" + suppression + ", PRIMARY KEY (ID DESC)) WITHOUT ROWID"},
         Reading::Whole, Reading::Whole},
        {"a WITHOUT ROWID table keyed by registration",
         {plainRegistration,
          "CREATE TABLE DT_Suppression (" + suppression + ", PRIMARY KEY (SP_Line, ID)) WITHOUT ROWID",
          "CREATE INDEX s ON DT_Suppression(SP_FileReg)"},
         Reading::Whole, Reading::PerKey},
        {"registration numbers of every type in an untyped column",
         {"CREATE TABLE RF_FileReg (ID, FR_Primary, FR_Ident, FR_Name)",
          "CREATE TABLE DT_Suppression (ID, SP_FileReg, SP_State, SP_Line, SP_Column, SP_Message)"},
         Reading::Whole, Reading::PerKey, "RF_FileReg",
         {"INSERT INTO RF_FileReg VALUES (20, '3', 'TEXT3', '/w/a.c')",
          "INSERT INTO RF_FileReg VALUES (21, 3.0, 'REAL3', '/w/a.c')",
          "INSERT INTO RF_FileReg VALUES (22, x'33', 'BLOB3', '/w/a.c')",
          "INSERT INTO DT_Suppression VALUES (20, '2', 0, 7, 1, 16)",
          "INSERT INTO DT_Suppression VALUES (21, 2.0, 0, 8, 1, 17)",
          "INSERT INTO DT_Suppression VALUES (22, 2.5, 0, 9, 1, 18)",
          "INSERT INTO DT_Suppression VALUES (23, '02', 0, 3, 1, 19)",
          "INSERT INTO DT_Suppression VALUES (24, x'02', 0, 3, 1, 20)"}},
        {"registration numbers in a text column",
         {plainRegistration,
          "CREATE TABLE DT_Suppression (ID INTEGER, SP_FileReg TEXT, SP_State INTEGER, SP_Line INTEGER, "
          "SP_Column INTEGER, SP_Message INTEGER)"},
         Reading::Whole, Reading::PerKey, "RF_FileReg", {"INSERT INTO DT_Suppression VALUES (20, '02', 0, 3, 1, 19)"}},
        {"a view",
         {"CREATE TABLE RF_Base (" + registration + ")", plainSuppression,
          "CREATE VIEW RF_FileReg AS SELECT * FROM RF_Base ORDER BY FR_Ident DESC"},
         Reading::PerKey, Reading::Whole, "RF_Base"},
        {"a UTF-16le database",
         {"PRAGMA encoding = 'UTF-16le'", plainRegistration, plainSuppression}, Reading::Whole, Reading::Whole},
        {"a UTF-16be database with an expression index",
         {"PRAGMA encoding = 'UTF-16be'", plainRegistration, plainSuppression,
          "CREATE INDEX r ON RF_FileReg(UPPER(FR_Name), FR_Primary)"},
         Reading::PerKey, Reading::Whole},
    };
    // Rows in an order that no index keeps: names, ids and lines shuffled.
    const std::vector<QString> registrations = {
        "(4, 7, 'LATE', '/w/b.c')",  "(1, 1, 'T1', '/w/a.c')",      "(6, 2, 'T2', '/W/A.C')",
        "(2, 3, 'T3', NULL)",        "(9, 4, 'T4', 123)",           "(3, 5, NULL, '/w/é.c')",
        "(8, 6, 'T6', '/w/b.c')",    "(5, 9, 'T9', '/w/a.c')",      "(7, 4294967297, 'BIG', '/w/a.c')",
        "(10, 8, 'ŤÁG', '/w/ü.c')",  "(11, 1, 'T1b', '/w/a.c')",
    };
    const std::vector<QString> suppressions = {
        "(3, 2, 0, 9, 1, 10)", "(1, 1, 0, 3, 2, 11)",          "(5, 2, 1, 2, 3, 12)",          "(2, NULL, 0, 1, 1, 13)",
        "(4, 6, 0, 9, 9, 14)", "(6, 2, 0, 5, 1, 15)",          "(7, 1, 4294967296, 1, 1, 16)", "(8, 6, 0, 2147483648, 1, 17)",
        "(9, 2, 0, 1, 1, 18)", "(10, 8, 0, 4, 4, 19)",
    };
    const std::vector<std::string> keys = {"/w/a.c", "/W/a.C", "/w/b.c", "123", "/w/é.c", "", "/w/none.c", "/w/ü.c",
                                           "/W/Ü.C"};
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.file("case" + std::to_string(n++) + ".sup");
        std::vector<QString> statements = c.schema;
        for (const QString& row : registrations)
            statements.push_back(QString("INSERT INTO %1 VALUES %2").arg(c.registrationTable, row));
        for (const QString& row : suppressions)
            statements.push_back("INSERT INTO DT_Suppression VALUES " + row);
        statements.insert(statements.end(), c.more.begin(), c.more.end());
        makeBaseline(path, statements);

        BaselineDatabase db;
        ASSERT_TRUE(db.open(path));
        for (const std::string& key : keys) {
            SCOPED_TRACE(key);
            const RawAnswers expected = rawAnswers(path, key, 0);
            int skipped = -1;
            EXPECT_EQ(registrationsOf(db, key, &skipped), expected.registrations);
            EXPECT_EQ(skipped, expected.registrationsSkipped);
        }
        // Asked twice: the rows left out are counted the first time only.
        for (int pass = 0; pass < 2; ++pass) {
            for (int primary = 0; primary <= 9; ++primary) {
                SCOPED_TRACE(primary);
                const RawAnswers expected = rawAnswers(path, "", primary);
                int skipped = -1;
                EXPECT_EQ(suppressionsOf(db, primary, &skipped), expected.suppressions);
                EXPECT_EQ(skipped, pass == 0 ? expected.suppressionsSkipped : 0);
            }
        }
        EXPECT_EQ(db.registrationReading(), c.registrations);
        EXPECT_EQ(db.suppressionReading(), c.suppressions);
    }
}

// text as an SQL expression of exactly its bytes.
QString bytesText(const std::string& text)
{
    return "CAST(x'" + QString::fromLatin1(QByteArray::fromStdString(text).toHex()) + "' AS TEXT)";
}

// Names compare as the bytes SQLite compares: two names that differ in a
// byte that is no UTF-8 never meet, in a table read whole and by the query
// of each key (whose expression index gives the order), and idents keep
// their bytes. A UTF-16 database holds no such name: the key matches none.
TEST(BaselineDatabaseReading, KeysCompareAsBytes)
{
    ensureQtApplication();
    TempDir dir;
    const std::string e9 = "/w/caf\xE9" ".c";
    const std::string e8 = "/w/caf\xE8" ".c";
    const std::string replacement = "/w/caf\xEF\xBF\xBD.c";  // what a decoding makes of both
    const std::string identE9 = "T\xE9";
    struct Case {
        const char* what;
        std::vector<QString> schema;
        Reading reading;
        Registrations e9, e8, replacement;
    };
    const std::vector<Case> cases = {
        {"read whole", {kRegistrationTable}, Reading::Whole, {{identE9, 5}, {"T3", 3}}, {{"T7", 7}}, {{"T8", 8}}},
        {"by the query of each key",
         {kRegistrationTable, "CREATE INDEX r ON RF_FileReg(UPPER(FR_Name), FR_Primary)"},
         Reading::PerKey, {{"T3", 3}, {identE9, 5}}, {{"T7", 7}}, {{"T8", 8}}},
        {"UTF-16", {"PRAGMA encoding = 'UTF-16le'", kRegistrationTable}, Reading::Whole, {}, {}, {{"T8", 8}}},
        {"UTF-16 by the query of each key",
         {"PRAGMA encoding = 'UTF-16be'", kRegistrationTable, "CREATE INDEX r ON RF_FileReg(UPPER(FR_Name), FR_Primary)"},
         Reading::PerKey, {}, {}, {{"T8", 8}}},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.file("bytes" + std::to_string(n++) + ".sup");
        std::vector<QString> statements = c.schema;
        statements.insert(statements.end(),
                          {kSuppressionTable,
                           "INSERT INTO RF_FileReg VALUES (5, " + bytesText(identE9) + ", " + bytesText(e9) + ")",
                           "INSERT INTO RF_FileReg VALUES (3, 'T3', " + bytesText(e9) + ")",
                           "INSERT INTO RF_FileReg VALUES (7, 'T7', " + bytesText(e8) + ")",
                           "INSERT INTO RF_FileReg VALUES (8, 'T8', '" + QString::fromStdString(replacement) + "')"});
        makeBaseline(path, statements);
        BaselineDatabase db;
        ASSERT_TRUE(db.open(path));
        EXPECT_EQ(registrationsOf(db, e9), c.e9);
        EXPECT_EQ(registrationsOf(db, "/W/CAF\xE9" ".C"), c.e9);
        EXPECT_EQ(registrationsOf(db, e8), c.e8);
        EXPECT_EQ(registrationsOf(db, replacement), c.replacement);
        EXPECT_EQ(db.registrationReading(), c.reading);
    }
}

// A value that is not exactly a 32-bit integer makes its row absent and is
// counted: never wrapped, never read as 0 or as the number it begins with.
// NULL reads as 0. The same in a table read whole and by the query of each
// key.
TEST(BaselineDatabaseReading, ValuesThatAreNoInt32LeaveTheirRowOut)
{
    ensureQtApplication();
    TempDir dir;
    struct Value {
        const char* sql;
        bool kept;
        int number;
    };
    const std::vector<Value> values = {
        {"2147483647", true, 2147483647}, {"-2147483648", true, INT32_MIN}, {"'12'", true, 12},
        {"'-7'", true, -7},               {"2147483648", false, 0},         {"-2147483649", false, 0},
        {"4294967301", false, 0},         {"1.0", false, 0},                {"' 12'", false, 0},
        {"'12abc'", false, 0},            {"'012'", false, 0},              {"'+12'", false, 0},
        {"'1e3'", false, 0},              {"''", false, 0},                 {"NULL", true, 0},
        {"x'3132'", false, 0},
    };
    std::vector<QString> rows = {
        "INSERT INTO RF_FileReg VALUES (4294967297, 'BIG', '/a.c')", "INSERT INTO RF_FileReg VALUES (1, 'ONE', '/a.c')",
        "INSERT INTO RF_FileReg VALUES (1.0, 'REAL', '/a.c')",       "INSERT INTO RF_FileReg VALUES (NULL, 'NULL', '/a.c')",
        "INSERT INTO RF_FileReg VALUES ('1', 'TEXT', '/a.c')",       "INSERT INTO RF_FileReg VALUES (2, 'TWO', '/b.c')",
        // State 4294967296 would wrap to 0, in force.
        "INSERT INTO DT_Suppression VALUES (1, 4294967296, 5, 1, 100)",
        "INSERT INTO DT_Suppression VALUES (1, 0, 5, 4294967297, 101)",
        "INSERT INTO DT_Suppression VALUES (1, 0, 5, 1, '3200x')",
        // NULL is state 0, in force.
        "INSERT INTO DT_Suppression VALUES (1, NULL, 5, 1, 102)",
        "INSERT INTO DT_Suppression VALUES (2, 0, 5, 1, 200)",
    };
    Rows expected = {{0, 5, 1, 102}};
    int left = 3;
    for (std::size_t i = 0; i < values.size(); ++i) {
        rows.push_back(QString("INSERT INTO DT_Suppression VALUES (1, 0, %1, 1, %2)").arg(values[i].sql).arg(i));
        if (values[i].kept)
            expected.push_back({0, values[i].number, 1, static_cast<int>(i)});
        else
            ++left;
    }
    for (const bool indexed : {false, true}) {
        SCOPED_TRACE(indexed ? "by the query of each key" : "read whole");
        const std::string path = dir.file(indexed ? "indexed.sup" : "plain.sup");
        // Untyped columns keep every value as it was written.
        std::vector<QString> statements = {"CREATE TABLE RF_FileReg (FR_Primary, FR_Ident, FR_Name)",
                                           "CREATE TABLE DT_Suppression (SP_FileReg INTEGER, SP_State, SP_Line, "
                                           "SP_Column, SP_Message)"};
        if (indexed) {
            statements.push_back("CREATE INDEX r ON RF_FileReg(UPPER(FR_Name))");
            statements.push_back("CREATE INDEX s ON DT_Suppression(SP_FileReg)");
        }
        statements.insert(statements.end(), rows.begin(), rows.end());
        makeBaseline(path, statements);
        BaselineDatabase db;
        ASSERT_TRUE(db.open(path));
        const Reading reading = indexed ? Reading::PerKey : Reading::Whole;
        EXPECT_EQ(db.registrationReading(), reading);
        EXPECT_EQ(db.suppressionReading(), reading);
        int skipped = -1;
        EXPECT_EQ(registrationsOf(db, "/a.c", &skipped), (Registrations{{"ONE", 1}, {"NULL", 0}, {"TEXT", 1}}));
        EXPECT_EQ(skipped, 2);
        EXPECT_EQ(registrationsOf(db, "/b.c", &skipped), (Registrations{{"TWO", 2}}));
        EXPECT_EQ(skipped, 0);
        EXPECT_EQ(suppressionsOf(db, 1, &skipped), expected);
        EXPECT_EQ(skipped, left);
        EXPECT_EQ(suppressionsOf(db, 1, &skipped), expected);
        EXPECT_EQ(skipped, 0);
        EXPECT_EQ(suppressionsOf(db, 2, &skipped), (Rows{{0, 5, 1, 200}}));
        EXPECT_EQ(skipped, 0);
    }
}

TEST_F(BaselineDatabaseTest, OpenedReadOnlyAndClosedAtTheEnd)
{
    {
        BaselineDatabase db;
        ASSERT_TRUE(db.open(path));
        QSqlQuery write(QSqlDatabase::database());
        EXPECT_FALSE(write.exec("DELETE FROM RF_FileReg"));
    }
    EXPECT_FALSE(QSqlDatabase::contains(QSqlDatabase::defaultConnection));
    BaselineDatabase again;  // the connection name is free again
    ASSERT_TRUE(again.open(path));
    EXPECT_EQ(registrationsOf(again, "$ROOTPATH/src/b.c"), (Registrations{{"TAG2", 2}}));
}

// A table that cannot be read once the baseline is open (its pages damaged)
// fails its query with the database's and the driver's texts, whether it is
// read whole or by the query of each key (an index lets those find the
// damaged rows); it is never taken for a table without rows.
TEST_F(BaselineDatabaseTest, AFailingQueryCarriesTheErrorTexts)
{
    std::map<QString, int> pages;
    {
        QSqlDatabase reader = QSqlDatabase::addDatabase("QSQLITE", "pages");
        reader.setDatabaseName(QString::fromStdString(path));
        ASSERT_TRUE(reader.open());
        QSqlQuery query("SELECT name, rootpage FROM sqlite_master WHERE type = 'table'", reader);
        while (query.next())
            pages[query.value(0).toString()] = query.value(1).toInt();
    }
    QSqlDatabase::removeDatabase("pages");
    ASSERT_EQ(pages.size(), 2u);
    std::string pristine;
    {
        std::ifstream in(path, std::ios::binary);
        pristine.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    for (const Reading reading : {Reading::Whole, Reading::PerKey}) {
        for (const QString table : {"RF_FileReg", "DT_Suppression"}) {
            SCOPED_TRACE((reading == Reading::Whole ? "whole, " : "per key, ") + table.toStdString());
            std::ofstream(path, std::ios::binary | std::ios::trunc) << pristine;
            if (reading == Reading::PerKey)
                makeBaseline(path, {"CREATE INDEX r ON RF_FileReg(UPPER(FR_Name))",
                                    "CREATE INDEX s ON DT_Suppression(SP_FileReg)"});
            {
                std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
                const std::string garbage(4096, '\x5A');
                file.seekp((pages[table] - 1) * 4096);
                file.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
            }
            BaselineDatabase db;
            ASSERT_TRUE(db.open(path));
            ASSERT_EQ(db.registrationReading(), reading);
            ASSERT_EQ(db.suppressionReading(), reading);
            QSqlError error;
            int skipped = 0;
            bool answered = false;
            if (table == "RF_FileReg") {
                std::vector<BaselineDatabase::Registration> found;
                answered = db.registrations("$ROOTPATH/src/a.c", found, skipped, error);
            } else {
                std::vector<BaselineDatabase::Suppression> found;
                answered = db.suppressions(1, found, skipped, error);
            }
            EXPECT_FALSE(answered);
            EXPECT_EQ(error.databaseText().toStdString(), "database disk image is malformed");
            EXPECT_FALSE(error.driverText().isEmpty());
        }
    }
}

} // namespace
