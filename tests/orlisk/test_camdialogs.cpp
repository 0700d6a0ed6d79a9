// The camera list dialogs, the splash and the About window, driven offscreen with the main window.
#include "cameras/About.h"
#include "cameras/CamList.h"
#include "cameras/Form2.h"
#include "cameras/Form3.h"
#include "cameras/Form4.h"
#include "cameras/Loading.h"
#include "platform/Controls.h"
#include "support/Fakes.h"
#include "support/TempDir.h"
#include "support/WindowFixture.h"
#include "viewer/Form1.h"

#include <QApplication>
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

#include <gtest/gtest.h>

using namespace orlisk;

namespace {

const QByteArray kThree = "Zoo\r\nhttp://127.0.0.1:9/zoo.jpg\r\n"
                          "Alpha\r\nhttp://127.0.0.1:9/a1.jpg\r\n"
                          "Beta\r\nhttp://127.0.0.1:9/beta.jpg\r\n";

QByteArray Cams() {
    return QByteArray::fromStdString(testsupport::ReadFileBytes("Cams.inf"));
}

QString Items(const QListWidget& list) {
    QStringList items;
    for (int i = 0; i < list.count(); ++i)
        items << list.item(i)->text();
    return items.join(u',');
}

QWidget* NextTabStop(QWidget* widget) {
    do
        widget = widget->nextInFocusChain();
    while (!(widget->focusPolicy() & Qt::TabFocus) || !widget->isVisibleTo(widget->window()));
    return widget;
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
        const auto items = form3->List1->findItems(description, Qt::MatchExactly);
        ASSERT_FALSE(items.isEmpty());
        const QRect rect = form3->List1->visualItemRect(items.first());
        QTest::mouseClick(form3->List1->viewport(), Qt::LeftButton, {}, rect.center());
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
    // At 96 DPI a pixel is 15 twips; a window's caption is its title.
    const struct {
        QWidget* control;
        QRect place;
        QString caption;
    } cases[] = {
        {form3.get(), {0, 0, 265, 257}, QStringLiteral("WebCam list")},
        {form3->List1, {8, 8, 169, 238}, {}},
        {form3->Command1, {184, 8, 73, 25}, QStringLiteral("&Add...")},
        {form3->Command3, {184, 32, 73, 25}, QStringLiteral("&Edit...")},
        {form3->Command2, {184, 56, 73, 25}, QStringLiteral("&Remove")},
        {form3->Command4, {184, 224, 73, 25}, QStringLiteral("&Ok")},
        {&form4, {0, 0, 314, 129}, QStringLiteral("WebCam")},
        {form4.Label1,
         {8, 8, form4.Label1->width(), form4.Label1->height()},
         QStringLiteral("Title")},
        {form4.Text1, {8, 24, 297, 19}, {}},
        {form4.Label2,
         {8, 48, form4.Label2->width(), form4.Label2->height()},
         QStringLiteral("URL")},
        {form4.Text2, {8, 64, 297, 19}, {}},
        {form4.Frame1, {8, 88, 297, 2}, {}},
        {form4.Command2, {192, 96, 57, 25}, QStringLiteral("&Cancel")},
        {form4.Command1, {248, 96, 57, 25}, QStringLiteral("&Ok")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.control->objectName().toStdString());
        EXPECT_EQ(c.control->isWindow() ? c.control->rect() : c.control->geometry(), c.place);
        QString caption = c.control->isWindow() ? c.control->windowTitle() : QString();
        if (auto* button = qobject_cast<QAbstractButton*>(c.control))
            caption = button->text();
        else if (auto* label = qobject_cast<QLabel*>(c.control))
            caption = label->text();
        EXPECT_EQ(caption, c.caption);
    }
    EXPECT_TRUE(form4.Label3->isHidden());
    for (const QList<QWidget*>& order :
         {QList<QWidget*>{form3->List1, form3->Command1, form3->Command3, form3->Command2,
                          form3->Command4},
          QList<QWidget*>{form4.Text1, form4.Text2, form4.Command1, form4.Command2}}) {
        for (int i = 0; i + 1 < order.size(); ++i)
            EXPECT_EQ(NextTabStop(order[i]), order[i + 1]) << order[i]->objectName().toStdString();
    }
}

TEST_F(CamDialogs, TheListFollowsTheMainWindowAndAClickSwitchesIt) {
    random.values = {0.5}; // "Beta"
    Start();
    EXPECT_TRUE(form3->isVisible());
    EXPECT_EQ(form3->SelectedDescription(), QStringLiteral("Beta"));
    Select(QStringLiteral("Zoo"));
    EXPECT_EQ(form1->Combo1->currentText(), QStringLiteral("Zoo"));
    EXPECT_EQ(form2->Combo1->currentText(), QStringLiteral("Zoo"));
    form3->List1->clearSelection(); // the timer selects the main window's camera again
    test::Wait(3 * Form2::kFastTickMs);
    EXPECT_EQ(form3->SelectedDescription(), QStringLiteral("Zoo"));

    // Closing the dialog is its Ok: hidden, never unloaded, the timer stopped.
    form1->hide();
    form3->close();
    EXPECT_FALSE(form3->isVisible());
    EXPECT_FALSE(form3->Timer1->isActive());
    EXPECT_TRUE(form1->isVisible());
}

TEST_F(CamDialogs, AddAppendsTheCameraAsksBeforeOverwritingAndSwitchesToIt) {
    Start();
    Form4& form4 = OpenForm4(form3->Command1);
    form4.Text1->setText(QStringLiteral("old"));
    form4.Command2->click(); // Cancel writes nothing
    EXPECT_FALSE(form4.isVisible());

    Add(QStringLiteral("Delta"), QStringLiteral("http://d/1.jpg"));
    EXPECT_EQ(form4.Label3->text(), QStringLiteral("0"));
    EXPECT_FALSE(form4.isVisible());
    EXPECT_EQ(Cams(), kThree + "Delta\r\nhttp://d/1.jpg\r\n");
    EXPECT_EQ(Items(*form3->List1), QStringLiteral("Alpha,Beta,Delta,Zoo"));
    EXPECT_EQ(form3->SelectedDescription(), QStringLiteral("Delta"));
    EXPECT_EQ(form2->Combo1->currentText(), QStringLiteral("Delta"));

    // No keeps the dialog open with what was typed; Yes replaces the address in its place.
    boxes.answers = {MessageBoxes::Answer::No, MessageBoxes::Answer::Yes};
    Add(QStringLiteral("Beta"), QStringLiteral("http://b/2.jpg"));
    EXPECT_TRUE(form4.isVisible());
    EXPECT_EQ(form4.Text2->text(), QStringLiteral("http://b/2.jpg"));
    EXPECT_EQ(Cams(), kThree + "Delta\r\nhttp://d/1.jpg\r\n");
    form4.Command1->click();
    EXPECT_FALSE(form4.isVisible());
    EXPECT_EQ(boxes.calls.size(), 2);
    EXPECT_EQ(Cams(), QByteArray(kThree + "Delta\r\nhttp://d/1.jpg\r\n")
                          .replace("http://127.0.0.1:9/beta.jpg", "http://b/2.jpg"));
}

TEST_F(CamDialogs, EditShowsTheFirstEntryAndRewritesEveryEntryOfThatTitle) {
    Start(kThree + "Alpha\r\nhttp://127.0.0.1:9/a2.jpg\r\n");
    Select(QStringLiteral("Alpha"));
    Form4& form4 = OpenForm4(form3->Command3);
    EXPECT_EQ(form4.Text1->text(), QStringLiteral("Alpha"));
    EXPECT_EQ(form4.Text2->text(), QStringLiteral("http://127.0.0.1:9/a1.jpg"));
    EXPECT_EQ(form4.Label3->text(), QStringLiteral("1"));
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
    EXPECT_EQ(boxes.calls[1].text,
              QStringLiteral("Do you really want to remove 'Beta' from your WebCam list?"));
    EXPECT_EQ(boxes.calls[1].title, QStringLiteral("Remove WebCam"));
    EXPECT_EQ(boxes.calls[1].defaultButton, MessageBoxes::Answer::Yes);
    EXPECT_EQ(Cams(),
              "Zoo\r\nhttp://127.0.0.1:9/zoo.jpg\r\nAlpha\r\nhttp://127.0.0.1:9/a1.jpg\r\n");
    EXPECT_EQ(Items(*form3->List1), QStringLiteral("Alpha,Zoo"));
    EXPECT_EQ(form2->Combo1->currentText(), QStringLiteral("Alpha"));
}

TEST_F(CamDialogs, RemovingTheLastCameraLeavesEmptyListsAndTheProgramRunning) {
    Start("Solo\r\nhttp://127.0.0.1:9/s.jpg\r\n");
    form3->Command2->click();
    EXPECT_EQ(Cams(), QByteArray());
    EXPECT_EQ(form1->Combo1->currentIndex(), -1);
    EXPECT_EQ(form2->Combo1->count(), 0);
    EXPECT_TRUE(form1->Label3->text().startsWith(QStringLiteral("The camera list is empty.")));
    test::Wait(3 * Form2::kFastTickMs);
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
    const QString url = QStringLiteral("http://x/1.jpg");
    const struct {
        QString title, url;
        bool rewriteFails;
        QString says;
    } cases[] = {
        {QString(), url, false, QStringLiteral("Please enter a title")},
        {QStringLiteral("   "), url, false, QStringLiteral("Please enter a title")},
        {QStringLiteral("Cam"), QString(), false, QStringLiteral("Please enter the URL")},
        {QStringLiteral("Cam"), url, true,
         QStringLiteral("The WebCam list \"Cams.inf\" could not be rewritten, so 'Cam' was not "
                        "saved.")},
    };
    for (const auto& c : cases) {
        boxes.calls.clear();
        if (c.rewriteFails) {
            ASSERT_TRUE(QDir().mkdir(QStringLiteral("C1.DAT")));
        }
        Form4& form4 = Add(c.title, c.url);
        ASSERT_EQ(boxes.calls.size(), 1);
        EXPECT_TRUE(boxes.calls[0].text.startsWith(c.says)) << boxes.calls[0].text.toStdString();
        EXPECT_TRUE(form4.isVisible());
        EXPECT_EQ(form4.Text1->text(), c.title);
        EXPECT_EQ(Cams(), kThree);
    }
}

TEST_F(CamDialogs, AListThatIsMissingOrUnreadableIsNeitherEditedNorRemoved) {
    const struct {
        bool missing;
        QPushButton* Form3::*button;
        QString says;
    } cases[] = {
        {true, &Form3::Command3, QStringLiteral("is missing, so 'Alpha' cannot be edited.")},
        {true, &Form3::Command2, QStringLiteral("is missing, so 'Alpha' cannot be removed.")},
        {false, &Form3::Command3, QStringLiteral("cannot be read, so 'Alpha' cannot be edited.")},
        {false, &Form3::Command2, QStringLiteral("cannot be read, so 'Alpha' cannot be removed.")},
    };
    Start();
    Select(QStringLiteral("Alpha"));
    for (const auto& c : cases) {
        boxes.calls.clear();
        QFile::remove(QStringLiteral("Cams.inf"));
        QDir().rmdir(QStringLiteral("Cams.inf"));
        if (!c.missing) {
            ASSERT_TRUE(QDir().mkdir(QStringLiteral("Cams.inf"))); // there, but no file
        }
        (form3.get()->*c.button)->click();
        ASSERT_EQ(boxes.calls.size(), 1);
        EXPECT_TRUE(boxes.calls[0].text.endsWith(c.says)) << boxes.calls[0].text.toStdString();
        EXPECT_EQ(form3->CurrentForm4(), nullptr);
        EXPECT_EQ(QFileInfo::exists(QStringLiteral("Cams.inf")), !c.missing);
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

TEST(Splash, MarqueeScrollsLoadingInFromTheRight) {
    const QString source = QString(17, u' ') + QStringLiteral("Loading...");
    EXPECT_EQ(MarqueeText(source, 1), QString(17, u' ') + QStringLiteral("L"));
    EXPECT_EQ(MarqueeText(source, 18), QStringLiteral("Loading..."));
    EXPECT_EQ(MarqueeText(source, 28), QString());
    test::App();
    test::FakeScreen screen;
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
    test::Wait(1300);
    EXPECT_TRUE(splashDuringLoad);
    EXPECT_TRUE(form1->isVisible());
    EXPECT_EQ(form1->pos(), QPoint(0, 0));
    EXPECT_EQ(form1->Combo1->count(), 3);
    EXPECT_FALSE(loading.isVisible());
    EXPECT_FALSE(loading.Timer1->isActive() || loading.Timer2->isActive());
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
    QTest::mouseClick(about->Label10, Qt::LeftButton);
    QTest::mouseClick(about->Label10, Qt::LeftButton);
    QTest::mouseClick(about->Label6, Qt::LeftButton);
    const QString mail = QStringLiteral("mailto:") + about->Label10->text();
    const QString home = QStringLiteral("http://") + about->Label6->text();
    EXPECT_EQ(shell.opened, QStringList({mail, mail, home}));
    EXPECT_EQ(about->Label10->palette().color(QPalette::WindowText), QColor(128, 0, 128));

    // The same addresses as the program's AppStream metainfo.
    const std::string metainfo =
        testsupport::ReadFileBytes(qEnvironmentVariable("TEST_FIXTURES").toStdString() +
                                   "/../../orlisk/data/org.brakmo.Orlisk.metainfo.xml");
    EXPECT_NE(metainfo.find("<url type=\"homepage\">" + home.toStdString() + "</url>"),
              std::string::npos);
    EXPECT_NE(metainfo.find("<update_contact>" + about->Label10->text().toStdString()),
              std::string::npos);

    form1->hide();
    about->Command1->click();
    EXPECT_FALSE(about->isVisible());
    EXPECT_TRUE(form1->isVisible());
}
