#include "GoogleDrive/GDriveAnswers.h"

#include <gtest/gtest.h>

namespace {

TEST(GDriveAnswers, ReadsAFileWithEveryField)
{
    std::string problem;
    auto file = GDriveAnswers::readFile(
        R"({"id":"1AbC","name":"Plan.twkx","mimeType":"application/x-zip","fileExtension":"twkx",
            "md5Checksum":"0123456789ABCDEF0123456789abcdef","modifiedTime":"2001-01-01T00:00:01.250Z",
            "size":"52428800000","trashed":true,"parents":["P1","P2"]})",
        problem);
    ASSERT_TRUE(file) << problem;
    EXPECT_EQ(file->gdriveId(), "1AbC");
    EXPECT_EQ(file->name, "Plan.twkx");
    EXPECT_EQ(file->itemType(), 4);
    EXPECT_EQ(file->md5Checksum, "0123456789abcdef0123456789abcdef");
    EXPECT_DOUBLE_EQ(*file->modifiedTime, 1.25);
    EXPECT_EQ(file->size(), 52428800000LL);
    EXPECT_TRUE(file->deleted());
    EXPECT_EQ(file->parentIdentifier, "P1");
}

TEST(GDriveAnswers, AFolderKeepsNoChecksumTimeOrSize)
{
    std::string problem;
    auto folder = GDriveAnswers::readFile(R"({"id":"F1","name":"Images","mimeType":"application/vnd.google-apps.folder",
        "fileExtension":"twkx","md5Checksum":"0123456789abcdef0123456789abcdef",
        "modifiedTime":"2020-01-01T00:00:00.000Z","size":"12","parents":["R"]})",
                                          problem);
    ASSERT_TRUE(folder) << problem;
    EXPECT_TRUE(folder->isFolder());
    EXPECT_EQ(folder->itemType(), 2);
    EXPECT_FALSE(folder->extension());
    EXPECT_FALSE(folder->md5Checksum);
    EXPECT_FALSE(folder->modifiedTime);
    EXPECT_FALSE(folder->fileSize);
    EXPECT_EQ(folder->parentIdentifier, "R");
}

TEST(GDriveAnswers, GooglesOwnDocumentsComeWithoutChecksumOrExtension)
{
    std::string problem;
    auto file = GDriveAnswers::readFile(
        R"({"id":"D1","name":"Notes","mimeType":"application/vnd.google-apps.document","trashed":false})", problem);
    ASSERT_TRUE(file) << problem;
    EXPECT_EQ(file->itemType(), 128);
    EXPECT_FALSE(file->md5Checksum);
    EXPECT_FALSE(file->deleted());
    EXPECT_EQ(file->parentIdentifier, "");
}

TEST(GDriveAnswers, RefusesMalformedFilesWithAText)
{
    const char* answers[] = {
        "",
        "[]",
        "not json",
        R"({"name":"no id"})",
        R"({"id":""})",
        R"({"id":"../etc"})",
        R"({"id":"a b"})",
        R"({"id":17})",
        R"({"id":"A","name":5})",
        R"({"id":"A","trashed":"yes"})",
        R"({"id":"A","parents":"P"})",
        R"({"id":"A","parents":[7]})",
        R"({"id":"A","parents":["a/b"]})",
        R"({"id":"A","md5Checksum":"xyz"})",
        R"({"id":"A","md5Checksum":"0123456789abcdef0123456789abcdeg"})",
        R"({"id":"A","modifiedTime":"yesterday"})",
        R"({"id":"A","modifiedTime":"2020-13-01T00:00:00Z"})",
        R"({"id":"A","modifiedTime":"2020-01-01T00:00:00"})",
        R"({"id":"A","size":"-1"})",
        R"({"id":"A","size":"12a"})",
        R"({"id":"A","size":"99999999999999999999"})",
        R"({"id":"A","size":-3})",
        R"({"id":"A","size":1.5})",
        R"({"id":"A","fileExtension":[]})",
    };
    for (const char* answer : answers) {
        std::string problem;
        EXPECT_FALSE(GDriveAnswers::readFile(answer, problem)) << answer;
        EXPECT_FALSE(problem.empty()) << answer;
    }
}

TEST(GDriveAnswers, ReadsAListPageAndRefusesABrokenOne)
{
    std::string problem;
    auto page = GDriveAnswers::readFileList(
        R"({"nextPageToken":"t2","files":[{"id":"A","name":"a.twkx","fileExtension":"twkx"},{"id":"B"}]})", problem);
    ASSERT_TRUE(page) << problem;
    ASSERT_EQ(page->files.size(), 2u);
    EXPECT_EQ(page->files[1].gdriveId(), "B");
    EXPECT_EQ(page->nextPageToken, "t2");

    auto last = GDriveAnswers::readFileList(R"({"files":[]})", problem);
    ASSERT_TRUE(last);
    EXPECT_TRUE(last->files.empty());
    EXPECT_EQ(last->nextPageToken, "");

    for (const char* broken : {R"({"files":{}})", R"({"files":[{"id":"A"},3]})", R"({"nextPageToken":4})"}) {
        EXPECT_FALSE(GDriveAnswers::readFileList(broken, problem)) << broken;
    }
}

TEST(GDriveAnswers, ReadsGeneratedIds)
{
    std::string problem;
    auto ids = GDriveAnswers::readGeneratedIds(R"({"kind":"drive#generatedIds","ids":["a1","b-2_"]})", problem);
    ASSERT_TRUE(ids) << problem;
    EXPECT_EQ(*ids, (std::vector<std::string>{"a1", "b-2_"}));
    EXPECT_FALSE(GDriveAnswers::readGeneratedIds(R"({"ids":["ok","no/pe"]})", problem));
    EXPECT_FALSE(GDriveAnswers::readGeneratedIds(R"({"ids":"a1"})", problem));
}

TEST(GDriveAnswers, ReadsStructuredErrorsOfBothShapes)
{
    auto classic = GDriveAnswers::readStructuredError(
        R"({"error":{"errors":[{"domain":"usageLimits","reason":"userRateLimitExceeded"}],"code":403,"message":"Slow down"}})");
    ASSERT_TRUE(classic);
    EXPECT_EQ(classic->code, 403);
    EXPECT_EQ(classic->message, "Slow down");
    EXPECT_EQ(classic->reason, "userRateLimitExceeded");

    auto newer =
        GDriveAnswers::readStructuredError(R"({"error":{"code":429,"message":"Quota","status":"RESOURCE_EXHAUSTED"}})");
    ASSERT_TRUE(newer);
    EXPECT_EQ(newer->reason, "rateLimitExceeded");

    for (const char* notOne :
         {"", "<html>", R"({"error":"invalid_grant"})", R"({"error":{"code":"404","message":"x"}})",
          R"({"error":{"code":404}})", R"({"error":{"code":-4,"message":"x"}})"}) {
        EXPECT_FALSE(GDriveAnswers::readStructuredError(notOne)) << notOne;
    }
}

TEST(GDriveAnswers, DatesRoundTripWithMilliseconds)
{
    struct Case {
        const char* text;
        double seconds;
    };
    const Case cases[] = {
        {"2001-01-01T00:00:00Z", 0},      {"2001-01-01T00:00:00.5Z", 0.5},  {"2000-12-31T23:00:00.000Z", -3600},
        {"2001-01-01T02:00:00+02:00", 0}, {"2000-12-31T22:30:00-01:30", 0}, {"2026-12-07T20:15:04.123z", 818367304.123},
    };
    for (const Case& test : cases) {
        auto seconds = GDriveAnswers::parseDate(test.text);
        ASSERT_TRUE(seconds) << test.text;
        EXPECT_NEAR(*seconds, test.seconds, 1e-6) << test.text;
    }
    EXPECT_EQ(GDriveAnswers::formatDate(818367304.123), "2026-12-07T20:15:04.123Z");
    EXPECT_EQ(GDriveAnswers::formatDate(-0.0001), "2001-01-01T00:00:00.000Z");
    for (const char* bad : {"", "2001-01-01", "2001-01-01T00:00:00.Z", "2001-01-01T00:00:00+2",
                            "2001-01-01T00:00:00Zjunk", "2001-01-01 00:00:00Z", "20a1-01-01T00:00:00Z"}) {
        EXPECT_FALSE(GDriveAnswers::parseDate(bad)) << bad;
    }
}

TEST(GDriveAnswers, IdsAreLettersDigitsDashAndUnderscore)
{
    EXPECT_TRUE(GDriveAnswers::isValidId("root"));
    EXPECT_TRUE(GDriveAnswers::isValidId("1AbC-_9"));
    EXPECT_TRUE(GDriveAnswers::isValidId(std::string(256, 'a')));
    for (const std::string& bad : {std::string(), std::string(257, 'a'), std::string("a/b"), std::string("a%2Fb"),
                                   std::string("a'b"), std::string("a\\b"), std::string("a b"), std::string("é")}) {
        EXPECT_FALSE(GDriveAnswers::isValidId(bad)) << bad;
    }
}

} // namespace
