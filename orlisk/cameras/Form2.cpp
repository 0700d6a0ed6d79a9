#include "cameras/Form2.h"

#include "platform/Controls.h"
#include "platform/Screen.h"
#include "viewer/Blur.h"
#include "viewer/Download.h"
#include "viewer/Form1.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStatusBar>
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

QTimer* MakeTimer(QObject* parent, const char* name, int interval, bool singleShot) {
    auto* timer = new QTimer(parent);
    timer->setObjectName(QString::fromLatin1(name));
    timer->setInterval(interval);
    timer->setSingleShot(singleShot);
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
    // Borders that no colour scheme repaints stay invisible.
    Shape4->SetFillColor(kLight);
    Shape4->SetBorderColor(Qt::transparent);
    Shape5->SetFillColor(Qt::transparent);
    Shape5->SetBorderColor(kLight);
    Shape6->SetFillColor(kDark);
    Shape6->SetBorderColor(Qt::transparent);
    Shape3->SetFillColor(kDark);
    Shape3->SetBorderColor(kDark);

    Shape2 = new Shape(Shape::Kind::Rectangle, this);
    Shape2->setObjectName(QStringLiteral("Shape2"));
    place(Shape2, 4785, -120, 4215, 615);
    Shape2->SetFillColor(kDark);
    Shape2->SetBorderColor(Qt::transparent);
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
    Label4 = MakeLabel(this, "Label4", QString());
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
    SetPickerBackground(kDark);
    place(Combo1, 4845, 60, 4095, 315);
    Command1 = new GlyphLabel(QStringLiteral("4"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setAutoFillBackground(true);
    SetToggleColours(Qt::black, Qt::white);
    place(Command1, 4358, 60, 255, 255);

    Label1 = MakeLabel(this, "Label1", QString());
    Label1->hide();
    Label7 = MakeLabel(this, "Label7", QStringLiteral("0"));
    Label7->hide();
    Label8 = MakeLabel(this, "Label8", QStringLiteral("0"));
    Label8->hide();

    // Only the blinking repeats; the other three run once when something changed.
    Timer1 = MakeTimer(this, "Timer1", 1000, true);
    Timer2 = MakeTimer(this, "Timer2", 500, false);
    Timer3 = MakeTimer(this, "Timer3", 0, true);
    Timer4 = MakeTimer(this, "Timer4", 0, true);

    SetSizeTwips(9000, 6000);

    connect(Command1, &GlyphLabel::Click, this, &Form2::Command1Click);
    connect(Combo1, &QComboBox::currentIndexChanged, this, &Form2::Combo1Click);
    connect(Image3, &ImageBox::DblClick, this, &Form2::LeaveFullscreen);
    connect(TestBild, &ImageBox::DblClick, this, &Form2::LeaveFullscreen);
    connect(Timer1, &QTimer::timeout, this, &Form2::Timer1Timer);
    connect(Timer2, &QTimer::timeout, this, &Form2::Timer2Timer);
    connect(Timer3, &QTimer::timeout, this, &Form2::Timer3Timer);
    connect(Timer4, &QTimer::timeout, this, &Form2::Timer4Timer);
    // Esc leaves fullscreen too, also from the picker while its list is closed.
    Combo1->installEventFilter(this);
    for (QWidget* hover : {static_cast<QWidget*>(Command1), static_cast<QWidget*>(Image3),
                           static_cast<QWidget*>(TestBild)}) {
        hover->setMouseTracking(true);
        hover->installEventFilter(this);
    }
}

void Form2::StateChanged() {
    if (!Timer3->isActive())
        Timer3->start();
}

void Form2::Refreshed() {
    StateChanged();
    Timer1->start();
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

QRectF Form2::Twips(const QWidget* control) const {
    return TwipsOf(control, m_screen);
}

void Form2::SetTwips(QWidget* control, const QRectF& twips) {
    PlaceTwips(control, m_screen, twips);
}

void Form2::SetPickerBackground(const QColor& color) {
    const QString rule =
        QStringLiteral("{ color: white; background-color: %1; }").arg(color.name());
    Combo1->setStyleSheet(QStringLiteral("QComboBox ") + rule +
                          QStringLiteral(" QComboBox QAbstractItemView ") + rule);
}

void Form2::SetToggleColours(const QColor& text, const QColor& ground) {
    QPalette p = Command1->palette();
    if (p.color(QPalette::WindowText) == text && p.color(QPalette::Window) == ground)
        return;
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Window, ground);
    Command1->setPalette(p);
}

namespace {

void MoveLeft(Form2& form, QWidget* control, double left) {
    QRectF r = form.Twips(control);
    r.moveLeft(left);
    form.SetTwips(control, r);
}

void MoveTop(Form2& form, QWidget* control, double top) {
    QRectF r = form.Twips(control);
    r.moveTop(top);
    form.SetTwips(control, r);
}

} // namespace

void Form2::PlaceExpandedPanel() {
    const double w = WidthTwips();
    const double tab = Twips(Shape1).width();
    const double shape1Left = w - (tab / 2 + Twips(Shape2).width());
    MoveLeft(*this, Shape1, shape1Left);
    MoveLeft(*this, Shape2, shape1Left + tab / 2);
    MoveLeft(*this, Combo1, w - (Twips(Combo1).width() + 60));
    MoveLeft(*this, Command1, shape1Left + 240);
}

void Form2::ExpandPanel() {
    for (QWidget* control : {static_cast<QWidget*>(Command1), static_cast<QWidget*>(Combo1),
                             static_cast<QWidget*>(Shape1), static_cast<QWidget*>(Shape2)})
        control->hide();
    PlaceExpandedPanel();
    Command1->SetCaption(QStringLiteral("4"));
    Command1->show();
    Combo1->show();
    Shape1->SetDrawMode(13);
    Shape1->show();
    Shape2->show();
    Line1->show();
}

void Form2::CollapsePanel() {
    for (QWidget* control : {static_cast<QWidget*>(Command1), static_cast<QWidget*>(Combo1),
                             static_cast<QWidget*>(Shape1), static_cast<QWidget*>(Shape2),
                             static_cast<QWidget*>(Line1)})
        control->hide();
    const double w = WidthTwips();
    const double shape1Left = w - Twips(Shape1).width() / 2;
    MoveLeft(*this, Shape1, shape1Left);
    MoveLeft(*this, Shape2, w);
    MoveLeft(*this, Combo1, w);
    MoveLeft(*this, Command1, shape1Left + 240);
    Command1->SetCaption(QStringLiteral("3"));
    Command1->show();
    Combo1->show();
    Shape1->SetDrawMode(15);
    Shape1->show();
    Shape2->show();
}

void Form2::Command1Click() {
    if (Command1->Caption() == QStringLiteral("3"))
        ExpandPanel();
    else
        CollapsePanel();
    SetToggleColours(Qt::black, Qt::white);
}

void Form2::Combo1Click() {
    // Emptying or refilling the list is no choice of a camera.
    if (Combo1->currentIndex() < 0)
        return;
    Label4->setText(QStringLiteral("Loading '") + Combo1->currentText() + QStringLiteral("' ..."));
    StateChanged();
    Timer1->start();
}

void Form2::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const double w = WidthTwips();
    const double h = HeightTwips();
    Label5->setText(Combo1->currentText());
    SetTwips(TestBild, QRectF(0, 0, w, h));
    QRectF circle = Twips(Shape3);
    circle.moveTo(w - (circle.width() + 360), h - (circle.height() + 360));
    SetTwips(Shape3, circle);
    const double shape6Height = Twips(Shape6).height();
    const QRectF band(Twips(Shape4).left(), circle.top(), circle.left() + 145,
                      circle.height() - shape6Height + 30);
    SetTwips(Shape4, band);
    const QRectF lower(Twips(Shape6).left(), circle.bottom() - shape6Height + 15, band.width(),
                       shape6Height);
    SetTwips(Shape6, lower);
    SetTwips(Shape5, QRectF(Twips(Shape5).left(), band.top(), band.width(),
                            lower.height() + band.height()));
    MoveTop(*this, Label5, band.top() + 15);
    MoveTop(*this, Label4, lower.top() + 60);
    QRectF busy = Twips(Image2);
    busy.moveTo(circle.left() + 180, circle.top() + 120);
    SetTwips(Image2, busy);
    PlaceExpandedPanel();
    const double lineLeft = Twips(Shape1).left() + Twips(Shape1).width() / 2;
    const QRectF line = Twips(Line1);
    SetTwips(Line1, QRectF(lineLeft, line.top(), w - lineLeft, line.height()));
}

void Form2::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        LeaveFullscreen();
}

// Closing it from outside (a window manager's close key) must not leave the program running
// without a window, nor end it without its clean-up: it returns to the main window instead.
void Form2::closeEvent(QCloseEvent* event) {
    event->ignore();
    LeaveFullscreen();
}

void Form2::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape)
        LeaveFullscreen();
    else
        QWidget::keyPressEvent(event);
}

bool Form2::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Combo1 && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        LeaveFullscreen();
        return true;
    }
    if (event->type() == QEvent::MouseMove || event->type() == QEvent::Enter) {
        if (watched == Command1)
            SetToggleColours(Qt::white, Qt::black);
        else if (event->type() == QEvent::MouseMove)
            SetToggleColours(Qt::black, Qt::white);
    }
    return QWidget::eventFilter(watched, event);
}

void Form2::LeaveFullscreen() {
    if (m_form1) {
        m_form1->setWindowState(Qt::WindowNoState);
        m_form1->setVisible(true);
    }
    hide();
    if (m_form1) {
        m_form1->show();
        m_form1->raise();
        m_form1->activateWindow();
    }
}

void Form2::Timer1Timer() {
    if (Combo1->currentText() == Label1->text())
        return;
    Label8->setText(QStringLiteral("0"));
    // Only the file the download writes.
    QFile::remove(DataFilePath());
    StateChanged();
}

void Form2::Timer2Timer() {
    Label2->setVisible(Label2->isHidden());
    if (Label3->isHidden())
        Label3->show();
}

void Form2::Timer3Timer() {
    if (Timer2->isActive()) {
        Timer4->stop();
        Image3->hide();
        TestBild->show();
        Label8->setText(QStringLiteral("0"));
        // The status line of a picture that failed would tell of a picture that is not there.
        if (m_form1)
            m_form1->StatusBar1->clearMessage();
    } else {
        Timer4->start();
        Image3->show();
        TestBild->hide();
    }
}

void Form2::Timer4Timer() {
    if (!m_form1 || m_form1->Text3->text().contains(QStringLiteral("gif"), Qt::CaseInsensitive))
        return;
    if (Label8->text() == QStringLiteral("0")) {
        const bool blur = m_form1->Check2->isChecked();
        QImage& picture = Picture1->Picture();
        if (blur && !picture.isNull() && picture.cacheKey() != m_blurred) {
            BlurPicture(picture);
            m_blurred = picture.cacheKey();
        }
        // The image controls let an unchanged picture pass without redrawing it.
        Image3->SetPicture(picture);
        m_form1->ImagNT1->SetPicture(picture);
        if (blur)
            Label8->setText(QStringLiteral("1"));
    }
    // Until a first picture arrives there is nothing to tell.
    const QString status = Picture1->Picture().isNull() ? QString() : Label4->text();
    if (m_form1->StatusBar1->currentMessage() != status)
        m_form1->StatusBar1->showMessage(status);
}

} // namespace orlisk
