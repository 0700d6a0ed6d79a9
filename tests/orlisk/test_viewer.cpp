// The main window and the download, driven offscreen against a camera server on loopback.
#include "cameras/CamList.h"
#include "cameras/Form2.h"
#include "cameras/Form3.h"
#include "platform/Controls.h"
#include "platform/Inet.h"
#include "platform/PictureLoader.h"
#include "platform/WrapLabel.h"
#include "support/Fakes.h"
#include "support/HttpServer.h"
#include "support/WindowFixture.h"
#include "viewer/Download.h"
#include "viewer/Form1.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace orlisk;
using test::HttpServer;

namespace {

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class Viewer : public test::ServedWindowFixture {
protected:
    void SetUp() override {
        ServedWindowFixture::SetUp();
        inet.SetRequestTimeout(3000);
        server.SetPicture(QStringLiteral("/alpha.jpg"), test::Jpeg(320, 240));
        server.SetPicture(QStringLiteral("/beta.jpg"), test::Jpeg(640, 480));
        server.SetPicture(QStringLiteral("/zoo.jpg"), test::Jpeg(400, 100));
    }

    void WriteThreeCams() {
        WriteCams({{QStringLiteral("Zoo"), QStringLiteral("/zoo.jpg")},
                   {QStringLiteral("Alpha"), QStringLiteral("/alpha.jpg")},
                   {QStringLiteral("Beta"), QStringLiteral("/beta.jpg")}});
    }
};

} // namespace

TEST_F(Viewer, WindowStartsWithItsControlsCaptionsAndTimers) {
    WriteThreeCams();
    Start();
    EXPECT_EQ(form1->windowTitle(), QStringLiteral("Orlisk"));
    EXPECT_EQ(form1->size(), QSize(329, 346)); // 4935 x 5190 twips at 96 DPI
    EXPECT_EQ(form1->Label4->geometry(), QRect(4, 8, 321, 241));
    EXPECT_EQ(form1->Combo1->geometry(), QRect(8, 260, 249, 21));
    EXPECT_EQ(form1->StatusBar1->geometry(), QRect(0, 329, 329, 17));
    EXPECT_EQ(form1->Label4->toolTip(), QStringLiteral("Doubleclick for Fullscreen"));
    EXPECT_EQ(form1->ImagNT1->toolTip(), QStringLiteral("Doubleclick for Fullscreen"));
    EXPECT_EQ(form1->Image2->toolTip(), QStringLiteral("Info about Orlisk"));
    EXPECT_EQ(form1->Command2->toolTip(), QStringLiteral("Reload"));
    EXPECT_EQ(form1->Command2->Caption(), QStringLiteral("q"));
    EXPECT_EQ(form1->Command1->text(), QStringLiteral("..."));
    EXPECT_EQ(form1->Check1->text(), QStringLiteral("Change every           seconds"));
    EXPECT_FALSE(form1->Check1->isChecked());
    EXPECT_EQ(form1->Text2->text(), QStringLiteral("60"));
    EXPECT_EQ(form1->Label1->text(), QStringLiteral("Seconds until Refresh"));
    EXPECT_EQ(form1->Label5->text(), QStringLiteral("0"));
    EXPECT_TRUE(form1->Timer1->isActive());
    EXPECT_EQ(form1->Timer1->interval(), 10000);
    EXPECT_FALSE(form1->Timer2->isActive());
    EXPECT_EQ(form1->Timer2->interval(), 60000);
    EXPECT_EQ(form1->findChild<QLineEdit*>(QStringLiteral("Text1")), form1->Text1);

    // The fullscreen window: hidden, the screen's size, its marks as the first refresh left them,
    // no blinking.
    EXPECT_FALSE(form2->isVisible());
    EXPECT_EQ(form2->size(), QSize(1024, 768));
    EXPECT_EQ(form2->Command1->Caption(), QStringLiteral("4"));
    EXPECT_EQ(form2->Label1->text(), QStringLiteral("Alpha"));
    EXPECT_EQ(form2->windowTitle(), QStringLiteral("Orlisk Fullscreen Window"));
    EXPECT_EQ(form2->Timer1->interval(), 1000);
    EXPECT_EQ(form2->Timer2->interval(), 500);
    EXPECT_FALSE(form2->Timer2->isActive());
    EXPECT_TRUE(form2->TestBild->isHidden());
    EXPECT_FALSE(form2->TestBild->Picture().isNull());
    EXPECT_EQ(form3->windowTitle(), QStringLiteral("WebCam list"));
}

TEST_F(Viewer, StartUpAtThirtyTwoBitsFetchesARandomCameraBeforeShowing) {
    WriteThreeCams();
    random.values = {0.5}; // 1 of 3: "Beta" in sorted order
    clock.now = QTime(8, 30, 15);
    Start();
    EXPECT_TRUE(boxes.calls.isEmpty());
    EXPECT_TRUE(form1->Check2->isChecked());
    EXPECT_EQ(form1->BlurEffect->text(), QStringLiteral("1"));
    EXPECT_GE(random.randomizeCount, 1);
    EXPECT_EQ(form1->Combo1->currentIndex(), 1);
    EXPECT_EQ(form2->Combo1->currentIndex(), 1);
    EXPECT_EQ(form2->Combo1->currentText(), QStringLiteral("Beta"));
    EXPECT_EQ(form1->Text1->text(), QStringLiteral("10"));
    EXPECT_EQ(server.Hits(QStringLiteral("/beta.jpg")), 1);
    EXPECT_EQ(form1->Text3->text(), server.Url(QStringLiteral("/beta.jpg")));
    EXPECT_EQ(form2->Label5->text(), QStringLiteral("Beta"));
    EXPECT_EQ(ReadFile(DataFilePath()), test::Jpeg(640, 480));

    EXPECT_TRUE(form1->ImagNT1->isVisible());
    EXPECT_EQ(form1->ImagNT1->Picture().size(), QSize(640, 480));
    EXPECT_TRUE(form1->Image1->isHidden());
    EXPECT_TRUE(form1->Label2->isHidden());
    EXPECT_TRUE(form2->Image2->isHidden());
    EXPECT_FALSE(form2->Timer2->isActive());
    EXPECT_EQ(form2->Label7->text(), QStringLiteral("0"));
    EXPECT_EQ(form2->Label8->text(), QStringLiteral("0"));
    EXPECT_EQ(form2->Label4->text(), QStringLiteral("Screenshot taken: 08:30:15 ( 0 Sec/Pic )"));
    EXPECT_EQ(form2->Picture1->Picture().size(), QSize(640, 480));
    // 640 x 480 on the 1024 x 768 screen fills it.
    EXPECT_EQ(form2->Image3->geometry(), QRect(0, 0, 1024, 768));
    EXPECT_TRUE(form2->Image3->Stretch());
}

TEST_F(Viewer, LowColourDepthSwitchesTheBlurOffWithOneMessage) {
    for (int depth : {16, 24}) {
        boxes.calls.clear();
        screen.bitsPerPixel = depth;
        WriteThreeCams();
        Start();
        ASSERT_EQ(boxes.calls.size(), 1) << depth;
        EXPECT_EQ(boxes.calls[0].text,
                  QStringLiteral("Your actual color depth is less than 32bit. The Blur-Effect, "
                                 "which smoothers the WebCam picture, can't be applied and will "
                                 "be switched off."));
        EXPECT_EQ(boxes.calls[0].title, QStringLiteral("Color Depth Error"));
        EXPECT_EQ(boxes.calls[0].icon, MessageBoxes::Icon::Critical);
        EXPECT_FALSE(form1->Check2->isChecked());
        EXPECT_EQ(form1->BlurEffect->text(), QStringLiteral("0"));
    }
    // Switching the blur on all the same informs once and keeps the check.
    QTest::mouseClick(form1->Check2, Qt::LeftButton);
    ASSERT_EQ(boxes.calls.size(), 2);
    EXPECT_EQ(boxes.calls[1].text, QStringLiteral("The Blur-Effect may not apply as it should be, "
                                                  "because of your actual colour depth!"));
    EXPECT_EQ(boxes.calls[1].title, QStringLiteral("Blur Effect Information"));
    EXPECT_EQ(boxes.calls[1].icon, MessageBoxes::Icon::Information);
    EXPECT_TRUE(form1->Check2->isChecked());
    QTest::mouseClick(form1->Check2, Qt::LeftButton);
    EXPECT_EQ(boxes.calls.size(), 2) << "switching it off says nothing";
}

TEST_F(Viewer, PicturesAreFittedIntoTheFrameAndOntoTheScreen) {
    WriteThreeCams();
    random.values = {0.0}; // "Alpha", 320 x 240
    screen.size = QSize(1280, 1024);
    Start();
    // Frame: scaled by the width ratio and centred (twips 60, 121.875, 4815, 3611.25).
    EXPECT_FLOAT_EQ(form1->ImagNT1->Twips().width(), 4815);
    EXPECT_NEAR(form1->ImagNT1->Twips().top(), 121.875, 0.01);
    EXPECT_EQ(form1->ImagNT1->geometry(), QRect(4, 8, 321, 241));
    // Screen: 320 x 240 on 1280 x 1024 becomes 1280 x 960, 32 pixels above and below.
    EXPECT_EQ(form2->Image3->geometry(), QRect(0, 32, 1280, 960));

    form1->Combo1->setCurrentIndex(2); // "Zoo", 400 x 100
    form1->Command2->click();
    EXPECT_EQ(form1->ImagNT1->Picture().size(), QSize(400, 100));
    EXPECT_NEAR(form1->ImagNT1->Twips().height(), 4815.0 / 4, 0.01);
    EXPECT_NEAR(form1->ImagNT1->Twips().center().y(), 120 + 3615.0 / 2, 0.01);
}

TEST_F(Viewer, AFailingCameraShowsItsErrorInBothWindowsUntilTheNextGoodPicture) {
    WriteCams({{QStringLiteral("Alpha"), QStringLiteral("/alpha.jpg")},
               {QStringLiteral("Broken"), QStringLiteral("/missing.jpg")},
               {QStringLiteral("Garbage"), QStringLiteral("/garbage.jpg")}});
    server.SetPicture(QStringLiteral("/garbage.jpg"), QByteArray(5000, '\x5a'));
    Start(); // "Alpha"
    // The picture as shown, once the picture timer has blurred it.
    ASSERT_TRUE(PictureShown());
    const QImage good = form1->ImagNT1->Picture();
    EXPECT_TRUE(form1->StatusBar1->currentMessage().startsWith(QStringLiteral("Screenshot")));

    form1->Combo1->setCurrentIndex(1);
    EXPECT_EQ(server.Hits(QStringLiteral("/missing.jpg")), 0) << "a pick fetches nothing at once";
    form1->Command2->click();
    EXPECT_EQ(form1->Label2->text(), QStringLiteral("Error #404 "));
    EXPECT_EQ(form2->Label2->text(), QStringLiteral("Error #404 "));
    EXPECT_EQ(form1->Label3->text(), QStringLiteral("Not Found"));
    EXPECT_EQ(form2->Label3->text(), QStringLiteral("Not Found"));
    EXPECT_TRUE(form1->Label2->isVisible());
    EXPECT_TRUE(form1->Label3->isVisible());
    EXPECT_FALSE(form2->Label3->isHidden());
    EXPECT_TRUE(form1->ImagNT1->isHidden());
    EXPECT_TRUE(form2->Image3->isHidden());
    EXPECT_TRUE(form2->Timer2->isActive()) << "the fullscreen window blinks the number";
    EXPECT_TRUE(form1->Image1->isVisible()) << "the busy icon stays after a failure";
    EXPECT_FALSE(form2->Image2->isHidden());
    EXPECT_EQ(form2->Picture1->Picture(), good) << "the last good picture is the working copy";
    EXPECT_TRUE(QTest::qWaitFor([&] { return form1->StatusBar1->currentMessage().isEmpty(); }))
        << "no status line of a picture that is not there";

    // Bytes that are no picture.
    form1->Combo1->setCurrentIndex(2);
    form1->Command2->click();
    EXPECT_EQ(form1->Label2->text(), QStringLiteral("Error #35770 "));
    EXPECT_EQ(form1->ImagNT1->Picture(), good) << "nothing half-decoded is shown";

    form1->Combo1->setCurrentIndex(0);
    form1->Command2->click();
    EXPECT_TRUE(form1->Label2->isHidden());
    EXPECT_TRUE(form1->Label3->isHidden());
    EXPECT_TRUE(form1->ImagNT1->isVisible());
    EXPECT_TRUE(form1->Image1->isHidden());
    EXPECT_FALSE(form2->Timer2->isActive());
    EXPECT_TRUE(form2->Label2->isHidden());
}

TEST_F(Viewer, ASlowServerTimesOutWithAnError) {
    HttpServer::Route silent;
    silent.behaviour = HttpServer::Behaviour::NeverAnswer;
    server.SetRoute(QStringLiteral("/silent.jpg"), silent);
    WriteCams({{QStringLiteral("Silent"), QStringLiteral("/silent.jpg")}});
    inet.SetRequestTimeout(300);
    clock.stepMs = 0;
    Start();
    EXPECT_EQ(form1->Label2->text(), QStringLiteral("Error #35753 "));
    EXPECT_TRUE(form1->Label3->isVisible());
    // A camera that never worked leaves the status bar empty.
    EXPECT_TRUE(QTest::qWaitFor([&] { return form2->TestBild->isVisibleTo(form2.get()); }));
    EXPECT_EQ(form1->StatusBar1->currentMessage(), QString());
}

TEST_F(Viewer, ThePictureFileLivesInTheCacheFolderNeverInTheStartFolder) {
    // The user's own file of that name in the folder the program starts in.
    QFile mine(QStringLiteral("data.dat"));
    ASSERT_TRUE(mine.open(QIODevice::WriteOnly));
    mine.write("mine");
    mine.close();
    WriteThreeCams();
    Start();
    EXPECT_EQ(DataFilePath(), cache.filePath(QStringLiteral("orlisk/data.dat")));
    EXPECT_TRUE(QFile::exists(DataFilePath()));
    form1->close();
    EXPECT_FALSE(QFile::exists(DataFilePath()));
    EXPECT_EQ(ReadFile(QStringLiteral("data.dat")), "mine");
    EXPECT_EQ(QDir().entryList(QDir::Files),
              QStringList({QStringLiteral("Cams.inf"), QStringLiteral("data.dat")}));
}

TEST_F(Viewer, ACacheFolderThatCannotBeMadeIsNamedInTheError) {
    // A file where the cache folder should be: no folder can be made below it, root or not.
    const QString blocked = cache.filePath(QStringLiteral("file"));
    ASSERT_TRUE(QFile(blocked).open(QIODevice::WriteOnly));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(blocked));
    WriteThreeCams();
    Start();
    EXPECT_EQ(form1->Label2->text(), QStringLiteral("Error #35771 "));
    EXPECT_TRUE(form1->Label3->text().startsWith(QStringLiteral("Cannot write ") + blocked +
                                                 QStringLiteral("/orlisk/data.dat: ")))
        << form1->Label3->text().toStdString();
    EXPECT_TRUE(form1->Label3->text().endsWith(QStringLiteral("Not a directory")))
        << form1->Label3->text().toStdString();
}

TEST_F(Viewer, AShorterPictureOverwritesTheHeadOfDataDatWithoutTruncating) {
    const QByteArray big = test::Jpeg(200, 200, true);
    const QByteArray small = test::Jpeg(100, 50);
    ASSERT_GT(big.size(), 2 * small.size());
    server.SetPicture(QStringLiteral("/cam.jpg"), big);
    WriteCams({{QStringLiteral("Cam"), QStringLiteral("/cam.jpg")}});
    Start();
    server.SetPicture(QStringLiteral("/cam.jpg"), small);
    form1->Command2->click();
    const QByteArray data = ReadFile(DataFilePath());
    EXPECT_EQ(data.size(), big.size());
    EXPECT_EQ(data.left(small.size()), small);
    EXPECT_EQ(data.mid(small.size()), big.mid(small.size()));
    EXPECT_EQ(form1->ImagNT1->Picture().size(), QSize(100, 50)) << "the new picture is shown";
}

TEST_F(Viewer, ARefreshDuringASlowFetchChangesNothingAndShowsNoError) {
    SystemClock realClock;
    platform.clock = &realClock;
    WriteCams({{QStringLiteral("Cam"), QStringLiteral("/cam.jpg")}});
    server.SetPicture(QStringLiteral("/cam.jpg"), test::Jpeg(320, 240));
    Start();
    form1->Check2->setChecked(false); // the blur of the waiting picture is a change of its own
    const QImage before = form1->ImagNT1->Picture();

    HttpServer::Route slow;
    slow.behaviour = HttpServer::Behaviour::Delayed;
    slow.delayMs = 600;
    slow.body = test::Jpeg(640, 480);
    server.SetRoute(QStringLiteral("/cam.jpg"), slow);
    QString innerStatus;
    bool innerError = true;
    bool innerPictureKept = false;
    QTimer::singleShot(100, [&] {
        form1->Command2->click();
        innerStatus = form2->Label4->text();
        innerError = form1->Label2->isVisible() || form2->Label3->isVisible();
        innerPictureKept = form1->ImagNT1->Picture() == before && form1->ImagNT1->isVisible();
    });
    form1->Command2->click();
    EXPECT_FALSE(innerError);
    EXPECT_TRUE(innerPictureKept);
    EXPECT_TRUE(innerStatus.endsWith(QStringLiteral("( 0 Sec/Pic )"))) << innerStatus.toStdString();
    EXPECT_EQ(server.Hits(QStringLiteral("/cam.jpg")), 2) << "the busy call never reached it";
    EXPECT_EQ(form1->ImagNT1->Picture().size(), QSize(640, 480));
    EXPECT_TRUE(form2->Label4->text().endsWith(QStringLiteral("( 1 Sec/Pic )")) ||
                form2->Label4->text().endsWith(QStringLiteral("( 0 Sec/Pic )")));
}

TEST_F(Viewer, ACameraMissingFromTheFileKeepsTheLastAddress) {
    WriteCams({{QStringLiteral("Alpha"), QStringLiteral("/alpha.jpg")}});
    Start();
    ASSERT_EQ(server.Hits(QStringLiteral("/alpha.jpg")), 1);
    // The file is edited behind the program's back.
    WriteCams({{QStringLiteral("Other"), QStringLiteral("/beta.jpg")}});
    form1->Command2->click();
    EXPECT_EQ(server.Hits(QStringLiteral("/alpha.jpg")), 2);
    EXPECT_EQ(server.Hits(QStringLiteral("/beta.jpg")), 0);
}

TEST_F(Viewer, AutomaticChangeNeverPicksTheCurrentCamera) {
    WriteThreeCams();
    random.values = {0.5}; // start on index 1
    Start();
    QTest::mouseClick(form1->Check1, Qt::LeftButton);
    EXPECT_TRUE(form1->Timer2->isActive());
    // The first draw names the current camera again and is drawn anew.
    random.values = {0.5, 0.9};
    form1->Timer2Timer();
    EXPECT_EQ(form1->Combo1->currentIndex(), 2);
    EXPECT_EQ(form2->Combo1->currentIndex(), 2);
    EXPECT_EQ(server.Hits(QStringLiteral("/zoo.jpg")), 0) << "the next refresh fetches it";
    for (int round = 0; round < 20; ++round) {
        random.values = {0.05 * round, 0.4, 0.7, 0.1};
        const int before = form1->Combo1->currentIndex();
        form1->Timer2Timer();
        EXPECT_NE(form1->Combo1->currentIndex(), before);
        EXPECT_EQ(form2->Combo1->currentIndex(), form1->Combo1->currentIndex());
    }
    QTest::mouseClick(form1->Check1, Qt::LeftButton);
    EXPECT_FALSE(form1->Timer2->isActive());
}

TEST_F(Viewer, AutomaticChangeWithOneCameraChangesNothing) {
    WriteCams({{QStringLiteral("Alpha"), QStringLiteral("/alpha.jpg")}});
    Start();
    form1->Timer2Timer();
    EXPECT_EQ(form1->Combo1->currentIndex(), 0);
}

TEST_F(Viewer, IntervalBoxesRepairWhatIsTyped) {
    WriteThreeCams();
    Start();
    const auto type = [](QLineEdit* box, const QString& text) {
        box->setFocus();
        box->selectAll(); // typing replaces the selection, key by key
        QTest::keyClicks(box, text);
    };
    type(form1->Text1, QStringLiteral("0"));
    EXPECT_EQ(form1->Text1->text(), QStringLiteral("1"));
    EXPECT_EQ(form1->Timer1->interval(), 1000);
    type(form1->Text1, QStringLiteral("abc"));
    EXPECT_EQ(form1->Text1->text(), QStringLiteral("1"));
    type(form1->Text1, QStringLiteral("70"));
    EXPECT_EQ(form1->Text1->text(), QStringLiteral("60"));
    EXPECT_EQ(form1->Timer1->interval(), 60000);
    type(form1->Text1, QStringLiteral("65"));
    EXPECT_EQ(form1->Text1->text(), QStringLiteral("65"));
    EXPECT_EQ(form1->Timer1->interval(), 65000);
    EXPECT_TRUE(form1->Timer1->isActive());

    type(form1->Text2, QStringLiteral("90"));
    EXPECT_EQ(form1->Text2->text(), QStringLiteral("60"));
    type(form1->Text2, QStringLiteral("5x"));
    EXPECT_EQ(form1->Text2->text(), QStringLiteral("60"));
    type(form1->Text2, QStringLiteral("0"));
    EXPECT_EQ(form1->Text2->text(), QStringLiteral("1"));
    EXPECT_EQ(form1->Timer2->interval(), 1000);
    type(form1->Text2, QStringLiteral("25"));
    EXPECT_EQ(form1->Timer2->interval(), 25000);
}

TEST_F(Viewer, ArrowKeysAndTheSpinnerStepTheRefreshInterval) {
    WriteThreeCams();
    Start();
    form1->Text1->setText(QStringLiteral("60"));
    QTest::keyClick(form1->Text1, Qt::Key_Up);
    EXPECT_EQ(form1->Text1->text(), QStringLiteral("60"));
    QTest::keyClick(form1->Text1, Qt::Key_Down);
    EXPECT_EQ(form1->Text1->text(), QStringLiteral("59"));
    EXPECT_EQ(form1->Timer1->interval(), 59000);
    form1->Text1->setText(QStringLiteral("1"));
    QTest::keyClick(form1->Text1, Qt::Key_Down);
    EXPECT_EQ(form1->Text1->text(), QStringLiteral("1"));
    form1->Text2->setText(QStringLiteral("1"));
    QTest::keyClick(form1->Text2, Qt::Key_Down);
    EXPECT_EQ(form1->Text2->text(), QStringLiteral("1"));
    QTest::keyClick(form1->Text2, Qt::Key_Up);
    EXPECT_EQ(form1->Text2->text(), QStringLiteral("2"));

    // The spinner starts from what the box shows and stops at 60.
    form1->Text1->setText(QStringLiteral("12"));
    auto* up = form1->UpDown1->findChild<QToolButton*>(QStringLiteral("UpButton"));
    ASSERT_NE(up, nullptr);
    QTest::mouseClick(up, Qt::LeftButton);
    EXPECT_EQ(form1->Text1->text(), QStringLiteral("13"));
    form1->Text1->setText(QStringLiteral("60"));
    QTest::mouseClick(up, Qt::LeftButton);
    EXPECT_EQ(form1->Text1->text(), QStringLiteral("60"));
}

TEST_F(Viewer, ClosingDeletesDataDatAndEndsTheProgram) {
    WriteThreeCams();
    Start();
    ASSERT_TRUE(QFile::exists(DataFilePath()));
    form1->close();
    EXPECT_FALSE(QFile::exists(DataFilePath()));
    EXPECT_FALSE(form1->isVisible());
    EXPECT_EQ(ended, 1);
    // Without any picture fetched it ends all the same, without a message.
    form1->show();
    form1->close();
    EXPECT_EQ(ended, 2);
    EXPECT_TRUE(boxes.calls.isEmpty());
}

TEST_F(Viewer, AMissingCameraListStartsWithTheDefaultCamera) {
    inet.SetRequestTimeout(500);
    Start();
    EXPECT_EQ(form1->Combo1->count(), 1);
    EXPECT_EQ(form1->Combo1->currentText(), QStringLiteral("Eiffeltower"));
    EXPECT_EQ(form1->Text3->text(), QString::fromLatin1(kDefaultAddress));
}

TEST_F(Viewer, ClosingDuringASlowDownloadEndsAtOnceWithoutWritingThePicture) {
    WriteCams({{QStringLiteral("Cam"), QStringLiteral("/cam.jpg")}});
    server.SetPicture(QStringLiteral("/cam.jpg"), test::Jpeg(32, 32));
    Start();
    QFile::remove(DataFilePath());
    HttpServer::Route silent;
    silent.behaviour = HttpServer::Behaviour::NeverAnswer;
    server.SetRoute(QStringLiteral("/cam.jpg"), silent);
    inet.SetRequestTimeout(60000);
    // The program's end gives up the running request, as the real program does.
    platform.endProgram = [this] {
        ++ended;
        inet.Cancel();
    };
    QTimer::singleShot(100, [this] { form1->close(); });
    QElapsedTimer elapsed;
    elapsed.start();
    form1->Command2->click();
    EXPECT_LT(elapsed.elapsed(), 5000);
    EXPECT_EQ(ended, 1);
    EXPECT_FALSE(QFile::exists(DataFilePath()));
    EXPECT_FALSE(form1->isVisible());
}

TEST_F(Viewer, TheWindowOpensAtTheTopLeftEvenWhenItsNativeWindowWasPlacedBefore) {
    // The colour depth message makes the native window early; a window manager places it then.
    screen.bitsPerPixel = 16;
    WriteThreeCams();
    MakeWindows();
    form1->FormLoad();
    form1->winId();
    form1->windowHandle()->setFramePosition(QPoint(300, 200));
    form1->show();
    EXPECT_EQ(form1->windowHandle()->framePosition(), QPoint(0, 0));
}

TEST_F(Viewer, WithoutCamerasNothingIsFetchedAndTheFrameSaysHowToAddOne) {
    WriteCams({{QStringLiteral("Alpha"), QStringLiteral("/alpha.jpg")}});
    Start();
    form1->Cams().RemoveCamEntry(QStringLiteral("Alpha"));
    form1->Command2->click();
    EXPECT_EQ(server.Hits(QStringLiteral("/alpha.jpg")), 1);
    EXPECT_TRUE(form1->Label3->isVisible());
    EXPECT_TRUE(form1->Label3->text().startsWith(QStringLiteral("The camera list is empty.")));
    EXPECT_TRUE(form1->ImagNT1->isHidden());
    EXPECT_TRUE(form1->Image1->isHidden());
}

TEST_F(Viewer, AListThatCannotBeReadIsReportedNotTakenForAnEmptyOne) {
    ASSERT_TRUE(QDir().mkdir(QStringLiteral("Cams.inf")));
    Start();
    EXPECT_EQ(form1->Label3->text(), QStringLiteral("The WebCam list \"Cams.inf\" cannot be read: "
                                                    "it is not a regular file"));
}

TEST_F(Viewer, WhenNothingIsToBeDoneOnlyTheRefreshTimerRuns) {
    WriteThreeCams();
    random.values = {0.0, 0.3, 0.6, 0.9}; // a colour scheme for each hand-over
    Start();
    const auto onlyTheRefresh = [this] {
        QList<QTimer*> timers;
        for (QObject* window :
             {static_cast<QObject*>(form1.get()), static_cast<QObject*>(form2.get()),
              static_cast<QObject*>(form3.get())})
            timers += window->findChildren<QTimer*>();
        for (const QTimer* timer : timers)
            if (timer->isActive() && timer != form1->Timer1)
                return false;
        return form1->Timer1->isActive();
    };
    const std::pair<const char*, std::function<void()>> states[] = {
        {"windowed", [] {}},
        {"fullscreen", [this] { QTest::mouseDClick(form1->ImagNT1, Qt::LeftButton); }},
        {"camera list open",
         [this] {
             QTest::keyClick(form2.get(), Qt::Key_Escape);
             form1->Command1->click();
         }},
    };
    for (const auto& [name, enter] : states) {
        enter();
        EXPECT_TRUE(QTest::qWaitFor(onlyTheRefresh, 3000)) << name;
    }
    EXPECT_TRUE(form3->isVisible() && form3->List1->currentRow() >= 0);
}

TEST_F(Viewer, ALongErrorWrapsInsideTheFrameAndIsItsToolTip) {
    HttpServer::Route failing;
    failing.status = 502;
    failing.reason = "Proxy refused http://cam" + QByteArray(150, 'x') + ".invalid/";
    server.SetRoute(QStringLiteral("/long.jpg"), failing);
    WriteCams({{QStringLiteral("Long"), QStringLiteral("/long.jpg")}});
    Start();
    const auto* label = static_cast<WrapLabel*>(form1->Label3);
    EXPECT_EQ(label->text(), QString::fromLatin1(failing.reason));
    EXPECT_EQ(form1->Label4->toolTip(), label->text());
    EXPECT_TRUE(form1->Label4->geometry().contains(label->geometry()));
    const QStringList lines = label->Lines();
    EXPECT_EQ(lines.join(QString()).remove(u' '), label->text().remove(u' '));
    for (const QString& line : lines)
        EXPECT_LE(QFontMetrics(label->font()).horizontalAdvance(line),
                  label->contentsRect().width());
}
