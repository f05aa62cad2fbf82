// The C entry points as a host that loads the library at run time uses them:
// everything a C++ host can set it can set and read back.
#include <OrvVelmora/OrvVelmora.h>

#include <QSqlDatabase>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

struct MailDeleter
{
    void operator()(OrvVelmoraMail *mail) const { OrvVelmora_Destroy(mail); }
};
using Mail = std::unique_ptr<OrvVelmoraMail, MailDeleter>;

// Asks for the size first, then reads the text, as a C host would.
std::string readText(int (*getter)(OrvVelmoraMail *, char *, size_t *), OrvVelmoraMail *mail)
{
    size_t size = 0;
    EXPECT_NE(getter(mail, nullptr, &size), 0) << "a NULL buffer never fits";
    std::string text(size, '\0');
    EXPECT_EQ(getter(mail, text.data(), &size), 0);
    EXPECT_EQ(text.back(), '\0');
    text.pop_back();
    return text;
}

TEST(CEntryPoints, TextsGoInAndComeBackAsUtf8)
{
    const Mail mail(OrvVelmora_Create());
    EXPECT_EQ(readText(OrvVelmora_GetConfigFileName, mail.get()), "");
    ASSERT_EQ(OrvVelmora_SetConfigFileName(mail.get(), "/tmp/Grüße/velmora.ini"), 0);
    EXPECT_EQ(readText(OrvVelmora_GetConfigFileName, mail.get()), "/tmp/Grüße/velmora.ini");

    char tooSmall[4];
    size_t size = sizeof tooSmall;
    EXPECT_NE(OrvVelmora_GetConfigFileName(mail.get(), tooSmall, &size), 0);
    EXPECT_EQ(size, std::string("/tmp/Grüße/velmora.ini").size() + 1);

    QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("host-kunden"));
    ASSERT_EQ(OrvVelmora_SetConnectionName(mail.get(), "host-kunden"), 0);
    EXPECT_EQ(readText(OrvVelmora_GetConnectionName, mail.get()), "host-kunden");
    QSqlDatabase::removeDatabase(QStringLiteral("host-kunden"));
}

TEST(CEntryPoints, ConnectionSettingsComeBackAsTheSamePointer)
{
    const Mail mail(OrvVelmora_Create());
    void *read = &read;
    ASSERT_EQ(OrvVelmora_GetADOConnectionSettings(mail.get(), &read), 0);
    EXPECT_EQ(read, nullptr);
    int hostObject = 7;
    ASSERT_EQ(OrvVelmora_SetADOConnectionSettings(mail.get(), &hostObject), 0);
    ASSERT_EQ(OrvVelmora_GetADOConnectionSettings(mail.get(), &read), 0);
    EXPECT_EQ(read, &hostObject);
    ASSERT_EQ(OrvVelmora_SetADOConnectionSettings(mail.get(), nullptr), 0);
    ASSERT_EQ(OrvVelmora_GetADOConnectionSettings(mail.get(), &read), 0);
    EXPECT_EQ(read, nullptr);
}

TEST(CEntryPoints, SchemeColoursKeepRedInTheLowestByteAndOnlyIndexesOneToFive)
{
    const Mail mail(OrvVelmora_Create());
    for (int index = 1; index <= 5; ++index) {
        const unsigned int bgr = 0x00102030u + unsigned(index);
        ASSERT_EQ(OrvVelmora_SetColor(mail.get(), index, bgr), 0) << index;
        unsigned int read = 0;
        ASSERT_EQ(OrvVelmora_GetColor(mail.get(), index, &read), 0) << index;
        EXPECT_EQ(read, bgr) << index;
    }
    unsigned int red = 0;
    ASSERT_EQ(OrvVelmora_SetColor(mail.get(), 1, 0x000000FFu), 0);
    ASSERT_EQ(OrvVelmora_GetColor(mail.get(), 1, &red), 0);
    EXPECT_EQ(red, 0x000000FFu);
    unsigned int unused = 0;
    EXPECT_NE(OrvVelmora_SetColor(mail.get(), 0, 0), 0);
    EXPECT_NE(OrvVelmora_SetColor(mail.get(), 6, 0), 0);
    EXPECT_NE(OrvVelmora_GetColor(mail.get(), 6, &unused), 0);
}

TEST(CEntryPoints, ANullMailIsRefusedByEveryCall)
{
    size_t size = 16;
    char buffer[16];
    void *settings = nullptr;
    unsigned int bgr = 0;
    EXPECT_NE(OrvVelmora_SetConnectionName(nullptr, "x"), 0);
    EXPECT_NE(OrvVelmora_SetConfigFileName(nullptr, "x"), 0);
    EXPECT_NE(OrvVelmora_ShowDialog(nullptr), 0);
    EXPECT_NE(OrvVelmora_GetConnectionName(nullptr, buffer, &size), 0);
    EXPECT_NE(OrvVelmora_GetConfigFileName(nullptr, buffer, &size), 0);
    EXPECT_NE(OrvVelmora_SetADOConnectionSettings(nullptr, &bgr), 0);
    EXPECT_NE(OrvVelmora_GetADOConnectionSettings(nullptr, &settings), 0);
    EXPECT_NE(OrvVelmora_SetColor(nullptr, 1, 0), 0);
    EXPECT_NE(OrvVelmora_GetColor(nullptr, 1, &bgr), 0);
    OrvVelmora_Destroy(nullptr);
}

} // namespace
