#include "cameras/Loading.h"

#include "platform/Controls.h"
#include "platform/Screen.h"

#include <QLabel>
#include <QTimer>

namespace orlisk {

namespace {

constexpr int kMarqueeWidth = 18;

QLabel* HiddenLabel(QWidget* parent, const char* name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->hide();
    return label;
}

QTimer* MakeTimer(QObject* parent, const char* name, int interval) {
    auto* timer = new QTimer(parent);
    timer->setObjectName(QString::fromLatin1(name));
    timer->setInterval(interval);
    return timer;
}

} // namespace

QString MarqueeText(const QString& source, int position) {
    if (position < 1 || position > source.size())
        return QString();
    return source.mid(position - 1, kMarqueeWidth);
}

Loading::Loading(const Screen& screen, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    InitResources();
    setObjectName(QStringLiteral("Loading"));
    setFixedSize(screen.ToPixels(4800), screen.ToPixels(3600));
    CentreIn(this, QRect(QPoint(0, 0), screen.SizePixels()));

    Picture = new ImageBox(screen, this);
    Picture->setObjectName(QStringLiteral("Picture"));
    Picture->SetStretch(true);
    Picture->SetPicture(QImage(QStringLiteral(":/orlisk/splash.png")));
    Picture->SetTwips(QRectF(0, 0, 4800, 3600));

    Label2 = new QLabel(QStringLiteral("#"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    QFont courier(QStringLiteral("Courier New"));
    courier.setStyleHint(QFont::Monospace);
    courier.setPointSizeF(8.25);
    courier.setBold(true);
    Label2->setFont(courier);
    QPalette black = Label2->palette();
    black.setColor(QPalette::WindowText, Qt::black);
    Label2->setPalette(black);
    PlaceTwips(Label2, screen, 1320, 2400, 2055, 255);
    Label3 =
        HiddenLabel(this, "Label3", QString(17, QLatin1Char(' ')) + QStringLiteral("Loading..."));
    Label4 = HiddenLabel(this, "Label4", QStringLiteral("0"));
    Label1 = HiddenLabel(this, "Label1", QStringLiteral("1"));
    Timer2 = MakeTimer(this, "Timer2", 100);
    Timer1 = MakeTimer(this, "Timer1", 1000);
    connect(Timer2, &QTimer::timeout, this, &Loading::Timer2Timer);
    connect(Timer1, &QTimer::timeout, this, &Loading::Timer1Timer);
    Timer2->start();
    Timer1->start();
}

void Loading::SetMainWindow(QWidget* form1, std::function<void()> load) {
    m_form1 = form1;
    m_load = std::move(load);
}

void Loading::Timer2Timer() {
    const int position = Label4->text().toInt() + 1;
    Label4->setText(QString::number(position));
    Label2->setText(MarqueeText(Label3->text(), position));
    if (position == Label3->text().size() + 1)
        Label4->setText(QStringLiteral("0"));
}

void Loading::Timer1Timer() {
    const int left = Label1->text().toInt() - 1;
    Label1->setText(QString::number(left));
    if (left > 0)
        return;
    // The countdown ends once, whatever the main window's loading does meanwhile.
    Timer1->stop();
    if (m_load)
        m_load();
    if (m_form1) {
        m_form1->move(0, 0);
        m_form1->show();
    }
    Timer2->stop();
}

} // namespace orlisk
