#include "cameras/Form2.h"

#include "platform/Controls.h"
#include "platform/Screen.h"

#include <QComboBox>
#include <QLabel>
#include <QTimer>

namespace orlisk {

namespace {

const QColor kLight(255, 0, 0);
const QColor kDark(192, 0, 0);

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

QTimer* MakeTimer(QObject* parent, const char* name, int interval) {
    auto* timer = new QTimer(parent);
    timer->setObjectName(QString::fromLatin1(name));
    timer->setInterval(interval);
    timer->setTimerType(Qt::CoarseTimer);
    return timer;
}

} // namespace

Form2::Form2(const Screen& screen, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_screen(screen) {
    InitResources();
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Orlisk Fullscreen Window"));
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    black.setColor(QPalette::WindowText, Qt::white);
    setPalette(black);
    const auto place = [&](QWidget* w, double l, double t, double width, double height) {
        PlaceTwips(w, m_screen, l, t, width, height);
    };

    // Bottom of the stacking order first: the pictures, then the shapes, then texts and picker.
    Image3 = new ImageBox(screen, this);
    Image3->setObjectName(QStringLiteral("Image3"));
    TestBild = new ImageBox(screen, this);
    TestBild->setObjectName(QStringLiteral("TestBild"));
    TestBild->SetStretch(true);
    TestBild->SetPicture(QImage(QStringLiteral(":/orlisk/testbild.jpg")));
    TestBild->SetTwips(QRectF(0, 0, 9000, 6000));
    TestBild->hide();
    Picture1 = new PictureBox(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->hide();

    Shape4 = new Shape(Shape::Kind::Rectangle, this);
    Shape4->setObjectName(QStringLiteral("Shape4"));
    place(Shape4, 480, 4800, 7560, 600);
    Shape6 = new Shape(Shape::Kind::Rectangle, this);
    Shape6->setObjectName(QStringLiteral("Shape6"));
    place(Shape6, 480, 5400, 7560, 375);
    Shape5 = new Shape(Shape::Kind::Rectangle, this);
    Shape5->setObjectName(QStringLiteral("Shape5"));
    place(Shape5, 480, 4800, 7560, 975);
    Shape5->setAttribute(Qt::WA_TransparentForMouseEvents);
    Shape3 = new Shape(Shape::Kind::Circle, this);
    Shape3->setObjectName(QStringLiteral("Shape3"));
    place(Shape3, 7545, 4665, 1095, 975);
    Shape4->SetFillColor(kLight);
    Shape4->SetBorderColor(kLight);
    Shape5->SetFillColor(Qt::transparent);
    Shape5->SetBorderColor(kLight);
    Shape6->SetFillColor(kDark);
    Shape6->SetBorderColor(kDark);
    Shape3->SetFillColor(kDark);
    Shape3->SetBorderColor(kDark);

    Shape2 = new Shape(Shape::Kind::Rectangle, this);
    Shape2->setObjectName(QStringLiteral("Shape2"));
    place(Shape2, 4785, -120, 4215, 615);
    Shape2->SetFillColor(kDark);
    Shape2->SetBorderColor(kDark);
    Shape1 = new Shape(Shape::Kind::Oval, this);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    place(Shape1, 4118, -240, 1335, 735);
    Shape1->SetFillColor(kDark);
    Shape1->SetBorderColor(kLight);
    Line1 = new LineControl(this);
    Line1->setObjectName(QStringLiteral("Line1"));
    place(Line1, 4800, 465, 4200, 30);
    Line1->SetColor(kLight);

    Label5 = MakeLabel(this, "Label5", QStringLiteral("Loading Cam..."));
    Label5->setFont(QFont(QStringLiteral("Arial Black"), 12, QFont::Black));
    place(Label5, 600, 4815, 6800, 420);
    Label4 = MakeLabel(this, "Label4", QStringLiteral("Label4"));
    place(Label4, 600, 5460, 6800, 255);
    Label2 = MakeLabel(this, "Label2", QStringLiteral("Error #00"));
    Label2->setFont(QFont(QStringLiteral("Arial Black"), 24, QFont::Black));
    Label2->setAlignment(Qt::AlignCenter);
    place(Label2, 1500, 1800, 6000, 735);
    Label2->hide();
    Label3 = MakeLabel(this, "Label3", QStringLiteral("Description"));
    Label3->setAlignment(Qt::AlignCenter);
    place(Label3, 1500, 2760, 6000, 375);
    Label3->hide();
    Image2 = new ImageBox(screen, this);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->SetStretch(true);
    Image2->SetPicture(QImage(QStringLiteral(":/orlisk/busy.png")));
    Image2->SetTwips(QRectF(7725, 4785, 720, 720));
    Image2->hide();

    Combo1 = new QComboBox(this);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setFont(QFont(QStringLiteral("Arial")));
    Combo1->setStyleSheet(QStringLiteral(
        "QComboBox { color: white; background-color: rgb(192, 0, 0); }"
        "QComboBox QAbstractItemView { color: white; background-color: rgb(192, 0, 0); }"));
    place(Combo1, 4845, 60, 4095, 315);
    Command1 = new GlyphLabel(QStringLiteral("4"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setAutoFillBackground(true);
    QPalette whiteGround = Command1->palette();
    whiteGround.setColor(QPalette::Window, Qt::white);
    whiteGround.setColor(QPalette::WindowText, Qt::black);
    Command1->setPalette(whiteGround);
    place(Command1, 4358, 60, 255, 255);

    Label1 = MakeLabel(this, "Label1", QString());
    Label1->hide();
    Label7 = MakeLabel(this, "Label7", QStringLiteral("0"));
    Label7->hide();
    Label8 = MakeLabel(this, "Label8", QStringLiteral("0"));
    Label8->hide();

    // The timers exist with their design intervals; their handlers are not connected yet, so
    // they stay stopped until the window's own behaviour is in place.
    Timer1 = MakeTimer(this, "Timer1", 1000);
    Timer2 = MakeTimer(this, "Timer2", 500);
    Timer3 = MakeTimer(this, "Timer3", kFastTickMs);
    Timer4 = MakeTimer(this, "Timer4", kFastTickMs);

    SetSizeTwips(9000, 6000);
}

double Form2::WidthTwips() const {
    return m_screen.ToTwips(width());
}

double Form2::HeightTwips() const {
    return m_screen.ToTwips(height());
}

void Form2::SetSizeTwips(double width, double height) {
    resize(m_screen.ToPixels(width), m_screen.ToPixels(height));
}

} // namespace orlisk
