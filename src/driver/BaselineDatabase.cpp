#include "driver/BaselineDatabase.h"

#include <QSqlError>
#include <QVariant>

namespace {

const char kRegistrationQuery[] =
    "SELECT RF_FileReg.FR_Ident, RF_FileReg.FR_Primary FROM RF_FileReg WHERE UPPER(RF_FileReg.FR_Name) = ?;";
const char kSuppressionQuery[] = "SELECT SP_State, SP_Line, SP_Column, SP_Message FROM DT_Suppression WHERE SP_FileReg = ?;";

} // namespace

BaselineDatabase::BaselineDatabase() : db_(QSqlDatabase::addDatabase(QStringLiteral("KTW_QSQLITE"))) {}

BaselineDatabase::~BaselineDatabase()
{
    query_.finish();
    query_ = QSqlQuery();
    db_.close();
    db_ = QSqlDatabase();
    QSqlDatabase::removeDatabase(QLatin1String(QSqlDatabase::defaultConnection));
}

bool BaselineDatabase::open()
{
    db_.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    if (!db_.open(QString(), QStringLiteral("quenz")))
        return false;
    query_ = QSqlQuery(db_);
    return true;
}

QString BaselineDatabase::upperAscii(const QString& text)
{
    QString upper = text;
    for (QChar& c : upper) {
        if (c.unicode() >= 'a' && c.unicode() <= 'z')
            c = QChar(c.unicode() - 'a' + 'A');
    }
    return upper;
}

bool BaselineDatabase::registrations(const QString& key, std::vector<Registration>& rows, QString& databaseError,
                                     QString& driverError)
{
    rows.clear();
    bool ok = query_.prepare(QLatin1String(kRegistrationQuery));
    if (ok) {
        query_.addBindValue(upperAscii(key));
        ok = query_.exec();
    }
    if (!ok) {
        databaseError = query_.lastError().databaseText();
        driverError = query_.lastError().driverText();
        return false;
    }
    while (query_.next())
        rows.push_back({query_.value(0).toString(), query_.value(1).toInt()});
    query_.finish();
    return true;
}

bool BaselineDatabase::suppressions(int primary, std::vector<Suppression>& rows)
{
    rows.clear();
    if (!query_.prepare(QLatin1String(kSuppressionQuery)))
        return false;
    query_.addBindValue(primary, QSql::In);
    if (!query_.exec())
        return false;
    while (query_.next()) {
        rows.push_back({query_.value(0).toInt(), query_.value(1).toInt(), query_.value(2).toInt(),
                        query_.value(3).toInt()});
    }
    query_.finish();
    return true;
}
