#pragma once

// One QCoreApplication for a test process, made on first use: Qt looks for
// plugins beside the program only while one exists. It is kept until the
// process ends: destroying it among the exit handlers would outlive Qt's own
// globals.

#include <QCoreApplication>

inline void ensureQtApplication()
{
    static int argc = 1;
    static char name[] = "test_driver";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = nullptr;
    if (QCoreApplication::instance() == nullptr)
        app = new QCoreApplication(argc, argv);
    (void)app;
}
