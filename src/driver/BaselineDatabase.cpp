#include "driver/BaselineDatabase.h"

#include <QSqlError>
#include <QVariant>

#include <climits>

namespace {

const char kRegistrationQuery[] =
    "SELECT RF_FileReg.FR_Ident, RF_FileReg.FR_Primary FROM RF_FileReg WHERE UPPER(RF_FileReg.FR_Name) = ?;";
const char kAllRegistrationsQuery[] =
    "SELECT UPPER(RF_FileReg.FR_Name), RF_FileReg.FR_Ident, RF_FileReg.FR_Primary FROM RF_FileReg;";
const char kAllSuppressionsQuery[] =
    "SELECT typeof(SP_FileReg), SP_FileReg, SP_State, SP_Line, SP_Column, SP_Message FROM DT_Suppression;";
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
    // Rows are read once, in order: a query that could go back would keep
    // every row of a whole table in memory.
    query_.setForwardOnly(true);
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

bool BaselineDatabase::loadRegistrations()
{
    if (!query_.prepare(QLatin1String(kAllRegistrationsQuery)) || !query_.exec())
        return false;
    while (query_.next()) {
        // UPPER of NULL is NULL, which equals no key.
        const QVariant name = query_.value(0);
        if (!name.isNull())
            registrationsByName_[name.toString()].push_back({query_.value(1).toString(), query_.value(2).toInt()});
    }
    query_.finish();
    return true;
}

bool BaselineDatabase::registrations(const QString& key, std::vector<Registration>& rows, QString& databaseError,
                                     QString& driverError)
{
    rows.clear();
    if (registrationTable_ == Table::NotRead)
        registrationTable_ = loadRegistrations() ? Table::Read : Table::Unreadable;
    if (registrationTable_ == Table::Read) {
        const auto found = registrationsByName_.constFind(upperAscii(key));
        if (found != registrationsByName_.constEnd())
            rows = *found;
        return true;
    }
    // The query of the one key then reports what is wrong with the table.
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

bool BaselineDatabase::loadSuppressions()
{
    if (!query_.prepare(QLatin1String(kAllSuppressionsQuery)) || !query_.exec())
        return false;
    std::unordered_map<int, std::vector<Suppression>> rows;
    while (query_.next()) {
        // NULL equals no number; an integer equals the bound number as its
        // int value does; any other type would need SQLite's own comparison.
        const QString type = query_.value(0).toString();
        if (type == QLatin1String("null"))
            continue;
        if (type != QLatin1String("integer")) {
            query_.finish();
            return false;
        }
        const qlonglong primary = query_.value(1).toLongLong();
        if (primary < INT_MIN || primary > INT_MAX)
            continue;
        rows[static_cast<int>(primary)].push_back({query_.value(2).toInt(), query_.value(3).toInt(),
                                                   query_.value(4).toInt(), query_.value(5).toInt()});
    }
    query_.finish();
    suppressionsByPrimary_ = std::move(rows);
    return true;
}

bool BaselineDatabase::suppressions(int primary, std::vector<Suppression>& rows)
{
    if (suppressionTable_ == Table::NotRead)
        suppressionTable_ = loadSuppressions() ? Table::Read : Table::Unreadable;
    const auto known = suppressionsByPrimary_.find(primary);
    if (known != suppressionsByPrimary_.end()) {
        rows = known->second;
        return true;
    }
    rows.clear();
    if (suppressionTable_ == Table::Read)
        return true;
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
    suppressionsByPrimary_.emplace(primary, rows);
    return true;
}
