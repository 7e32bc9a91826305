// COM automation through the Win32 platform layer, against the test
// automation server: creation, lookup, argument and result conversion, and
// the two kinds of failure.
#include <gtest/gtest.h>

#include "TestArchiveServer.h"
#include "WindowsHarness.h"
#include "platform/win32/Win32Platform.h"

namespace aro::wtest {
namespace {

class Win32AutomationTest : public ::testing::Test {
protected:
    Win32AutomationTest() : record(box.root() + "\\server.txt") {
        SetEnvironmentVariableA(kServerRecordVariable, record.c_str());
    }
    ~Win32AutomationTest() override {
        for (const char* name : {kServerRecordVariable, kServerRaiseVariable, kServerFailVariable,
                                 kServerTextResultVariable, kServerDeferredVariable})
            SetEnvironmentVariableA(name, nullptr);
    }
    int32_t LookUp(AutomationObject& object, const char* member) {
        int32_t id = -7;
        EXPECT_TRUE(object.LookUp(member, &id)) << member;
        return id;
    }

    Sandbox box;
    std::string record;
    win32::Win32Platform platform;
};

TEST_F(Win32AutomationTest, UnregisteredProgIdGivesNoObject) {
    EXPECT_EQ(platform.CreateAutomationObject(kClassicProgId), nullptr);
    EXPECT_EQ(platform.CreateAutomationObject("{85F292C2-89D7-4D34-BF5A-E00D8243C66D}"), nullptr);
    EXPECT_EQ(platform.CreateAutomationObject("not a class"), nullptr);
    EXPECT_EQ(platform.CreateAutomationObject(""), nullptr);
}

TEST_F(Win32AutomationTest, ObjectByProgIdOrClassIdTextIsReleasedOnce) {
    RegisteredArchiveServer server;
    platform.CreateAutomationObject(kJavaProgId).reset();
    platform.CreateAutomationObject("{85F292C2-89D7-4D34-BF5A-E00D8243C66D}").reset();
    EXPECT_EQ(Lines(ReadFile(record)),
              (std::vector<std::string>{"java Release file-present=0",
                                        "classic Release file-present=0"}));
}

TEST_F(Win32AutomationTest, UnknownMemberIsNotFound) {
    RegisteredArchiveServer server;
    auto object = platform.CreateAutomationObject(kClassicProgId);
    ASSERT_NE(object, nullptr);
    int32_t id = 5;
    EXPECT_FALSE(object->LookUp("NoSuchMember", &id));
    EXPECT_EQ(Lines(ReadFile(record)).at(0), "classic GetIDsOfNames NoSuchMember lcid=0x800");
}

TEST_F(Win32AutomationTest, ArgumentsGoLastFirstAndTextResultsComeBackAsAnsi) {
    RegisteredArchiveServer server;
    auto object = platform.CreateAutomationObject(kJavaProgId);
    ASSERT_NE(object, nullptr);
    AutomationValue name =
        object->Invoke(LookUp(*object, "getArchiveName"), 3, {}, AutomationValue::Type::String);
    EXPECT_EQ(name.type, AutomationValue::Type::String);
    EXPECT_EQ(name.text, kArchiveNameAnswer);
    object->Invoke(LookUp(*object, "addDocumentFileToArchive"), kDispatchMethod,
                   {AutomationValue::String("C:\\f\xE9.TIF"), AutomationValue::Bool(false),
                    AutomationValue::Bool(true)},
                   AutomationValue::Type::Empty);
    const auto lines = Lines(ReadFile(record));
    // Text is widened with the ANSI code page and back.
    EXPECT_EQ(lines.at(3),
              "java Invoke addDocumentFileToArchive kind=1 lcid=0x0 BSTR:C:\\f\xE9.TIF BOOL:0 "
              "BOOL:-1");
}

TEST_F(Win32AutomationTest, NumberResultIsConvertedToAnInt) {
    RegisteredArchiveServer server;
    auto object = platform.CreateAutomationObject(kJavaProgId);
    ASSERT_NE(object, nullptr);
    const int32_t add = LookUp(*object, "addDocumentFileToArchive");
    AutomationValue filed = object->Invoke(add, kDispatchMethod, {}, AutomationValue::Type::Int);
    EXPECT_EQ(filed.type, AutomationValue::Type::Int);
    EXPECT_EQ(filed.number, 1);
    SetEnvironmentVariableA(kServerTextResultVariable, "1");
    try {
        object->Invoke(add, kDispatchMethod, {}, AutomationValue::Type::Int);
        ADD_FAILURE() << "a text result became a number";
    } catch (const AutomationError& error) {
        EXPECT_EQ(error.code, DISP_E_TYPEMISMATCH);
    }
}

// The details come filled in at once, or later through the server's own
// fill-in function (an in-process server); a fill-in pointer that belongs to
// no module of this process (one marshalled from a server process) is never
// called.
TEST_F(Win32AutomationTest, ServerExceptionCarriesTheExceptionInfo) {
    RegisteredArchiveServer server;
    auto object = platform.CreateAutomationObject(kClassicProgId);
    ASSERT_NE(object, nullptr);
    SetEnvironmentVariableA(kServerRaiseVariable, "DoCheckInOut2");
    for (const char* mode : {"", "in-process", "foreign"}) {
        SCOPED_TRACE(mode);
        SetEnvironmentVariableA(kServerDeferredVariable, mode[0] ? mode : nullptr);
        try {
            object->Invoke(LookUp(*object, "DoCheckInOut2"), kDispatchMethod, {},
                           AutomationValue::Type::Empty);
            ADD_FAILURE() << "no exception";
        } catch (const AutomationServerException& exception) {
            EXPECT_EQ(exception.code, kRaisedCode);
            EXPECT_EQ(exception.source, kRaisedSource);
            EXPECT_EQ(exception.description, "DoCheckInOut2 refused");
        }
    }
}

TEST_F(Win32AutomationTest, OtherFailuresAreAutomationErrors) {
    RegisteredArchiveServer server;
    auto object = platform.CreateAutomationObject(kClassicProgId);
    ASSERT_NE(object, nullptr);
    SetEnvironmentVariableA(kServerFailVariable, "EndOleServer");
    try {
        object->Invoke(LookUp(*object, "EndOleServer"), kDispatchMethod, {},
                       AutomationValue::Type::Empty);
        ADD_FAILURE() << "no error";
    } catch (const AutomationError& error) {
        EXPECT_EQ(error.code, E_FAIL);
    }
    EXPECT_THROW(object->Invoke(99, kDispatchMethod, {}, AutomationValue::Type::Empty),
                 AutomationError);
}

}  // namespace
}  // namespace aro::wtest
