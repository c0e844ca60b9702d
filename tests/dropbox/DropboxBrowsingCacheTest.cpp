#include "dropbox/DropboxBrowsingCache.h"

#include <gtest/gtest.h>

namespace {

DropboxMetadata file(const std::string& name)
{
    DropboxMetadata entry;
    entry.name = name;
    entry.pathDisplay = "/" + name;
    return entry;
}

} // namespace

TEST(DropboxBrowsingCacheTest, FolderKeysIgnoreCaseAndOneTrailingSlash)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"/Maps/", "/maps"},
        {"/maps", "/maps"},
        {"/", "/"},
        {"", "/"},
        {"/Maps/Old/", "/maps/old"},
        {"/ÄRGER", "/a\xcc\x88rger"},
        {"/A\xcc\x88rger", "/a\xcc\x88rger"},
    };
    for (const auto& [folder, key] : cases) EXPECT_EQ(DropboxBrowsingCache::normalizeKey(folder), key) << folder;

    DropboxBrowsingCache cache;
    cache.put("/Maps/", {file("Plan.twkx")});
    ASSERT_TRUE(cache.get("/maps"));
    EXPECT_TRUE(cache.contains("/MAPS", "plan.TWKX"));
    EXPECT_FALSE(cache.contains("/maps", "Plan"));
    EXPECT_FALSE(cache.contains("/other", "Plan.twkx"));

    // A newer listing replaces the older one; the older copy stays as it was for its holders.
    auto older = cache.get("/maps");
    cache.put("/maps", {file("Other.twkx")});
    EXPECT_EQ(older->front().name, "Plan.twkx");
    EXPECT_FALSE(cache.contains("/maps", "Plan.twkx"));
    EXPECT_EQ(cache.count(), 1u);
}

TEST(DropboxBrowsingCacheTest, DeletingAFolderForgetsItsSubtreeOnly)
{
    DropboxBrowsingCache cache;
    for (const char* folder : {"/", "/Maps", "/Maps/Old", "/Maps/Old/Older", "/Maps-Archive", "/Mapsx"}) {
        cache.put(folder, {});
    }
    cache.directoryDeleted("/MAPS/");
    for (const char* gone : {"/Maps", "/Maps/Old", "/Maps/Old/Older"}) EXPECT_FALSE(cache.get(gone)) << gone;
    for (const char* kept : {"/", "/Maps-Archive", "/Mapsx"}) EXPECT_TRUE(cache.get(kept)) << kept;

    cache.remove("/mapsX");
    EXPECT_FALSE(cache.get("/Mapsx"));
    cache.clear();
    EXPECT_EQ(cache.count(), 0u);
}
