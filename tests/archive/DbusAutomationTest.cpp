// The D-Bus automation client against the reference automation server.
#include <gtest/gtest.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "archive/ArchiveHarness.h"
#include "integration/ModuleHarness.h"
#include "platform/posix/DbusAutomation.h"

namespace aro::itest {
namespace {

using posix::CreateDbusAutomationObject;
using posix::DbusAddressForProgId;
using Lines = std::vector<std::string>;
using Clock = std::chrono::steady_clock;

constexpr const char* kClassic = "AroArcConnect.App";
constexpr const char* kJava = "jniwrapper.arocomserver";
constexpr uint16_t kMethodOrGet = kDispatchMethod | kDispatchPropertyGet;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

TEST(DbusAutomationAddressTest, ProgIdIsBusNameObjectPathAndInterface) {
    auto classic = DbusAddressForProgId(kClassic);
    ASSERT_TRUE(classic);
    EXPECT_EQ(classic->busName, "AroArcConnect.App");
    EXPECT_EQ(classic->objectPath, "/AroArcConnect/App");
    EXPECT_EQ(classic->interface, "AroArcConnect.App");
    EXPECT_EQ(DbusAddressForProgId("jniwrapper.arocomserver")->objectPath,
              "/jniwrapper/arocomserver");
    EXPECT_EQ(DbusAddressForProgId("A.b_1._C")->objectPath, "/A/b_1/_C");
    for (const char* bad :
         {"", "Single", "a..b", ".a.b", "a.b.", "9a.b", "a.b-c", "a/b.c", "a.b c"})
        EXPECT_FALSE(DbusAddressForProgId(bad)) << bad;
    EXPECT_FALSE(DbusAddressForProgId(nullptr));
}

class DbusAutomationTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!IsArchiveTestBus(bus))
            GTEST_SKIP() << "needs the session bus of tests/dbus/session.conf (run through ctest)";
        // A server the bus starts unasked shows up in this test's record.
        ASSERT_TRUE(bus.SetActivationEnvironment("ARO_AUTOMATION_SERVER_RECORD", record));
    }
    void TearDown() override {
        if (!IsSkipped()) {
            EXPECT_EQ(StopLeftoverServers(bus), Lines{}) << "left running";
        }
    }

    std::unique_ptr<ReferenceServer> Serve(const char* progId, const Lines& options = {}) {
        auto server = std::make_unique<ReferenceServer>(bus, progId, record, options);
        EXPECT_TRUE(server->ready()) << progId;
        return server;
    }

    static int32_t Id(AutomationObject& object, const char* member) {
        int32_t id = 0;
        EXPECT_TRUE(object.LookUp(member, &id)) << member;
        return id;
    }

    Sandbox box;
    BusDriver bus{SessionBusAddress()};
    std::string record = box.root() + "/record.txt";
};

TEST_F(DbusAutomationTest, NoBusUnknownNameOrFailedActivationGiveNoObject) {
    {
        ScopedEnvironment noBus("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + box.root() + "/no-bus");
        EXPECT_EQ(CreateDbusAutomationObject(kClassic), nullptr);
    }
    BareBus bare(box.root() + "/bus", {{kClassic, box.root() + "/no-such-program"}});
    ASSERT_FALSE(bare.address().empty());
    ScopedEnvironment onBare("DBUS_SESSION_BUS_ADDRESS", bare.address());
    const auto start = Clock::now();
    EXPECT_EQ(CreateDbusAutomationObject(kJava), nullptr);
    EXPECT_EQ(CreateDbusAutomationObject(kClassic), nullptr);
    EXPECT_EQ(CreateDbusAutomationObject("NoProgId"), nullptr);
    EXPECT_LT(SecondsSince(start), 5.0);
}

TEST_F(DbusAutomationTest, ActivationStartsTheServer) {
    ASSERT_FALSE(bus.NameHasOwner(kJava));
    auto object = CreateDbusAutomationObject(kJava);
    ASSERT_NE(object, nullptr);
    EXPECT_TRUE(bus.NameHasOwner(kJava));
    AutomationValue name = object->Invoke(Id(*object, "getArchiveName"), kMethodOrGet, {},
                                          AutomationValue::Type::String);
    EXPECT_EQ(name.text, "Main archive");
    EXPECT_EQ(RecordLines(record), Lines{"getArchiveName"});
    object.reset();
    EXPECT_TRUE(bus.StopOwner(kJava));
}

TEST_F(DbusAutomationTest, LookUpKnowsOnlyTheMembersTheServerServes) {
    auto server = Serve(kClassic, {"--without", "EndOleServer"});
    auto object = CreateDbusAutomationObject(kClassic);
    ASSERT_NE(object, nullptr);
    const int32_t checkIn = Id(*object, "DoCheckInOut2");
    EXPECT_NE(checkIn, 0);
    EXPECT_EQ(Id(*object, "DoCheckInOut2"), checkIn);
    const int32_t name = Id(*object, "getArchiveName");
    EXPECT_NE(name, checkIn);
    for (const char* unknown : {"EndOleServer", "NoSuchMember", "bad name", ""}) {
        int32_t id = 77;
        EXPECT_FALSE(object->LookUp(unknown, &id)) << unknown;
        EXPECT_EQ(id, 0);
    }
    EXPECT_EQ(RecordLines(record), Lines{});
}

TEST_F(DbusAutomationTest, ArgumentsGoTypedAndResultsComeBackConverted) {
    auto server = Serve(kJava, {"--archive-name", "Archiv \"Süd\""});
    auto object = CreateDbusAutomationObject(kJava);
    ASSERT_NE(object, nullptr);
    AutomationValue name = object->Invoke(Id(*object, "getArchiveName"), kMethodOrGet, {},
                                          AutomationValue::Type::String);
    EXPECT_EQ(name.type, AutomationValue::Type::String);
    EXPECT_EQ(name.text, "Archiv \"Süd\"");
    AutomationValue added = object->Invoke(
        Id(*object, "addDocumentFileToArchive"), kDispatchMethod,
        {AutomationValue::String("/no/such file"), AutomationValue::String("ARO Print"),
         AutomationValue::String("line\nbreak\\")},
        AutomationValue::Type::Int);
    EXPECT_EQ(added.type, AutomationValue::Type::Int);
    EXPECT_EQ(added.number, 1);
    const int32_t show = Id(*object, "setShowIndexDialog");
    object->Invoke(show, kDispatchMethod, {AutomationValue::Bool(true)},
                   AutomationValue::Type::Empty);
    object->Invoke(show, kDispatchMethod, {AutomationValue::Bool(false)},
                   AutomationValue::Type::Empty);
    EXPECT_EQ(RecordLines(record),
              (Lines{"getArchiveName",
                     "addDocumentFileToArchive \"/no/such file\" \"ARO Print\" "
                     "\"line\\x0Abreak\\\\\" file=absent",
                     "setShowIndexDialog true", "setShowIndexDialog false"}));
}

TEST_F(DbusAutomationTest, TextThatIsNotUtf8IsSentAsLatin1) {
    auto server = Serve(kJava);
    auto object = CreateDbusAutomationObject(kJava);
    ASSERT_NE(object, nullptr);
    object->Invoke(Id(*object, "addDocumentFileToIntray"), kDispatchMethod,
                   {AutomationValue::String("Br\xFC"
                                            "cke \xED\xA0\x80")},
                   AutomationValue::Type::Empty);
    EXPECT_EQ(RecordLines(record), (Lines{"addDocumentFileToIntray \"Br\xC3\xBC"
                                          "cke \xC3\xAD\xC2\xA0\xC2\x80\" file=absent"}));
}

TEST_F(DbusAutomationTest, WhatCannotBeCalledOrConvertedIsAnAutomationError) {
    auto server = Serve(kJava);
    auto object = CreateDbusAutomationObject(kJava);
    ASSERT_NE(object, nullptr);
    const int32_t name = Id(*object, "getArchiveName");
    const int32_t login = Id(*object, "loginWithDialog");
    EXPECT_THROW(object->Invoke(name, kMethodOrGet, {}, AutomationValue::Type::Int),
                 AutomationError);
    EXPECT_THROW(object->Invoke(login, kMethodOrGet, {}, AutomationValue::Type::String),
                 AutomationError);
    EXPECT_THROW(object->Invoke(0, kDispatchMethod, {}, AutomationValue::Type::Empty),
                 AutomationError);
    EXPECT_THROW(object->Invoke(login + 10, kDispatchMethod, {}, AutomationValue::Type::Empty),
                 AutomationError);
    EXPECT_THROW(object->Invoke(login, kDispatchPropertyGet, {}, AutomationValue::Type::Empty),
                 AutomationError);
    EXPECT_EQ(RecordLines(record), (Lines{"getArchiveName", "loginWithDialog"}));
}

TEST_F(DbusAutomationTest, ErrorReplyIsAServerException) {
    auto server = Serve(kClassic, {"--fail", "DoCheckInOut2=Test.Error.Locked:locked by Anna"});
    auto object = CreateDbusAutomationObject(kClassic);
    ASSERT_NE(object, nullptr);
    try {
        object->Invoke(Id(*object, "DoCheckInOut2"), kDispatchMethod,
                       {AutomationValue::String("a"), AutomationValue::String("b"),
                        AutomationValue::String("c")},
                       AutomationValue::Type::Empty);
        ADD_FAILURE() << "no exception";
    } catch (const AutomationServerException& e) {
        EXPECT_EQ(e.source, "Test.Error.Locked");
        EXPECT_EQ(e.description, "locked by Anna");
        EXPECT_EQ(e.helpFile, "");
    }
}

TEST_F(DbusAutomationTest, ServerDyingMidCallIsAnAutomationErrorAndIsNotRestarted) {
    auto server = Serve(kClassic, {"--exit-in", "DoCheckInOut2"});
    auto object = CreateDbusAutomationObject(kClassic);
    ASSERT_NE(object, nullptr);
    const int32_t checkIn = Id(*object, "DoCheckInOut2");
    const int32_t end = Id(*object, "EndOleServer");
    const auto start = Clock::now();
    EXPECT_THROW(object->Invoke(checkIn, kDispatchMethod,
                                {AutomationValue::String("a"), AutomationValue::String("b"),
                                 AutomationValue::String("c")},
                                AutomationValue::Type::Empty),
                 AutomationError);
    // The object stands for the server that died: no fresh one is activated.
    EXPECT_THROW(object->Invoke(end, kDispatchMethod, {}, AutomationValue::Type::Empty),
                 AutomationError);
    EXPECT_LT(SecondsSince(start), 5.0);
    EXPECT_FALSE(bus.NameHasOwner(kClassic));
    EXPECT_EQ(RecordLines(record).size(), 1u);
}

TEST_F(DbusAutomationTest, CallsOutwaitTheDefaultTimeout) {
    auto server = Serve(kClassic, {"--delay", "EndOleServer=900"});
    ScopedEnvironment shortDefault("SYSTEMD_BUS_TIMEOUT", "200ms");
    {
        // With the default timeout the same call gives up.
        sd_bus* plain = nullptr;
        ASSERT_GE(sd_bus_open_user(&plain), 0);
        EXPECT_EQ(sd_bus_call_method(plain, kClassic, "/AroArcConnect/App", kClassic,
                                     "EndOleServer", nullptr, nullptr, ""),
                  -ETIMEDOUT);
        sd_bus_flush_close_unref(plain);
    }
    auto object = CreateDbusAutomationObject(kClassic);
    ASSERT_NE(object, nullptr);
    const auto start = Clock::now();
    EXPECT_NO_THROW(object->Invoke(Id(*object, "EndOleServer"), kDispatchMethod, {},
                                   AutomationValue::Type::Empty));
    EXPECT_GE(SecondsSince(start), 0.9);
}

TEST_F(DbusAutomationTest, DestroyingTheObjectClosesItsConnection) {
    auto server = Serve(kClassic);
    const size_t before = bus.ConnectionCount();
    auto object = CreateDbusAutomationObject(kClassic);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(bus.ConnectionCount(), before + 1);
    object.reset();
    for (int i = 0; i < 100 && bus.ConnectionCount() != before; ++i) usleep(10000);
    EXPECT_EQ(bus.ConnectionCount(), before);
}

}  // namespace
}  // namespace aro::itest
