#include "Editor/ErrorAlert.h"

#include <gtest/gtest.h>

#include <cerrno>

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

// The map is named by its title; a failure of the file system is said in the system's words, for
// the file the store keeps a map in is named by an id the user never sees.
TEST(ErrorAlertTest, AFailedCommitNamesTheMapAndSaysWhatWasKept)
{
    const std::string openText =
        "The map on disk stays as it was last saved; your changes are still open in the window.";
    const std::string savedText =
        "The map on disk stays as it was last saved; the changes made since then could not be kept.";
    struct Case {
        Error cause;
        ErrorAlert::Kept kept;
        std::string title;
        std::string message;
        std::string reason;
    };
    const std::string file = "92886F42C5E34F0B9A3D1E27.twkx";
    Error diskFull{PosixErrorDomain, 28, "The file \u201C" + file + "\u201D could not be saved.",
                   "Cannot write /home/u/.local/share/Tarnwick/Mind Maps/" + file + ": No space left on device"};
    Error unloaded = MakeAppError(31, "The map could not be saved.", "The map did not open completely.");
    Error upload = MakeAppError(40, "The map could not be saved for upload.", "");
    const Case cases[] = {
        {diskFull, ErrorAlert::Kept::EditsStayOpen, "Garden plan",
         "The map \u201CGarden plan\u201D could not be saved.", "No space left on device.\n\n" + openText},
        {diskFull, ErrorAlert::Kept::LastSavedCopyOnly, "", "The map could not be saved.",
         "No space left on device.\n\n" + savedText},
        // The storage's own commit error is not said twice.
        {unloaded, ErrorAlert::Kept::LastSavedCopyOnly, "", "The map could not be saved.",
         "The map did not open completely.\n\n" + savedText},
        {upload, ErrorAlert::Kept::EditsStayOpen, "Plan", "The map \u201CPlan\u201D could not be saved.",
         "The map could not be saved for upload.\n\n" + openText},
        // A storage that failed without a word still gives the user an alert.
        {Error{}, ErrorAlert::Kept::LastSavedCopyOnly, "", "The map could not be saved.", savedText},
    };
    for (const Case& c : cases) {
        Error failure = ErrorAlert::commitFailure(c.cause, c.kept, c.title);
        EXPECT_FALSE(failure.isEmpty());
        EXPECT_EQ(failure.localizedDescription, c.message);
        EXPECT_EQ(failure.failureReason, c.reason);
    }
    EXPECT_EQ(ErrorAlert::commitFailure(diskFull, ErrorAlert::Kept::EditsStayOpen).code, 28);
}

TEST(ErrorAlertTest, AMapThatDidNotOpenSaysWhyAndThatItsFileIsKept)
{
    const std::string keptText = "Its file is left as it is, and the map stays in the store.";
    struct Case {
        Error cause;
        std::string title;
        std::string message;
        std::string reason;
    };
    const std::string named = "The map \u201CPlan\u201D could not be opened.";
    const Case cases[] = {
        // A damaged document is said in plain words; what the parser met only last.
        {Error{"TarnwickXmlErrorDomain", 3, "The map document is damaged.",
               "Error parsing element attribute at offset 401"},
         "", "The map could not be opened.",
         "The map document is damaged.\n\n" + keptText +
             "\n\nTechnical detail: Error parsing element attribute at offset 401"},
        {Error{PosixErrorDomain, 13, "Permission denied", ""}, "", "The map could not be opened.",
         "Permission denied.\n\n" + keptText},
        // A file that gave no reason (empty, or a container without its document) is not silent.
        {Error{}, "Plan", named,
         "Its file holds no map that can be read: it is empty, cut short or damaged.\n\n" + keptText},
        {Error{PosixErrorDomain, EISDIR, "The file \u201CAAAA.twkx\u201D could not be read.", "/store/AAAA.twkx"},
         "Plan", named, "A folder stands where its file should be.\n\n" + keptText},
        {Error{PosixErrorDomain, ELOOP, "", ""}, "Plan", named,
         "Its file is a link that leads back to itself.\n\n" + keptText},
        // The application's own error says what failed already.
        {MakeAppError(2, "The mind map could not be opened", "Only maps kept in the store can be opened."), "",
         "The mind map could not be opened", "Only maps kept in the store can be opened."},
        {MakeAppError(2, "The mind map could not be opened", "Only maps kept in the store can be opened."), "Plan",
         named, "The mind map could not be opened\n\nOnly maps kept in the store can be opened."},
    };
    for (const Case& c : cases) {
        Error failure = ErrorAlert::openFailure(c.cause, c.title);
        EXPECT_FALSE(failure.isEmpty());
        EXPECT_EQ(failure.localizedDescription, c.message);
        EXPECT_EQ(failure.failureReason, c.reason);
    }
}
