#include "Placemnt.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include "Dialogs.h"
#include "SettingsStore.h"

namespace placement {

QString FormatFour(const std::array<int, 4>& values) {
    return QStringLiteral("%1,%2,%3,%4")
        .arg(values[0])
        .arg(values[1])
        .arg(values[2])
        .arg(values[3]);
}

std::array<int, 4> ParseFour(const QString& text, const std::array<int, 4>& defaults) {
    std::array<int, 4> result = defaults;
    const QStringList words = text.split(u',', Qt::SkipEmptyParts);
    for (size_t i = 0; i < result.size() && i < size_t(words.size()); ++i)
        result[i] = ParseSettingsNumber(words[qsizetype(i)]).value_or(defaults[i]);
    return result;
}

Qt::WindowState StateForShowCmd(int showCmd) {
    switch (showCmd) {
    case 2:
    case 6:
    case 7:
        return Qt::WindowMinimized;
    case 3:
        return Qt::WindowMaximized;
    default:
        return Qt::WindowNoState;
    }
}

int ShowCmdForState(Qt::WindowStates state) {
    if (state & Qt::WindowMinimized)
        return ShowMinimized;
    if (state & (Qt::WindowMaximized | Qt::WindowFullScreen))
        return ShowMaximized;
    return ShowNormal;
}

int FlagsForState(Qt::WindowStates state) {
    const bool minimized = state & Qt::WindowMinimized;
    const bool maximized = state & (Qt::WindowMaximized | Qt::WindowFullScreen);
    return minimized && maximized ? RestoreToMaximized : 0;
}

std::array<int, 4> RectToFour(const QRect& rect) {
    return {rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
}

bool UsableRect(const std::array<int, 4>& four) {
    constexpr int64_t MaxSide = 32767;
    const int64_t width = int64_t(four[2]) - four[0];
    const int64_t height = int64_t(four[3]) - four[1];
    return width > 0 && height > 0 && width <= MaxSide && height <= MaxSide &&
           std::abs(int64_t(four[0])) <= MaxSide && std::abs(int64_t(four[1])) <= MaxSide;
}

QRect FourToRect(const std::array<int, 4>& four) {
    return QRect(four[0], four[1], four[2] - four[0], four[3] - four[1]);
}

namespace {

int64_t Area(const QRect& rect) {
    return rect.isEmpty() ? 0 : int64_t(rect.width()) * rect.height();
}

// Squared distance from the rectangle's centre to the nearest point of the screen.
int64_t Distance(const QRect& rect, const QRect& screen) {
    const QPoint c = rect.center();
    const int64_t dx =
        std::max({int64_t(screen.left()) - c.x(), int64_t(0), int64_t(c.x()) - screen.right()});
    const int64_t dy =
        std::max({int64_t(screen.top()) - c.y(), int64_t(0), int64_t(c.y()) - screen.bottom()});
    return dx * dx + dy * dy;
}

} // namespace

QRect OnScreens(const QRect& rect, const QList<QRect>& screens) {
    if (screens.isEmpty() || rect.isEmpty())
        return rect;
    int64_t visible = 0;
    const QRect* nearest = nullptr;
    for (const QRect& screen : screens) {
        const int64_t overlap = Area(rect.intersected(screen));
        visible += overlap;
        if (!nearest) {
            nearest = &screen;
            continue;
        }
        const int64_t best = Area(rect.intersected(*nearest));
        if (overlap > best ||
            (overlap == best && Distance(rect, screen) < Distance(rect, *nearest)))
            nearest = &screen;
    }
    if (2 * visible >= Area(rect))
        return rect;
    const QRect& screen = *nearest;
    const int width = std::min(rect.width(), screen.width());
    const int height = std::min(rect.height(), screen.height());
    const int left = std::clamp(rect.left(), screen.left(), screen.left() + screen.width() - width);
    const int top = std::clamp(rect.top(), screen.top(), screen.top() + screen.height() - height);
    return QRect(left, top, width, height);
}

} // namespace placement

namespace {

QList<QRect> ScreenAreas() {
    QList<QRect> areas;
    for (const QScreen* screen : QGuiApplication::screens())
        areas.append(screen->availableGeometry());
    return areas;
}

int CurrentPixelsPerInch(const QWidget* form) {
    const QScreen* screen = form->screen();
    return screen ? qRound(screen->logicalDotsPerInch()) : 96;
}

} // namespace

TFormPlacement::TFormPlacement(QWidget* form, SettingsStore& store, Dialogs& dialogs)
    : QObject(form), m_form(form), m_store(store), m_dialogs(dialogs) {
    setObjectName(QStringLiteral("FormPlacement"));
    form->installEventFilter(this);
}

int TFormPlacement::LoadNumber(const QString& name, int def) const {
    return m_store.ReadInteger(name, def);
}

void TFormPlacement::StoreNumber(const QString& name, int value) {
    m_store.WriteInteger(name, value);
}

bool TFormPlacement::CloseQuery() {
    return SaveFormPlacement(false);
}

void TFormPlacement::Destroying() {
    if (!m_saved)
        SaveFormPlacement(true);
}

bool TFormPlacement::SaveFormPlacement(bool destroying) {
    try {
        Save(destroying);
        return true;
    } catch (const std::exception& e) {
        // A store that failed once is not tried again when the window goes: one box is enough.
        m_saved = true;
        m_dialogs.ShowException(m_form, QString::fromStdString(e.what()));
        return false;
    }
}

void TFormPlacement::RestoreFormPlacement() {
    try {
        Restore();
    } catch (const std::exception& e) {
        m_dialogs.ShowException(m_form, QString::fromStdString(e.what()));
    }
}

void TFormPlacement::Save(bool destroying) {
    using namespace placement;
    const Qt::WindowStates state = m_form->windowState();
    m_store.WriteInteger(QStringLiteral("FormVersion"), Version());
    m_store.WriteInteger(QStringLiteral("Flags"), FlagsForState(state));
    m_store.WriteInteger(QStringLiteral("ShowCmd"), ShowCmdForState(state));
    m_store.WriteInteger(QStringLiteral("PixelsPerInch"), CurrentPixelsPerInch(m_form));
    // This platform has no separate minimised or maximised position: both read "none".
    m_store.WriteString(QStringLiteral("MinMaxPos"), FormatFour({-1, -1, -1, -1}));
    m_store.WriteString(QStringLiteral("NormPos"),
                        FormatFour(RectToFour(m_form->normalGeometry())));
    m_store.WriteBool(QStringLiteral("Visible"), destroying);
    m_store.Flush();
    m_saved = true;
}

void TFormPlacement::Restore() {
    using namespace placement;
    m_saved = false;
    if (m_store.ReadInteger(QStringLiteral("FormVersion"), 0) < Version())
        return;

    const QRect current = m_form->geometry();
    const auto minMax = m_store.ReadString(QStringLiteral("MinMaxPos"));
    const auto normPos = m_store.ReadString(QStringLiteral("NormPos"));
    const int storedPpi =
        m_store.ReadInteger(QStringLiteral("PixelsPerInch"), CurrentPixelsPerInch(m_form));
    if ((minMax || normPos) && storedPpi == CurrentPixelsPerInch(m_form)) {
        const auto four = ParseFour(normPos.value_or(QString()), RectToFour(current));
        if (UsableRect(four))
            m_form->setGeometry(OnScreens(FourToRect(four), ScreenAreas()));
    }

    switch (StateForShowCmd(m_store.ReadInteger(QStringLiteral("ShowCmd"), 0))) {
    case Qt::WindowMaximized:
        m_form->setWindowState(Qt::WindowMaximized);
        break;
    case Qt::WindowMinimized:
        // Shown normal first, then the whole program goes to the task bar.
        m_form->setWindowState(Qt::WindowNoState);
        QTimer::singleShot(0, m_form, [form = m_form] { form->showMinimized(); });
        break;
    default:
        break;
    }
}

bool TFormPlacement::eventFilter(QObject* watched, QEvent* event) {
    // Before the window's own show handling; a window coming back from the task bar is
    // not "shown" again.
    if (watched == m_form && event->type() == QEvent::Show && !event->spontaneous())
        RestoreFormPlacement();
    return QObject::eventFilter(watched, event);
}
