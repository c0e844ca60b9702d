#include "Utils/URLUtils.h"

#include <gtest/gtest.h>

#include <string>

TEST(URLUtilsTests, URLsWithoutAuthorityOrWithAnEmptyOneHaveNoHost)
{
    const auto mail = parseURLString("mailto:someone@example.com");
    ASSERT_TRUE(mail.has_value());
    EXPECT_EQ(mail->host, "");
    EXPECT_EQ(mail->path, "someone@example.com");
}

TEST(URLUtilsTests, PathsAndRelativeReferencesHaveNoScheme)
{
    for (const char* text : {"/tmp/x:y", "notes.txt", "1abc:x", "./a:b", "", "//server/share"}) {
        const auto url = parseURLString(text);
        ASSERT_TRUE(url.has_value()) << text;
        EXPECT_EQ(url->scheme, "") << text;
    }
    EXPECT_EQ(parseURLString("//server/share")->host, "server");
    EXPECT_EQ(parseURLString("http://[::1]:80/x")->host, "::1");
    EXPECT_EQ(parseURLString("/tmp/x:y")->path, "/tmp/x:y");
}

TEST(URLUtilsTests, MalformedTextDoesNotParse)
{
    for (const std::string& text :
         {std::string("http://example.com/a b"), std::string("http://example.com/%4"), std::string("http://[::1/x"),
          std::string("http://host:80a/"), std::string("http://a/\0", 10), std::string("http://a/\xc3\xa4")}) {
        EXPECT_FALSE(parseURLString(text).has_value()) << text;
    }
}

TEST(URLUtilsTests, EscapingKeepsURLCharactersAndExistingEscapes)
{
    EXPECT_EQ(percentEscapeURLString("a-z_0.9~:/?#[]@!$&'()*+,;="), "a-z_0.9~:/?#[]@!$&'()*+,;=");
    EXPECT_EQ(percentEscapeURLString("a b\"<>\\^`{|}"), "a%20b%22%3C%3E%5C%5E%60%7B%7C%7D");
    EXPECT_EQ(percentEscapeURLString("%41%4a%"), "%41%4a%25");
    EXPECT_EQ(percentEscapeURLString("ä"), "%C3%A4");
    EXPECT_EQ(percentEscapeURLString(std::string("\0\x7f\xff", 3)), "%00%7F%FF");
    EXPECT_EQ(percentEncodeURLFragment("a#b[c] d/e?f:g@h"), "a%23b%5Bc%5D%20d/e?f:g@h");
    EXPECT_EQ(percentEncodeURLFragment("x%20y"), "x%20y");
}

TEST(URLUtilsTests, DecodingReplacesEscapesAndRefusesBrokenOnes)
{
    EXPECT_EQ(percentDecode("a%20b%2Fc%c3%a4"), "a b/c\xc3\xa4");
    EXPECT_FALSE(percentDecode("a%2").has_value());
    EXPECT_FALSE(percentDecode("%zz").has_value());
}

TEST(URLUtilsTests, FileURLsDecodeToExactlyTheirPath)
{
    const std::string path = "/tmp/a b%25?#[x];ä";
    const std::string url = fileURLWithPath(path);
    EXPECT_EQ(url, "file:///tmp/a%20b%2525%3F%23%5Bx%5D;%C3%A4");
    const auto parts = parseURLString(url);
    ASSERT_TRUE(parts.has_value());
    EXPECT_EQ(percentDecode(parts->path), path);
}
