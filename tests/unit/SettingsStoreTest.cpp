#include <gtest/gtest.h>

#include <cstring>

#include "base/TextValue.h"
#include "config/SettingsStore.h"
#include "fake/FakePlatform.h"

namespace aro {
namespace {

using test::ScopedFakePlatform;

TEST(SettingsStoreTest, PresentOnlyWithMoreThanTheTerminator) {
    ScopedFakePlatform fake;
    fake->SetString(Hive::CurrentUser, kMainKey, "Debug", "1");
    fake->SetString(Hive::CurrentUser, kMainKey, "Empty", "");
    char buffer[50] = "garbage";
    EXPECT_TRUE(ReadSetting(Hive::CurrentUser, kMainKey, "Debug", buffer));
    EXPECT_STREQ(buffer, "1");
    EXPECT_FALSE(ReadSetting(Hive::CurrentUser, kMainKey, "Empty", buffer));
    EXPECT_STREQ(buffer, "");
    std::strcpy(buffer, "garbage");
    EXPECT_FALSE(ReadSetting(Hive::CurrentUser, kMainKey, "Missing", buffer));
    EXPECT_STREQ(buffer, "");
}

TEST(SettingsStoreTest, KeyAndValueNamesIgnoreLetterCase) {
    ScopedFakePlatform fake;
    fake->SetString(Hive::CurrentUser, kMainKeyAlt, "ISJAVACLIENT", "1");
    char buffer[10];
    EXPECT_TRUE(ReadSetting(Hive::CurrentUser, kMainKey, "IsJavaClient", buffer));
}

TEST(SettingsStoreTest, ValueLongerThanTheBufferIsAbsent) {
    ScopedFakePlatform fake;
    fake->SetString(Hive::CurrentUser, kMainKey, "PrintToArchive", "1234");
    fake->SetString(Hive::CurrentUser, kMainKey, "Long", "12345");
    char five[5];
    EXPECT_TRUE(ReadSetting(Hive::CurrentUser, kMainKey, "PrintToArchive", five));
    EXPECT_FALSE(ReadSetting(Hive::CurrentUser, kMainKey, "Long", five));
    EXPECT_STREQ(five, "");
}

TEST(SettingsStoreTest, RawBytesWithoutTerminatorStayTerminated) {
    ScopedFakePlatform fake;
    fake->SetRaw(Hive::CurrentUser, kMainKey, "Dword", 4, {'1', 0, 0, 0});
    fake->SetRaw(Hive::CurrentUser, kMainKey, "Number", 4, {1, 0, 0, 0});
    fake->SetRaw(Hive::CurrentUser, kMainKey, "Bytes", 3, {'a', 'b'});
    fake->SetRaw(Hive::CurrentUser, kMainKey, "Full", 3, {'a', 'b', 'c', 'd'});
    char buffer[4];
    EXPECT_TRUE(ReadSetting(Hive::CurrentUser, kMainKey, "Dword", buffer));
    EXPECT_STREQ(buffer, "1");
    EXPECT_TRUE(ReadSetting(Hive::CurrentUser, kMainKey, "Number", buffer));
    EXPECT_STREQ(buffer, "\x01");
    EXPECT_TRUE(ReadSetting(Hive::CurrentUser, kMainKey, "Bytes", buffer));
    EXPECT_STREQ(buffer, "ab");
    // Four bytes fill the buffer with no room for a terminator: does not fit.
    EXPECT_FALSE(ReadSetting(Hive::CurrentUser, kMainKey, "Full", buffer));
    EXPECT_STREQ(buffer, "");
}

TEST(SettingsStoreTest, MachineValueIsOnlyAFallback) {
    ScopedFakePlatform fake;
    fake->SetString(Hive::LocalMachine, kMainKey, "MaxPagesCount", "2");
    char buffer[50];
    EXPECT_TRUE(ReadUserThenMachineSetting("MaxPagesCount", buffer));
    EXPECT_STREQ(buffer, "2");
    fake->SetString(Hive::CurrentUser, kMainKey, "MaxPagesCount", "");
    EXPECT_TRUE(ReadUserThenMachineSetting("MaxPagesCount", buffer));
    EXPECT_STREQ(buffer, "2");
    fake->SetString(Hive::CurrentUser, kMainKey, "MaxPagesCount", "5");
    EXPECT_TRUE(ReadUserThenMachineSetting("MaxPagesCount", buffer));
    EXPECT_STREQ(buffer, "5");
}

TEST(SettingsStoreTest, WriteStoresAStringValue) {
    ScopedFakePlatform fake;
    EXPECT_TRUE(WriteSetting(Hive::CurrentUser, "Software\\ARO Digital\\Versions", "V", "2.1"));
    EXPECT_EQ(fake->GetString(Hive::CurrentUser, "Software\\ARO Digital\\Versions", "V"), "2.1");
    fake->setValueFails = true;
    EXPECT_FALSE(WriteSetting(Hive::CurrentUser, "Software\\ARO Digital\\Versions", "V", "x"));
}

TEST(StringBuilderTest, ComposesTextsAndNumbers) {
    TextValue line = TextValue("Height=") + TextValue(-12) + ", Width=" + TextValue(1700) + "\n";
    EXPECT_STREQ(line.c_str(), "Height=-12, Width=1700\n");
    EXPECT_STREQ((nullptr + TextValue("x")).c_str(), "x");
    TextValue copy(line);
    EXPECT_STREQ(copy.c_str(), line.c_str());
}

TEST(StringBuilderTest, MidTakesOneBasedParts) {
    TextValue text("%USERTEMP%\\out");
    EXPECT_STREQ(text.Mid(12, 255).c_str(), "out");
    EXPECT_STREQ(text.Mid(1, 3).c_str(), "%US");
    EXPECT_STREQ(text.Mid(40, 3).c_str(), "");
    EXPECT_STREQ(text.Mid(0, 3).c_str(), "");
}

}  // namespace
}  // namespace aro
