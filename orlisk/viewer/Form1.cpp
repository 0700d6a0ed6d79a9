#include "viewer/Form1.h"

#include "cameras/About.h"
#include "cameras/Form2.h"
#include "cameras/Form3.h"
#include "platform/Clock.h"
#include "platform/Controls.h"
#include "platform/Inet.h"
#include "platform/MessageBoxes.h"
#include "platform/PictureLoader.h"
#include "platform/Screen.h"
#include "platform/WrapLabel.h"
#include "viewer/Download.h"
#include "viewer/Intervals.h"
#include "viewer/Module1.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTimer>
#include <QWindow>

#include <QWindowStateChangeEvent>

#include <algorithm>
#include <array>
#include <cstdlib>

namespace orlisk {

namespace {

constexpr double kClientWidth = 4935;
constexpr double kClientHeight = 5190;
const TwipsRect kFrame{60, 120, 4815, 3615};
const QString kFullscreenTip = QStringLiteral("Doubleclick for Fullscreen");

template <typename T> T* Named(T* control, const char* name) {
    control->setObjectName(QString::fromLatin1(name));
    return control;
}

void WhiteOnBlack(QLabel* label) {
    label->setAutoFillBackground(true);
    QPalette p = label->palette();
    p.setColor(QPalette::Window, Qt::black);
    p.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(p);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setWordWrap(true);
}

// The fullscreen panel's colour schemes 1 to 4: a light and a dark colour each.
struct ColourScheme {
    QColor Light;
    QColor Dark;
};
const std::array<ColourScheme, 4> kSchemes{{
    {QColor(255, 0, 0), QColor(192, 0, 0)},
    {QColor(0, 255, 0), QColor(0, 192, 0)},
    {QColor(0, 0, 255), QColor(0, 0, 192)},
    {QColor(255, 255, 0), QColor(192, 192, 0)},
}};

} // namespace

Form1::Form1(Platform& platform, Form2& form2, Form3& form3, CamListStore& store, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      m_platform(platform), m_form2(form2), m_form3(form3), m_store(store) {
    const Screen& screen = *platform.screen;
    InitResources();
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Orlisk"));
    setWindowIcon(QIcon(QStringLiteral(":/orlisk/orlisk.png")));
    UseDialogFont(this);
    // A fixed single border: the window is never laid out again.
    setFixedSize(screen.ToPixels(kClientWidth), screen.ToPixels(kClientHeight));
    const auto place = [&](QWidget* w, double l, double t, double width, double height) {
        PlaceTwips(w, screen, l, t, width, height);
    };

    // The frame: black ground, the picture over it, busy and info icons, the error labels.
    Shape1 = Named(new Shape(Shape::Kind::Rectangle, this), "Shape1");
    place(Shape1, kFrame.Left, kFrame.Top, kFrame.Width, kFrame.Height);
    Label4 = Named(new QLabel(this), "Label4");
    Label4->setAutoFillBackground(true);
    QPalette black = Label4->palette();
    black.setColor(QPalette::Window, Qt::black);
    Label4->setPalette(black);
    Label4->setToolTip(kFullscreenTip);
    place(Label4, kFrame.Left, kFrame.Top, kFrame.Width, kFrame.Height);
    ImagNT1 = Named(new ImageBox(screen, this), "ImagNT1");
    ImagNT1->setToolTip(kFullscreenTip);
    ImagNT1->SetTwips(QRectF(kFrame.Left, kFrame.Top, kFrame.Width, kFrame.Height));
    Label2 = Named(new QLabel(QStringLiteral("Error #Err.Number"), this), "Label2");
    WhiteOnBlack(Label2);
    QFont big = Label2->font();
    big.setPointSize(14);
    big.setBold(true);
    Label2->setFont(big);
    place(Label2, 120, 600, 4665, 570);
    Label2->hide();
    // Long texts wrap inside the frame: the label reaches down to the frame's bottom edge.
    Label3 = Named(new WrapLabel(QStringLiteral("Err.Description"), this), "Label3");
    WhiteOnBlack(Label3);
    place(Label3, 165, 1200, 4605, kFrame.Top + kFrame.Height - 1200);
    Label3->hide();
    Image1 = Named(new ImageBox(screen, this), "Image1");
    Image1->SetStretch(true);
    Image1->SetPicture(QImage(QStringLiteral(":/orlisk/busy.png")));
    Image1->SetTwips(QRectF(240, 240, 480, 480));
    Image1->hide();
    Image2 = Named(new ImageBox(screen, this), "Image2");
    Image2->SetStretch(true);
    Image2->SetPicture(QImage(QStringLiteral(":/orlisk/info.png")));
    Image2->SetTwips(QRectF(4200, 3120, 480, 480));
    Image2->setToolTip(QStringLiteral("Info about Orlisk"));
    Image2->setCursor(Qt::PointingHandCursor);

    Combo1 = Named(new QComboBox(this), "Combo1");
    place(Combo1, 120, 3900, 3735, 315);
    Command1 = Named(new QPushButton(QStringLiteral("..."), this), "Command1");
    place(Command1, 3960, 3885, 375, 315);
    Command2 = Named(new GlyphButton(QStringLiteral("q"), this), "Command2");
    QFont glyph = Command2->font();
    glyph.setPointSize(12);
    Command2->setFont(glyph);
    Command2->setToolTip(QStringLiteral("Reload"));
    place(Command2, 4440, 3885, 375, 315);

    Text1 = Named(new QLineEdit(QStringLiteral("10"), this), "Text1");
    // The spinner takes the right end of its buddy, as an attached spinner does.
    place(Text1, 120, 4530, 300, 285);
    UpDown1 = Named(new UpDown(this), "UpDown1");
    UpDown1->SetRange(0, 60);
    UpDown1->SetValue(10);
    place(UpDown1, 420, 4530, 240, 285);
    Label1 = Named(new QLabel(QStringLiteral("Seconds until Refresh"), this), "Label1");
    place(Label1, 720, 4560, 1695, 255);
    Check1 = Named(new QCheckBox(QStringLiteral("Change every           seconds"), this), "Check1");
    place(Check1, 2400, 4320, 2415, 285);
    // A font wider than the one the window was laid out for must not cut the caption off.
    Check1->resize(
        std::max(Check1->width(), std::min(Check1->sizeHint().width(), width() - Check1->x())),
        Check1->height());
    // Text2 sits in the gap of Check1's caption.
    Text2 = Named(new QLineEdit(QStringLiteral("60"), this), "Text2");
    Text2->setFrame(false);
    Text2->setAlignment(Qt::AlignCenter);
    Text2->setTextMargins(0, 0, 0, 0);
    QPalette face = Text2->palette();
    face.setColor(QPalette::Base, face.color(QPalette::Button));
    face.setColor(QPalette::Text, face.color(QPalette::ButtonText));
    Text2->setPalette(face);
    place(Text2, 3720, 4365, 375, 200);
    // The gap in Check1's caption moves with the font's widths, so Text2 is centred on it.
    QStyleOptionButton option;
    option.initFrom(Check1);
    const QFontMetrics metrics(Check1->font());
    const int gapLeft =
        Check1->x() + Check1->style()->pixelMetric(QStyle::PM_IndicatorWidth, &option, Check1) +
        Check1->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, &option, Check1) +
        metrics.horizontalAdvance(QStringLiteral("Change every"));
    const int gapWidth = metrics.horizontalAdvance(QString(11, QLatin1Char(' ')));
    Text2->move(gapLeft + (gapWidth - Text2->width()) / 2, Text2->y());
    Check2 = Named(new QCheckBox(QStringLiteral("Blur Effect"), this), "Check2");
    Check2->setChecked(true);
    place(Check2, 2400, 4680, 1095, 255);
    StatusBar1 = Named(new QStatusBar(this), "StatusBar1");
    StatusBar1->setSizeGripEnabled(false);
    place(StatusBar1, 0, 4935, 4935, 255);

    Text3 = Named(new QLineEdit(QStringLiteral("Text3"), this), "Text3");
    Text3->hide();
    BlurEffect = Named(new QLabel(QStringLiteral("1"), this), "BlurEffect");
    BlurEffect->hide();
    Label5 = Named(new QLabel(QStringLiteral("0"), this), "Label5");
    Label5->hide();
    Timer1 = Named(new QTimer(this), "Timer1");
    Timer1->setInterval(10000);
    Timer2 = Named(new QTimer(this), "Timer2");
    Timer2->setInterval(60000);

    m_cams = std::make_unique<CamLists>(store, *form3.List1, *Combo1, *form2.Combo1);
    form3.Attach(CamDialogLinks{this, Combo1, form2.Combo1, m_cams.get(), platform.boxes,
                                [this] { ShowNoCameras(); }});

    connect(Timer1, &QTimer::timeout, this, &Form1::Timer1Timer);
    connect(Timer2, &QTimer::timeout, this, &Form1::Timer2Timer);
    connect(Combo1, &QComboBox::currentIndexChanged, this, &Form1::Combo1Click);
    connect(Check1, &QCheckBox::clicked, this, &Form1::Check1Click);
    connect(Check2, &QCheckBox::clicked, this, &Form1::Check2Click);
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2Click);
    connect(Image2, &ImageBox::Click, this, &Form1::Image2Click);
    connect(Text1, &QLineEdit::textChanged, this, &Form1::Text1Change);
    connect(Text2, &QLineEdit::textChanged, this, &Form1::Text2Change);
    connect(UpDown1, &UpDown::Change, this, &Form1::UpDown1Change);
    UpDown1->SetBuddyValue([this] { return static_cast<int>(LeadingNumber(Text1->text())); });
    Text1->installEventFilter(this);
    Text2->installEventFilter(this);
    connect(ImagNT1, &ImageBox::DblClick, this, &Form1::ImagNT1DblClick);
    // The frame and the error labels over it take the double click too, so that fullscreen is
    // reached with or without a picture.
    for (QLabel* frame : {Label4, Label2, Label3})
        frame->installEventFilter(this);
    // The fullscreen window's picture step looks at the address and the blur switch.
    connect(Text3, &QLineEdit::textChanged, &form2, &Form2::StateChanged);
    connect(Check2, &QCheckBox::toggled, &form2, &Form2::StateChanged);
    form2.SetMainWindow(this);
    // The interval boxes keep the focus once typed into; their caret must not keep the idle
    // program awake.
    m_caretRest = std::make_unique<CaretRest>(nullptr);
}

Form1::~Form1() {
    m_form2.SetMainWindow(nullptr);
}

void Form1::FormLoad() {
    Timer1->start();
    if (GetColorDepth(*m_platform.screen) < 32) {
        m_platform.boxes->Show(
            this,
            QStringLiteral("Your actual color depth is less than 32bit. The Blur-Effect, which "
                           "smoothers the WebCam picture, can't be applied and will be switched "
                           "off."),
            QStringLiteral("Color Depth Error"), MessageBoxes::Icon::Critical,
            MessageBoxes::Buttons::Ok, MessageBoxes::Answer::Ok);
        Check2->setChecked(false);
        BlurEffect->setText(QStringLiteral("0"));
    }
    m_platform.random->Randomize();
    m_form2.SetSizeTwips(m_platform.screen->WidthTwips(), m_platform.screen->HeightTwips());
    m_cams->LoadCamList();
    const int n = m_form3.List1->count();
    if (n > 0) {
        const int i = static_cast<int>(m_platform.random->Rnd() * n);
        Combo1->setCurrentText(Combo1->itemText(i));
        m_form2.Combo1->setCurrentText(m_form2.Combo1->itemText(i));
    }
    Text1->setText(QString::number(Timer1->interval() / 1000));
    Timer1Timer();
    if (m_splash)
        m_splash->hide();
}

void Form1::Timer1Timer() {
    if (m_form2.Combo1->count() == 0) {
        ShowNoCameras();
        return;
    }
    m_form2.Image2->show();
    m_form2.Picture1->SetPicture(ImagNT1->Picture());
    const QString description = m_form2.Combo1->currentText();
    if (const auto address = m_store.FindCamUrl(description, Match::Last)) {
        m_form2.Label5->setText(description);
        m_form2.Label1->setText(description);
        m_form2.Label4->setText(RefreshStatusLine(m_platform.clock->Now(), m_form2.Label7->text()));
        Text3->setText(*address);
    }
    Image1->show();
    GetRESOURCE(Text3->text());
    unsetCursor();
    m_form2.Label8->setText(QStringLiteral("0"));
    m_form2.Refreshed();
}

void Form1::GetRESOURCE(const QString& address) {
    const double start = m_platform.clock->SecondsOfDay();
    setCursor(Qt::WaitCursor);
    QCoreApplication::processEvents();

    Failure failure;
    QByteArray body;
    QImage picture;
    QString name;
    DataFileName(name);
    bool ok = m_platform.inet->OpenURL(address, body, failure);
    if (ok) {
        QString error;
        ok = WriteDataFile(name, body, error);
        if (!ok)
            failure = Failure{ErrorNumber::FileWrite, QStringLiteral("Cannot write ") + name +
                                                          QStringLiteral(": ") + error};
    }
    // The bytes just written are the head of "data.dat"; the loader reads them from memory.
    ok = ok && m_platform.pictures->LoadPicture(body, picture, failure);

    if (ok) {
        // The fullscreen image: its own size first, then scaled to the screen and centred.
        ImageBox& image3 = *m_form2.Image3;
        image3.hide();
        m_form2.Picture1->SetPicture(picture);
        image3.SetPicture(picture);
        image3.SetStretch(false);
        image3.SetTwips(QRectF(0, 0, image3.Twips().width(), image3.Twips().height()));
        const TwipsRect screenFit =
            FitIntoFrame(TwipsRect{0, 0, static_cast<float>(m_form2.WidthTwips()),
                                   static_cast<float>(m_form2.HeightTwips())},
                         static_cast<float>(image3.Twips().width()),
                         static_cast<float>(image3.Twips().height()));
        image3.SetStretch(true);
        image3.SetTwips(QRectF(screenFit.Left, screenFit.Top, screenFit.Width, screenFit.Height));
        image3.show();

        // The main window's image, fitted into the frame.
        ImagNT1->hide();
        ImagNT1->SetStretch(false);
        ImagNT1->SetPicture(picture);
        ImagNT1->SetStretch(true);
        const TwipsRect frameFit =
            FitIntoFrame(kFrame, static_cast<float>(ImagNT1->Twips().width()),
                         static_cast<float>(ImagNT1->Twips().height()));
        ImagNT1->SetTwips(QRectF(frameFit.Left, frameFit.Top, frameFit.Width, frameFit.Height));

        m_form2.Picture1->SetPicture(picture);
        Image1->hide();
        Label2->hide();
        Label3->hide();
        ClearFrameTip();
        ImagNT1->show();
        m_form2.Image2->hide();
        m_form2.Timer2->stop();
        m_form2.Label2->hide();
        m_form2.Label3->hide();
    } else if (failure.Number == ErrorNumber::Busy) {
        // An earlier request still runs: nothing to report, the view stays as it was.
        Label2->hide();
        Label3->hide();
        ClearFrameTip();
        ImagNT1->show();
        m_form2.Image3->show();
        m_form2.Timer2->stop();
        m_form2.Label2->hide();
        m_form2.Label3->hide();
    } else {
        ShowFailure(failure.Number, failure.Description);
    }

    const int n = ElapsedSeconds(start, m_platform.clock->SecondsOfDay());
    m_form2.Label7->setText(QString::number(n));
    m_form2.Label4->setText(DownloadStatusLine(m_platform.clock->Now(), n));
    m_form2.StateChanged();
}

void Form1::ShowFailure(int number, const QString& description) {
    ShowInFrame(QStringLiteral("Error #") + QString::number(std::abs(number)) + QStringLiteral(" "),
                description);
    m_form2.Timer2->start();
    m_form2.Picture1->SetPicture(ImagNT1->Picture());
}

void Form1::ShowNoCameras() {
    Lines lines;
    QString reason;
    if (m_store.Read(lines, &reason) == CamListStore::ReadStatus::Unreadable)
        ShowInFrame(QStringLiteral("No camera"),
                    QStringLiteral("The WebCam list \"Cams.inf\" cannot be read: ") + reason);
    else
        ShowInFrame(QStringLiteral("No camera"),
                    QStringLiteral("The camera list is empty. To add a camera, click the "
                                   "\"...\" button below the picture, then \"Add...\"."));
    // Nothing is being fetched, and nothing blinks.
    Image1->hide();
    m_form2.Image2->hide();
    m_form2.Timer2->stop();
    m_form2.Label2->hide();
    m_form2.StateChanged();
}

void Form1::ShowInFrame(const QString& heading, const QString& text) {
    Label2->setText(heading);
    m_form2.Label2->setText(heading);
    Label3->setText(text);
    m_form2.Label3->setText(text);
    Label3->setToolTip(text);
    Label4->setToolTip(text);
    Label2->show();
    Label3->show();
    m_form2.Label3->show();
    ImagNT1->hide();
    m_form2.Image3->hide();
}

void Form1::ClearFrameTip() {
    Label3->setToolTip(QString());
    Label4->setToolTip(kFullscreenTip);
}

void Form1::Timer2Timer() {
    m_platform.random->Randomize();
    const int n = Combo1->count();
    // With fewer than two cameras there is no other camera to change to.
    if (n < 2)
        return;
    int i = 0;
    do {
        i = static_cast<int>(m_platform.random->Rnd() * n);
    } while (i == Combo1->currentIndex());
    m_form2.Combo1->setCurrentText(Combo1->itemText(i));
    if (Combo1->currentText() != m_form2.Combo1->currentText())
        Combo1->setCurrentText(m_form2.Combo1->currentText());
}

void Form1::Combo1Click() {
    m_form2.Combo1->setCurrentIndex(Combo1->currentIndex());
}

void Form1::ImagNT1DblClick() {
    // Becoming maximized is what hands the view over (changeEvent).
    setWindowState(Qt::WindowMaximized);
    hide();
}

void Form1::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    const auto old = static_cast<QWindowStateChangeEvent*>(event)->oldState();
    if (windowState().testFlag(Qt::WindowMaximized) && !old.testFlag(Qt::WindowMaximized))
        EnterFullscreen();
}

void Form1::EnterFullscreen() {
    Form2& form2 = m_form2;
    form2.setGeometry(QRect(QPoint(0, 0), m_platform.screen->SizePixels()));
    hide();
    const double w = form2.WidthTwips();
    const double h = form2.HeightTwips();
    QRectF number = form2.Twips(form2.Label2);
    QRectF text = form2.Twips(form2.Label3);
    number.moveTo(w / 2 - number.width() / 2, h / 2 - number.height() / 2 - (text.height() + 120));
    text.moveTo(w / 2 - text.width() / 2, h / 2 - text.height() / 2 + 240);
    form2.SetTwips(form2.Label2, number);
    form2.SetTwips(form2.Label3, text);
    form2.show();
    form2.raise();
    form2.activateWindow();
    Ueberpruefen();

    m_platform.random->Randomize();
    const int last = Label5->text().toInt();
    int n = 0;
    do {
        n = static_cast<int>(m_platform.random->Rnd() * 4) + 1;
    } while (n == last);
    Label5->setText(QString::number(n));
    const auto& [light, dark] = kSchemes[static_cast<std::size_t>(n - 1)];
    form2.Shape1->SetFillColor(dark);
    form2.Shape1->SetBorderColor(light);
    form2.Shape2->SetFillColor(dark);
    form2.Line1->SetColor(light);
    form2.Shape3->SetFillColor(dark);
    form2.Shape3->SetBorderColor(dark);
    form2.Shape4->SetFillColor(light);
    form2.Shape5->SetBorderColor(light);
    form2.Shape6->SetFillColor(dark);
    form2.SetPickerBackground(dark);
}

void Form1::Ueberpruefen() {
    if (m_form2.Command1->Caption() != QStringLiteral("4"))
        m_form2.CollapsePanel();
    else
        m_form2.ExpandPanel();
}

void Form1::Check1Click() {
    if (Check1->isChecked())
        Timer2->start();
    else
        Timer2->stop();
}

void Form1::Check2Click() {
    if (Check2->isChecked() && BlurEffect->text().toDouble() == 0)
        m_platform.boxes->Show(this,
                               QStringLiteral("The Blur-Effect may not apply as it should be, "
                                              "because of your actual colour depth!"),
                               QStringLiteral("Blur Effect Information"),
                               MessageBoxes::Icon::Information, MessageBoxes::Buttons::Ok,
                               MessageBoxes::Answer::Ok);
}

void Form1::Command1Click() {
    m_form3.SelectRow(Combo1->currentIndex());
    m_form3.Open();
}

void Form1::Image2Click() {
    if (!m_about)
        m_about = new About(*m_platform.screen, m_platform.shell, this);
    ShowInFront(m_about);
}

void Form1::Command2Click() {
    Timer1Timer();
}

void Form1::Text1Change() {
    const IntervalRepair repair = RepairRefreshInterval(Text1->text());
    if (repair.text) {
        Text1->setText(*repair.text);
        return;
    }
    // An interval that rounds to 0 ms stops the refresh, as a zero interval does, instead of
    // fetching without pause.
    if (*repair.intervalMs == 0) {
        Timer1->stop();
        return;
    }
    Timer1->start(*repair.intervalMs);
}

void Form1::Text2Change() {
    const IntervalRepair repair = RepairChangeInterval(Text2->text());
    if (repair.text) {
        Text2->setText(*repair.text);
        return;
    }
    Timer2->setInterval(*repair.intervalMs);
}

void Form1::UpDown1Change() {
    Text1->setText(QString::number(UpDown1->Value()));
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == Label4 || watched == Label2 || watched == Label3) &&
        event->type() == QEvent::MouseButtonDblClick &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        ImagNT1DblClick();
        return true;
    }
    auto* box = qobject_cast<QLineEdit*>(watched);
    if (box && (box == Text1 || box == Text2)) {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Up || key == Qt::Key_Down) {
                if (const auto text = StepByArrow(box->text(), key == Qt::Key_Up))
                    box->setText(*text);
                return true;
            }
        } else if (event->type() == QEvent::FocusIn && box == Text1) {
            QTimer::singleShot(0, Text1, &QLineEdit::selectAll);
        }
    }
    return QWidget::eventFilter(watched, event);
}

void Form1::DataFileName(QString& name) const {
    name = DataFilePath();
}

void Form1::showEvent(QShowEvent* event) {
    // The window opens at the top left corner of the screen. A message box shown during the
    // start-up (the colour depth) has already made the native window, which a window manager
    // would then place by itself: it is told the corner before it is mapped.
    if (!m_placed && !event->spontaneous()) {
        m_placed = true;
        move(0, 0);
        if (QWindow* window = windowHandle())
            window->setFramePosition(QPoint(0, 0));
    }
    QWidget::showEvent(event);
}

void Form1::closeEvent(QCloseEvent* event) {
    event->ignore();
    FormQueryUnload();
}

void Form1::FormQueryUnload() {
    QString name;
    DataFileName(name);
    QFile::remove(name); // a missing file is no reason to stay
    setVisible(false);
    hide();
    if (m_platform.endProgram)
        m_platform.endProgram();
}

} // namespace orlisk
