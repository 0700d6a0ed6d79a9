#pragma once

#include <array>
#include <optional>

#include <QList>
#include <QObject>
#include <QRect>
#include <QString>

class Dialogs;
class QWidget;
class SettingsStore;

// The stored placement values, kept apart from any window so they are tested alone.
namespace placement {

// Show codes of the stored record.
inline constexpr int ShowNormal = 1;
inline constexpr int ShowMinimized = 2;
inline constexpr int ShowMaximized = 3;
// Flag: a minimised window goes back to maximised.
inline constexpr int RestoreToMaximized = 2;

// "%d,%d,%d,%d"
QString FormatFour(const std::array<int, 4>& values);
// Reads up to four comma-separated numbers; a missing or unparsable one takes its default.
std::array<int, 4> ParseFour(const QString& text, const std::array<int, 4>& defaults);

// Normal, minimised or maximised for a stored show code (unknown codes: normal).
Qt::WindowState StateForShowCmd(int showCmd);
int ShowCmdForState(Qt::WindowStates state);
int FlagsForState(Qt::WindowStates state);

// The normal rectangle as left, top, right, bottom (right and bottom exclusive).
std::array<int, 4> RectToFour(const QRect& rect);
QRect FourToRect(const std::array<int, 4>& four);
// A stored rectangle a window can take: left below right, top below bottom, and a size a
// window system accepts (hand-edited numbers must not overflow or make a giant window).
bool UsableRect(const std::array<int, 4>& four);
// Where a window with this normal rectangle may open, given the screens' work areas: where it
// is while at least half of it lies on the screens; otherwise (a monitor removed since) moved
// onto the nearest screen, keeping its size where that fits.
QRect OnScreens(const QRect& rect, const QList<QRect>& screens);

} // namespace placement

// Saves a window's placement when it closes and restores it when it is shown, in the
// program's settings section; also a small number store for the window's own values.
class TFormPlacement : public QObject {
    Q_OBJECT
public:
    TFormPlacement(QWidget* form, SettingsStore& store, Dialogs& dialogs);

    int Version() const { return 0; }

    int LoadNumber(const QString& name, int def) const;
    // Throws SettingsError when the store cannot be written.
    void StoreNumber(const QString& name, int value);

    // The window allowed its close: save now. False when the store failed (the error box
    // has been shown), so the caller skips the rest of its own saving.
    bool CloseQuery();
    // The window is going away: save unless the close already did.
    void Destroying();

    bool SaveFormPlacement(bool destroying);
    void RestoreFormPlacement();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Save(bool destroying);
    void Restore();

    QWidget* m_form;
    SettingsStore& m_store;
    Dialogs& m_dialogs;
    bool m_saved = false;
};
