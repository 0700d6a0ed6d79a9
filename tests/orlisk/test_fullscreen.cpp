// The fullscreen window and the hand-over, driven offscreen against a camera server on loopback.
#include "platform/Controls.h"
#include "support/HttpServer.h"
#include "support/TempDir.h"
#include "support/WindowFixture.h"
#include "viewer/Blur.h"
#include "viewer/Download.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace orlisk;

namespace {

struct PaintCounter : QObject {
    explicit PaintCounter(QWidget* watched) { watched->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
        count += event->type() == QEvent::Paint;
        return false;
    }
    int count = 0;
};

// Two cameras, "Alpha" first in the pickers; a 1024 x 768 screen (15360 x 11520 twips). Each
// hand-over draws the next of 0.3, 0.6, 0.9, 0.0: schemes 2, 3, 4, 1.
class Fullscreen : public test::ServedWindowFixture {
protected:
    void SetUp() override {
        ServedWindowFixture::SetUp();
        random.values = {0.0, 0.3, 0.6, 0.9};
        server.SetPicture(QStringLiteral("/alpha.jpg"), test::Jpeg(320, 240));
        server.SetPicture(QStringLiteral("/zoo.jpg"), test::Jpeg(400, 100));
        WriteCams({{QStringLiteral("Alpha"), QStringLiteral("/alpha.jpg")},
                   {QStringLiteral("Zoo"), QStringLiteral("/zoo.jpg")}});
    }
    void DoubleClickPicture() { QTest::mouseDClick(form1->ImagNT1, Qt::LeftButton); }
    double Left(const QWidget* control) const { return form2->Twips(control).left(); }
};

} // namespace

TEST_F(Fullscreen, DoubleClickHandsOverAndEachWayBackRestoresTheMainWindow) {
    const std::pair<const char*, std::function<void()>> ways[] = {
        {"Esc", [this] { QTest::keyClick(form2->Combo1, Qt::Key_Escape); }},
        {"window", [this] { QTest::mouseDClick(form2.get(), Qt::LeftButton, {}, QPoint(5, 300)); }},
        {"Image3", [this] { QTest::mouseDClick(form2->Image3, Qt::LeftButton); }},
        {"TestBild", [this] { QTest::mouseDClick(form2->TestBild, Qt::LeftButton); }},
        {"closed from outside", [this] { form2->close(); }},
    };
    Start();
    for (const auto& [name, leave] : ways) {
        SCOPED_TRACE(name);
        // The frame behind the picture takes the double click as well.
        QWidget* picture =
            name == ways[0].first ? static_cast<QWidget*>(form1->ImagNT1) : form1->Label4;
        QTest::mouseDClick(picture, Qt::LeftButton);
        EXPECT_TRUE(form2->isVisible() && form1->isHidden() && form1->isMaximized());
        EXPECT_EQ(form2->geometry(), QRect(0, 0, 1024, 768));
        leave();
        EXPECT_TRUE(form2->isHidden() && form1->isVisible() && !form1->isMaximized());
    }
}

TEST_F(Fullscreen, PanelLayoutsAndTheBandFollowTheScreen) {
    Start();
    DoubleClickPicture();
    const struct {
        QWidget* control;
        QRectF twips;
    } placed[] = {
        {form2->Shape3, {13905, 10185, 1095, 975}}, {form2->Shape4, {480, 10185, 14050, 630}},
        {form2->Shape6, {480, 10800, 14050, 375}},  {form2->Shape5, {480, 10185, 14050, 1005}},
        {form2->Image2, {14085, 10305, 720, 720}},  {form2->TestBild, {0, 0, 15360, 11520}},
        {form2->Line1, {11145, 465, 4215, 30}},     {form2->Label2, {4680, 4897.5, 6000, 735}},
        {form2->Label3, {4680, 5812.5, 6000, 375}},
    };
    for (const auto& [control, twips] : placed)
        EXPECT_EQ(form2->Twips(control), twips) << control->objectName().toStdString();
    EXPECT_DOUBLE_EQ(form2->Twips(form2->Label5).top(), 10200);
    EXPECT_DOUBLE_EQ(form2->Twips(form2->Label4).top(), 10860);
    EXPECT_EQ(form2->Label5->text(), QStringLiteral("Alpha"));

    // The panel: its caption, the left edges of Shape1, Shape2, Combo1 and Command1 in twips,
    // Shape1's draw mode, whether Line1 shows.
    const auto panel = [&] {
        return QStringLiteral("%1 %2 %3 %4 %5 %6 %7")
            .arg(form2->Command1->Caption())
            .arg(Left(form2->Shape1))
            .arg(Left(form2->Shape2))
            .arg(Left(form2->Combo1))
            .arg(Left(form2->Command1))
            .arg(form2->Shape1->DrawMode())
            .arg(form2->Line1->isVisible());
    };
    const QString expanded = QStringLiteral("4 10477.5 11145 11205 10717.5 13 1");
    const QString collapsed = QStringLiteral("3 14692.5 15360 15360 14932.5 15 0");
    EXPECT_EQ(panel(), expanded);
    for (const QString& next : {collapsed, expanded, collapsed}) {
        QTest::mouseClick(form2->Command1, Qt::LeftButton);
        EXPECT_EQ(panel(), next);
    }
    // The next hand-over shows the panel as it was left.
    QTest::keyClick(form2.get(), Qt::Key_Escape);
    DoubleClickPicture();
    EXPECT_EQ(panel(), collapsed);
}

TEST_F(Fullscreen, EveryHandOverPaintsAnotherColourScheme) {
    // After the start camera: 0.0 -> 1; 0.0 and 0.1 repeat it, 0.9 -> 4; 0.95 repeats, 0.3 -> 2.
    random.values = {0.0, 0.0, 0.0, 0.1, 0.9, 0.95, 0.3};
    Start();
    const struct {
        int scheme;
        QColor light, dark;
    } schemes[] = {{1, QColor(255, 0, 0), QColor(192, 0, 0)},
                   {4, QColor(255, 255, 0), QColor(192, 192, 0)},
                   {2, QColor(0, 255, 0), QColor(0, 192, 0)}};
    for (const auto& [scheme, light, dark] : schemes) {
        DoubleClickPicture();
        EXPECT_EQ(form1->Label5->text(), QString::number(scheme));
        EXPECT_EQ(form2->Shape1->BorderColor(), light);
        EXPECT_EQ(form2->Shape4->FillColor(), light);
        EXPECT_EQ(form2->Shape6->FillColor(), dark);
        EXPECT_TRUE(form2->Combo1->styleSheet().contains(dark.name()));
        QTest::keyClick(form2.get(), Qt::Key_Escape);
    }
}

TEST_F(Fullscreen, PictureTimerShowsANewPictureOnceBlurredAndCopiesTheStatusLine) {
    Start();
    QImage once = form2->Picture1->Picture().copy();
    BlurPicture(once);
    ASSERT_TRUE(PictureShown());
    EXPECT_EQ(form1->ImagNT1->Picture(), once);
    EXPECT_EQ(form2->Image3->Picture(), once);
    EXPECT_EQ(form1->StatusBar1->currentMessage(), form2->Label4->text());

    // Another camera chosen: a second later the camera change check drops the picture file and
    // marks the picture for the windows again, which show it as it was, not blurred twice.
    form2->Combo1->setCurrentIndex(1);
    EXPECT_TRUE(QTest::qWaitFor([] { return !QFile::exists(DataFilePath()); }, 3000));
    ASSERT_TRUE(PictureShown());
    EXPECT_EQ(form2->Picture1->Picture(), once);
    EXPECT_EQ(form1->ImagNT1->Picture(), once);

    // Without the blur the new picture is shown as it came and the mark stays "0"; handed over
    // again, it is not painted again.
    form1->Check2->setChecked(false);
    form1->Command2->click();
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return form1->ImagNT1->Picture() == form2->Picture1->Picture(); }));
    EXPECT_EQ(form2->Label8->text(), QStringLiteral("0"));
    QCoreApplication::processEvents(); // the paint of the new picture
    PaintCounter paints(form1->ImagNT1);
    form2->Timer4Timer();
    QCoreApplication::processEvents();
    EXPECT_EQ(paints.count, 0);

    // An address with "GIF" in it: no picture and no status line is handed over.
    form1->Check2->setChecked(true);
    form1->Text3->setText(form1->Text3->text() + QStringLiteral("?format=GiF"));
    form2->Label4->setText(QStringLiteral("elsewhere"));
    form2->StateChanged();
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return !form2->Timer3->isActive() && !form2->Timer4->isActive(); }));
    EXPECT_EQ(form2->Label8->text(), QStringLiteral("0"));
    EXPECT_NE(form1->StatusBar1->currentMessage(), QStringLiteral("elsewhere"));
}

TEST_F(Fullscreen, AFailingCameraBlinksItsErrorOverTheTestPicture) {
    Start();
    server.SetPicture(QStringLiteral("/alpha.jpg"), QByteArray("no picture"));
    form1->Command2->click();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return form2->TestBild->isVisibleTo(form2.get()) && form2->Image3->isHidden(); }));
    // The number blinks at half a second; the description stays.
    for (const bool shown : {false, true, false}) {
        EXPECT_TRUE(QTest::qWaitFor([&] { return form2->Label2->isHidden() != shown; }, 2000));
        EXPECT_FALSE(form2->Label3->isHidden());
    }

    server.SetPicture(QStringLiteral("/alpha.jpg"), test::Jpeg(64, 48));
    form1->Command2->click();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return form2->TestBild->isHidden() && form2->Image3->isVisibleTo(form2.get()); }));
}

TEST_F(Fullscreen, AFrameShowingAnErrorTakesTheDoubleClickToo) {
    server.SetPicture(QStringLiteral("/alpha.jpg"), QByteArray("no picture"));
    Start();
    for (QWidget* label :
         {static_cast<QWidget*>(form1->Label2), static_cast<QWidget*>(form1->Label3)}) {
        ASSERT_TRUE(label->isVisible());
        QTest::mouseDClick(label, Qt::LeftButton);
        EXPECT_TRUE(form2->isVisible() && form1->isHidden()) << label->objectName().toStdString();
        QTest::keyClick(form2.get(), Qt::Key_Escape);
    }
}

TEST_F(Fullscreen, ChoosingACameraSaysLoadingAndDeletesOnlyThePictureFile) {
    // Files of the user's in the start folder, named like the picture file.
    for (const char* name : {"data.dat", "Data.dat"})
        ASSERT_TRUE(testsupport::WriteFileBytes(name, "mine"));
    Start();
    ASSERT_TRUE(QFile::exists(DataFilePath()));
    form2->Combo1->setCurrentIndex(1);
    EXPECT_EQ(form2->Label4->text(), QStringLiteral("Loading 'Zoo' ..."));
    form2->Combo1->clear(); // a refill chooses nothing
    EXPECT_EQ(form2->Label4->text(), QStringLiteral("Loading 'Zoo' ..."));
    EXPECT_TRUE(QTest::qWaitFor([] { return !QFile::exists(DataFilePath()); }, 3000));
    for (const char* name : {"data.dat", "Data.dat"})
        EXPECT_EQ(testsupport::ReadFileBytes(name), "mine");
}
