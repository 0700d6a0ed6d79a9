#include "cameras/Form3.h"

#include "cameras/Form2.h"
#include "platform/Controls.h"
#include "platform/Screen.h"

#include <QPushButton>
#include <QTimer>

namespace orlisk {

Form3::Form3(const Screen& screen, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("WebCam list"));
    setFixedSize(screen.ToPixels(3975), screen.ToPixels(3855));
    List1 = new SortedListBox(this);
    List1->setObjectName(QStringLiteral("List1"));
    PlaceTwips(List1, screen, 120, 120, 2535, 3570);
    const auto button = [&](const char* name, const QString& caption, double top) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        PlaceTwips(b, screen, 2760, top, 1095, 375);
        return b;
    };
    Command1 = button("Command1", QStringLiteral("&Add..."), 120);
    Command3 = button("Command3", QStringLiteral("&Edit..."), 480);
    Command2 = button("Command2", QStringLiteral("&Remove"), 840);
    Command4 = button("Command4", QStringLiteral("&Ok"), 3360);
    Command4->setDefault(true);
    setTabOrder(List1, Command1);
    setTabOrder(Command1, Command3);
    setTabOrder(Command3, Command2);
    setTabOrder(Command2, Command4);
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(Form2::kFastTickMs);
    Timer1->setTimerType(Qt::CoarseTimer);
}

} // namespace orlisk
