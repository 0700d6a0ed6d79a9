#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "SettingsStore.h"
#include "audrel/QtApp.h"

namespace {

class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        TestApp();
        ASSERT_TRUE(m_dir.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.path());
    }

    QString ConfFile() const { return m_dir.path() + QStringLiteral("/Brakmo/Finder.conf"); }

    QTemporaryDir m_dir;
};

TEST_F(SettingsStoreTest, ValuesAreStringsInTheMp3GroupAndBooleansAreOneOrZero) {
    {
        QtSettingsStore store;
        store.WriteBool(QStringLiteral("ID3v1"), true);
        store.WriteBool(QStringLiteral("Genre"), false);
        store.WriteInteger(QStringLiteral("ListCol0"), -2);
        store.WriteString(QStringLiteral("NormPos"), QStringLiteral("10,20,491,589"));
        store.Flush();
    }
    QFile file(ConfFile());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.contains("[MP3]"));
    EXPECT_TRUE(text.contains("ID3v1=1"));
    EXPECT_TRUE(text.contains("Genre=0"));
    EXPECT_FALSE(text.contains("true"));
    EXPECT_TRUE(text.contains("ListCol0=-2"));

    QtSettingsStore again;
    EXPECT_EQ(again.ReadString(QStringLiteral("NormPos")), QStringLiteral("10,20,491,589"));
    EXPECT_TRUE(again.ReadBool(QStringLiteral("ID3v1"), false));
    EXPECT_FALSE(again.ReadBool(QStringLiteral("Genre"), true));
    EXPECT_EQ(again.ReadInteger(QStringLiteral("ListCol0"), 100), -2);
}

TEST_F(SettingsStoreTest, MissingOrUnparsableValuesGiveTheDefault) {
    QDir().mkpath(m_dir.path() + QStringLiteral("/Brakmo"));
    QFile file(ConfFile());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(
        "[MP3]\nListCol0=wide\nListCol1=12px\nTitle=7\nAlbum=\nColTime= 42\nMinMaxPos=1, 2\n");
    file.close();

    QtSettingsStore store;
    EXPECT_EQ(store.ReadInteger(QStringLiteral("ListCol0"), 100), 100);
    EXPECT_EQ(store.ReadInteger(QStringLiteral("ListCol1"), 150), 150);
    EXPECT_EQ(store.ReadInteger(QStringLiteral("ColTime"), 50), 42);
    EXPECT_EQ(store.ReadInteger(QStringLiteral("Nothing"), 5), 5);
    EXPECT_TRUE(store.ReadBool(QStringLiteral("Title"), false)); // any number but 0 is true
    EXPECT_TRUE(store.ReadBool(QStringLiteral("Album"), true));  // empty: the default
    EXPECT_FALSE(store.ReadBool(QStringLiteral("Album"), false));
    EXPECT_EQ(store.ReadText(QStringLiteral("Folder"), QStringLiteral("x")), QStringLiteral("x"));
    // An unquoted list in a hand-edited file still reads as the text it was.
    EXPECT_EQ(store.ReadString(QStringLiteral("MinMaxPos")), QStringLiteral("1,2"));
}

TEST_F(SettingsStoreTest, AStoreThatCannotBeWrittenReportsFailedToCreateKey) {
    // A plain file where the settings folder should be: nobody, not even root, can write.
    const QString blocker = m_dir.path() + QStringLiteral("/blocked");
    QFile file(blocker);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, blocker);

    QtSettingsStore store;
    try {
        store.WriteBool(QStringLiteral("ID3v1"), true);
        store.Flush();
        FAIL() << "no error";
    } catch (const SettingsError& e) {
        const QString message = QString::fromUtf8(e.what());
        EXPECT_TRUE(message.startsWith(QStringLiteral("Failed to create key "))) << e.what();
        EXPECT_TRUE(message.contains(QStringLiteral("MP3"))) << e.what();
    }
}

TEST(SettingsNumber, AcceptsSignedDecimalWithBlanksOnly) {
    EXPECT_EQ(ParseSettingsNumber(QStringLiteral("17")), 17);
    EXPECT_EQ(ParseSettingsNumber(QStringLiteral(" -2")), -2);
    EXPECT_EQ(ParseSettingsNumber(QStringLiteral("+5 ")), 5);
    EXPECT_FALSE(ParseSettingsNumber(QStringLiteral("")));
    EXPECT_FALSE(ParseSettingsNumber(QStringLiteral("-")));
    EXPECT_FALSE(ParseSettingsNumber(QStringLiteral("0x10")));
    EXPECT_FALSE(ParseSettingsNumber(QStringLiteral("1 2")));
    EXPECT_FALSE(ParseSettingsNumber(QStringLiteral("99999999999")));
}

} // namespace
