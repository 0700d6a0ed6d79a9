#pragma once

#include <QString>

class QWidget;

namespace orlisk {

// Hands an address ("http://...", "mailto:...") to the system's default program for it.
class Shell {
public:
    virtual ~Shell() = default;
    // A failure of the system to open the address is not reported.
    virtual void Open(QWidget* owner, const QString& address) = 0;
};

class DesktopShell final : public Shell {
public:
    void Open(QWidget* owner, const QString& address) override;
};

} // namespace orlisk
