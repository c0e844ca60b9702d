#include "explorers/FileNameFormatter.h"
#include "explorers/FileNameDialog.h"
#include "platform/Localizer.h"

#include <gtest/gtest.h>

namespace {

std::string repeated(const std::string& piece, size_t count)
{
    std::string out;
    for (size_t i = 0; i < count; ++i) out += piece;
    return out;
}

} // namespace

TEST(FileNameFormatterTest, TypingRefusesEachInvalidCharacterAndProposesTheCleanedName)
{
    const FileNameFormatter formatter;
    for (const char* typed : {"what?", "a<b", "a>b", "a:b", "say \"hi\"", "a/b", "a\\b", "a|b", "a*b", "tab\there",
                              "line\nend", "bell\x07", "del\x7F", "c1\xC2\x85", "bad\xFF"}) {
        const FileNameFormatter::PartialCheck check = formatter.isPartialStringValid(typed);
        EXPECT_FALSE(check.valid) << typed;
        EXPECT_EQ("Invalid file name characters", check.error) << typed;
    }
    EXPECT_EQ("what", formatter.isPartialStringValid("what?").replacement);
    EXPECT_EQ("say hi", formatter.isPartialStringValid("say \"hi\"").replacement);
    EXPECT_EQ(" .lead", formatter.isPartialStringValid(" .lead*").replacement) << "typing is not trimmed";
    EXPECT_EQ(repeated("x", 70), formatter.isPartialStringValid(repeated("x", 75) + "?").replacement);

    for (const char* typed : {"", " ", ".", "Plans 2024", "été", "naïve café ☕", "emoji 😀"}) {
        const FileNameFormatter::PartialCheck check = formatter.isPartialStringValid(typed);
        EXPECT_TRUE(check.valid) << typed;
        EXPECT_EQ("", check.error) << typed;
    }
    EXPECT_TRUE(formatter.isPartialStringValid(repeated("x", 90)).valid) << "the length is cut when taken";
}

TEST(FileNameFormatterTest, TakingANameCleansCutsAndTrims)
{
    const FileNameFormatter formatter;
    struct Case {
        const char* typed;
        const char* taken;
    } cases[] = {
        {"Plans", "Plans"},
        {"  Plans  ", "Plans"},
        {"..Plans..", "Plans"},
        {". . Plans . .", "Plans"},
        {"\n\tPlans\r\n", "Plans"},
        {"Plans   for\tnext  year", "Plans for next year"},
        {"what?", "what"},
        {"a<b>c:d\"e/f\\g|h?i*j", "abcdefghij"},
        {"...", ""},
        {" . . ", ""},
        {"", ""},
        {"v1.2", "v1.2"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.taken, formatter.normalizeString(c.typed)) << c.typed;
}

TEST(FileNameFormatterTest, SeventyCharactersAreTakenCountedAsTheUserSeesThem)
{
    const FileNameFormatter formatter;
    EXPECT_EQ(repeated("a", 70), formatter.normalizeString(repeated("a", 71)));
    EXPECT_EQ(repeated("a", 70), formatter.normalizeString(repeated("a", 70)));
    // Three bytes each: a byte count would cut after 23 of them.
    EXPECT_EQ(repeated("☕", 70), formatter.normalizeString(repeated("☕", 80)));
    // A combining accent belongs to its letter: the 70th character is é whole, never a bare e.
    const std::string accented = "e\xCC\x81";
    EXPECT_EQ(repeated("a", 69) + accented, formatter.normalizeString(repeated("a", 69) + accented + "bc"));
    EXPECT_EQ(repeated(accented, 70), formatter.normalizeString(repeated(accented, 71)));
    // While typing, characters beyond the plane stay and are cut whole, with their joiners.
    const std::string family = "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9"; // man ZWJ woman
    const std::string cut = FileNameFormatter::withSaneLength(repeated("a", 69) + family + "b");
    EXPECT_EQ(repeated("a", 69) + family, cut);
    // Clusters of hundreds of marks still fit a file system's 255-byte names.
    const std::string zalgo = "a" + repeated("\xCC\x81", 200);
    const std::string heavy = FileNameFormatter::withSaneLength("b" + zalgo + "c");
    EXPECT_EQ("b", heavy);
    EXPECT_LE(FileNameFormatter::withSaneLength(repeated("😀", 80)).size(), 255u);
    EXPECT_EQ(0u, FileNameFormatter::withSaneLength(repeated("😀", 80)).size() % 4) << "never inside a sequence";
}

TEST(FileNameFormatterTest, ObjectValuesAndEditingStrings)
{
    FileNameFormatter formatter;
    EXPECT_EQ("report.twkx", formatter.editingStringForObjectValue("report.twkx"));
    formatter.setSuppressExtension(true);
    EXPECT_EQ("report", formatter.editingStringForObjectValue("report.twkx"));
    EXPECT_EQ("archive.tar", formatter.editingStringForObjectValue("archive.tar.gz"));
    EXPECT_EQ("notes", formatter.editingStringForObjectValue("notes"));
    EXPECT_EQ("profile", formatter.editingStringForObjectValue(".profile")) << "a leading dot is no extension";
    EXPECT_EQ("report.twkx", formatter.stringForObjectValue("report.twkx")) << "shown whole";

    const FileNameFormatter::ObjectValue clean = formatter.getObjectValue("Plans");
    EXPECT_EQ("Plans", clean.value);
    EXPECT_EQ("", clean.error);
    const FileNameFormatter::ObjectValue changed = formatter.getObjectValue(" Plans?");
    EXPECT_EQ("Plans", changed.value);
    EXPECT_EQ("Invalid file name characters", changed.error);

    EXPECT_EQ("twkx", fileNameExtension("Report.twkx"));
    EXPECT_EQ("", fileNameExtension("README"));
    EXPECT_EQ("", fileNameExtension(".hidden"));
    EXPECT_EQ("Report", fileNameWithoutExtension("Report.twkx"));
}

TEST(FileNameDialogTest, EachModeHasItsTitlePlaceholderAndMessage)
{
    struct Case {
        int32_t mode;
        const char* title;
        const char* placeholder;
        const char* message;
    } cases[] = {
        {FileNameDialog::NewMap, "map_dialog_add_map_title", "file_dialog_name_hint", "file_dialog_message"},
        {FileNameDialog::RenameFile, "file_dialog_rename_title", "file_dialog_name_hint", "file_dialog_message"},
        {FileNameDialog::NewFolder, "map_list_add_folder", "folder_dialog_name_hint", "folder_dialog_message"},
        {FileNameDialog::RenameFolder, "folder_dialog_rename_title", "folder_dialog_name_hint",
         "folder_dialog_message"},
    };
    for (const Case& c : cases) {
        const auto texts = FileNameDialog(c.mode, "").textsForMode();
        ASSERT_TRUE(texts) << c.mode;
        EXPECT_EQ(localized(c.title), texts->title) << c.mode;
        EXPECT_EQ(localized(c.placeholder), texts->placeholder) << c.mode;
        EXPECT_EQ(localized(c.message), texts->message) << c.mode;
        EXPECT_FALSE(texts->title.empty()) << c.mode;
    }
    EXPECT_FALSE(FileNameDialog(4, "").textsForMode());
    EXPECT_FALSE(FileNameDialog(-1, "").textsForMode());
    EXPECT_EQ(localized("db_upload_invalid_filename_error") + "\n" +
                  localized("filename_should_not_start_with_space_or_dot"),
              FileNameDialog::hintText());
}

TEST(FileNameDialogTest, OkActsOnlyOnANameThatIsNotEmptyOnceTaken)
{
    const FileNameDialog dialog(FileNameDialog::NewFolder, "");
    struct Case {
        const char* text;
        bool enabled;
    } cases[] = {{"", false},   {"   ", false}, {". . .", false},  {"?*", false},
                 {"\n", false}, {"a", true},    {" Plans ", true}, {".x", true}};
    for (const Case& c : cases) {
        EXPECT_EQ(c.enabled, dialog.isOkEnabled(c.text)) << c.text;
        EXPECT_EQ(c.enabled, dialog.okButtonClicked(c.text).has_value()) << c.text;
    }
    EXPECT_EQ("Plans", dialog.okButtonClicked(" Plans. "));
}
