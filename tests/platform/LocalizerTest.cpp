#include "platform/Localizer.h"

#include "platform/Folders.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

class LocalizerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(_resources.path() + "/strings");
        writeTable("# a comment line\n"
                   "ok_button_title=OK\n"
                   "  # an indented comment=not a value\n"
                   "\n"
                   "a line without an equals sign\n"
                   "equation=a=b+c\n"
                   "  spaced_key  =value\n"
                   "two_lines=first\\nsecond\n"
                   "windows=crlf value\r\n"
                   "store_archive_import_result=%ld maps, %ld styles, %ld images, %ld skipped\n"
                   "export_failed_error=The export failed.\n"
                   "=no key\n");
        reloadStringTable();
    }
    void TearDown() override { reloadStringTable(); }

    void writeTable(const std::string& text) { writeTestFile(_resources.path() + "/strings/en.strings", text); }

    TempDir _resources;
    ScopedEnvironment _environment{"TARNWICK_RESOURCES", _resources.path()};
};

} // namespace

TEST_F(LocalizerTest, ReadsKeyValueLinesAndSkipsTheRest)
{
    const std::pair<const char*, const char*> cases[] = {
        {"ok_button_title", "OK"},
        {"equation", "a=b+c"},
        {"spaced_key", "value"},
        {"windows", "crlf value"},
        {"two_lines", "first\nsecond"},
        {"no_such_key", ""},
        {"", ""},
        {"# an indented comment", ""},
        {"a line without an equals sign", ""},
    };
    for (const auto& [key, value] : cases) EXPECT_EQ(localized(key), value) << key;
}

TEST(LocalizerFormatTest, PlaceholdersPercentsAndArgumentCounts)
{
    EXPECT_EQ(formatText("%@ / %s / %ld / %d", {"a", "b", "c", "d"}), "a / b / c / d");
    EXPECT_EQ(formatText("100%% of %d", {"5"}), "100% of 5");
    EXPECT_EQ(formatText("%%d", {"x"}), "%d");
    EXPECT_EQ(formatText("%@-%@-%@", {"a"}), "a--");
    EXPECT_EQ(formatText("only %@", {"a", "b", "c"}), "only a");
    EXPECT_EQ(formatText("%x %n %5d 50% %", {"a"}), "%x %n %5d 50% %");
}

TEST(LocalizerFormatTest, PositionalFormsTakeTheirNumberedArgument)
{
    const std::pair<const char*, const char*> cases[] = {
        {"%2$@ before %1$@", "b before a"},       {"%1$s holds %2$ld maps", "a holds b maps"},
        {"%2$d, then %@ %@", "b, then a b"},      {"%3$@|", "|"},
        {"%0$@ %$@ %1234$@", "%0$@ %$@ %1234$@"}, {"%lu of %u", "a of b"},
    };
    for (const auto& [format, filled] : cases) EXPECT_EQ(formatText(format, {"a", "b"}), filled) << format;
}

TEST(LocalizerFormatTest, ArgumentsAreNeverReadAsFormats)
{
    EXPECT_EQ(formatText("%@ and %@", {"%@%s%n%x", "b"}), "%@%s%n%x and b");
}

TEST(LocalizerResourcesTest, TheShippedTableHasEveryKeyInUse)
{
    const char* sourceDir = std::getenv("TARNWICK_TEST_SOURCE_DIR");
    ScopedEnvironment resources("TARNWICK_RESOURCES",
                                sourceDir ? std::optional<std::string>(std::string(sourceDir) + "/resources")
                                          : std::nullopt);
    reloadStringTable();
    ASSERT_TRUE(std::filesystem::exists(Folders::resourcePath("strings/en.strings")));
    for (const char* key :
         {"ok_button_title", "cancel_button_title", "error_caption", "db_unspecified_error", "export_failed_error",
          "share_handler_unsupported_format_error", "open_from_finder_error_title", "open_from_finder_error_message",
          "error_paste_image_only_in_topics", "error_paste_no_topic_selected"}) {
        EXPECT_FALSE(localized(key).empty()) << key;
    }
    reloadStringTable();
}
