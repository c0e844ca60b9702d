#include "platform/Error.h"

#include <gtest/gtest.h>

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
