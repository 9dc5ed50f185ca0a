#pragma once

#include <QSqlDriverPlugin>

/// The SQL driver "KTW_QSQLITE" that the run asks Qt for: it hands back Qt's
/// own SQLite driver, found as a plugin on Qt's plugin path, so that baseline
/// databases open as plain SQLite files.
class KtwSqlitePlugin : public QSqlDriverPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QSqlDriverFactoryInterface" FILE "ktw_qsqlite.json")

public:
    // A new stock SQLite driver for "KTW_QSQLITE"; null for any other key or
    // when Qt's SQLite plugin cannot be loaded.
    QSqlDriver* create(const QString& key) override;
};
