#include "cameras/About.h"

#include "platform/Controls.h"
#include "platform/Screen.h"
#include "platform/Shell.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

namespace orlisk {

namespace {

const QColor kLink(0, 0, 128);
const QColor kVisited(128, 0, 128);

void SetTextColour(QLabel* label, const QColor& colour) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

} // namespace

About::About(const Screen& screen, Shell* shell, QWidget* form1)
    : QWidget(form1,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_shell(shell), m_form1(form1) {
    InitResources();
    setObjectName(QStringLiteral("About"));
    setWindowTitle(QStringLiteral("About Orlisk 2.2.2002"));
    UseDialogFont(this);
    setFixedSize(screen.ToPixels(4605), screen.ToPixels(3750));
    CentreIn(this, QRect(QPoint(0, 0), screen.SizePixels()));
    const auto place = [&](QWidget* w, double l, double t, double width, double height) {
        PlaceTwips(w, screen, l, t, width, height);
    };
    const auto label = [&](QLabel* l, const char* name, double top, double height) {
        l->setObjectName(QString::fromLatin1(name));
        l->setWordWrap(true);
        place(l, 240, top, 3120, height);
        return l;
    };
    const auto text = [&](const char* name, const QString& caption, double top, double height) {
        return label(new QLabel(caption, this), name, top, height);
    };
    const auto link = [&](const char* name, const char* address, const QString& scheme,
                          double top) {
        auto* l = new ClickLabel(QString::fromLatin1(address), this);
        SetTextColour(l, kLink);
        l->setCursor(Qt::PointingHandCursor);
        connect(l, &ClickLabel::Click, this, [this, l, scheme] { OpenLink(l, scheme); });
        label(l, name, top, 240);
        return l;
    };

    Label1 = text("Label1", QStringLiteral("Orlisk"), 120, 495);
    Label1->setFont(QFont(QStringLiteral("Arial Black"), 18, QFont::Black));
    Label2 = text("Label2", QStringLiteral("2.2.2002"), 615, 255);
    Label2->setFont(QFont(QStringLiteral("Arial"), 9));
    Image1 = new ImageBox(screen, this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->SetStretch(true);
    Image1->SetPicture(QImage(QStringLiteral(":/orlisk/orlisk.png")));
    Image1->SetTwips(QRectF(3840, 180, 480, 480));
    Line1 = new QFrame(this);
    Line1->setObjectName(QStringLiteral("Line1"));
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Sunken);
    place(Line1, 120, 960, 4365, 30);

    Label5 = text("Label5", QStringLiteral("If you need any help visit the product homepage:"),
                  1080, 420);
    Label6 = link("Label6", kHomepage, QStringLiteral("http://"), 1500);
    Label9 =
        text("Label9", QStringLiteral("For questions, suggestions and other things, write a mail:"),
             1860, 420);
    Label10 = link("Label10", kMailAddress, QStringLiteral("mailto:"), 2280);
    Label3 = text("Label3", QStringLiteral("Made by the Orlisk team at Brakmo."), 2760, 240);
    Label4 = text("Label4", QStringLiteral("Thanks to everyone who shares a webcam picture."), 3000,
                  480);
    Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameShape(QFrame::VLine);
    Frame1->setFrameShadow(QFrame::Sunken);
    place(Frame1, 3480, 1080, 30, 2550);
    Command1 = new QPushButton(QStringLiteral("&Ok"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setDefault(true);
    place(Command1, 3600, 3255, 855, 375);
    connect(Command1, &QPushButton::clicked, this, &About::Command1Click);
}

void About::Command1Click() {
    hide();
    if (m_form1)
        m_form1->show();
}

void About::OpenLink(ClickLabel* label, const QString& scheme) {
    if (m_shell)
        m_shell->Open(this, scheme + label->text());
    SetTextColour(label, kVisited);
}

void About::keyPressEvent(QKeyEvent* event) {
    if (!PressOnEnter(event, Command1) && !PressOnEscape(event, Command1))
        QWidget::keyPressEvent(event);
}

} // namespace orlisk
