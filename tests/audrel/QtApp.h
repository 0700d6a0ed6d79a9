#pragma once

#include <QApplication>

// One application object for all tests of a program; deliberately never destroyed, since
// tearing Qt down during static destruction is not safe.
inline QApplication& TestApp() {
    static int argc = 1;
    static char name[] = "audrel-test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}
