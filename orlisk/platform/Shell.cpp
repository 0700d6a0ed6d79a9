#include "platform/Shell.h"

#include <QDesktopServices>
#include <QUrl>

namespace orlisk {

void DesktopShell::Open(QWidget*, const QString& address) {
    QDesktopServices::openUrl(QUrl(address));
}

} // namespace orlisk
