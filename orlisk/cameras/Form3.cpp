#include "cameras/Form3.h"

#include "cameras/CamList.h"
#include "cameras/Form4.h"
#include "platform/Controls.h"
#include "platform/MessageBoxes.h"
#include "platform/Screen.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace orlisk {

QString ListProblemText(ListProblem problem, const QString& description, const QString& verb,
                        const QString& reason) {
    const QString list = QStringLiteral("The WebCam list \"Cams.inf\" ");
    const QString which = QStringLiteral(", so '") + description + QStringLiteral("' ");
    switch (problem) {
    case ListProblem::Missing:
        return list + QStringLiteral("is missing") + which + QStringLiteral("cannot be ") + verb +
               QStringLiteral(".");
    case ListProblem::Unreadable:
        return list + QStringLiteral("cannot be read: ") + reason + which +
               QStringLiteral("cannot be ") + verb + QStringLiteral(".");
    case ListProblem::NotRewritten:
        break;
    }
    const QString why = reason.isEmpty() ? QString() : QStringLiteral(" (") + reason + u')';
    return list + QStringLiteral("could not be rewritten") + which + QStringLiteral("was not ") +
           verb + QStringLiteral(". The list was left as it was") + why + u'.';
}

void TellProblem(MessageBoxes* boxes, QWidget* parent, const QString& text, const QString& title) {
    if (boxes)
        boxes->Show(parent, text, title, MessageBoxes::Icon::Exclamation, MessageBoxes::Buttons::Ok,
                    MessageBoxes::Answer::Ok);
}

Form3::Form3(const Screen& screen, QWidget* parent)
    : QWidget(parent,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_screen(screen) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("WebCam list"));
    UseDialogFont(this);
    setFixedSize(screen.ToPixels(3975), screen.ToPixels(3855));
    CentreIn(this, QRect(QPoint(0, 0), screen.SizePixels()));
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
    // While the dialog is open, a list left without a selection gets one as soon as the event
    // loop is free; nothing polls for it.
    Timer1->setInterval(0);
    Timer1->setSingleShot(true);

    connect(Timer1, &QTimer::timeout, this, &Form3::Timer1Timer);
    // A changed row (mouse, keys or code) and a click on the selected row both count as a click.
    connect(List1, &QListWidget::currentRowChanged, this, &Form3::List1Click);
    connect(List1, &QListWidget::itemClicked, this, &Form3::List1Click);
    connect(List1, &QListWidget::itemSelectionChanged, this, [this] {
        if (m_open && List1->selectedItems().isEmpty())
            Timer1->start();
    });
    connect(Command1, &QPushButton::clicked, this, &Form3::Command1Click);
    connect(Command3, &QPushButton::clicked, this, &Form3::Command3Click);
    connect(Command2, &QPushButton::clicked, this, &Form3::Command2Click);
    connect(Command4, &QPushButton::clicked, this, &Form3::Command4Click);
}

Form3::~Form3() = default;

Form4* Form3::CurrentForm4() const {
    return m_form4;
}

QString Form3::SelectedDescription() const {
    const QList<QListWidgetItem*> selected = List1->selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

void Form3::SelectRow(int row) {
    if (row < 0 || row >= List1->count())
        return;
    const bool changed = List1->currentRow() != row;
    List1->setCurrentRow(row);
    if (!changed)
        List1Click();
}

void Form3::Timer1Timer() {
    if (List1->selectedItems().isEmpty() && m_links.form1Combo)
        SelectRow(m_links.form1Combo->currentIndex());
}

void Form3::List1Click() {
    const int row = List1->currentRow();
    if (row >= 0 && m_links.form1Combo)
        m_links.form1Combo->setCurrentText(List1->item(row)->text());
}

Form4& Form3::TheForm4() {
    if (!m_form4)
        m_form4 = new Form4(*this);
    return *m_form4;
}

void Form3::Command1Click() {
    Form4& form4 = TheForm4();
    form4.Text1->clear();
    form4.Text2->clear();
    form4.Label3->setText(QStringLiteral("0"));
    ShowInFront(&form4);
}

void Form3::Command3Click() {
    const QString description = SelectedDescription();
    if (description.isEmpty() ||
        !ListReadable(description, QStringLiteral("edited"), QStringLiteral("Edit WebCam")))
        return;
    Form4& form4 = TheForm4();
    form4.Text1->setText(description);
    if (const auto address = m_links.cams->Store().FindCamUrl(description, Match::First))
        form4.Text2->setText(*address);
    form4.Label3->setText(QStringLiteral("1"));
    ShowInFront(&form4);
}

void Form3::Command2Click() {
    const QString description = SelectedDescription();
    const QString title = QStringLiteral("Remove WebCam");
    if (description.isEmpty() || !ListReadable(description, QStringLiteral("removed"), title))
        return;
    const auto answer =
        m_links.boxes->Show(this,
                            QStringLiteral("Do you really want to remove '") + description +
                                QStringLiteral("' from your WebCam list?"),
                            title, MessageBoxes::Icon::Question, MessageBoxes::Buttons::YesNo,
                            MessageBoxes::Answer::Yes);
    if (answer == MessageBoxes::Answer::No)
        return;
    if (!m_links.cams->RemoveCamEntry(description)) {
        TellProblem(m_links.boxes, this,
                    ListProblemText(ListProblem::NotRewritten, description,
                                    QStringLiteral("removed"), m_links.cams->Store().LastError()),
                    title);
        return;
    }
    // With the last camera gone there is no index 0; the pickers simply stay empty.
    m_links.form1Combo->setCurrentIndex(0);
    if (m_links.form1Combo->count() == 0 && m_links.listEmptied)
        m_links.listEmptied();
}

void Form3::Open() {
    m_open = true;
    Timer1->start();
    ShowInFront(this);
}

void Form3::Command4Click() {
    if (m_links.form1)
        m_links.form1->show();
    m_open = false;
    Timer1->stop();
    hide();
}

bool Form3::ListReadable(const QString& description, const QString& verb, const QString& title) {
    if (!m_links.cams || !m_links.boxes || !m_links.form1Combo)
        return false; // not attached to a main window
    Lines lines;
    QString reason;
    switch (m_links.cams->Store().Read(lines, &reason)) {
    case CamListStore::ReadStatus::Ok:
        return true;
    case CamListStore::ReadStatus::Missing:
        TellProblem(m_links.boxes, this, ListProblemText(ListProblem::Missing, description, verb),
                    title);
        return false;
    case CamListStore::ReadStatus::Unreadable:
        break;
    }
    TellProblem(m_links.boxes, this,
                ListProblemText(ListProblem::Unreadable, description, verb, reason), title);
    return false;
}

// The dialog is never unloaded: closing it is its Ok.
void Form3::closeEvent(QCloseEvent* event) {
    event->ignore();
    Command4Click();
}

void Form3::keyPressEvent(QKeyEvent* event) {
    if (!PressOnEnter(event, Command4) && !PressOnEscape(event, Command4))
        QWidget::keyPressEvent(event);
}

} // namespace orlisk
