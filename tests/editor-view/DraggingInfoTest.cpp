#include "editor-view/DraggingInfo.h"
#include "editor-view/PictureTestSupport.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstring>

using Rule = DraggingInfo::DropRule;

namespace {

std::vector<uint8_t> bytes(std::string_view text)
{
    return std::vector<uint8_t>(text.begin(), text.end());
}

std::vector<uint8_t> channels(uint16_t r, uint16_t g, uint16_t b, uint16_t a)
{
    const uint16_t values[] = {r, g, b, a};
    std::vector<uint8_t> data(sizeof values);
    std::memcpy(data.data(), values, sizeof values);
    return data;
}

std::vector<uint8_t> utf16le(std::u16string_view text, bool byteOrderMark = false)
{
    std::vector<uint8_t> data;
    if (byteOrderMark) data = {0xFF, 0xFE};
    for (char16_t unit : text) {
        data.push_back(uint8_t(unit & 0xFF));
        data.push_back(uint8_t(unit >> 8));
    }
    return data;
}

const std::vector<std::string> PictureTypes{"image/png", "image/jpeg", "image/gif"};

TEST(DraggingInfoTest, UriListsGiveLocalFilesAndURLsAndRefuseWhatIsNoList)
{
    const auto list = DraggingInfo::parseUriList("# comment\r\nfile:///home/u/A%20b.png\r\n"
                                                 "file://localhost/tmp/x.pdf\r\nhttps://example.com/p?q=1\r\n"
                                                 "file://otherhost/share/y\r\n\r\n  file:///tmp/%C3%A9t%C3%A9.txt  \n"
                                                 "relative/path\nfile:///tmp/nul%00.png\n");
    ASSERT_TRUE(list);
    EXPECT_EQ(list->fileNames, (std::vector<std::string>{"/home/u/A b.png", "/tmp/x.pdf", "/tmp/été.txt"}));
    EXPECT_EQ(list->urls, std::vector<std::string>{"https://example.com/p?q=1"});

    EXPECT_FALSE(DraggingInfo::parseUriList("file:///a\xff\xfe\n"));
    EXPECT_FALSE(DraggingInfo::parseUriList(std::string_view("file:///a\0b", 11)));
    std::string many;
    for (size_t i = 0; i <= DraggingInfo::MaximumUriCount; ++i) many += "file:///tmp/f\r\n";
    EXPECT_FALSE(DraggingInfo::parseUriList(many));
    const auto empty = DraggingInfo::parseUriList("");
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->fileNames.empty() && empty->urls.empty());
}

TEST(DraggingInfoTest, ColoursAreFourSixteenBitChannelsAndNothingElse)
{
    const auto color = DraggingInfo::colorFromData(channels(65535, 0, 32768, 65535));
    ASSERT_TRUE(color);
    EXPECT_DOUBLE_EQ(color->red(), 1.0);
    EXPECT_DOUBLE_EQ(color->green(), 0.0);
    EXPECT_NEAR(color->blue(), 0.5, 1e-4);
    EXPECT_DOUBLE_EQ(color->alpha(), 1.0);
    for (size_t size : {0, 1, 6, 7, 9, 16})
        EXPECT_FALSE(DraggingInfo::colorFromData(std::vector<uint8_t>(size, 0x7F))) << size;
}

TEST(DraggingInfoTest, BrowserURLsComeFromTheirFirstLineInEitherEncoding)
{
    EXPECT_EQ(DraggingInfo::urlFromNetscapeURL(bytes("https://example.com/a\nExample")), "https://example.com/a");
    EXPECT_EQ(DraggingInfo::urlFromMozillaURL(utf16le(u"https://example.com/\u00e9\r\nT")), std::nullopt)
        << "a URL may not hold an unescaped letter";
    EXPECT_EQ(DraggingInfo::urlFromMozillaURL(utf16le(u"https://example.com/x\nTitle", true)), "https://example.com/x");
    std::vector<uint8_t> bigEndian{0xFE, 0xFF, 0, 'h', 0, 't', 0, 't', 0, 'p', 0, ':', 0, '/', 0, '/', 0, 'a'};
    EXPECT_EQ(DraggingInfo::urlFromMozillaURL(bigEndian), "http://a");
    EXPECT_FALSE(DraggingInfo::urlFromMozillaURL({'h', 0, 't'}));              // odd length
    EXPECT_FALSE(DraggingInfo::urlFromMozillaURL(utf16le(u"http://a\xD800"))); // unpaired surrogate
    EXPECT_FALSE(DraggingInfo::urlFromMozillaURL(utf16le(u"http://a\xDC00"
                                                         u"b"))); // lone low surrogate
    EXPECT_FALSE(DraggingInfo::urlFromNetscapeURL(bytes("\nTitle only")));
    EXPECT_FALSE(DraggingInfo::urlFromNetscapeURL(bytes("http://a\xff")));
    EXPECT_FALSE(DraggingInfo::urlFromNetscapeURL(bytes("a b c")));
}

TEST(DraggingInfoTest, TextIsUtf8OrLatin1ByTypeWithoutNulsOrExcess)
{
    struct Case {
        std::string data;
        std::string type;
        std::optional<std::string> text;
    };
    const Case cases[] = {
        {"Grüße", "UTF8_STRING", "Grüße"},
        {"Gr\xfc\xdf"
         "e",
         "STRING", "Grüße"},
        {"Gr\xfc\xdf"
         "e",
         "UTF8_STRING", std::nullopt},
        {"Gr\xfc\xdf"
         "e",
         "text/plain", "Grüße"},
        {"caf\xc3\xa9", "text/plain", "café"},
        {std::string("text\0", 5), "text/plain;charset=utf-8", "text"},
        {std::string("te\0xt", 5), "text/plain;charset=utf-8", std::nullopt},
        {"", "TEXT", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DraggingInfo::textFromData(bytes(c.data), c.type), c.text) << c.type << " " << c.data;
    EXPECT_FALSE(DraggingInfo::textFromData(std::vector<uint8_t>(DraggingInfo::MaximumTextBytes + 1, 'a'), "TEXT"));
}

TEST(DraggingInfoTest, CloudImagePathsAreAbsolute)
{
    EXPECT_EQ(DraggingInfo::cloudImagePathFromData(bytes("/Pics/a.png")), "/Pics/a.png");
    for (const char* bad : {"", "Pics/a.png", "../a.png"})
        EXPECT_FALSE(DraggingInfo::cloudImagePathFromData(bytes(bad)));
    EXPECT_FALSE(DraggingInfo::cloudImagePathFromData(bytes("/a\xff")));
}

TEST(DraggingInfoTest, KindsAndTheTypesReadFollowTheOfferedTypes)
{
    using Kind = DraggingInfo::Kind;
    const std::vector<std::string> browser{"text/uri-list", "_NETSCAPE_URL", "text/x-moz-url", "image/png",
                                           "text/plain",    "UTF8_STRING",   "text/html"};
    EXPECT_EQ(DraggingInfo::kindsOfTypes(browser, PictureTypes, false),
              Kind::UriListKind | Kind::URLKind | Kind::ImageKind | Kind::StringKind);
    EXPECT_EQ(DraggingInfo::typesToRead(browser, PictureTypes, false),
              (std::vector<std::string>{"text/uri-list", "_NETSCAPE_URL", "image/png", "UTF8_STRING"}));

    const std::vector<std::string> cloudList{"com.orrinworks.tarnwickpro.cloudimage", "application/x-color"};
    EXPECT_EQ(DraggingInfo::kindsOfTypes(cloudList, PictureTypes, true), Kind::CloudImageKind | Kind::ColorKind);
    EXPECT_EQ(DraggingInfo::kindsOfTypes(cloudList, PictureTypes, false), Kind::ColorKind);
    EXPECT_EQ(DraggingInfo::typesToRead(cloudList, PictureTypes, false),
              std::vector<std::string>{"application/x-color"});
    EXPECT_EQ(DraggingInfo::kindsOfTypes({"image/x-unknown", "text/html"}, PictureTypes, true), 0u);

    const std::vector<std::string> accepted = DraggingInfo::acceptedTypes({"image/gif", "image/png"});
    EXPECT_EQ(std::count(accepted.begin(), accepted.end(), "image/png"), 1);
    EXPECT_LT(std::find(accepted.begin(), accepted.end(), "image/png") - accepted.begin(),
              std::find(accepted.begin(), accepted.end(), "image/gif") - accepted.begin());
}

TEST(DraggingInfoTest, RulesGoInTheirOrderWhileDraggingAndAtTheDrop)
{
    using Kind = DraggingInfo::Kind;
    TempDir folder;
    const std::string picture = folder.file("p.png");
    picturetest::writePicture(picture, 40, 30);
    writeTestFile(folder.file("broken.png"), "no picture");

    struct Case {
        const char* what;
        uint32_t kinds;
        std::function<void(DraggingInfo&)> data; // what the drop brought
        bool target;
        Rule dragging;
        Rule dropped;
    };
    const std::string pdf = folder.file("doc.pdf");
    const Case cases[] = {
        {"colour over the empty canvas", Kind::ColorKind, [](DraggingInfo& i) { i.color = Color(1, 0, 0); }, false,
         Rule::None, Rule::None},
        {"colour over a topic", Kind::ColorKind, [](DraggingInfo& i) { i.color = Color(1, 0, 0); }, true, Rule::Color,
         Rule::Color},
        {"colour that did not read", Kind::ColorKind, [](DraggingInfo&) {}, true, Rule::Color, Rule::None},
        {"picture file anywhere", Kind::UriListKind, [&](DraggingInfo& i) { i.fileNames = {{picture}}; }, false,
         Rule::ImageFile, Rule::ImageFile},
        {"picture file that does not read, on a topic", Kind::UriListKind,
         [&](DraggingInfo& i) { i.fileNames = {{folder.file("broken.png")}}; }, true, Rule::LinkFile, Rule::LinkFile},
        {"PDF on a topic", Kind::UriListKind, [&](DraggingInfo& i) { i.fileNames = {{pdf}}; }, true, Rule::LinkFile,
         Rule::LinkFile},
        {"PDF on the empty canvas", Kind::UriListKind, [&](DraggingInfo& i) { i.fileNames = {{pdf}}; }, false,
         Rule::ImageFile, Rule::None},
        {"PDF with its name as text on the empty canvas", Kind::UriListKind | Kind::StringKind,
         [&](DraggingInfo& i) {
             i.fileNames = {{pdf}};
             i.string = pdf;
         },
         false, Rule::ImageFile, Rule::Text},
        {"empty file list on a topic", Kind::UriListKind, [](DraggingInfo& i) { i.fileNames.emplace(); }, true,
         Rule::LinkFile, Rule::None},
        {"web link on a topic", Kind::UriListKind | Kind::URLKind | Kind::StringKind,
         [](DraggingInfo& i) {
             i.fileNames.emplace();
             i.url = "https://example.com";
             i.string = "https://example.com";
         },
         true, Rule::LinkFile, Rule::LinkURL},
        {"web link over the empty canvas", Kind::URLKind | Kind::StringKind,
         [](DraggingInfo& i) {
             i.url = "https://example.com";
             i.string = "https://example.com";
         },
         false, Rule::Text, Rule::Text},
        {"picture data", Kind::ImageKind, [](DraggingInfo& i) { i.imageData = picturetest::pictureData(30, 30); },
         false, Rule::PasteboardImage, Rule::PasteboardImage},
        {"picture data that does not decode, with text", Kind::ImageKind | Kind::StringKind,
         [](DraggingInfo& i) {
             i.imageData = bytes("junk");
             i.string = "caption";
         },
         true, Rule::PasteboardImage, Rule::Text},
        {"cloud picture on a topic", Kind::CloudImageKind, [](DraggingInfo& i) { i.cloudImagePath = "/P/a.png"; }, true,
         Rule::CloudImage, Rule::CloudImage},
        {"cloud picture over the empty canvas", Kind::CloudImageKind,
         [](DraggingInfo& i) { i.cloudImagePath = "/P/a.png"; }, false, Rule::None, Rule::None},
        {"text on a topic", Kind::StringKind, [](DraggingInfo& i) { i.string = "New idea"; }, true, Rule::Text,
         Rule::Text},
        {"nothing known", 0, [](DraggingInfo&) {}, true, Rule::None, Rule::None},
    };
    for (const Case& c : cases) {
        DraggingInfo info;
        info.kinds = c.kinds;
        EXPECT_EQ(info.ruleFor(c.target, false), c.dragging) << c.what;
        c.data(info);
        EXPECT_EQ(info.ruleFor(c.target, true), c.dropped) << c.what;
    }
    EXPECT_EQ(DraggingInfo::operationForRule(Rule::LinkFile), DragOperationLink);
    EXPECT_EQ(DraggingInfo::operationForRule(Rule::LinkURL), DragOperationLink);
    EXPECT_EQ(DraggingInfo::operationForRule(Rule::Text), DragOperationCopy);
    EXPECT_EQ(DraggingInfo::operationForRule(Rule::Color), DragOperationCopy);
    EXPECT_EQ(DraggingInfo::operationForRule(Rule::None), DragOperationNone);
}

TEST(DraggingInfoTest, ReadingDataFillsTheFieldsAndBadDataLeavesThem)
{
    DraggingInfo info;
    info.readData("application/x-color", channels(0, 65535, 0, 0));
    info.readData("text/uri-list", bytes("file:///tmp/a.png\r\nhttps://example.com\r\n"));
    info.readData("UTF8_STRING", bytes("hello"));
    info.readData("com.orrinworks.tarnwickpro.cloudimage", bytes("/P/a.png"));
    ASSERT_TRUE(info.color);
    EXPECT_DOUBLE_EQ(info.color->green(), 1.0);
    EXPECT_EQ(info.fileNames, std::vector<std::string>{"/tmp/a.png"});
    EXPECT_EQ(info.url, "https://example.com");
    EXPECT_EQ(info.string, "hello");
    EXPECT_EQ(info.cloudImagePath, "/P/a.png");

    info.readData("application/x-color", bytes("abc"));
    info.readData("UTF8_STRING", bytes("\xff"));
    info.readData("text/uri-list", bytes("file:///a\xff"));
    EXPECT_DOUBLE_EQ(info.color->green(), 1.0);
    EXPECT_EQ(info.string, "hello");
    EXPECT_EQ(info.fileNames, std::vector<std::string>{"/tmp/a.png"});

    info.readData("image/png", picturetest::pictureData(2000, 1000));
    ASSERT_TRUE(info.image());
    EXPECT_LE(std::max(info.image()->pixelWidth(), info.image()->pixelHeight()), 320);
    EXPECT_EQ(info.image()->sourcePixelSize(), Size(2000, 1000));
}

} // namespace
