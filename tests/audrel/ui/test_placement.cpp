#include <QScreen>
#include <QWidget>

#include <memory>

#include <gtest/gtest.h>

#include "Placemnt.h"
#include "UiFakes.h"

namespace {

using namespace placement;

TEST(PlacementText, FourNumbersRoundTripAndMissingOnesTakeTheirDefaults) {
    EXPECT_EQ(FormatFour({-1, -1, -1, -1}), QStringLiteral("-1,-1,-1,-1"));
    EXPECT_EQ(FormatFour({10, 20, 491, 589}), QStringLiteral("10,20,491,589"));
    EXPECT_EQ(ParseFour(QStringLiteral("10,20,491,589"), {0, 0, 0, 0}),
              (std::array<int, 4>{10, 20, 491, 589}));
    EXPECT_EQ(ParseFour(QStringLiteral("5,6"), {1, 2, 3, 4}), (std::array<int, 4>{5, 6, 3, 4}));
    EXPECT_EQ(ParseFour(QStringLiteral("x,6,,8"), {1, 2, 3, 4}), (std::array<int, 4>{1, 6, 8, 4}));
    EXPECT_EQ(ParseFour(QString(), {1, 2, 3, 4}), (std::array<int, 4>{1, 2, 3, 4}));
    EXPECT_EQ(FourToRect(RectToFour(QRect(7, 8, 481, 569))), QRect(7, 8, 481, 569));
    EXPECT_EQ(RectToFour(QRect(7, 8, 481, 569)), (std::array<int, 4>{7, 8, 488, 577}));
}

TEST(PlacementText, ShowCodesMapToWindowStates) {
    for (int code : {1, 5, 9, 0, 4, 8, 10, -1})
        EXPECT_EQ(StateForShowCmd(code), Qt::WindowNoState) << code;
    for (int code : {2, 6, 7})
        EXPECT_EQ(StateForShowCmd(code), Qt::WindowMinimized) << code;
    EXPECT_EQ(StateForShowCmd(3), Qt::WindowMaximized);
    EXPECT_EQ(ShowCmdForState(Qt::WindowNoState), 1);
    EXPECT_EQ(ShowCmdForState(Qt::WindowMinimized), 2);
    EXPECT_EQ(ShowCmdForState(Qt::WindowMaximized), 3);
    EXPECT_EQ(FlagsForState(Qt::WindowMinimized | Qt::WindowMaximized), 2);
    EXPECT_EQ(FlagsForState(Qt::WindowMaximized), 0);
}

TEST(PlacementText, AWindowMostlyOffEveryScreenComesBackOntoTheNearestOne) {
    const QList<QRect> screens = {QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)};
    const struct {
        QRect stored;
        QRect shown;
    } cases[] = {
        {QRect(100, 100, 800, 600), QRect(100, 100, 800, 600)},   // fits
        {QRect(2600, 100, 800, 600), QRect(2600, 100, 800, 600)}, // a quarter off: kept
        {QRect(1520, 100, 800, 600), QRect(1520, 100, 800, 600)}, // across both screens
        {QRect(3000, 100, 800, 600), QRect(2400, 100, 800, 600)}, // mostly off
        {QRect(100, 1000, 800, 600), QRect(100, 480, 800, 600)},  // mostly below
        {QRect(4000, 200, 800, 600), QRect(2400, 200, 800, 600)}, // a monitor removed
        {QRect(-1500, 50, 481, 569), QRect(0, 50, 481, 569)},     // one on the left too
        {QRect(5000, 0, 1600, 1200), QRect(1920, 0, 1280, 1024)}, // larger than the screen
    };
    for (const auto& c : cases)
        EXPECT_EQ(OnScreens(c.stored, screens), c.shown) << c.stored.x() << "," << c.stored.y();
}

class PlacementTest : public ::testing::Test {
protected:
    void SetUp() override { TestApp(); }

    // A window as the program makes one: its own first size, placement attached.
    std::unique_ptr<QWidget> MakeWindow() {
        auto window = std::make_unique<QWidget>();
        window->setGeometry(30, 40, 481, 569);
        placement = new TFormPlacement(window.get(), settings, dialogs);
        return window;
    }

    int Ppi() const { return qRound(QApplication::primaryScreen()->logicalDotsPerInch()); }

    MemorySettings settings;
    ScriptedDialogs dialogs;
    TFormPlacement* placement = nullptr;
};

TEST_F(PlacementTest, FirstRunKeepsTheWindowsOwnPlace) {
    auto window = MakeWindow();
    window->show();
    EXPECT_EQ(window->geometry(), QRect(30, 40, 481, 569));
    EXPECT_EQ(window->windowState(), Qt::WindowNoState);
}

TEST_F(PlacementTest, CloseStoresTheValuesAndARestartRestoresThem) {
    {
        auto window = MakeWindow();
        window->show();
        window->setGeometry(100, 120, 500, 400);
        placement->CloseQuery();
        placement->Destroying(); // already saved at close: not again
    }
    EXPECT_EQ(settings.Value(QStringLiteral("FormVersion")), QStringLiteral("0"));
    EXPECT_EQ(settings.Value(QStringLiteral("Flags")), QStringLiteral("0"));
    EXPECT_EQ(settings.Value(QStringLiteral("ShowCmd")), QStringLiteral("1"));
    EXPECT_EQ(settings.Value(QStringLiteral("PixelsPerInch")), QString::number(Ppi()));
    EXPECT_EQ(settings.Value(QStringLiteral("MinMaxPos")), QStringLiteral("-1,-1,-1,-1"));
    EXPECT_EQ(settings.Value(QStringLiteral("NormPos")), QStringLiteral("100,120,600,520"));
    EXPECT_EQ(settings.Value(QStringLiteral("Visible")), QStringLiteral("0"));

    auto again = MakeWindow();
    again->show();
    EXPECT_EQ(again->geometry(), QRect(100, 120, 500, 400));
}

TEST_F(PlacementTest, AWindowDestroyedWithoutClosingSavesWithVisibleSet) {
    auto window = MakeWindow();
    window->show();
    placement->Destroying();
    EXPECT_EQ(settings.Value(QStringLiteral("Visible")), QStringLiteral("1"));
}

TEST_F(PlacementTest, AMaximisedWindowComesBackMaximisedAndRemembersItsNormalPlace) {
    {
        auto window = MakeWindow();
        window->show();
        window->setGeometry(60, 70, 450, 350);
        window->setWindowState(Qt::WindowMaximized);
        placement->CloseQuery();
    }
    EXPECT_EQ(settings.Value(QStringLiteral("ShowCmd")), QStringLiteral("3"));
    EXPECT_EQ(settings.Value(QStringLiteral("NormPos")), QStringLiteral("60,70,510,420"));

    auto again = MakeWindow();
    again->show();
    EXPECT_TRUE(again->windowState() & Qt::WindowMaximized);
    EXPECT_EQ(again->normalGeometry(), QRect(60, 70, 450, 350));
}

TEST_F(PlacementTest, AnotherResolutionKeepsTheWindowsOwnPlaceButStillMaximises) {
    settings.Values = {{QStringLiteral("FormVersion"), QStringLiteral("0")},
                       {QStringLiteral("ShowCmd"), QStringLiteral("3")},
                       {QStringLiteral("PixelsPerInch"), QString::number(Ppi() + 24)},
                       {QStringLiteral("NormPos"), QStringLiteral("5,5,205,205")}};
    auto window = MakeWindow();
    window->show();
    EXPECT_TRUE(window->windowState() & Qt::WindowMaximized);
    EXPECT_EQ(window->normalGeometry(), QRect(30, 40, 481, 569));
}

TEST_F(PlacementTest, AReversedEmptyOrAbsurdRectangleIsIgnored) {
    for (const char* norm :
         {"300,10,200,400", "10,400,300,400", "-2000000000,0,2000000000,500", "0,0,100000,500"}) {
        settings.Values = {{QStringLiteral("NormPos"), QString::fromLatin1(norm)}};
        auto window = MakeWindow();
        window->show();
        EXPECT_EQ(window->geometry(), QRect(30, 40, 481, 569)) << norm;
    }
}

TEST_F(PlacementTest, AStoredMinimisedStateShowsNormalThenMinimises) {
    settings.Values = {{QStringLiteral("ShowCmd"), QStringLiteral("2")},
                       {QStringLiteral("NormPos"), QStringLiteral("10,10,410,310")}};
    auto window = MakeWindow();
    window->show();
    EXPECT_FALSE(window->windowState() & Qt::WindowMinimized);
    QApplication::processEvents();
    EXPECT_TRUE(window->windowState() & Qt::WindowMinimized);
}

TEST_F(PlacementTest, AStoreThatCannotBeWrittenEndsInTheErrorBoxAndTheWindowStillCloses) {
    auto window = MakeWindow();
    window->show();
    settings.FailWrites = true;
    placement->CloseQuery();
    ASSERT_EQ(dialogs.Errors.size(), 1u);
    EXPECT_TRUE(dialogs.Errors[0].startsWith(QStringLiteral("Failed to create key")));
    EXPECT_TRUE(window->close());
}

TEST_F(PlacementTest, NumbersAreStoredAsDecimalText) {
    auto window = MakeWindow();
    placement->StoreNumber(QStringLiteral("ListCol0"), 123);
    EXPECT_EQ(settings.Value(QStringLiteral("ListCol0")), QStringLiteral("123"));
    EXPECT_EQ(placement->LoadNumber(QStringLiteral("ListCol0"), 0), 123);
    settings.Values[QStringLiteral("ListCol1")] = QStringLiteral("wide");
    EXPECT_EQ(placement->LoadNumber(QStringLiteral("ListCol1"), 150), 150);
}

} // namespace
