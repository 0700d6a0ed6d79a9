#include "Desktop.h"

#include <QApplication>

void QtDesktop::Flash(QWidget* window, int msec) {
    QApplication::alert(window, msec);
}
