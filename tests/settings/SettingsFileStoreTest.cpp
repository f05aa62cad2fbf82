#include "settings/SettingsFileStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using OrvVelmora::SettingsFileStore;

namespace {

class SettingsFileStoreTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    SettingsFileStore store;
    QString file() const { return dir.filePath(QStringLiteral("sub/velmora.ini")); }
};

TEST_F(SettingsFileStoreTest, ValuesComeBackExactlyAsWritten)
{
    const QStringList values = {
        QStringLiteral("  leading and trailing  "),
        QStringLiteral("Jürgen Müller-Lüdenscheidt ß €"),
        QStringLiteral("a=b;c#d \"quoted\" 'single' back\\slash"),
        QStringLiteral("comma, separated, list"),
        QStringLiteral("@Variant(not really)"),
        QStringLiteral("line\nbreak\r\nand\ttab"),
        QStringLiteral("bell\a7f then hex digits"),
        QStringLiteral("@@twice"),
        QStringLiteral("\"whole in quotes\""),
        QString(),
    };
    for (int i = 0; i < values.size(); ++i) {
        const QString key = QStringLiteral("Key%1").arg(i);
        ASSERT_TRUE(store.WriteValue(QStringLiteral("Velmora"), key, values[i], file()));
        EXPECT_EQ(store.ReadValue(QStringLiteral("Velmora"), key, file()), values[i]) << i;
    }
}

// Hosts and administrators keep keys and comments of their own in the file;
// a save sets ours in one write and leaves the rest as it stood.
TEST_F(SettingsFileStoreTest, SavingKeepsForeignKeysCommentsAndSections)
{
    QDir().mkpath(dir.filePath(QStringLiteral("sub")));
    QFile existing(file());
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("; vom Administrator gepflegt\r\n[Host]\r\nLizenz=4711\r\n\r\n[Velmora]\r\n"
                   "# Server nur intern\r\nServer=alt.buero.lan\r\nServer=doppelt\r\nHostEigen=bleibt\r\n\r\n"
                   "[Zuletzt]\r\nDatei=a.rtf\r\n");
    existing.close();
    ASSERT_TRUE(store.WriteValues(
        QStringLiteral("Velmora"),
        {{QStringLiteral("Server"), QStringLiteral("neu.buero.lan")}, {QStringLiteral("PWD"), QStringLiteral("a,b")}},
        file()));
    ASSERT_TRUE(existing.open(QIODevice::ReadOnly));
    EXPECT_EQ(existing.readAll(),
              QByteArray("; vom Administrator gepflegt\n[Host]\nLizenz=4711\n\n[Velmora]\n"
                         "# Server nur intern\nServer=neu.buero.lan\nHostEigen=bleibt\n"
                         "PWD=\"a,b\"\n\n[Zuletzt]\nDatei=a.rtf\n"));
    EXPECT_EQ(store.ReadValue(QStringLiteral("Velmora"), QStringLiteral("PWD"), file()), QStringLiteral("a,b"));
    EXPECT_EQ(store.ReadValue(QStringLiteral("Host"), QStringLiteral("Lizenz"), file()), QStringLiteral("4711"));
    EXPECT_FALSE(store.WriteValue(QStringLiteral("Velmora"), QStringLiteral("a=b"), QStringLiteral("x"), file()));
}

TEST_F(SettingsFileStoreTest, MissingFileOrKeyReadsEmpty)
{
    EXPECT_EQ(store.ReadValue(QStringLiteral("Velmora"), QStringLiteral("Name"), file()), QString());
    ASSERT_TRUE(store.WriteValue(QStringLiteral("Velmora"), QStringLiteral("Name"), QStringLiteral("x"), file()));
    EXPECT_EQ(store.ReadValue(QStringLiteral("Velmora"), QStringLiteral("Other"), file()), QString());
    EXPECT_EQ(store.ReadValue(QStringLiteral("Andere"), QStringLiteral("Name"), file()), QString());
}

TEST_F(SettingsFileStoreTest, FileIsOwnerOnlyAndStaysSo)
{
    ASSERT_TRUE(store.WriteValue(QStringLiteral("Velmora"), QStringLiteral("PWD"), QStringLiteral("geheim"), file()));
    const auto ownerOnly = QFile::ReadOwner | QFile::WriteOwner;
    const auto others = QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther;
    EXPECT_EQ(QFile::permissions(file()) & (ownerOnly | others), ownerOnly);
    ASSERT_TRUE(store.WriteValue(QStringLiteral("Velmora"), QStringLiteral("USR"), QStringLiteral("ich"), file()));
    EXPECT_EQ(QFile::permissions(file()) & (ownerOnly | others), ownerOnly);
    EXPECT_EQ(store.ReadValue(QStringLiteral("Velmora"), QStringLiteral("PWD"), file()), QStringLiteral("geheim"));
}

TEST_F(SettingsFileStoreTest, UnwritableLocationFailsWithoutCreatingAnything)
{
    QFile blocker(dir.filePath(QStringLiteral("blocker")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString impossible = dir.filePath(QStringLiteral("blocker/velmora.ini"));
    EXPECT_FALSE(store.WriteValue(QStringLiteral("Velmora"), QStringLiteral("Name"), QStringLiteral("x"), impossible));
    EXPECT_EQ(store.ReadValue(QStringLiteral("Velmora"), QStringLiteral("Name"), impossible), QString());
}

TEST_F(SettingsFileStoreTest, EmptyFileNameUsesPerUserDefault)
{
    qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
    ASSERT_TRUE(
        store.WriteValue(QStringLiteral("Velmora"), QStringLiteral("Name"), QStringLiteral("Standard"), QString()));
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("OrvVelmora/velmora.ini"))));
    EXPECT_EQ(store.ReadValue(QStringLiteral("Velmora"), QStringLiteral("Name"), QString()),
              QStringLiteral("Standard"));
    qunsetenv("XDG_CONFIG_HOME");
}

} // namespace
