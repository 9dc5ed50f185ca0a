#include "driver/DriverOptions.h"

namespace {

bool enclosedIn(const QString& text, QChar quote)
{
    return text.size() >= 2 && text.front() == quote && text.back() == quote;
}

} // namespace

DriverOptions DriverOptions::fromValues(const std::vector<std::string>& values)
{
    static const QString logPrefix = QStringLiteral("baseline::log");
    static const QString nocachePrefix = QStringLiteral("baseline::nocache");
    DriverOptions options;
    for (const std::string& value : values) {
        const QString text = QString::fromLocal8Bit(value.data(), static_cast<int>(value.size()));
        if (text.startsWith(logPrefix)) {
            // The character after the prefix is passed over unread.
            QString name = text.mid(logPrefix.size() + 1);
            if (enclosedIn(name, QLatin1Char('"')) || enclosedIn(name, QLatin1Char('\'')))
                name = name.mid(1, name.size() - 2);
            name.replace(QLatin1Char('\\'), QLatin1Char('/'));
            options.logName = name;
        }
        if (text.startsWith(nocachePrefix))
            options.nocache = true;
    }
    return options;
}

QString DriverOptions::logPath(const QString& name, const QString& firstInput, const QString& outputDirectory)
{
    QString path = QString::fromLocal8Bit(name.toLocal8Bit());
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (path.contains(QLatin1String("%Bf"))) {
        QString input = firstInput;
        input.replace(QLatin1Char('\\'), QLatin1Char('/'));
        path.replace(QLatin1String("%Bf"), input.section(QLatin1Char('/'), -1, -1));
    }
    if (!path.contains(QLatin1Char('/'))) {
        const QString dir = outputDirectory.isEmpty() ? QStringLiteral(".") : outputDirectory;
        path = dir.endsWith(QLatin1Char('/')) ? dir + path : dir + QLatin1Char('/') + path;
    }
    return path;
}
