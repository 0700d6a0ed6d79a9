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
#include <QFrame>
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

QByteArray ReadFile(const QString& path) {
    return QByteArray::fromStdString(
        testsupport::ReadFileBytes(QFile::encodeName(path).toStdString()));
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    ASSERT_TRUE(
        testsupport::WriteFileBytes(QFile::encodeName(path).toStdString(), bytes.toStdString()));
}

QStringList Items(const QListWidget& list) {
    QStringList items;
    for (int i = 0; i < list.count(); ++i)
        items << list.item(i)->text();
    return items;
}

QWidget* NextTabStop(QWidget* widget) {
    do
        widget = widget->nextInFocusChain();
    while (!(widget->focusPolicy() & Qt::TabFocus) || !widget->isVisibleTo(widget->window()));
    return widget;
}

class CamDialogs : public test::WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        // Nothing listens on the discard port: a refresh fails at once and shows its error.
        inet.SetRequestTimeout(500);
    }

    void Start(const QByteArray& cams = kThree) {
        WriteFile(QStringLiteral("Cams.inf"), cams);
        WindowFixture::Start();
    }
    void OpenList() { QTest::mouseClick(form1->Command1, Qt::LeftButton); }
    void Select(const QString& description) {
        const auto items = form3->List1->findItems(description, Qt::MatchExactly);
        ASSERT_FALSE(items.isEmpty());
        const QRect rect = form3->List1->visualItemRect(items.first());
        QTest::mouseClick(form3->List1->viewport(), Qt::LeftButton, {}, rect.center());
    }
    Form4& OpenForm4(QPushButton* button) {
        button->click();
        Form4* form4 = form3->CurrentForm4();
        EXPECT_NE(form4, nullptr);
        return *form4;
    }
    Form4& Add(const QString& title, const QString& url) {
        Form4& form4 = OpenForm4(form3->Command1);
        form4.Text1->setText(title);
        form4.Text2->setText(url);
        form4.Command1->click();
        return form4;
    }
    QByteArray Cams() const { return ReadFile(QStringLiteral("Cams.inf")); }
};

} // namespace

TEST_F(CamDialogs, ControlsSitAtTheirTwipsPlacesWithTheirCaptions) {
    Start();
    OpenList();
    Form4& form4 = OpenForm4(form3->Command1);
    // At 96 DPI a pixel is 15 twips.
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
        QString caption;
        if (auto* button = qobject_cast<QAbstractButton*>(c.control))
            caption = button->text();
        else if (auto* label = qobject_cast<QLabel*>(c.control))
            caption = label->text();
        else if (c.control->isWindow())
            caption = c.control->windowTitle();
        EXPECT_EQ(caption, c.caption);
    }
    EXPECT_TRUE(form4.Label3->isHidden());
    // Tab order: the list and then the buttons top down; the title, the address, Ok, Cancel.
    const QList<QWidget*> form3Order = {form3->List1, form3->Command1, form3->Command3,
                                        form3->Command2, form3->Command4};
    const QList<QWidget*> form4Order = {form4.Text1, form4.Text2, form4.Command1, form4.Command2};
    for (const auto& order : {form3Order, form4Order}) {
        for (int i = 0; i + 1 < order.size(); ++i)
            EXPECT_EQ(NextTabStop(order[i]), order[i + 1]) << order[i]->objectName().toStdString();
    }
}

TEST_F(CamDialogs, TheListFollowsTheMainWindowAndAClickSwitchesIt) {
    random.values = {0.5}; // "Beta"
    Start();
    OpenList();
    EXPECT_TRUE(form3->isVisible());
    EXPECT_TRUE(form3->Timer1->isActive());
    EXPECT_EQ(form3->SelectedDescription(), QStringLiteral("Beta"));
    Select(QStringLiteral("Zoo"));
    EXPECT_EQ(form1->Combo1->currentText(), QStringLiteral("Zoo"));
    EXPECT_EQ(form2->Combo1->currentText(), QStringLiteral("Zoo"));
    // Without a selection the timer selects the main window's camera again.
    form3->List1->clearSelection();
    test::Wait(3 * Form2::kFastTickMs);
    EXPECT_EQ(form3->SelectedDescription(), QStringLiteral("Zoo"));

    // Closing the dialog is its Ok: hidden, never unloaded, the timer stopped.
    form1->hide();
    form3->close();
    EXPECT_FALSE(form3->isVisible());
    EXPECT_FALSE(form3->Timer1->isActive());
    EXPECT_TRUE(form1->isVisible());
    OpenList();
    form3->Command4->click();
    EXPECT_FALSE(form3->isVisible());
    EXPECT_FALSE(form3->Timer1->isActive());
}

TEST_F(CamDialogs, AddAppendsTheCameraAndSwitchesToIt) {
    Start();
    OpenList();
    Form4& form4 = OpenForm4(form3->Command1);
    form4.Text1->setText(QStringLiteral("old"));
    form4.Command2->click(); // Cancel writes nothing
    EXPECT_FALSE(form4.isVisible());
    EXPECT_EQ(Cams(), kThree);

    Add(QStringLiteral("Delta"), QStringLiteral("http://127.0.0.1:9/d.jpg"));
    EXPECT_EQ(form4.Text1->text(), QStringLiteral("Delta")); // the Add cleared "old"
    EXPECT_EQ(form4.Label3->text(), QStringLiteral("0"));
    EXPECT_FALSE(form4.isVisible());
    EXPECT_TRUE(form3->isVisible());
    EXPECT_EQ(Cams(), kThree + "Delta\r\nhttp://127.0.0.1:9/d.jpg\r\n");
    EXPECT_EQ(Items(*form3->List1).join(u','), QStringLiteral("Alpha,Beta,Delta,Zoo"));
    EXPECT_EQ(form3->SelectedDescription(), QStringLiteral("Delta"));
    EXPECT_EQ(form1->Combo1->currentText(), QStringLiteral("Delta"));
    EXPECT_EQ(form2->Combo1->currentText(), QStringLiteral("Delta"));
    EXPECT_TRUE(boxes.calls.isEmpty());
}

TEST_F(CamDialogs, AddingAnExistingTitleAsksBeforeOverwriting) {
    Start();
    OpenList();
    boxes.answers = {MessageBoxes::Answer::No};
    Form4& form4 = Add(QStringLiteral("Beta"), QStringLiteral("http://b/2.jpg"));
    ASSERT_EQ(boxes.calls.size(), 1);
    EXPECT_EQ(boxes.calls[0].text,
              QStringLiteral("A cam with this description already exists! Do you want to "
                             "overwrite it?"));
    EXPECT_EQ(boxes.calls[0].defaultButton, MessageBoxes::Answer::No);
    EXPECT_TRUE(form4.isVisible());
    EXPECT_EQ(form4.Text2->text(), QStringLiteral("http://b/2.jpg"));
    EXPECT_EQ(Cams(), kThree);

    boxes.answers = {MessageBoxes::Answer::Yes};
    form4.Command1->click();
    EXPECT_FALSE(form4.isVisible());
    QByteArray expected = kThree;
    expected.replace("http://127.0.0.1:9/beta.jpg", "http://b/2.jpg");
    EXPECT_EQ(Cams(), expected);
}

TEST_F(CamDialogs, EditShowsTheFirstEntryAndRewritesEveryEntryOfThatTitle) {
    Start(kThree + "Alpha\r\nhttp://127.0.0.1:9/a2.jpg\r\n");
    OpenList();
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
    OpenList();
    Select(QStringLiteral("Beta"));
    boxes.answers = {MessageBoxes::Answer::No};
    form3->Command2->click();
    ASSERT_EQ(boxes.calls.size(), 1);
    EXPECT_EQ(boxes.calls[0].text,
              QStringLiteral("Do you really want to remove 'Beta' from your WebCam list?"));
    EXPECT_EQ(boxes.calls[0].title, QStringLiteral("Remove WebCam"));
    EXPECT_EQ(boxes.calls[0].icon, MessageBoxes::Icon::Question);
    EXPECT_EQ(boxes.calls[0].defaultButton, MessageBoxes::Answer::Yes);
    EXPECT_EQ(Cams(), kThree);

    form3->Command2->click(); // the default button: Yes
    EXPECT_EQ(Cams(),
              "Zoo\r\nhttp://127.0.0.1:9/zoo.jpg\r\nAlpha\r\nhttp://127.0.0.1:9/a1.jpg\r\n");
    EXPECT_EQ(Items(*form3->List1).join(u','), QStringLiteral("Alpha,Zoo"));
    EXPECT_EQ(form1->Combo1->currentText(), QStringLiteral("Alpha"));
    EXPECT_EQ(form2->Combo1->currentText(), QStringLiteral("Alpha"));
}

TEST_F(CamDialogs, RemovingTheLastCameraLeavesEmptyListsAndTheProgramRunning) {
    Start("Solo\r\nhttp://127.0.0.1:9/s.jpg\r\n");
    OpenList();
    form3->Command2->click();
    EXPECT_EQ(Cams(), QByteArray());
    EXPECT_EQ(form3->List1->count(), 0);
    EXPECT_EQ(form1->Combo1->currentIndex(), -1);
    EXPECT_EQ(form2->Combo1->currentIndex(), -1);
    test::Wait(3 * Form2::kFastTickMs);
    form1->Command2->click(); // a refresh with no camera
    // With nothing selected, Edit and Remove have nothing to act on; Add starts the list again.
    form3->Command3->click();
    form3->Command2->click();
    EXPECT_EQ(boxes.calls.size(), 1);
    Add(QStringLiteral("New"), QStringLiteral("http://127.0.0.1:9/n.jpg"));
    EXPECT_EQ(Cams(), "New\r\nhttp://127.0.0.1:9/n.jpg\r\n");
    EXPECT_EQ(form1->Combo1->currentText(), QStringLiteral("New"));
}

TEST_F(CamDialogs, ABlankTitleOrAddressIsRefusedWithTheReason) {
    Start();
    OpenList();
    const struct {
        QString title, url, says;
    } cases[] = {
        {QString(), QStringLiteral("http://x/1.jpg"), QStringLiteral("title")},
        {QStringLiteral("   "), QStringLiteral("http://x/1.jpg"), QStringLiteral("title")},
        {QStringLiteral("Cam"), QString(), QStringLiteral("URL")},
    };
    for (const auto& c : cases) {
        boxes.calls.clear();
        Form4& form4 = Add(c.title, c.url);
        ASSERT_EQ(boxes.calls.size(), 1);
        EXPECT_TRUE(boxes.calls[0].text.contains(c.says)) << boxes.calls[0].text.toStdString();
        EXPECT_TRUE(form4.isVisible());
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
    OpenList();
    Select(QStringLiteral("Alpha"));
    QDir here;
    for (const auto& c : cases) {
        boxes.calls.clear();
        QFile::remove(QStringLiteral("Cams.inf"));
        here.rmdir(QStringLiteral("Cams.inf"));
        if (!c.missing) {
            ASSERT_TRUE(here.mkdir(QStringLiteral("Cams.inf"))); // exists, but is no file
        }
        (form3.get()->*c.button)->click();
        ASSERT_EQ(boxes.calls.size(), 1);
        EXPECT_TRUE(boxes.calls[0].text.endsWith(c.says)) << boxes.calls[0].text.toStdString();
        EXPECT_EQ(form3->CurrentForm4(), nullptr);
        EXPECT_EQ(QFileInfo::exists(QStringLiteral("Cams.inf")), !c.missing);
        EXPECT_EQ(form3->List1->count(), 3);
    }
}

TEST_F(CamDialogs, AFailedRewriteKeepsTheDialogAndSaysSo) {
    Start();
    OpenList();
    ASSERT_TRUE(QDir().mkdir(QStringLiteral("C1.DAT"))); // the rewrite file cannot be made
    Form4& form4 = Add(QStringLiteral("Delta"), QStringLiteral("http://d/1.jpg"));
    ASSERT_EQ(boxes.calls.size(), 1);
    EXPECT_TRUE(boxes.calls[0].text.contains(QStringLiteral("could not be rewritten")));
    EXPECT_TRUE(form4.isVisible());
    EXPECT_EQ(form4.Text1->text(), QStringLiteral("Delta"));
    EXPECT_EQ(Cams(), kThree);
}

TEST_F(CamDialogs, ClosingTheAddEditDialogDiscardsItLikeCancel) {
    Start();
    OpenList();
    form3->hide();
    QPointer<Form4> form4 = &OpenForm4(form3->Command1);
    form4->Text1->setText(QStringLiteral("Typed"));
    form4->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(form4.isNull());
    EXPECT_FALSE(form3->isVisible()); // unlike Cancel, the list is left alone
    EXPECT_EQ(Cams(), kThree);
    Select(QStringLiteral("Zoo"));
    EXPECT_EQ(OpenForm4(form3->Command3).Text1->text(), QStringLiteral("Zoo"));
}

TEST(Splash, MarqueeScrollsLoadingInFromTheRight) {
    const QString source = QString(17, QLatin1Char(' ')) + QStringLiteral("Loading...");
    const struct {
        int position;
        QString shown;
    } cases[] = {
        {1, QString(17, QLatin1Char(' ')) + QStringLiteral("L")},
        {18, QStringLiteral("Loading...")},
        {27, QStringLiteral(".")},
        {28, QString()},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MarqueeText(source, c.position), c.shown) << c.position;
    }

    test::App();
    test::FakeScreen screen;
    Loading loading(screen);
    for (int tick = 0; tick < 28; ++tick)
        loading.Timer2Timer();
    EXPECT_EQ(loading.Label4->text(), QStringLiteral("0")); // a new cycle starts
    EXPECT_EQ(loading.Label2->text(), QString());
}

TEST_F(CamDialogs, TheSplashLoadsTheMainWindowAtTheTopLeftAndIsHiddenByIt) {
    WriteFile(QStringLiteral("Cams.inf"), kThree);
    MakeWindows();
    form1->move(200, 100);
    Loading loading(screen);
    form1->SetSplash(&loading);
    bool splashShownDuringLoad = false;
    loading.SetMainWindow(form1.get(), [&] {
        splashShownDuringLoad = loading.isVisible() && !form1->isVisible();
        form1->FormLoad();
    });
    loading.show();
    EXPECT_TRUE(loading.Timer1->isActive());
    EXPECT_EQ(loading.Timer1->interval(), 1000);
    EXPECT_EQ(loading.Timer2->interval(), 100);
    test::Wait(1300);
    EXPECT_TRUE(splashShownDuringLoad);
    EXPECT_TRUE(form1->isVisible());
    EXPECT_EQ(form1->pos(), QPoint(0, 0));
    EXPECT_EQ(form1->Combo1->count(), 3);
    EXPECT_FALSE(loading.isVisible());
    EXPECT_FALSE(loading.Timer1->isActive());
    EXPECT_FALSE(loading.Timer2->isActive());
}

TEST_F(CamDialogs, AboutShowsTheVersionAndOpensItsLinks) {
    Start();
    QTest::mouseClick(form1->Image2, Qt::LeftButton);
    About* about = form1->AboutWindow();
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->isVisible());
    EXPECT_EQ(about->windowTitle(), QStringLiteral("About Orlisk 2.2.2002"));
    EXPECT_EQ(about->Label1->text(), QStringLiteral("Orlisk"));
    EXPECT_EQ(about->Label2->text(), QStringLiteral("2.2.2002"));
    EXPECT_EQ(about->Label5->text(),
              QStringLiteral("If you need any help visit the product homepage:"));
    EXPECT_EQ(about->Label9->text(),
              QStringLiteral("For questions, suggestions and other things, write a mail:"));
    EXPECT_FALSE(about->Label3->text().isEmpty());
    EXPECT_EQ(about->Label10->palette().color(QPalette::WindowText), QColor(0, 0, 128));

    QTest::mouseClick(about->Label10, Qt::LeftButton);
    QTest::mouseClick(about->Label10, Qt::LeftButton);
    QTest::mouseClick(about->Label6, Qt::LeftButton);
    const QString mail = QStringLiteral("mailto:") + about->Label10->text();
    const QString home = QStringLiteral("http://") + about->Label6->text();
    EXPECT_EQ(shell.opened, QStringList({mail, mail, home}));
    EXPECT_EQ(about->Label10->palette().color(QPalette::WindowText), QColor(128, 0, 128));
    EXPECT_EQ(about->Label6->palette().color(QPalette::WindowText), QColor(128, 0, 128));

    // The same addresses as the program's AppStream metainfo.
    const QByteArray metainfo =
        ReadFile(qEnvironmentVariable("TEST_FIXTURES") +
                 QStringLiteral("/../../orlisk/data/org.brakmo.Orlisk.metainfo.xml"));
    EXPECT_TRUE(metainfo.contains("<url type=\"homepage\">" + home.toUtf8() + "</url>"));
    EXPECT_TRUE(metainfo.contains("<update_contact>" + about->Label10->text().toUtf8()));

    form1->hide();
    about->Command1->click();
    EXPECT_FALSE(about->isVisible());
    EXPECT_TRUE(form1->isVisible());
}
