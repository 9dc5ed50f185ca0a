#include "KtwSqlitePlugin.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QLibraryInfo>
#include <QPluginLoader>
#include <QStringList>

namespace {

const char kStockKey[] = "QSQLITE";

// True when the plugin file at path declares the stock SQLite key; this
// plugin declares only its own key, so it never picks itself.
bool offersStockSqlite(QPluginLoader& loader)
{
    const QJsonArray keys = loader.metaData().value("MetaData").toObject().value("Keys").toArray();
    return keys.contains(QLatin1String(kStockKey));
}

QStringList pluginDirectories()
{
    QStringList dirs = QCoreApplication::libraryPaths();
    const QString qtPlugins = QLibraryInfo::location(QLibraryInfo::PluginsPath);
    if (!dirs.contains(qtPlugins))
        dirs << qtPlugins;
    return dirs;
}

} // namespace

QSqlDriver* KtwSqlitePlugin::create(const QString& key)
{
    if (key != QLatin1String("KTW_QSQLITE"))
        return nullptr;
    for (const QString& dir : pluginDirectories()) {
        const QDir drivers(dir + QLatin1String("/sqldrivers"));
        const QStringList files = drivers.entryList(QDir::Files);
        for (const QString& file : files) {
            QPluginLoader loader(drivers.absoluteFilePath(file));
            if (!offersStockSqlite(loader))
                continue;
            // The loader stays loaded for the life of the process: the driver
            // it hands out lives in that library.
            auto* stock = qobject_cast<QSqlDriverPlugin*>(loader.instance());
            if (stock == nullptr)
                continue;
            if (QSqlDriver* driver = stock->create(QLatin1String(kStockKey)))
                return driver;
        }
    }
    return nullptr;
}
