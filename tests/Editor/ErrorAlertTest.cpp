#include "Editor/ErrorAlert.h"

#include <gtest/gtest.h>

TEST(ErrorAlertTest, TheAlertSaysWhatFailedAndWhy)
{
    Error error = MakeAppError(4, "The mind map could not be opened", "The file is damaged.");
    AlertPanel::Request request = ErrorAlert::request(error);
    EXPECT_EQ(request.messageText, "The mind map could not be opened");
    EXPECT_EQ(request.informativeText, "The file is damaged.");
    EXPECT_EQ(request.style, AlertPanel::Style::Critical);
    EXPECT_TRUE(request.buttons.empty()) << "one OK button";

    EXPECT_EQ(ErrorAlert::request(Error{}).messageText, "The operation could not be completed.");
}

TEST(ErrorAlertTest, AFailedCommitSaysWhatWasKept)
{
    const std::string openText =
        "The map on disk stays as it was last saved; your changes are still open in the window.";
    const std::string savedText =
        "The map on disk stays as it was last saved; the changes made since then could not be kept.";
    struct Case {
        Error cause;
        ErrorAlert::Kept kept;
        std::string reason;
    };
    Error diskFull{PosixErrorDomain, 28, "The file \"A.twkx\" could not be saved.",
                   "Cannot write A.twkx: No space left"};
    Error unloaded = MakeAppError(31, "The map could not be saved.", "The map did not open completely.");
    const Case cases[] = {
        {diskFull, ErrorAlert::Kept::EditsStayOpen,
         "The file \"A.twkx\" could not be saved.\n\nCannot write A.twkx: No space left\n\n" + openText},
        // The storage's own commit error is not said twice.
        {unloaded, ErrorAlert::Kept::LastSavedCopyOnly, "The map did not open completely.\n\n" + savedText},
        // A storage that failed without a word still gives the user an alert.
        {Error{}, ErrorAlert::Kept::LastSavedCopyOnly, savedText},
    };
    for (const Case& c : cases) {
        Error failure = ErrorAlert::commitFailure(c.cause, c.kept);
        EXPECT_FALSE(failure.isEmpty());
        EXPECT_EQ(failure.localizedDescription, "The map could not be saved.");
        EXPECT_EQ(failure.failureReason, c.reason);
    }
    EXPECT_EQ(ErrorAlert::commitFailure(diskFull, ErrorAlert::Kept::EditsStayOpen).code, 28);
}
