#include "Mnemonics.h"

#include <QAbstractButton>
#include <QEvent>
#include <QShortcutEvent>
#include <QWidget>

namespace {

class TImmediateMnemonic : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Shortcut)
            return false;
        auto* button = qobject_cast<QAbstractButton*>(watched);
        const auto* shortcut = static_cast<QShortcutEvent*>(event);
        // An ambiguous one only moves the focus, as Qt does it.
        if (!button || shortcut->isAmbiguous() || shortcut->key() != button->shortcut())
            return false;
        if (button->isCheckable() && (button->focusPolicy() & Qt::ClickFocus))
            button->setFocus(Qt::ShortcutFocusReason);
        button->click();
        return true;
    }
};

} // namespace

void PressButtonsAtOnceByMnemonic(QWidget* window) {
    auto* filter = new TImmediateMnemonic(window);
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>())
        button->installEventFilter(filter);
}
