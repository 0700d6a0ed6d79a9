// The camera list dialogs, the splash and the About window, driven offscreen with the main window.
#include "cameras/About.h"
#include "cameras/Form4.h"
#include "cameras/Loading.h"
#include "platform/Controls.h"
#include "support/TempDir.h"
#include "support/WindowFixture.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace orlisk;

namespace {

const QByteArray kThree = "Zoo\r\nhttp://127.0.0.1:9/zoo.jpg\r\n"
                          "Alpha\r\nhttp://127.0.0.1:9/a1.jpg\r\n"
                          "Beta\r\nhttp://127.0.0.1:9/beta.jpg\r\n";
const QByteArray kDelta = "Delta\r\nhttp://d/1.jpg\r\n";

QByteArray Cams() {
    return QByteArray::fromStdString(testsupport::ReadFileBytes("Cams.inf"));
}

class CamDialogs : public test::WindowFixture {
protected:
    // Nothing listens on the discard port: every refresh fails at once.
    void Start(const QByteArray& cams = kThree) {
        ASSERT_TRUE(testsupport::WriteFileBytes("Cams.inf", cams.toStdString()));
        inet.SetRequestTimeout(500);
        WindowFixture::Start();
        QTest::mouseClick(form1->Command1, Qt::LeftButton); // "..."
    }
    void Select(const QString& description) {
        const auto item = form3->List1->findItems(description, Qt::MatchExactly).value(0);
        QTest::mouseClick(form3->List1->viewport(), Qt::LeftButton, {},
                          form3->List1->visualItemRect(item).center());
    }
    Form4& OpenForm4(QPushButton* button) {
        button->click();
        EXPECT_NE(form3->CurrentForm4(), nullptr);
        return *form3->CurrentForm4();
    }
    Form4& Add(const QString& title, const QString& url) {
        Form4& form4 = OpenForm4(form3->Command1);
        form4.Text1->setText(title);
        form4.Text2->setText(url);
        form4.Command1->click();
        return form4;
    }
};

} // namespace

TEST_F(CamDialogs, ControlsSitAtTheirTwipsPlacesWithTheirCaptions) {
    Start();
    Form4& form4 = OpenForm4(form3->Command1);
    // At 96 DPI a pixel is 15 twips; a window's caption is its title; labels keep their own size.
    const struct {
        QWidget* control;
        QRect place;
        const char* caption;
    } cases[] = {
        {form3.get(), {0, 0, 265, 257}, "WebCam list"},
        {form3->List1, {8, 8, 169, 238}, ""},
        {form3->Command1, {184, 8, 73, 25}, "&Add..."},
        {form3->Command3, {184, 32, 73, 25}, "&Edit..."},
        {form3->Command2, {184, 56, 73, 25}, "&Remove"},
        {form3->Command4, {184, 224, 73, 25}, "&Ok"},
        {&form4, {0, 0, 314, 129}, "WebCam"},
        {form4.Label1, {8, 8, 0, 0}, "Title"},
        {form4.Text1, {8, 24, 297, 19}, ""},
        {form4.Label2, {8, 48, 0, 0}, "URL"},
        {form4.Text2, {8, 64, 297, 19}, ""},
        {form4.Frame1, {8, 88, 297, 2}, ""},
        {form4.Command2, {192, 96, 57, 25}, "&Cancel"},
        {form4.Command1, {248, 96, 57, 25}, "&Ok"},
    };
    for (const auto& [control, place, caption] : cases) {
        const QRect at = control->isWindow() ? control->rect() : control->geometry();
        EXPECT_EQ(place.isEmpty() ? QRect(at.topLeft(), QSize(0, 0)) : at, place)
            << control->objectName().toStdString();
        EXPECT_EQ(
            (control->isWindow() ? QVariant(control->windowTitle()) : control->property("text"))
                .toString(),
            QString::fromLatin1(caption));
    }
}

TEST_F(CamDialogs, TheListFollowsTheMainWindowAndAClickSwitchesIt) {
    random.values = {0.5}; // "Beta"
    Start();
    EXPECT_TRUE(form3->isVisible());
    EXPECT_EQ(form3->SelectedDescription(), QStringLiteral("Beta"));
    Select(QStringLiteral("Zoo"));
    EXPECT_EQ(form1->Combo1->currentText(), QStringLiteral("Zoo"));
    form3->List1->clearSelection(); // the main window's camera is selected again
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return form3->SelectedDescription() == QStringLiteral("Zoo"); }));

    // Closing the dialog is its Ok: hidden, never unloaded, the timer stopped.
    form1->hide();
    form3->close();
    EXPECT_FALSE(form3->isVisible() || form3->Timer1->isActive());
    EXPECT_TRUE(form1->isVisible());
}

TEST_F(CamDialogs, AddAppendsTheCameraAsksBeforeOverwritingAndSwitchesToIt) {
    Start();
    Form4& form4 = OpenForm4(form3->Command1);
    form4.Text1->setText(QStringLiteral("old"));
    form4.Command2->click(); // Cancel writes nothing
    EXPECT_FALSE(form4.isVisible());

    Add(QStringLiteral("Delta"), QStringLiteral("http://d/1.jpg"));
    EXPECT_EQ(Cams(), kThree + kDelta);
    EXPECT_EQ(form3->List1->item(2)->text(), QStringLiteral("Delta")); // sorted in
    EXPECT_EQ(form2->Combo1->currentText(), QStringLiteral("Delta"));

    // No keeps the dialog open with what was typed; Yes replaces the address in its place.
    boxes.answers = {MessageBoxes::Answer::No, MessageBoxes::Answer::Yes};
    Add(QStringLiteral("Beta"), QStringLiteral("http://b/2.jpg"));
    EXPECT_TRUE(form4.isVisible());
    EXPECT_EQ(Cams(), kThree + kDelta);
    form4.Command1->click();
    EXPECT_EQ(boxes.calls.size(), 2);
    EXPECT_EQ(Cams(),
              QByteArray(kThree + kDelta).replace("http://127.0.0.1:9/beta.jpg", "http://b/2.jpg"));
}

TEST_F(CamDialogs, EditShowsTheFirstEntryAndRewritesEveryEntryOfThatTitle) {
    Start(kThree + "Alpha\r\nhttp://127.0.0.1:9/a2.jpg\r\n");
    Select(QStringLiteral("Alpha"));
    Form4& form4 = OpenForm4(form3->Command3);
    EXPECT_EQ(form4.Text2->text(), QStringLiteral("http://127.0.0.1:9/a1.jpg"));
    form4.Text1->setText(QStringLiteral("Apple"));
    form4.Text2->setText(QStringLiteral("http://x/a.jpg"));
    form4.Command1->click();
    EXPECT_TRUE(boxes.calls.isEmpty());
    EXPECT_EQ(Cams(), "Zoo\r\nhttp://127.0.0.1:9/zoo.jpg\r\nApple\r\nhttp://x/a.jpg\r\n"
                      "Beta\r\nhttp://127.0.0.1:9/beta.jpg\r\nApple\r\nhttp://x/a.jpg\r\n");
    EXPECT_EQ(form1->Combo1->currentText(), QStringLiteral("Apple"));
}

TEST_F(CamDialogs, RemoveAsksAndDropsTheCameraOnlyOnYes) {
    random.values = {0.99}; // "Zoo"
    Start();
    Select(QStringLiteral("Beta"));
    boxes.answers = {MessageBoxes::Answer::No};
    form3->Command2->click();
    EXPECT_EQ(Cams(), kThree);
    form3->Command2->click(); // the default button
    ASSERT_EQ(boxes.calls.size(), 2);
    const auto& asked = boxes.calls[1];
    EXPECT_EQ(asked.text,
              QStringLiteral("Do you really want to remove 'Beta' from your WebCam list?"));
    EXPECT_EQ(asked.title, QStringLiteral("Remove WebCam"));
    EXPECT_EQ(asked.defaultButton, MessageBoxes::Answer::Yes);
    EXPECT_EQ(Cams(),
              "Zoo\r\nhttp://127.0.0.1:9/zoo.jpg\r\nAlpha\r\nhttp://127.0.0.1:9/a1.jpg\r\n");
}

TEST_F(CamDialogs, RemovingTheLastCameraLeavesEmptyListsAndTheProgramRunning) {
    Start("Solo\r\nhttp://127.0.0.1:9/s.jpg\r\n");
    form3->Command2->click();
    EXPECT_EQ(Cams(), QByteArray());
    EXPECT_EQ(form2->Combo1->count(), 0);
    // The frame says so at once, not only at the next refresh.
    EXPECT_TRUE(form1->Label3->text().startsWith(QStringLiteral("The camera list is empty.")));
    // The dialog's try to select a row in the empty list has run.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form3->Timer1->isActive(); }));
    form1->Command2->click(); // a refresh without a camera
    form3->Command3->click(); // nothing selected: nothing to edit or remove
    form3->Command2->click();
    EXPECT_EQ(boxes.calls.size(), 1);
    Add(QStringLiteral("New"), QStringLiteral("http://n/1.jpg"));
    EXPECT_EQ(Cams(), "New\r\nhttp://n/1.jpg\r\n");
    EXPECT_EQ(form1->Combo1->currentText(), QStringLiteral("New"));
}

TEST_F(CamDialogs, WhatCannotBeSavedIsRefusedWithTheReasonAndTheDialogKept) {
    Start();
    const auto readOnly = QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    const char* notSaved = "The WebCam list \"Cams.inf\" could not be rewritten, so 'Cam' was not "
                           "saved. The list was left as it was";
    const struct {
        const char *title, *url, *says;
        std::function<void()> block;
    } cases[] = {
        {"", "http://x/1.jpg", "Please enter a title", {}},
        {"Cam", "", "Please enter the URL", {}},
        // The list is write-protected.
        {"Cam", "http://x/1.jpg", notSaved,
         [&] { ASSERT_TRUE(QFile::setPermissions(QStringLiteral("Cams.inf"), readOnly)); }},
        // The temporary file's name is taken by a folder.
        {"Cam", "http://x/1.jpg", notSaved,
         [&] {
             QFile::setPermissions(QStringLiteral("Cams.inf"), readOnly | QFileDevice::WriteOwner);
             ASSERT_TRUE(QDir().mkdir(QStringLiteral("C1.DAT")));
         }},
    };
    for (const auto& [title, url, says, block] : cases) {
        boxes.calls.clear();
        if (block)
            block();
        Form4& form4 = Add(QString::fromLatin1(title), QString::fromLatin1(url));
        ASSERT_EQ(boxes.calls.size(), 1);
        EXPECT_TRUE(boxes.calls[0].text.startsWith(QString::fromLatin1(says)))
            << boxes.calls[0].text.toStdString();
        EXPECT_TRUE(form4.isVisible());
        EXPECT_EQ(form4.Text1->text(), QString::fromLatin1(title));
        EXPECT_EQ(Cams(), kThree);
    }
}

TEST_F(CamDialogs, AListThatIsMissingOrUnreadableIsNeitherEditedNorRemoved) {
    Start();
    Select(QStringLiteral("Alpha"));
    for (const bool missing : {true, false})
        for (QPushButton* button : {form3->Command3, form3->Command2}) {
            boxes.calls.clear();
            QFile::remove(QStringLiteral("Cams.inf"));
            QDir().rmdir(QStringLiteral("Cams.inf"));
            if (!missing) {
                ASSERT_TRUE(QDir().mkdir(QStringLiteral("Cams.inf"))); // there, but no file
            }
            button->click();
            ASSERT_EQ(boxes.calls.size(), 1);
            EXPECT_TRUE(boxes.calls[0].text.endsWith(
                QStringLiteral("%1, so 'Alpha' cannot be %2.")
                    .arg(QLatin1String(missing ? "is missing"
                                               : "cannot be read: it is not a regular file"),
                         QLatin1String(button == form3->Command2 ? "removed" : "edited"))))
                << boxes.calls[0].text.toStdString();
            EXPECT_EQ(form3->CurrentForm4(), nullptr);
            EXPECT_EQ(QFileInfo::exists(QStringLiteral("Cams.inf")), !missing);
            EXPECT_EQ(form3->List1->count(), 3);
        }
}

TEST_F(CamDialogs, ClosingTheAddEditDialogDiscardsItWithoutShowingTheList) {
    Start();
    form3->hide();
    QPointer<Form4> form4 = &OpenForm4(form3->Command1);
    form4->Text1->setText(QStringLiteral("Typed"));
    form4->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(form4.isNull());
    EXPECT_FALSE(form3->isVisible());
    EXPECT_EQ(Cams(), kThree);
}

TEST_F(CamDialogs, TheSplashMarqueeScrollsLoadingInFromTheRight) {
    const QString source = QString(17, u' ') + QStringLiteral("Loading...");
    EXPECT_EQ(MarqueeText(source, 1), QString(17, u' ') + QStringLiteral("L"));
    EXPECT_EQ(MarqueeText(source, 18), QStringLiteral("Loading..."));
    EXPECT_EQ(MarqueeText(source, 28), QString());
    Loading loading(screen);
    for (int tick = 0; tick < 28; ++tick)
        loading.Timer2Timer();
    EXPECT_EQ(loading.Label4->text(), QStringLiteral("0")); // a new cycle starts
}

TEST_F(CamDialogs, TheSplashLoadsTheMainWindowAtTheTopLeftAndIsHiddenByIt) {
    ASSERT_TRUE(testsupport::WriteFileBytes("Cams.inf", kThree.toStdString()));
    inet.SetRequestTimeout(500);
    MakeWindows();
    form1->move(200, 100);
    Loading loading(screen);
    form1->SetSplash(&loading);
    bool splashDuringLoad = false;
    loading.SetMainWindow(form1.get(), [&] {
        splashDuringLoad = loading.isVisible() && !form1->isVisible();
        form1->FormLoad();
    });
    loading.show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return form1->isVisible() && !loading.isVisible(); }));
    EXPECT_TRUE(splashDuringLoad);
    EXPECT_TRUE(form1->isVisible());
    EXPECT_EQ(form1->pos(), QPoint(0, 0));
    EXPECT_EQ(form1->Combo1->count(), 3);
    EXPECT_FALSE(loading.isVisible() || loading.Timer1->isActive() || loading.Timer2->isActive());
}

TEST_F(CamDialogs, AboutShowsTheVersionAndOpensItsLinks) {
    Start();
    QTest::mouseClick(form1->Image2, Qt::LeftButton);
    About* about = form1->AboutWindow();
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->isVisible());
    EXPECT_EQ(about->windowTitle(), QStringLiteral("About Orlisk 2.2.2002"));
    EXPECT_EQ(about->Label2->text(), QStringLiteral("2.2.2002"));
    EXPECT_EQ(about->Label10->palette().color(QPalette::WindowText), QColor(0, 0, 128));
    for (QLabel* link : {about->Label10, about->Label10, about->Label6})
        QTest::mouseClick(link, Qt::LeftButton);
    const QString mail = about->Label10->text(), home = about->Label6->text();
    EXPECT_EQ(shell.opened,
              QStringList({QStringLiteral("mailto:") + mail, QStringLiteral("mailto:") + mail,
                           QStringLiteral("http://") + home}));
    EXPECT_EQ(about->Label10->palette().color(QPalette::WindowText), QColor(128, 0, 128));
    // The same addresses as the program's AppStream metainfo.
    const QByteArray metainfo = QByteArray::fromStdString(
        testsupport::ReadFileBytes(qEnvironmentVariable("TEST_FIXTURES").toStdString() +
                                   "/../../orlisk/data/org.brakmo.Orlisk.metainfo.xml"));
    EXPECT_TRUE(metainfo.contains("<url type=\"homepage\">http://" + home.toUtf8() + "</url>"));
    EXPECT_TRUE(metainfo.contains("<update_contact>" + mail.toUtf8()));

    form1->hide();
    about->Command1->click();
    EXPECT_FALSE(about->isVisible());
    EXPECT_TRUE(form1->isVisible());
}

TEST_F(CamDialogs, EscClosesEachDialogAsItsCancelOrOk) {
    Start();
    QTest::mouseClick(form1->Image2, Qt::LeftButton);
    Form4& form4 = OpenForm4(form3->Command1);
    form4.Text1->setText(QStringLiteral("Typed"));
    const struct {
        const char* name;
        QWidget* dialog;
        QWidget* shown; // what its Cancel or Ok shows
    } dialogs[] = {
        {"WebCam", &form4, form3.get()},
        {"WebCam list", form3.get(), form1.get()},
        {"About", form1->AboutWindow(), form1.get()},
    };
    for (const auto& [name, dialog, shown] : dialogs) {
        shown->hide();
        QTest::keyClick(dialog->focusWidget() ? dialog->focusWidget() : dialog, Qt::Key_Escape);
        EXPECT_TRUE(dialog->isHidden() && shown->isVisible()) << name;
    }
    EXPECT_EQ(Cams(), kThree);
    EXPECT_FALSE(form3->Timer1->isActive());
}
