#include "QtApplication.h"
#include "support/TempDir.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

#include <gtest/gtest.h>

namespace {

// The test program lives beside the program's "sqldrivers" folder, so Qt
// finds the driver there exactly as it does for vantrel.
TEST(KtwSqlitePluginTest, DriverOpensSqliteFiles)
{
    ensureQtApplication();

    EXPECT_TRUE(QSqlDatabase::drivers().contains("KTW_QSQLITE"));
    TempDir dir;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("KTW_QSQLITE", "plugin-test");
        ASSERT_TRUE(db.isValid());
        db.setDatabaseName(QString::fromStdString(dir.file("t.sup")));
        ASSERT_TRUE(db.open());
        QSqlQuery query(db);
        ASSERT_TRUE(query.exec("CREATE TABLE t (v INTEGER)"));
        ASSERT_TRUE(query.exec("INSERT INTO t VALUES (42)"));
        ASSERT_TRUE(query.exec("SELECT v FROM t"));
        ASSERT_TRUE(query.next());
        EXPECT_EQ(query.value(0).toInt(), 42);
    }
    QSqlDatabase::removeDatabase("plugin-test");
    EXPECT_FALSE(QSqlDatabase::addDatabase("KTW_NO_SUCH", "none").isValid());
    QSqlDatabase::removeDatabase("none");
}

} // namespace
