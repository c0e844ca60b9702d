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

TEST(ErrorAlertTest, AMapThatDidNotOpenSaysWhyAndThatItsFileIsKept)
{
    const std::string keptText = "Its file is left as it is, and the map stays in the store.";
    struct Case {
        Error cause;
        std::string message;
        std::string reason;
    };
    const Case cases[] = {
        // The document's parser names only what it met.
        {Error{"TarnwickXmlErrorDomain", 5, "Error parsing element attribute", "offset 401"},
         "The map could not be opened.", "Error parsing element attribute\n\noffset 401\n\n" + keptText},
        {Error{PosixErrorDomain, 13, "Permission denied", ""}, "The map could not be opened.",
         "Permission denied\n\n" + keptText},
        {Error{}, "The map could not be opened.", keptText},
        // The application's own error says what failed already.
        {MakeAppError(2, "The mind map could not be opened", "Only maps kept in the store can be opened."),
         "The mind map could not be opened", "Only maps kept in the store can be opened."},
    };
    for (const Case& c : cases) {
        Error failure = ErrorAlert::openFailure(c.cause);
        EXPECT_FALSE(failure.isEmpty());
        EXPECT_EQ(failure.localizedDescription, c.message);
        EXPECT_EQ(failure.failureReason, c.reason);
    }
}
