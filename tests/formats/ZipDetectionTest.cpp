#include "ArchiveTestSupport.h"

#include "formats/ZipArchive.h"
#include "formats/ZipDetection.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

using namespace ArchiveTest;

namespace {

Bytes smallZip()
{
    ZipArchive zip;
    zip.CreateZipData();
    zip.addDataToZip(bytesOf("content"), std::nullopt, "a.txt");
    zip.CloseZipFile2();
    return zip.zipData();
}

TEST(ZipSignature, OnlyTheFourBytesPKThreeFourMakeAZip)
{
    EXPECT_TRUE(hasPKZIPSignature(Bytes{'P', 'K', 3, 4}));
    EXPECT_TRUE(hasPKZIPSignature(smallZip()));
    EXPECT_FALSE(hasPKZIPSignature(Bytes{'P', 'K', 3}));
    EXPECT_FALSE(hasPKZIPSignature(Bytes{'P', 'K', 5, 6})); // an empty archive's end record
    EXPECT_FALSE(hasPKZIPSignature(bytesOf("PK--abcd")));
}

TEST(ZipSignature, AFifoIsAnsweredWithoutWaitingForAWriter)
{
    TempDir dir;
    ASSERT_EQ(mkfifo(dir.file("fifo").c_str(), 0600), 0);
    EXPECT_FALSE(isZipFile(dir.file("fifo")));
}

TEST(EncodedArchive, EncodingIsThePrefixAndUnpaddedBase64Url)
{
    EXPECT_EQ(textOf(encodeAsArchive(Bytes{0xFB, 0xFF})), "PK---_8");
    EXPECT_EQ(textOf(encodeAsArchive(bytesOf("foob"))), "PK--Zm9vYg");
    EXPECT_EQ(textOf(encodeAsArchive(Bytes{})), "PK--");
}

TEST(EncodedArchive, ZipBytesSurviveTheRoundTrip)
{
    const Bytes zip = smallZip();
    const Bytes text = encodeAsArchive(zip);
    EXPECT_TRUE(isEncodedArchive(text));
    EXPECT_FALSE(hasPKZIPSignature(text));
    const auto decoded = decodeEncodedArchive(text);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(*decoded, zip);
    EXPECT_TRUE(hasPKZIPSignature(*decoded));
    // Line breaks and blanks around the text are allowed; data that is not encoded stays as it is.
    EXPECT_EQ(decodeEncodedArchive(bytesOf("PK--\r\n\n  " + textOf(text).substr(4) + "\n\r\n\t ")), zip);
    EXPECT_EQ(decodeEncodedArchive(bytesOf("PK--\r\n \t")), Bytes{});
    EXPECT_EQ(decodeEncodedArchive(zip), zip);
}

TEST(EncodedArchive, MalformedTextDecodesToNothing)
{
    EXPECT_FALSE(decodeEncodedArchive(bytesOf("PK--Zm9v\nYg"))); // breaks inside the text
    EXPECT_FALSE(decodeEncodedArchive(bytesOf("PK--A")));        // no encoding is one character long
    EXPECT_FALSE(decodeEncodedArchive(bytesOf("PK--Zm+v")));     // the other base64 alphabet
    Bytes binary = bytesOf("PK--");
    binary.push_back(0);
    binary.push_back(0xFF);
    EXPECT_FALSE(decodeEncodedArchive(binary));
}

} // namespace
