#include "engine/storage/errors.h"

#include <gtest/gtest.h>

namespace {

struct MessageCase {
    int32_t code;
    int32_t subCode;
    const char* information;
    const char* expected;
};

class ErrorMessage : public ::testing::TestWithParam<MessageCase> {};

TEST_P(ErrorMessage, DefaultReporterBuildsTheMessage) {
    const MessageCase& c = GetParam();
    EXPECT_EQ(FormatErrorMessage(c.code, c.subCode, c.information), c.expected);
    try {
        ReportError(c.code, c.subCode, c.information);
        FAIL() << "the reporter returned";
    } catch (const EOrdaneError& e) {
        EXPECT_STREQ(e.what(), c.expected);
        EXPECT_EQ(e.Code(), c.code);
        EXPECT_EQ(e.SubCode(), c.subCode);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ErrorMessage,
    ::testing::Values(
        MessageCase{2, 1107, "C:\\DATA\\FILE0FEED.DBF", "File not found - C:\\DATA\\FILE0FEED.DBF"},
        MessageCase{32, 1107, "/T/X.DBF", "File access denied - /T/X.DBF"},
        MessageCase{5, 1109, "/T/X.DBF", "File access denied - /T/X.DBF"},
        MessageCase{1004, -7, "T->F", "dBase field is of incorrect type - T->F"},
        MessageCase{33, 1102, "", "Record locked by another user - "},
        MessageCase{221, 1207, "C:\\DATA\\X.DBF", "Ordane Error 221, SubCode 1207.\r C:\\DATA\\X.DBF>1207"},
        MessageCase{2112, -7, "C:\\X.NDX", "Ordane Error 2112.\r C:\\X.NDX>-7"},
        MessageCase{4242, 1101, "", "Ordane Error 4242, SubCode 1101.\r"},
        MessageCase{1270, 1204, "/T/X.DBF", "No Password for encrypted file %s - /T/X.DBF"}));

TEST(ErrorTable, PasswordRowsTakeTheResourceTexts) {
    EXPECT_STREQ(ErrorText(1269), ResourceMessage(65165));
    EXPECT_STREQ(ErrorText(1270), ResourceMessage(65166));
    EXPECT_STREQ(ErrorText(1271), ResourceMessage(65167));
    EXPECT_EQ(ErrorText(221), nullptr);
}

TEST(ResourceMessages, FillArgumentsInOrder) {
    EXPECT_EQ(FormatResource(65179, {"Number", "2", "SUBSTR"}), "Number needed for Argument 2 of SUBSTR");
    EXPECT_EQ(FormatResource(65155, {"'"}), "Missing closing \"'\" on literal");
    EXPECT_EQ(FormatResource(65167), "Invalid Password for encrypted file ");
    EXPECT_STREQ(ResourceMessage(65177), "Master/Detail relation failed, field missmatch for %s");
    EXPECT_STREQ(ResourceMessage(65184), "");
}

int gReplacementCalls = 0;
void CountingReporter(int32_t, int32_t, const std::string&) { ++gReplacementCalls; }

TEST(ErrorReporter, ReplacementIsCalledAndARaiseStillFollows) {
    SetErrorReporter(&CountingReporter);
    EXPECT_THROW(ReportError(2, 1107, "X"), EOrdaneError);
    SetErrorReporter(nullptr);
    EXPECT_EQ(gReplacementCalls, 1);
}

}  // namespace
