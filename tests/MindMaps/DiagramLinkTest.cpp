#include "MindMaps/DiagramLink.h"
#include "MindMaps/CustomIcon.h"
#include "MindMaps/LinkIcon.h"
#include "MindMaps/MindMap.h"
#include "MindMaps/MindMapNode.h"
#include "platform/Image.h"
#include "support/MemoryImageStore.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cairo.h>

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

namespace {

Image colouredImage(int width, int height)
{
    Image image(width, height);
    if (image.isNull()) throw std::runtime_error("no such picture");
    cairo_t* cr = cairo_create(image.surface());
    cairo_set_source_rgb(cr, 0.8, 0.4, 0.1);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_flush(image.surface());
    return image;
}

// The local store as the links see it: map GUIDs and titles.
class FakeLocalStore {
public:
    FakeLocalStore()
    {
        DiagramLink::setLocalMapLookup([this](const std::string& guid) -> std::optional<std::string> {
            ++lookups;
            const auto found = titles.find(guid);
            if (found == titles.end()) return std::nullopt;
            return found->second;
        });
    }
    ~FakeLocalStore() { DiagramLink::setLocalMapLookup(nullptr); }
    FakeLocalStore(const FakeLocalStore&) = delete;
    FakeLocalStore& operator=(const FakeLocalStore&) = delete;

    std::map<std::string, std::string> titles;
    int lookups = 0;
};

class DiagramLinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(resources.file("images"));
        // Each state's picture has a width of its own, so that sizes tell the icons apart too.
        addPicture("link_invalid_32", 20);
        addPicture("link_32", 24);
        addPicture("globe_32", 28);
        addPicture("cloud_link_32", 32);
        addPicture("cloud_32", 36);
        addPicture("ic8_96_id_card", 96);
        addPicture("missing_32", 32);
        theme = map.internalAddCentralTheme("Theme");
        node = map.addMindMapNodeAsChild(theme, {100, 0});
    }

    void addPicture(const std::string& name, int width)
    {
        if (!colouredImage(width, width).writePng(resources.file("images/" + name + ".png")))
            throw std::runtime_error("cannot write " + name);
    }

    std::string storeImage(int width, int height)
    {
        const auto png = colouredImage(width, height).pngData();
        const std::string hash = png ? imageStore->storeImagePngData(*png) : std::string();
        if (hash.empty()) throw std::runtime_error("the store refused the picture");
        return hash;
    }

    static std::string iconName(DiagramLink& link)
    {
        NodeIcon* icon = link.icon();
        return icon ? icon->imageName() : std::string("<none>");
    }

    TempDir resources;
    ScopedEnvironment resourcesEnvironment{"TARNWICK_RESOURCES", resources.path()};
    FakeLocalStore localStore;
    std::shared_ptr<MemoryImageStore> imageStore = std::make_shared<MemoryImageStore>();
    MindMap map{imageStore};
    MindMapNode* theme = nullptr;
    MindMapNode* node = nullptr;
};

} // namespace

TEST_F(DiagramLinkTest, InvalidLinksOfEveryKindShowTheInvalidIcon)
{
    DiagramLink link(node);
    link.linkToURL("");
    EXPECT_FALSE(link.isValid());
    EXPECT_EQ(iconName(link), "link_invalid_32");
    link.linkToCloudMap("", "", "");
    EXPECT_EQ(iconName(link), "link_invalid_32");
    link.linkToLocalMap("UNKNOWN", "", false);
    EXPECT_EQ(iconName(link), "link_invalid_32");
    EXPECT_EQ(link.title(), "UNKNOWN") << "the title falls back to the GUID";

    link.linkToCloudMap("", "id:123", ""); // only a native link is valid too
    EXPECT_TRUE(link.isValid());
    link.linkToCloudDocument("", "id:456");
    EXPECT_TRUE(link.isValid());
}

TEST_F(DiagramLinkTest, CloudPathsAreStoredWithSlashesAndALeadingSlash)
{
    EXPECT_EQ(DiagramLink::normalizeCloudLink("maps\\sub\\a.twkx"), "/maps/sub/a.twkx");
    EXPECT_EQ(DiagramLink::normalizeCloudLink("\\a"), "/a");
    EXPECT_EQ(DiagramLink::normalizeCloudLink(""), "");

    DiagramLink link(node);
    link.linkToCloudMap("maps\\a.twkx", "", "");
    EXPECT_EQ(link.linkID(), "/maps/a.twkx");
}

TEST_F(DiagramLinkTest, HotLinkOnTheMainThemeRenamesItWithoutLooping)
{
    // Renaming the main theme renames the map, which re-checks every link, this one included.
    localStore.titles["MAP1"] = "Holidays";
    theme->linkToLocalMap("MAP1", "", true);
    EXPECT_EQ(theme->text(), "Holidays");
    localStore.titles["MAP1"] = "Trips";
    theme->refreshDiagramLink();
    EXPECT_EQ(theme->text(), "Trips");
    ASSERT_NE(theme->diagramLink(), nullptr);
    EXPECT_EQ(theme->diagramLink()->title(), "Trips");
}

class ResolveURLStringTest : public ::testing::Test {
protected:
    std::string makeFile(const std::string& name)
    {
        const std::string path = folder.file(name);
        writeTestFile(path, "x");
        return path;
    }
    TempDir folder;
};

TEST_F(ResolveURLStringTest, DiagramLinkExistingPathsBecomeFileURLsEscapedOnce)
{
    EXPECT_EQ(DiagramLink::resolveURLString(folder.file("absent.txt")), "");
    EXPECT_EQ(DiagramLink::resolveURLString(""), "");
    const std::string path = makeFile("a b%20c ä#?.txt");
    const std::string url = "file://" + folder.path() + "/a%20b%2520c%20%C3%A4%23%3F.txt";
    EXPECT_EQ(DiagramLink::resolveURLString(path), url);
    EXPECT_EQ(DiagramLink::resolveURLString(url), url) << "file URLs resolve by their decoded path";
    EXPECT_EQ(DiagramLink::resolveURLString("FILE://localhost" + url.substr(7)), url);
}

TEST_F(ResolveURLStringTest, DiagramLinkFileURLsOfMissingOrForeignFilesResolveToNothing)
{
    const std::string path = makeFile("here.txt");
    EXPECT_EQ(DiagramLink::resolveURLString("file://" + folder.path() + "/absent.txt"), "");
    EXPECT_EQ(DiagramLink::resolveURLString("file://otherhost" + path), "");
    EXPECT_EQ(DiagramLink::resolveURLString("file:"), "");
    EXPECT_EQ(DiagramLink::resolveURLString("file:relative.txt"), "");
    EXPECT_EQ(DiagramLink::resolveURLString("file://" + path + "%00.png"), "");
}

TEST_F(ResolveURLStringTest, DiagramLinkWebAddressesAreEscapedWhereNeeded)
{
    EXPECT_EQ(DiagramLink::resolveURLString("https://example.com/a b"), "https://example.com/a%20b");
    EXPECT_EQ(DiagramLink::resolveURLString("https://example.com/?q=a&b=c"), "https://example.com/?q=a&b=c");
    EXPECT_EQ(DiagramLink::resolveURLString("tel:+1 555 0100"), "tel:+1%20555%200100");
    EXPECT_EQ(DiagramLink::resolveURLString("https://example.com/page#a#b [c]"),
              "https://example.com/page#a%23b%20%5Bc%5D"); // the fragment runs from the first hash sign
    EXPECT_EQ(DiagramLink::resolveURLString("http://[::1]:8080/x"), "http://[::1]:8080/x");
    EXPECT_EQ(DiagramLink::resolveURLString("http://[::1/x"), "");
    EXPECT_EQ(DiagramLink::resolveURLString("http://host:port/x"), "");
}

TEST_F(ResolveURLStringTest, DiagramLinkHostileTextIsEscapedAndNeverTakenForAPath)
{
    EXPECT_EQ(DiagramLink::resolveURLString("https://example.com/\x01\n\"<>"), "https://example.com/%01%0A%22%3C%3E");
    EXPECT_EQ(DiagramLink::resolveURLString(std::string("https://example.com/a\0b", 23)), "https://example.com/a%00b");
    EXPECT_EQ(DiagramLink::resolveURLString(std::string("/tmp\0/x", 7)), "");
    const std::string huge = "https://example.com/" + std::string(1'000'000, ' ');
    const std::string resolved = DiagramLink::resolveURLString(huge);
    EXPECT_EQ(resolved.size(), 20 + 3'000'000u);
}
