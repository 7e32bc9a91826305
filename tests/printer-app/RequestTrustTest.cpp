// Whose name a job carries, by where the request came from.
#include <gtest/gtest.h>

#include "printer-app/PasswordCheck.h"
#include "printer-app/RequestTrust.h"

namespace aro::printerapp {
namespace {

UnauthenticatedRequest Ipp(bool loopback, ipp_op_t operation, const char* owner = nullptr,
                           bool authService = false) {
    UnauthenticatedRequest request;
    request.loopback = loopback;
    request.ipp = true;
    request.operation = operation;
    request.jobOwner = owner;
    request.authServiceConfigured = authService;
    return request;
}

UnauthenticatedRequest WebPage(bool loopback, bool authService) {
    UnauthenticatedRequest request;
    request.loopback = loopback;
    request.authServiceConfigured = authService;
    return request;
}

TEST(RequestTrust, ThisMachineIsTrustedWithItsNamesAndAdministersWithoutAService) {
    for (ipp_op_t op :
         {IPP_OP_PRINT_JOB, IPP_OP_CREATE_JOB, IPP_OP_SEND_DOCUMENT, IPP_OP_CANCEL_JOB})
        for (bool service : {false, true})
            EXPECT_EQ(JudgeUnauthenticated(Ipp(true, op, "alice", service), "nobody"),
                      Verdict::Allow);
    EXPECT_EQ(JudgeUnauthenticated(WebPage(true, false), "nobody"), Verdict::Allow);
    EXPECT_EQ(JudgeUnauthenticated(Ipp(true, IPP_OP_PAUSE_PRINTER), "nobody"), Verdict::Allow);
    EXPECT_EQ(JudgeUnauthenticated(WebPage(true, true), "nobody"), Verdict::AskCredentials);
    EXPECT_EQ(JudgeUnauthenticated(Ipp(true, IPP_OP_PAUSE_PRINTER, nullptr, true), "nobody"),
              Verdict::AskCredentials);
}

TEST(RequestTrust, OtherMachinesPrintAsTheFallbackAndTouchOnlyItsJobs) {
    EXPECT_EQ(JudgeUnauthenticated(Ipp(false, IPP_OP_PRINT_JOB), "nobody"),
              Verdict::AllowAsFallback);
    EXPECT_EQ(JudgeUnauthenticated(Ipp(false, IPP_OP_CREATE_JOB), "nobody"),
              Verdict::AllowAsFallback);
    EXPECT_EQ(JudgeUnauthenticated(Ipp(false, IPP_OP_SEND_DOCUMENT, "nobody"), "nobody"),
              Verdict::AllowAsFallback);
    EXPECT_EQ(JudgeUnauthenticated(Ipp(false, IPP_OP_CANCEL_JOB, "alice"), "nobody"),
              Verdict::Forbid);
    EXPECT_EQ(JudgeUnauthenticated(Ipp(false, IPP_OP_SEND_DOCUMENT, "alice", true), "nobody"),
              Verdict::AskCredentials);
    // Printer and server operations, and the web pages, are for administrators.
    for (ipp_op_t op : {IPP_OP_PAUSE_PRINTER, IPP_OP_DISABLE_PRINTER, IPP_OP_CANCEL_CURRENT_JOB,
                        IPP_OP_SET_PRINTER_ATTRIBUTES, IPP_OP_SHUTDOWN_ALL_PRINTERS})
        EXPECT_EQ(JudgeUnauthenticated(Ipp(false, op), "nobody"), Verdict::Forbid)
            << ippOpString(op);
    EXPECT_EQ(JudgeUnauthenticated(WebPage(false, false), "nobody"), Verdict::Forbid);
    EXPECT_EQ(JudgeUnauthenticated(WebPage(false, true), "nobody"), Verdict::AskCredentials);
    // A server without a fallback (none configured) takes no network job.
    EXPECT_EQ(JudgeUnauthenticated(Ipp(false, IPP_OP_PRINT_JOB), ""), Verdict::Forbid);
}

TEST(RequestTrust, BasicCredentialsAreSplitAtTheFirstColon) {
    std::string user, password;
    ASSERT_TRUE(
        ParseBasicCredentials("Basic YWxpY2U6c2U6Y3JldA==", &user, &password));  // alice:se:cret
    EXPECT_EQ(user, "alice");
    EXPECT_EQ(password, "se:cret");
    EXPECT_FALSE(ParseBasicCredentials("Bearer YWxpY2U6eA==", &user, &password));
    EXPECT_FALSE(ParseBasicCredentials("Basic YWxpY2U=", &user, &password));      // no colon
    EXPECT_FALSE(ParseBasicCredentials("Basic OnNlY3JldA==", &user, &password));  // empty name
    EXPECT_FALSE(ParseBasicCredentials(nullptr, &user, &password));
}

}  // namespace
}  // namespace aro::printerapp
