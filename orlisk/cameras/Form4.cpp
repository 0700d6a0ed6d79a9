#include "cameras/Form4.h"

#include "cameras/CamList.h"
#include "cameras/Form3.h"
#include "platform/Controls.h"
#include "platform/MessageBoxes.h"
#include "platform/Screen.h"

#include <QComboBox>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace orlisk {

namespace {

template <typename T> T* Named(T* control, const char* name) {
    control->setObjectName(QString::fromLatin1(name));
    return control;
}

} // namespace

Form4::Form4(Form3& form3)
    : QWidget(&form3,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_form3(form3) {
    // Closing the window discards it; the next Add or Edit makes a new one.
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("WebCam"));
    UseDialogFont(this);
    const Screen& screen = form3.ScreenInfo();
    setFixedSize(screen.ToPixels(4710), screen.ToPixels(1935));
    CentreIn(this, form3.geometry());
    const auto place = [&](QWidget* w, double l, double t, double width, double height) {
        PlaceTwips(w, screen, l, t, width, height);
    };
    const auto label = [&](const char* name, const QString& text, double top) {
        auto* l = Named(new QLabel(text, this), name);
        l->adjustSize();
        l->move(screen.ToPixels(120), screen.ToPixels(top));
        return l;
    };

    Label1 = label("Label1", QStringLiteral("Title"), 120);
    Text1 = Named(new QLineEdit(this), "Text1");
    place(Text1, 120, 360, 4455, 285);
    Label2 = label("Label2", QStringLiteral("URL"), 720);
    Text2 = Named(new QLineEdit(this), "Text2");
    place(Text2, 120, 960, 4455, 285);
    Frame1 = Named(new QFrame(this), "Frame1");
    Frame1->setFrameShape(QFrame::HLine);
    Frame1->setFrameShadow(QFrame::Sunken);
    place(Frame1, 120, 1320, 4455, 30);
    Command2 = Named(new QPushButton(QStringLiteral("&Cancel"), this), "Command2");
    place(Command2, 2880, 1440, 855, 375);
    Command1 = Named(new QPushButton(QStringLiteral("&Ok"), this), "Command1");
    place(Command1, 3720, 1440, 855, 375);
    Command1->setDefault(true);
    Label3 = Named(new QLabel(QStringLiteral("0"), this), "Label3");
    Label3->hide();
    // Labels and the frame take no focus: Title, URL, Ok, Cancel.
    setTabOrder(Text1, Text2);
    setTabOrder(Text2, Command1);
    setTabOrder(Command1, Command2);

    connect(Command1, &QPushButton::clicked, this, &Form4::Command1Click);
    connect(Command2, &QPushButton::clicked, this, &Form4::Command2Click);
}

bool Form4::FieldsFilled() {
    // An entry without a description could never be read back, and one without an address
    // could never be fetched.
    const auto refuse = [this](QLineEdit* field, const QString& text) {
        TellProblem(m_form3.Links().boxes, this, text, windowTitle());
        field->setFocus();
        return false;
    };
    if (Text1->text().trimmed().isEmpty())
        return refuse(Text1, QStringLiteral("Please enter a title: it is the name of the WebCam "
                                            "in your WebCam list."));
    if (Text2->text().trimmed().isEmpty())
        return refuse(Text2, QStringLiteral("Please enter the URL of the WebCam's picture: it is "
                                            "the address Orlisk fetches."));
    return true;
}

void Form4::Command1Click() {
    Text1->setFocus();
    if (!FieldsFilled())
        return;
    const CamDialogLinks& links = m_form3.Links();
    if (!links.cams || !links.boxes || !links.form1Combo || !links.form2Combo)
        return; // not attached to a main window
    const QString description = Text1->text();
    const bool edit = Label3->text() == QStringLiteral("1");
    Lines lines;
    QString reason;
    if (links.cams->Store().Read(lines, &reason) == CamListStore::ReadStatus::Unreadable) {
        TellProblem(
            links.boxes, this,
            ListProblemText(ListProblem::Unreadable, description, QStringLiteral("saved"), reason),
            windowTitle());
        return;
    }
    bool declined = false;
    if (!links.cams->SaveCamEntry(
            description, Text2->text(), edit ? SaveMode::Edit : SaveMode::Add,
            edit ? m_form3.SelectedDescription() : QString(), *links.boxes, this,
            [this] { hide(); }, &declined)) {
        if (declined)
            return;
        // The dialog may be hidden already; what was typed must not be lost.
        show();
        TellProblem(links.boxes, this,
                    ListProblemText(ListProblem::NotRewritten, description, QStringLiteral("saved"),
                                    links.cams->Store().LastError()),
                    windowTitle());
        return;
    }
    Text1->setFocus();
    links.form1Combo->setCurrentIndex(0);
    links.form2Combo->setCurrentIndex(0);
    const auto saved =
        m_form3.List1->findItems(description, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (!saved.isEmpty())
        m_form3.SelectRow(m_form3.List1->row(saved.first()));
    ShowInFront(&m_form3);
}

void Form4::Command2Click() {
    Text1->setFocus();
    // In front with the keys, which without a window manager nobody else would give it.
    ShowInFront(&m_form3);
    hide();
}

void Form4::keyPressEvent(QKeyEvent* event) {
    if (!PressOnEnter(event, Command1) && !PressOnEscape(event, Command2))
        QWidget::keyPressEvent(event);
}

} // namespace orlisk
