#include "platform/Error.h"

#include <gtest/gtest.h>

TEST(ErrorTest, AppErrorCarriesDomainCodeAndTexts)
{
    const Error error = MakeAppError(10, "An error occurred", "The operation could not be completed.");
    EXPECT_EQ(error.domain, "TarnwickErrorDomain");
    EXPECT_EQ(error.code, 10);
    EXPECT_EQ(error.localizedDescription, "An error occurred");
    EXPECT_EQ(error.failureReason, "The operation could not be completed.");
    EXPECT_EQ(MakeAppError(INT64_MAX).code, INT64_MAX);
}

TEST(ErrorTest, AReasonWithoutADescriptionIsDropped)
{
    const Error error = MakeAppError(2, "", "a reason that must not appear alone");
    EXPECT_TRUE(error.localizedDescription.empty());
    EXPECT_TRUE(error.failureReason.empty());
}

TEST(ErrorTest, SetErrorFillsAGivenErrorAndAlwaysAnswersFalse)
{
    Error error;
    EXPECT_FALSE(setError(&error, MakeAppError(3, "d", "r")));
    EXPECT_EQ(error.code, 3);
    EXPECT_EQ(error.failureReason, "r");
    EXPECT_FALSE(setError(nullptr, MakeAppError(4, "d")));
}
