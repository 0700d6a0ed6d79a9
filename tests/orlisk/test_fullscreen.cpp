// The fullscreen window and the hand-over, driven offscreen against a camera server on loopback.
#include "platform/Controls.h"
#include "support/HttpServer.h"
#include "support/WindowFixture.h"
#include "viewer/Blur.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

#include <deque>
#include <functional>

using namespace orlisk;
using test::Wait;

namespace {

struct PaintCounter : QObject {
    explicit PaintCounter(QWidget* watched) { watched->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
        count += event->type() == QEvent::Paint;
        return false;
    }
    int count = 0;
};

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class Fullscreen : public test::WindowFixture {
protected:
    // The start camera is the first in sorted order; each hand-over then draws another scheme.
    void SetUp() override {
        WindowFixture::SetUp();
        random.values = {0.0, 0.3, 0.6, 0.9};
        inet.SetRequestTimeout(3000);
        server.SetPicture(QStringLiteral("/alpha.jpg"), test::Jpeg(320, 240));
        server.SetPicture(QStringLiteral("/zoo.jpg"), test::Jpeg(400, 100));
    }
    // Cams.inf naming cameras served at the given paths.
    void WriteCams(const QList<QPair<QString, QString>>& cams) {
        QFile file(QStringLiteral("Cams.inf"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        for (const auto& [description, path] : cams)
            file.write(
                (description + QStringLiteral("\r\n") + server.Url(path) + QStringLiteral("\r\n"))
                    .toUtf8());
    }
    void WriteThreeCams() {
        WriteCams({{QStringLiteral("Alpha"), QStringLiteral("/alpha.jpg")},
                   {QStringLiteral("Broken"), QStringLiteral("/missing.jpg")},
                   {QStringLiteral("Zoo"), QStringLiteral("/zoo.jpg")}});
    }
    // Screen 1024 x 768 pixels: 15360 x 11520 twips.
    void StartFullscreen() {
        WriteThreeCams();
        Start();
        QTest::mouseDClick(form1->ImagNT1, Qt::LeftButton);
    }
    double Left(const QWidget* control) const { return form2->Twips(control).left(); }
    double Top(const QWidget* control) const { return form2->Twips(control).top(); }
    QColor ToggleText() const { return form2->Command1->palette().color(QPalette::WindowText); }
    test::HttpServer server;

    void Move(QWidget* over) {
        QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), over->mapToGlobal(QPointF(2, 2)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(over, &move);
    }
};

} // namespace

TEST_F(Fullscreen, DoubleClickHandsOverAndEachWayBackRestoresTheMainWindow) {
    const std::pair<const char*, std::function<void()>> ways[] = {
        {"Esc", [this] { QTest::keyClick(form2->Combo1, Qt::Key_Escape); }},
        {"window",
         [this] {
             QTest::mouseDClick(form2.get(), Qt::LeftButton, {}, {5, 300});
         }},
        {"Image3", [this] { QTest::mouseDClick(form2->Image3, Qt::LeftButton); }},
        {"TestBild", [this] { QTest::mouseDClick(form2->TestBild, Qt::LeftButton); }},
        {"closed from outside", [this] { form2->close(); }},
    };
    StartFullscreen();
    for (const auto& [name, leave] : ways) {
        SCOPED_TRACE(name);
        if (!form2->isVisible())
            QTest::mouseDClick(form1->Label4, Qt::LeftButton); // the frame behind the picture
        EXPECT_TRUE(form2->isVisible());
        EXPECT_TRUE(form1->isHidden());
        EXPECT_TRUE(form1->isMaximized());
        EXPECT_EQ(form2->geometry(), QRect(0, 0, 1024, 768));
        EXPECT_TRUE(form2->windowFlags().testFlag(Qt::FramelessWindowHint));
        // The error labels centred: 6000 x 735 above, 6000 x 375 below the middle.
        EXPECT_EQ(form2->Twips(form2->Label2), QRectF(4680, 5760 - 367.5 - 495, 6000, 735));
        EXPECT_EQ(form2->Twips(form2->Label3), QRectF(4680, 5760 - 187.5 + 240, 6000, 375));
        leave();
        EXPECT_TRUE(form2->isHidden());
        EXPECT_TRUE(form1->isVisible());
        EXPECT_FALSE(form1->isMaximized());
        if (std::string(name) == "Esc")
            QTest::mouseDClick(form1->ImagNT1, Qt::LeftButton);
    }
}

TEST_F(Fullscreen, PanelLayoutsAndTheBandFollowTheScreen) {
    StartFullscreen();
    struct Place {
        const char* name;
        QWidget* control;
        double left;
        double top;
    };
    const Place band[] = {
        {"Shape3", form2->Shape3, 13905, 10185}, {"Shape4", form2->Shape4, 480, 10185},
        {"Shape6", form2->Shape6, 480, 10800},   {"Shape5", form2->Shape5, 480, 10185},
        {"Label5", form2->Label5, 600, 10200},   {"Label4", form2->Label4, 600, 10860},
        {"Image2", form2->Image2, 14085, 10305}, {"TestBild", form2->TestBild, 0, 0},
    };
    for (const Place& p : band) {
        EXPECT_DOUBLE_EQ(Left(p.control), p.left) << p.name;
        EXPECT_DOUBLE_EQ(Top(p.control), p.top) << p.name;
    }
    EXPECT_DOUBLE_EQ(form2->Twips(form2->Shape4).width(), 14050);
    EXPECT_DOUBLE_EQ(form2->Twips(form2->Shape4).height(), 630);
    EXPECT_DOUBLE_EQ(form2->Twips(form2->Shape5).height(), 1005);
    EXPECT_EQ(form2->TestBild->geometry(), QRect(0, 0, 1024, 768));
    EXPECT_EQ(form2->Label5->text(), QStringLiteral("Alpha"));
    EXPECT_DOUBLE_EQ(Left(form2->Line1), 11145);
    EXPECT_DOUBLE_EQ(form2->Twips(form2->Line1).right(), 15360);

    struct Panel {
        const char* caption;
        double shape1, shape2, combo1, command1;
        int drawMode;
        bool line;
    };
    const Panel expanded{"4", 10477.5, 11145, 11205, 10717.5, 13, true};
    const Panel collapsed{"3", 14692.5, 15360, 15360, 14932.5, 15, false};
    const auto check = [&](const Panel& p) {
        SCOPED_TRACE(p.caption);
        EXPECT_EQ(form2->Command1->Caption(), QString::fromLatin1(p.caption));
        EXPECT_DOUBLE_EQ(Left(form2->Shape1), p.shape1);
        EXPECT_DOUBLE_EQ(Left(form2->Shape2), p.shape2);
        EXPECT_DOUBLE_EQ(Left(form2->Combo1), p.combo1);
        EXPECT_DOUBLE_EQ(Left(form2->Command1), p.command1);
        EXPECT_EQ(form2->Shape1->DrawMode(), p.drawMode);
        EXPECT_EQ(form2->Line1->isVisible(), p.line);
        EXPECT_TRUE(form2->Command1->isVisible());
        EXPECT_TRUE(form2->Shape1->isVisible());
    };
    check(expanded);
    QTest::mouseClick(form2->Command1, Qt::LeftButton);
    check(collapsed);
    QTest::mouseClick(form2->Command1, Qt::LeftButton);
    check(expanded);

    // The panel comes back as it was left.
    QTest::mouseClick(form2->Command1, Qt::LeftButton);
    QTest::keyClick(form2.get(), Qt::Key_Escape);
    QTest::mouseDClick(form1->ImagNT1, Qt::LeftButton);
    check(collapsed);

    // Hover colours of the toggle; a click sets black on white again.
    Move(form2->Command1);
    EXPECT_EQ(ToggleText(), QColor(Qt::white));
    Move(form2->Image3);
    EXPECT_EQ(ToggleText(), QColor(Qt::black));
    Move(form2->Command1);
    QTest::mouseClick(form2->Command1, Qt::LeftButton);
    EXPECT_EQ(ToggleText(), QColor(Qt::black));
    EXPECT_EQ(form2->Command1->palette().color(QPalette::Window), QColor(Qt::white));
}

TEST_F(Fullscreen, EveryHandOverPaintsAnotherColourScheme) {
    // The start camera, then per hand-over: 0.0 -> 1, 0.3 -> 2, 0.6 -> 3, 0.9 -> 4; a draw of
    // the scheme just used is drawn again.
    random.values = {0.0, 0.0, 0.0, 0.1, 0.9, 0.95, 0.3, 0.6};
    WriteThreeCams();
    Start();
    struct Step {
        int scheme;
        QColor light, dark;
    } const steps[] = {
        {1, QColor(255, 0, 0), QColor(192, 0, 0)},
        {4, QColor(255, 255, 0), QColor(192, 192, 0)},
        {2, QColor(0, 255, 0), QColor(0, 192, 0)},
        {3, QColor(0, 0, 255), QColor(0, 0, 192)},
    };
    for (const Step& step : steps) {
        form1->show();
        QTest::mouseDClick(form1->ImagNT1, Qt::LeftButton);
        EXPECT_EQ(form1->Label5->text(), QString::number(step.scheme));
        EXPECT_EQ(form2->Shape1->FillColor(), step.dark);
        EXPECT_EQ(form2->Shape1->BorderColor(), step.light);
        EXPECT_EQ(form2->Shape2->FillColor(), step.dark);
        EXPECT_EQ(form2->Line1->Color(), step.light);
        EXPECT_EQ(form2->Shape3->FillColor(), step.dark);
        EXPECT_EQ(form2->Shape4->FillColor(), step.light);
        EXPECT_EQ(form2->Shape5->BorderColor(), step.light);
        EXPECT_EQ(form2->Shape6->FillColor(), step.dark);
        EXPECT_TRUE(form2->Combo1->styleSheet().contains(step.dark.name()));
        QTest::keyClick(form2.get(), Qt::Key_Escape);
    }
}

TEST_F(Fullscreen, PictureTimerShowsANewPictureOnceBlurredAndCopiesTheStatusLine) {
    WriteThreeCams();
    Start();
    const QImage downloaded = form2->Picture1->Picture();
    ASSERT_EQ(form2->Label8->text(), QStringLiteral("0"));
    Wait(100);
    EXPECT_EQ(form2->Label8->text(), QStringLiteral("1"));
    QImage once = downloaded.copy();
    BlurPicture(once);
    EXPECT_EQ(form2->Picture1->Picture(), once);
    EXPECT_EQ(form1->ImagNT1->Picture(), once);
    EXPECT_EQ(form2->Image3->Picture(), once);
    EXPECT_EQ(form1->StatusBar1->currentMessage(), form2->Label4->text());
    const qint64 key = form2->Picture1->Picture().cacheKey();
    Wait(100);
    EXPECT_EQ(form2->Picture1->Picture().cacheKey(), key) << "blurred only once";

    // Without the blur the new picture is shown as it came; the mark stays "0", and the
    // picture handed over again on every tick is not painted again.
    form1->Check2->setChecked(false);
    form1->Command2->click();
    Wait(100);
    EXPECT_EQ(form2->Label8->text(), QStringLiteral("0"));
    EXPECT_EQ(form1->ImagNT1->Picture(), form2->Picture1->Picture());
    EXPECT_EQ(form1->ImagNT1->Picture().pixel(10, 10), downloaded.pixel(10, 10));
    PaintCounter paints(form1->ImagNT1);
    Wait(200);
    EXPECT_EQ(paints.count, 0);

    // An address with "GIF" in it is never handed over, nor is the status line.
    form1->Check2->setChecked(true);
    form1->Text3->setText(form1->Text3->text() + QStringLiteral("?format=GiF"));
    form2->Label4->setText(QStringLiteral("elsewhere"));
    const qint64 shown = form1->ImagNT1->Picture().cacheKey();
    Wait(100);
    EXPECT_EQ(form2->Label8->text(), QStringLiteral("0"));
    EXPECT_EQ(form1->ImagNT1->Picture().cacheKey(), shown);
    EXPECT_NE(form1->StatusBar1->currentMessage(), QStringLiteral("elsewhere"));
}

TEST_F(Fullscreen, AFailingCameraBlinksItsErrorOverTheTestPicture) {
    WriteCams({{QStringLiteral("Broken"), QStringLiteral("/missing.jpg")}});
    Start();
    form1->ImagNT1->hide(); // the failed download hid it; the frame takes the double click
    QTest::mouseDClick(form1->Label4, Qt::LeftButton);
    Wait(60);
    EXPECT_TRUE(form2->TestBild->isVisible());
    EXPECT_TRUE(form2->Image3->isHidden());
    EXPECT_FALSE(form2->Timer4->isActive());
    EXPECT_EQ(form2->Label8->text(), QStringLiteral("0"));
    EXPECT_EQ(form2->Label2->text(), QStringLiteral("Error #404 "));
    QList<bool> seen;
    for (int i = 0; i < 4; ++i) {
        Wait(500);
        seen.append(form2->Label2->isVisible());
        EXPECT_TRUE(form2->Label3->isVisible());
    }
    EXPECT_TRUE(seen.contains(true) && seen.contains(false)) << "Label2 blinks";

    // A good picture again: back to picture mode.
    server.SetPicture(QStringLiteral("/missing.jpg"), test::Jpeg(64, 48));
    form1->Command2->click();
    Wait(60);
    EXPECT_TRUE(form2->TestBild->isHidden());
    EXPECT_TRUE(form2->Image3->isVisible());
    EXPECT_TRUE(form2->Timer4->isActive());
}

TEST_F(Fullscreen, ChoosingACameraSaysLoadingAndDeletesOnlyDataDat) {
    StartFullscreen();
    QFile other(QStringLiteral("Data.dat"));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.write("a user's own file");
    other.close();
    ASSERT_TRUE(QFile::exists(QStringLiteral("data.dat")));
    form2->Combo1->setCurrentIndex(2);
    EXPECT_EQ(form2->Label4->text(), QStringLiteral("Loading 'Zoo' ..."));
    EXPECT_EQ(form1->Combo1->currentIndex(), 0) << "not copied back to the main window";
    Wait(1100);
    EXPECT_FALSE(QFile::exists(QStringLiteral("data.dat")));
    EXPECT_EQ(ReadFile(QStringLiteral("Data.dat")), QByteArray("a user's own file"));
    EXPECT_EQ(form2->Label8->text(), QStringLiteral("1")) << "a new mark, and blurred again";
    EXPECT_EQ(server.Hits(QStringLiteral("/zoo.jpg")), 0) << "the next refresh fetches it";
    form2->Combo1->clear();
    EXPECT_EQ(form2->Label4->text(), QStringLiteral("Loading 'Zoo' ...")) << "no camera chosen";
}
