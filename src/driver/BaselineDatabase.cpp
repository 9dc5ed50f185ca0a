#include "driver/BaselineDatabase.h"

#include "encoding/U_Codec.h"
#include "patch/FileDigest.h"
#include "platform/PathLookup.h"
#include "platform/ProcessDescriptors.h"
#include "platform/RegularFile.h"

#include <QSqlError>
#include <QVariant>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <set>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The key as text: the query every answer must equal.
const char kRegistrationQuery[] = "SELECT CAST(RF_FileReg.FR_Ident AS BLOB), RF_FileReg.FR_Primary FROM RF_FileReg "
                                  "WHERE UPPER(RF_FileReg.FR_Name) = ?;";
// The key's bytes bound as a blob and made text, for a key that is no valid
// UTF-8 and so cannot be bound as text. The unary plus drops the TEXT
// affinity of the CAST, which would forbid an index on UPPER(FR_Name) and
// so change the plan and the order of the rows.
const char kRegistrationRawQuery[] = "SELECT CAST(RF_FileReg.FR_Ident AS BLOB), RF_FileReg.FR_Primary FROM RF_FileReg "
                                     "WHERE UPPER(RF_FileReg.FR_Name) = +CAST(? AS TEXT);";
const char kAllRegistrationsQuery[] =
    "SELECT typeof(UPPER(RF_FileReg.FR_Name)), CAST(UPPER(RF_FileReg.FR_Name) AS BLOB), "
    "CAST(RF_FileReg.FR_Ident AS BLOB), RF_FileReg.FR_Primary FROM RF_FileReg;";
const char kSuppressionQuery[] = "SELECT SP_State, SP_Line, SP_Column, SP_Message FROM DT_Suppression WHERE SP_FileReg = ?;";
const char kAllSuppressionsQuery[] =
    "SELECT typeof(SP_FileReg), SP_FileReg, SP_State, SP_Line, SP_Column, SP_Message FROM DT_Suppression;";

// A writer that holds the database longer than this makes it unusable for
// the run rather than stalling it.
const char kConnectOptions[] = "QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=1000";

// text when it is the decimal form SQLite writes for an integer: an
// optional minus sign and digits without a leading zero.
bool integerText(const QString& text, qlonglong& number)
{
    const std::string bytes = text.toStdString();
    // Eleven characters hold every 32-bit integer; a longer text is none.
    if (bytes.empty() || bytes.size() > 11)
        return false;
    qlonglong value = 0;
    for (std::size_t i = bytes[0] == '-' ? 1 : 0; i < bytes.size(); ++i) {
        if (bytes[i] < '0' || bytes[i] > '9')
            return false;
        value = value * 10 + (bytes[i] - '0');
    }
    number = bytes[0] == '-' ? -value : value;
    return std::to_string(number) == bytes;
}

// The value as a 32-bit int when it is exactly one: an INTEGER in range, or
// a text that is the decimal form of one; NULL reads as 0, the value an int
// read of an empty column gives. REAL, BLOB and any other text are none:
// reading them as a number would invent a value.
bool exactInt32(const QVariant& value, int& out)
{
    if (value.isNull()) {
        out = 0;
        return true;
    }
    qlonglong number = 0;
    switch (value.userType()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
        number = value.toLongLong();
        break;
    case QMetaType::QString:
        if (!integerText(value.toString(), number))
            return false;
        break;
    default:
        return false;
    }
    if (number < INT32_MIN || number > INT32_MAX)
        return false;
    out = static_cast<int>(number);
    return true;
}

QByteArray hexPercent(unsigned char c)
{
    static const char digits[] = "0123456789ABCDEF";
    QByteArray escaped("%");
    escaped += digits[c >> 4];
    escaped += digits[c & 15];
    return escaped;
}

} // namespace

std::string BaselineStamp::value() const
{
    if (fileDigest.empty() || walPath.empty())
        return fileDigest;
    if (walDigest.empty())
        return std::string();
    return FileDigest::ofText(fileDigest + walDigest);
}

BaselineStamp BaselineDatabase::stamp(const std::string& path)
{
    return stamp(platform::FileAt{AT_FDCWD, path});
}

BaselineStamp BaselineDatabase::stamp(const platform::FileAt& file)
{
    BaselineStamp stamp;
    // Only a regular file is digested: reading a FIFO would wait for ever.
    const int fd = platform::openRegularFile(file, O_RDONLY);
    if (fd < 0)
        return stamp;
    stamp.fileDigest = FileDigest::ofOpenFile(fd);
    // SQLite follows every link of the database's name before it names its
    // journal files, so a -wal lies beside the file a link leads to.
    const std::string resolved = platform::pathOfDescriptor(fd);
    ::close(fd);
    if (stamp.fileDigest.empty() || resolved.empty())
        return stamp;
    const std::string wal = resolved + "-wal";
    const int walFd = platform::openPathAt(platform::FileAt{AT_FDCWD, wal}, true);
    if (walFd < 0 && errno == ENOENT)
        return stamp;
    struct stat status;
    const bool empty = walFd >= 0 && ::fstat(walFd, &status) == 0 && S_ISREG(status.st_mode) && status.st_size == 0;
    if (walFd >= 0)
        ::close(walFd);
    if (empty)
        return stamp;
    stamp.walPath = wal;
    stamp.walDigest = FileDigest::ofRegularFile(wal);
    return stamp;
}

BaselineDatabase::BaselineDatabase() : db_(QSqlDatabase::addDatabase(QStringLiteral("KTW_QSQLITE"))) {}

BaselineDatabase::~BaselineDatabase()
{
    for (QSqlQuery* query : {&registrationQuery_, &registrationRawQuery_, &suppressionQuery_}) {
        query->finish();
        *query = QSqlQuery();
    }
    // Ends the read transaction; nothing was written.
    if (db_.isOpen())
        (void)db_.rollback();  // closing ends it as well
    closeAll();
    db_ = QSqlDatabase();
    QSqlDatabase::removeDatabase(QLatin1String(QSqlDatabase::defaultConnection));
}

QString BaselineDatabase::uri(const std::string& path)
{
    // An absolute path gets an empty authority, so that a path that begins
    // with "//" is not read as one.
    QByteArray text(path.compare(0, 1, "/") == 0 ? "file://" : "file:");
    for (const char byte : path) {
        const unsigned char c = static_cast<unsigned char>(byte);
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '/' ||
                           c == '-' || c == '.' || c == '_' || c == '~';
        if (plain)
            text += static_cast<char>(c);
        else
            text += hexPercent(c);
    }
    return QString::fromLatin1(text);
}

bool BaselineDatabase::open(const std::string& path)
{
    return open(platform::FileAt{AT_FDCWD, path});
}

bool BaselineDatabase::open(const platform::FileAt& file)
{
    closeAll();
    openErrno_ = 0;
    // SQLite would open a directory or a device, wait on a FIFO, and follow
    // any link; it is given the file checked here, by its own name.
    checked_ = platform::openRegularFile(file, O_RDONLY);
    const std::string path = checked_ >= 0 ? platform::pathOfDescriptor(checked_) : std::string();
    if (path.empty()) {
        openErrno_ = checked_ >= 0 ? ENOENT : errno;
        closeAll();
        return false;
    }
    const std::vector<int> before = platform::openDescriptors();
    // The URI keeps every byte of the path, and SQLite sees the path itself,
    // so the journal files of a WAL database lie beside it.
    db_.setDatabaseName(uri(path));
    db_.setConnectOptions(QLatin1String(kConnectOptions));
    if (!db_.open(QString(), QStringLiteral("quenz"))) {
        closeAll();
        return false;
    }
    // One read transaction from the first query to the end of the run: every
    // file is answered from one state of the database. SQLite holds its read
    // lock (or its WAL snapshot) until the transaction ends, so a writer
    // waits for the run rather than change the rows between two files.
    if (!db_.transaction() || !prepare()) {
        closeAll();
        return false;
    }
    // By then SQLite holds the database and its journal files open.
    if (!openedOnlyWhatWasChecked(before, path)) {
        openErrno_ = platform::kRefusedLink;
        closeAll();
        return false;
    }
    return true;
}

bool BaselineDatabase::openedOnlyWhatWasChecked(const std::vector<int>& before, const std::string& path) const
{
    std::set<std::pair<dev_t, ino_t>> allowed;
    struct stat state;
    if (::fstat(checked_, &state) != 0)
        return false;
    allowed.insert({state.st_dev, state.st_ino});
    for (const char* suffix : {"-wal", "-shm", "-journal"}) {
        const int fd = platform::openPathAt(platform::FileAt{AT_FDCWD, path + suffix}, true);
        if (fd >= 0 && ::fstat(fd, &state) == 0)
            allowed.insert({state.st_dev, state.st_ino});
        if (fd >= 0)
            ::close(fd);
    }
    for (const int fd : platform::openDescriptors()) {
        if (std::binary_search(before.begin(), before.end(), fd) || fd == checked_)
            continue;
        if (::fstat(fd, &state) == 0 && S_ISREG(state.st_mode) && allowed.count({state.st_dev, state.st_ino}) == 0)
            return false;
    }
    return true;
}

void BaselineDatabase::closeAll()
{
    for (QSqlQuery* query : {&registrationQuery_, &registrationRawQuery_, &suppressionQuery_})
        *query = QSqlQuery();
    if (db_.isOpen())
        db_.close();
    if (checked_ >= 0)
        ::close(checked_);
    checked_ = -1;
}

bool BaselineDatabase::prepare()
{
    // A file that is no database fails here already; an empty file is an
    // empty database and fails at the queries.
    QSqlQuery pragma(db_);
    if (!pragma.exec(QStringLiteral("PRAGMA encoding;")) || !pragma.next())
        return false;
    const QString encoding = pragma.value(0).toString();
    pragma.finish();
    encoding_ = encoding == QLatin1String("UTF-16le")   ? Encoding::Utf16le
                : encoding == QLatin1String("UTF-16be") ? Encoding::Utf16be
                                                        : Encoding::Utf8;

    // Preparing reads the schema: a missing table or column, or a writer's
    // lock past the busy wait, fails here.
    const std::pair<QSqlQuery*, const char*> queries[] = {{&registrationQuery_, kRegistrationQuery},
                                                          {&registrationRawQuery_, kRegistrationRawQuery},
                                                          {&suppressionQuery_, kSuppressionQuery}};
    for (const auto& [query, sql] : queries) {
        *query = QSqlQuery(db_);
        // Rows are read once, in order: a query that could go back would
        // keep every row in memory.
        query->setForwardOnly(true);
        if (!query->prepare(QLatin1String(sql)))
            return false;
    }

    const QString registrations = QStringLiteral("RF_FileReg");
    const QString suppressions = QStringLiteral("DT_Suppression");
    registrationReading_ = scansTableOnly(registrations, QLatin1String(kRegistrationQuery), 1) &&
                                   scansTableOnly(registrations, QLatin1String(kAllRegistrationsQuery), 0)
                               ? Reading::Whole
                               : Reading::PerKey;
    suppressionReading_ = scansTableOnly(suppressions, QLatin1String(kSuppressionQuery), 1) &&
                                  scansTableOnly(suppressions, QLatin1String(kAllSuppressionsQuery), 0)
                              ? Reading::Whole
                              : Reading::PerKey;
    return true;
}

bool BaselineDatabase::scansTableOnly(const QString& table, const QString& sql, int parameters)
{
    QSqlQuery query(db_);
    query.setForwardOnly(true);
    // The table's own b-tree; a view or a virtual table has none.
    query.prepare(QStringLiteral("SELECT rootpage FROM sqlite_master WHERE type = 'table' AND name = ? COLLATE NOCASE;"));
    query.addBindValue(table);
    if (!query.exec() || !query.next())
        return false;
    const int rootPage = query.value(0).toInt();
    query.finish();
    if (rootPage <= 0)
        return false;
    // With the samples of sqlite_stat4, a library built to use them plans by
    // the bound value: one key may scan while another uses an index.
    if (parameters > 0) {
        query.prepare(QStringLiteral("SELECT EXISTS (SELECT 1 FROM sqlite_master WHERE name = 'sqlite_stat4') AND "
                                     "EXISTS (SELECT 1 FROM sqlite_master WHERE type = 'index' AND tbl_name = ? "
                                     "COLLATE NOCASE);"));
        query.addBindValue(table);
        if (!query.exec() || !query.next() || query.value(0).toInt() != 0)
            return false;
        query.finish();
    }

    // The program SQLite runs: one cursor on the table's b-tree, walked
    // forward from its first row (Rewind, Next), and only opcodes that read
    // columns, compute and compare. Any other cursor (an index, a sorter, a
    // temporary table) or any seek or backward step means another order.
    static const std::set<QString> allowed = {
        "Init",   "Transaction", "Goto", "Halt",     "OpenRead", "Rewind",    "Next",    "Column",
        "Cast",   "Function",    "PureFunc", "Eq",   "Ne",       "ResultRow", "Variable", "RealAffinity",
        "Copy",   "SCopy",       "Integer",  "String8", "Null",  "Once",      "Affinity",
    };
    if (!query.prepare(QStringLiteral("EXPLAIN ") + sql))
        return false;
    for (int i = 0; i < parameters; ++i)
        query.addBindValue(QVariant());
    if (!query.exec())
        return false;
    struct Op {
        QString name;
        int p1, p2, p3;
    };
    std::vector<Op> program;
    while (query.next())
        program.push_back({query.value(1).toString(), query.value(2).toInt(), query.value(3).toInt(),
                           query.value(4).toInt()});
    if (query.lastError().isValid())
        return false;
    query.finish();
    int cursor = -1;
    for (const Op& op : program) {
        if (allowed.count(op.name) == 0)
            return false;
        if (op.name == QLatin1String("OpenRead")) {
            if (cursor != -1 || op.p2 != rootPage || op.p3 != 0)
                return false;
            cursor = op.p1;
        }
    }
    if (cursor == -1)
        return false;
    for (const Op& op : program) {
        const bool onCursor =
            op.name == QLatin1String("Rewind") || op.name == QLatin1String("Next") || op.name == QLatin1String("Column");
        if (onCursor && op.p1 != cursor)
            return false;
    }
    return true;
}

std::string BaselineDatabase::upperAscii(const std::string& text)
{
    std::string upper = text;
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return upper;
}

std::string BaselineDatabase::utf8Of(const QByteArray& text) const
{
    if (encoding_ == Encoding::Utf8)
        return text.toStdString();
    QString decoded;
    decoded.reserve(text.size() / 2);
    for (int i = 0; i + 1 < text.size(); i += 2) {
        const auto first = static_cast<unsigned char>(text[i]);
        const auto second = static_cast<unsigned char>(text[i + 1]);
        decoded += QChar(encoding_ == Encoding::Utf16le ? (second << 8 | first) : (first << 8 | second));
    }
    return decoded.toUtf8().toStdString();
}

bool BaselineDatabase::databaseText(const std::string& key, std::string& bytes) const
{
    if (encoding_ == Encoding::Utf8) {
        bytes = key;
        return true;
    }
    // Text in a UTF-16 database is made of characters: bytes that are no
    // UTF-8 stand for none, and SQLite's own conversion would merge them.
    QString text;
    if (!U_Codec::fromUtf8Exactly(key, text))
        return false;
    bytes.clear();
    for (const QChar c : text) {
        const char high = static_cast<char>(c.unicode() >> 8);
        const char low = static_cast<char>(c.unicode() & 0xFF);
        bytes += encoding_ == Encoding::Utf16le ? std::string{low, high} : std::string{high, low};
    }
    return true;
}

namespace {

// Adds the registration of one row to rows, or counts it in skipped when
// its FR_Primary is no 32-bit integer.
template <typename Group, typename Decode>
void addRegistration(const QVariant& ident, const QVariant& primary, Group& group, Decode utf8Of)
{
    int number = 0;
    if (!exactInt32(primary, number)) {
        ++group.skipped;
        return;
    }
    group.rows.push_back({utf8Of(ident.toByteArray()), number});
}

// The suppression of a row whose four values start at column first, or
// false when one of them is no 32-bit integer.
bool readSuppression(const QSqlQuery& query, int first, BaselineDatabase::Suppression& row)
{
    return exactInt32(query.value(first), row.state) && exactInt32(query.value(first + 1), row.line) &&
           exactInt32(query.value(first + 2), row.column) && exactInt32(query.value(first + 3), row.message);
}

} // namespace

bool BaselineDatabase::loadRegistrations(QSqlError& error)
{
    QSqlQuery query(db_);
    query.setForwardOnly(true);
    if (!query.exec(QLatin1String(kAllRegistrationsQuery))) {
        error = query.lastError();
        return false;
    }
    const auto decode = [this](const QByteArray& text) { return utf8Of(text); };
    while (query.next()) {
        // UPPER of NULL is NULL, which equals no key.
        if (query.value(0).toString() == QLatin1String("null"))
            continue;
        const QByteArray name = query.value(1).toByteArray();
        addRegistration(query.value(2), query.value(3), registrationsByName_[name.toStdString()], decode);
    }
    error = query.lastError();
    return !error.isValid();
}

bool BaselineDatabase::queryRegistrations(QSqlQuery& query, const QVariant& value, Group<Registration>& group)
{
    query.bindValue(0, value);
    if (!query.exec())
        return false;
    const auto decode = [this](const QByteArray& text) { return utf8Of(text); };
    while (query.next())
        addRegistration(query.value(0), query.value(1), group, decode);
    // A read that stopped on an error keeps its error for the caller.
    if (query.lastError().isValid())
        return false;
    query.finish();
    return true;
}

bool BaselineDatabase::registrations(const std::string& key, std::vector<Registration>& rows, int& skipped,
                                     QSqlError& error)
{
    rows.clear();
    skipped = 0;
    const std::string upper = upperAscii(key);
    std::string text;
    if (!databaseText(upper, text))
        return true;
    if (registrationReading_ == Reading::Whole && !registrationsLoaded_) {
        registrationsLoaded_ = true;
        if (!loadRegistrations(error)) {
            registrationsByName_.clear();
            registrationsLoaded_ = false;
            return false;
        }
    }
    if (registrationReading_ == Reading::Whole) {
        const auto found = registrationsByName_.find(text);
        if (found != registrationsByName_.end()) {
            rows = found->second.rows;
            skipped = found->second.skipped;
        }
        return true;
    }
    Group<Registration> group;
    // A key that is its text's UTF-8 is bound as that text, untranscoded.
    QString upperText;
    const bool bindText = U_Codec::fromUtf8Exactly(upper, upperText);
    QSqlQuery& query = bindText ? registrationQuery_ : registrationRawQuery_;
    const QVariant value = bindText ? QVariant(upperText) : QVariant(QByteArray::fromStdString(upper));
    if (!queryRegistrations(query, value, group)) {
        error = query.lastError();
        query.finish();
        return false;
    }
    rows = std::move(group.rows);
    skipped = group.skipped;
    return true;
}

BaselineDatabase::Load BaselineDatabase::loadSuppressions(QSqlError& error)
{
    QSqlQuery query(db_);
    query.setForwardOnly(true);
    if (!query.exec(QLatin1String(kAllSuppressionsQuery))) {
        error = query.lastError();
        return Load::Failed;
    }
    while (query.next()) {
        // An integer equals the bound number exactly when its value does,
        // whatever the column's affinity; NULL equals nothing; any other
        // type needs SQLite's own comparison, so the query of each
        // registration answers instead.
        const QString type = query.value(0).toString();
        if (type == QLatin1String("null"))
            continue;
        if (type != QLatin1String("integer"))
            return Load::PerKey;
        const qlonglong primary = query.value(1).toLongLong();
        if (primary < INT32_MIN || primary > INT32_MAX)
            continue;
        Group<Suppression>& group = suppressionsByPrimary_[static_cast<int>(primary)];
        Suppression row;
        if (readSuppression(query, 2, row))
            group.rows.push_back(row);
        else
            ++group.skipped;
    }
    error = query.lastError();
    return error.isValid() ? Load::Failed : Load::Done;
}

bool BaselineDatabase::suppressions(int primary, std::vector<Suppression>& rows, int& skipped, QSqlError& error)
{
    rows.clear();
    skipped = 0;
    if (suppressionReading_ == Reading::Whole && !suppressionsLoaded_) {
        suppressionsLoaded_ = true;
        const Load load = loadSuppressions(error);
        if (load != Load::Done)
            suppressionsByPrimary_.clear();
        if (load == Load::PerKey)
            suppressionReading_ = Reading::PerKey;
        if (load == Load::Failed) {
            suppressionsLoaded_ = false;
            return false;
        }
    }
    auto known = suppressionsByPrimary_.find(primary);
    if (known == suppressionsByPrimary_.end()) {
        Group<Suppression> group;
        if (suppressionReading_ == Reading::PerKey) {
            suppressionQuery_.bindValue(0, primary, QSql::In);
            bool complete = suppressionQuery_.exec();
            while (complete && suppressionQuery_.next()) {
                Suppression row;
                if (readSuppression(suppressionQuery_, 0, row))
                    group.rows.push_back(row);
                else
                    ++group.skipped;
            }
            error = suppressionQuery_.lastError();
            complete = !error.isValid();
            suppressionQuery_.finish();
            if (!complete)
                return false;
        }
        known = suppressionsByPrimary_.emplace(primary, std::move(group)).first;
    }
    rows = known->second.rows;
    if (reportedPrimaries_.insert(primary).second)
        skipped = known->second.skipped;
    return true;
}
