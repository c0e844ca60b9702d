#include "Utils/PathValidation.h"
#include "platform/Utf8.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

TEST(PathValidation, InvalidCharacterSets)
{
    EXPECT_EQ(invalidFileNameCharacters(), "<>:\"/\\|?*");
    EXPECT_EQ(invalidPathCharacters(), "<>:\"|?*");
}

TEST(PathValidation, ContainsInvalidFilenameChars)
{
    for (char c : std::string("<>:\"/\\|?*")) {
        EXPECT_TRUE(containsInvalidFilenameChars(std::string("ab") + c + "cd")) << c;
    }
    EXPECT_FALSE(containsInvalidFilenameChars("0123456789ABCDEF01234567"));
    EXPECT_FALSE(containsInvalidFilenameChars("My map (2).twkx"));
    EXPECT_FALSE(containsInvalidFilenameChars(""));
}

TEST(RemovingInvalidChars, SpacesCollapseOrVanish)
{
    EXPECT_EQ(stringByRemovingInvalidFileNameCharsAllowSpaces(" p  q?r ", true), "p qr");
    EXPECT_EQ(stringByRemovingInvalidFileNameCharsAllowSpaces(" p  q?r ", false), "pqr");
}

TEST(RemovingInvalidChars, SlashIsKeptInPathsOnly)
{
    EXPECT_EQ(stringByRemovingInvalidPathCharsAllowSpaces("x/y", true), "x/y");
    EXPECT_EQ(stringByRemovingInvalidFileNameCharsAllowSpaces("x/y", true), "xy");
}

TEST(RemovingInvalidChars, EachModeDropsItsInvalidCharacters)
{
    EXPECT_EQ(stringByRemovingInvalidChars("a<b>c:d\"e/f\\g|h?i*j", false, true), "abcdefghij");
    EXPECT_EQ(stringByRemovingInvalidChars("a<b>c:d\"e/f\\g|h?i*j", true, true), "abcde/f\\ghij");
}

TEST(RemovingInvalidChars, AnyWhiteSpaceOrLineEndCountsAsSpace)
{
    EXPECT_EQ(stringByRemovingInvalidChars("a \t\n\r b", false, true), "a b");
    EXPECT_EQ(stringByRemovingInvalidChars("a\xC2\xA0" "b", false, true), "a b");        // no-break space
    EXPECT_EQ(stringByRemovingInvalidChars("a\xE3\x80\x80" "b", false, true), "a b");    // ideographic space
    EXPECT_EQ(stringByRemovingInvalidChars("a\xE2\x80\xA8" "b", false, false), "ab");    // line separator
    EXPECT_EQ(stringByRemovingInvalidChars("\n\t x \n", false, true), "x");
}

TEST(RemovingInvalidChars, DroppedCharactersDoNotSeparateSpaces)
{
    EXPECT_EQ(stringByRemovingInvalidChars("a ? b", false, true), "a b");
    EXPECT_EQ(stringByRemovingInvalidChars("a \x01 b", false, true), "a b");
}

TEST(RemovingInvalidChars, LettersNumbersMarksSymbolsAndPunctuationOfEveryScriptStay)
{
    const std::string russian = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xD0\xBC\xD0\xB8\xD1\x80";
    EXPECT_EQ(stringByRemovingInvalidChars(russian, false, true), russian);
    EXPECT_EQ(stringByRemovingInvalidChars("\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", false, true), "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E");
    EXPECT_EQ(stringByRemovingInvalidChars("cafe\xCC\x81", false, true), "cafe\xCC\x81"); // combining accent
    EXPECT_EQ(stringByRemovingInvalidChars("\xE2\x82\xAC$+=~^`@#%&()[]{}!,.;'_-", false, true), "\xE2\x82\xAC$+=~^`@#%&()[]{}!,.;'_-");
    EXPECT_EQ(stringByRemovingInvalidChars("\xC2\xBD \xE2\x85\xA2", false, true), "\xC2\xBD \xE2\x85\xA2"); // ½ Ⅲ
}

TEST(RemovingInvalidChars, ControlFormatAndPrivateCharactersAreDropped)
{
    EXPECT_EQ(stringByRemovingInvalidChars(std::string("a\0b", 3), false, true), "ab");
    EXPECT_EQ(stringByRemovingInvalidChars("x\x1b[31my\x7f", false, true), "x[31my");
    EXPECT_EQ(stringByRemovingInvalidChars("a\xC2\x9B" "b", false, true), "ab");         // C1 control
    EXPECT_EQ(stringByRemovingInvalidChars("\xE2\x80\xAEgpj.exe", false, true), "gpj.exe"); // right-to-left override
    EXPECT_EQ(stringByRemovingInvalidChars("a\xE2\x80\x8D" "b", false, true), "ab");     // zero-width joiner
    EXPECT_EQ(stringByRemovingInvalidChars("a\xEE\x80\x80" "b", false, true), "ab");     // private use
}

TEST(RemovingInvalidChars, CharactersBeyondTheBasicPlaneAreDropped)
{
    EXPECT_EQ(stringByRemovingInvalidChars("a\xF0\x9F\x98\x80" "b", false, true), "ab");
    EXPECT_EQ(stringByRemovingInvalidChars("\xF0\x9D\x90\x80", false, true), "");
}

TEST(RemovingInvalidChars, BytesThatAreNotUtf8AreDropped)
{
    EXPECT_EQ(stringByRemovingInvalidChars("a\xFF" "b\xC3", false, true), "ab");
    EXPECT_EQ(stringByRemovingInvalidChars("\xC0\xAF..\xC0\xAF", true, true), ""); // overlong "/" is no separator
}

TEST(RemovingInvalidChars, EmptyAndBlankTextsGiveEmptyText)
{
    EXPECT_EQ(stringByRemovingInvalidChars("", false, true), "");
    EXPECT_EQ(stringByRemovingInvalidChars("   \t\n", false, true), "");
    EXPECT_EQ(stringByRemovingInvalidChars("???", true, true), "");
}

TEST(HostileFileNames, DotNamesBecomeEmpty)
{
    for (const char* name : {".", "..", "...", " .. ", "\t..\n", ". .", ".\x01.", "./..", "..\\", "?..*"}) {
        EXPECT_EQ(stringByRemovingInvalidFileNameCharsAllowSpaces(name, false), "") << name;
    }
    EXPECT_EQ(stringByRemovingInvalidFileNameCharsAllowSpaces(". .", true), ". .");
}

TEST(HostileFileNames, SeparatorsNeverSurvive)
{
    EXPECT_EQ(stringByRemovingInvalidFileNameCharsAllowSpaces("../../etc/passwd", true), "....etcpasswd");
    EXPECT_EQ(stringByRemovingInvalidFileNameCharsAllowSpaces("..\\..\\boot.ini", true), "....boot.ini");
    EXPECT_EQ(stringByRemovingInvalidFileNameCharsAllowSpaces("/abs", true), "abs");
    EXPECT_EQ(stringByRemovingInvalidFileNameCharsAllowSpaces("\xEF\xBC\x8Fwide", true), "\xEF\xBC\x8Fwide"); // a full-width solidus is no separator
}

TEST(HostileFileNames, CleanedNamesStayInsideTheirFolder)
{
    const std::filesystem::path folder = "/root/folder";
    for (const char* name : {"..", "../x", "a/../../b", "\\..\\..\\x", " ..", ".. ", "x\n/..", "...", "~", "-rf"}) {
        const std::string cleaned = stringByRemovingInvalidFileNameCharsAllowSpaces(name, true);
        EXPECT_EQ(cleaned.find_first_of("/\\"), std::string::npos) << name;
        if (cleaned.empty()) continue;
        const auto joined = (folder / cleaned).lexically_normal();
        EXPECT_EQ(joined.parent_path(), folder) << name;
    }
}

TEST(HostilePaths, DotComponentsAreDropped)
{
    EXPECT_EQ(stringByRemovingInvalidPathCharsAllowSpaces("../x", true), "x");
    EXPECT_EQ(stringByRemovingInvalidPathCharsAllowSpaces("a/../../b", true), "a/b");
    EXPECT_EQ(stringByRemovingInvalidPathCharsAllowSpaces("a/./b", true), "a/b");
    EXPECT_EQ(stringByRemovingInvalidPathCharsAllowSpaces("a/..", true), "a");
    EXPECT_EQ(stringByRemovingInvalidPathCharsAllowSpaces("..", true), "");
    EXPECT_EQ(stringByRemovingInvalidPathCharsAllowSpaces("./", true), "");
    EXPECT_EQ(stringByRemovingInvalidPathCharsAllowSpaces("../ ..", true), "");
}

TEST(HostilePaths, LeadingSlashIsKept)
{
    EXPECT_EQ(stringByRemovingInvalidPathCharsAllowSpaces("/../x", true), "/x");
    EXPECT_EQ(stringByRemovingInvalidPathCharsAllowSpaces("/..", true), "/");
    EXPECT_EQ(stringByRemovingInvalidPathCharsAllowSpaces("/maps/x", true), "/maps/x");
}

TEST(HostilePaths, BackslashSeparatedDotComponentsAreDroppedToo)
{
    EXPECT_EQ(stringByRemovingInvalidPathCharsAllowSpaces("..\\x", true), "x");
    EXPECT_EQ(stringByRemovingInvalidPathCharsAllowSpaces("a\\..\\b", true), "a\\b");
    EXPECT_EQ(stringByRemovingInvalidPathCharsAllowSpaces("a/..\\..\\b", true), "a\\b");
}

TEST(HostilePaths, NamesThatOnlyLookLikeDotsStay)
{
    EXPECT_EQ(stringByRemovingInvalidPathCharsAllowSpaces(".../x", true), ".../x");
    EXPECT_EQ(stringByRemovingInvalidPathCharsAllowSpaces("a/..b/c.", true), "a/..b/c.");
    EXPECT_EQ(stringByRemovingInvalidPathCharsAllowSpaces(".hidden/x", true), ".hidden/x");
}

TEST(HostilePaths, CleanedPathsStayUnderTheirRoot)
{
    const std::filesystem::path root = "/root/folder";
    for (const char* path : {"../../etc/passwd", "/../../x", "a/../../../b", "..\\..\\x", "a/\x01../b", "a/ ../b",
                             " ../x", "./../.././x", "a//..//..//b", "..\xC2\xA0/x", "\xE2\x80\xAE../x"}) {
        const std::string cleaned = stringByNormalizingPathSeparators(stringByRemovingInvalidPathCharsAllowSpaces(path, true));
        const std::string relative = cleaned.empty() || cleaned.front() != '/' ? cleaned : cleaned.substr(1);
        const auto joined = (root / relative).lexically_normal();
        const auto rel = joined.lexically_relative(root);
        EXPECT_FALSE(rel.empty()) << path;
        EXPECT_NE(*rel.begin(), "..") << path << " -> " << cleaned;
    }
}

TEST(NormalizingPathSeparators, BackslashesBecomeSlashesAndRunsCollapse)
{
    EXPECT_EQ(stringByNormalizingPathSeparators("a\\b//c\\\\d/"), "a/b/c/d/");
    EXPECT_EQ(stringByNormalizingPathSeparators("\\\\server\\share"), "/server/share");
    EXPECT_EQ(stringByNormalizingPathSeparators("///"), "/");
    EXPECT_EQ(stringByNormalizingPathSeparators(""), "");
    EXPECT_EQ(stringByNormalizingPathSeparators("plain"), "plain");
}

TEST(SaneFileNameLength, SeventyCharactersStayWholeSeventyOneAreCut)
{
    EXPECT_EQ(SaneFileNameLength, 70u);
    const std::string seventy(70, 'a');
    EXPECT_EQ(stringWithSaneFileNameLength(seventy), seventy);
    EXPECT_EQ(stringWithSaneFileNameLength(seventy + "b"), seventy);
    EXPECT_EQ(stringWithSaneFileNameLength("short"), "short");
    EXPECT_EQ(stringWithSaneFileNameLength(""), "");
}

TEST(SaneFileNameLength, CountsCharactersNotBytes)
{
    std::string accented;
    for (int i = 0; i < 71; ++i) accented += "\xC3\xA9";
    const std::string cut = stringWithSaneFileNameLength(accented);
    EXPECT_EQ(cut.size(), 140u);
    EXPECT_TRUE(Utf8::isValid(cut));

    const std::string emoji = "\xF0\x9F\x98\x80";
    EXPECT_EQ(stringWithSaneFileNameLength(std::string(69, 'a') + emoji + "b"), std::string(69, 'a') + emoji);
    EXPECT_EQ(stringWithSaneFileNameLength(std::string(70, 'a') + emoji), std::string(70, 'a'));
}

TEST(IncludeTrailingPathSeparator, AppendsASlashOnlyWhereMissing)
{
    EXPECT_EQ(includeTrailingPathSeparator(""), "");
    EXPECT_EQ(includeTrailingPathSeparator("a/"), "a/");
    EXPECT_EQ(includeTrailingPathSeparator("/"), "/");
    EXPECT_EQ(includeTrailingPathSeparator("a"), "a/");
    EXPECT_EQ(includeTrailingPathSeparator("/maps/x"), "/maps/x/");
}

} // namespace
