// The small rules beside the windows: interval repair, picture fitting, the status line.
#include "platform/Screen.h"
#include "viewer/Download.h"
#include "viewer/Intervals.h"

#include <gtest/gtest.h>

using namespace orlisk;

namespace {

QString TextOf(const IntervalRepair& repair) {
    return repair.text.value_or(QStringLiteral("-"));
}

} // namespace

TEST(IntervalRules, RefreshIntervalRepairs) {
    EXPECT_EQ(TextOf(RepairRefreshInterval(QStringLiteral("0"))), QStringLiteral("1"));
    EXPECT_EQ(TextOf(RepairRefreshInterval(QStringLiteral("abc"))), QStringLiteral("1"));
    EXPECT_EQ(TextOf(RepairRefreshInterval(QString())), QStringLiteral("1"));
    EXPECT_EQ(TextOf(RepairRefreshInterval(QStringLiteral("70"))), QStringLiteral("60"));
    EXPECT_EQ(TextOf(RepairRefreshInterval(QStringLiteral("70x"))), QStringLiteral("60"));
    EXPECT_EQ(TextOf(RepairRefreshInterval(QStringLiteral("-5"))), QStringLiteral("1"));
    EXPECT_EQ(RepairRefreshInterval(QStringLiteral("65")).intervalMs, 65000);
    EXPECT_EQ(RepairRefreshInterval(QStringLiteral("65.535")).intervalMs, 65535);
    EXPECT_EQ(TextOf(RepairRefreshInterval(QStringLiteral("65.536"))), QStringLiteral("60"));
    EXPECT_EQ(RepairRefreshInterval(QStringLiteral("1")).intervalMs, 1000);
    EXPECT_EQ(RepairRefreshInterval(QStringLiteral("0.5")).intervalMs, 500);
}

TEST(IntervalRules, ChangeIntervalRepairs) {
    EXPECT_EQ(TextOf(RepairChangeInterval(QStringLiteral("0"))), QStringLiteral("1"));
    EXPECT_EQ(TextOf(RepairChangeInterval(QString())), QStringLiteral("1"));
    EXPECT_EQ(TextOf(RepairChangeInterval(QStringLiteral("90"))), QStringLiteral("60"));
    EXPECT_EQ(TextOf(RepairChangeInterval(QStringLiteral("5x"))), QStringLiteral("60"));
    EXPECT_EQ(RepairChangeInterval(QStringLiteral("60")).intervalMs, 60000);
    EXPECT_EQ(RepairChangeInterval(QStringLiteral("1")).intervalMs, 1000);
}

TEST(IntervalRules, ChangeIntervalStaysWithinOneToSixtyWhenValueAndLeadingNumberDiffer) {
    // The leading number reads 1, the value does not: an exponent must not set a 1000 s (or an
    // overflowing) interval.
    EXPECT_EQ(TextOf(RepairChangeInterval(QStringLiteral("1e3"))), QStringLiteral("60"));
    EXPECT_EQ(TextOf(RepairChangeInterval(QStringLiteral("1e9"))), QStringLiteral("60"));
    EXPECT_EQ(TextOf(RepairChangeInterval(QStringLiteral("1e-3"))), QStringLiteral("1"));
    EXPECT_EQ(RepairChangeInterval(QStringLiteral("6e1")).intervalMs, 60000);
}

TEST(IntervalRules, ArrowKeysWriteNumbersTheBoxesReadBack) {
    // "7.04704e+06" would read as 7: the box must get plain digits.
    EXPECT_EQ(StepByArrow(QStringLiteral("7047040"), false), QStringLiteral("7047039"));
    const QString small = StepByArrow(QStringLiteral("1.00001"), false).value_or(QString());
    EXPECT_FALSE(small.contains(QLatin1Char('e'))) << small.toStdString();
    EXPECT_NEAR(LeadingNumber(small), 0.00001, 1e-9);
    EXPECT_EQ(StepByArrow(QStringLiteral("12.3456789"), true), QStringLiteral("13.3456789"));
    EXPECT_EQ(StepByArrow(QStringLiteral("1.1"), false), QStringLiteral("0.1"));
}

TEST(IntervalRules, ArrowKeysStepWithinOneToSixty) {
    EXPECT_EQ(StepByArrow(QStringLiteral("10"), true), QStringLiteral("11"));
    EXPECT_EQ(StepByArrow(QStringLiteral("10"), false), QStringLiteral("9"));
    EXPECT_FALSE(StepByArrow(QStringLiteral("60"), true));
    EXPECT_FALSE(StepByArrow(QStringLiteral("65"), true));
    EXPECT_FALSE(StepByArrow(QStringLiteral("1"), false));
    EXPECT_EQ(StepByArrow(QStringLiteral("abc"), true), QStringLiteral("1"));
    EXPECT_DOUBLE_EQ(LeadingNumber(QStringLiteral("  12.5kg")), 12.5);
}

TEST(PictureFitting, ScreenCases) {
    // 640 x 480 on 1024 x 768 at 15 twips a pixel: scaled by 1.6, placed at 0, 0.
    TwipsRect r = FitIntoFrame({0, 0, 1024 * 15, 768 * 15}, 640 * 15, 480 * 15);
    EXPECT_FLOAT_EQ(r.Width, 1024 * 15);
    EXPECT_FLOAT_EQ(r.Height, 768 * 15);
    EXPECT_FLOAT_EQ(r.Left, 0);
    EXPECT_FLOAT_EQ(r.Top, 0);
    // On 1280 x 1024 the width ratio is the smaller: 1280 x 960 with 32 pixels above and below.
    r = FitIntoFrame({0, 0, 1280 * 15, 1024 * 15}, 640 * 15, 480 * 15);
    EXPECT_FLOAT_EQ(r.Width, 1280 * 15);
    EXPECT_FLOAT_EQ(r.Height, 960 * 15);
    EXPECT_FLOAT_EQ(r.Top, 32 * 15);
}

TEST(PictureFitting, FrameCases) {
    const TwipsRect frame{60, 120, 4815, 3615};
    TwipsRect r = FitIntoFrame(frame, 320 * 15, 240 * 15);
    EXPECT_FLOAT_EQ(r.Width, 4815);
    EXPECT_NEAR(r.Height, 3611.25, 0.01);
    EXPECT_FLOAT_EQ(r.Left, 60);
    EXPECT_NEAR(r.Top, 121.875, 0.01);
    r = FitIntoFrame(frame, 400 * 15, 100 * 15);
    EXPECT_FLOAT_EQ(r.Width, 4815);
    EXPECT_NEAR(r.Height, 4815.0 / 4, 0.01);
    EXPECT_NEAR(r.Top + r.Height / 2, 120 + 3615.0 / 2, 0.01) << "centred vertically";
    // A tall picture takes the height ratio and is centred horizontally.
    r = FitIntoFrame(frame, 100 * 15, 400 * 15);
    EXPECT_FLOAT_EQ(r.Height, 3615);
    EXPECT_NEAR(r.Left + r.Width / 2, 60 + 4815.0 / 2, 0.01);
}

TEST(StatusLine, BothFormsReadTheSameForWholeSeconds) {
    const QTime t(9, 5, 7);
    EXPECT_EQ(DownloadStatusLine(t, 3), QStringLiteral("Screenshot taken: 09:05:07 ( 3 Sec/Pic )"));
    EXPECT_EQ(RefreshStatusLine(t, QStringLiteral("3")), DownloadStatusLine(t, 3));
    EXPECT_EQ(DownloadStatusLine(QTime(23, 0, 0), -2),
              QStringLiteral("Screenshot taken: 23:00:00 (-2 Sec/Pic )"));
}

TEST(StatusLine, SecondsRoundHalvesToEvenAndSurviveMidnight) {
    EXPECT_EQ(ElapsedSeconds(100.0, 102.5), 2);
    EXPECT_EQ(ElapsedSeconds(100.0, 103.5), 4);
    EXPECT_EQ(ElapsedSeconds(100.0, 100.4), 0);
    EXPECT_EQ(ElapsedSeconds(86399.0, 2.0), 3) << "a download over midnight";
}

TEST(ScreenDepth, TwentyFourBitVisualsStoreThirtyTwoBitPixels) {
    EXPECT_EQ(BitsPerPixelForDepth(24), 32);
    EXPECT_EQ(BitsPerPixelForDepth(32), 32);
    EXPECT_EQ(BitsPerPixelForDepth(16), 16);
    EXPECT_EQ(BitsPerPixelForDepth(8), 8);
}
