// Dropbox counts its name limit in characters, the file systems of the cache in bytes: a name
// valid on Dropbox may be too long for a cache file, and a whole path too long for any call.

#include "DropboxTaskFixture.h"

#include <nlohmann/json.hpp>

namespace fs = std::filesystem;

namespace {

std::string repeated(const std::string& text, size_t times)
{
    std::string result;
    for (size_t i = 0; i < times; ++i) result += text;
    return result;
}

const std::string Han = "\xe6\xbc\xa2";

struct DropboxLongNameTest : DropboxTaskFixture {
    DropboxLongNameTest() { makeActive(); }
};

} // namespace

TEST_F(DropboxLongNameTest, AMapNamedWithNinetyCjkCharactersOpensSynchronisesAndIsListedOffline)
{
    const std::string name = "Plan " + repeated(Han, 90) + ".twkx";
    ASSERT_GT(name.size(), 255u);
    const std::string dbPath = "/Notes/" + name;
    fake.putFile(dbPath, "from Dropbox");

    service->openMindMap(dbPath, {});
    ASSERT_TRUE(waitFor([&] { return opened(dbPath); }));
    const std::string copy = cacheFile(dbPath);
    EXPECT_EQ(readTestFile(copy), "from Dropbox");
    EXPECT_LE(fs::path(copy).filename().string().size(), 255u);
    EXPECT_NE(service->provider()->createStorage(dbPath), nullptr);

    // One file for the name in any case, another for a name that differs only at its end.
    EXPECT_EQ(cacheFile("/notes/PLAN " + repeated(Han, 90) + ".TWKX"), copy);
    EXPECT_NE(cacheFile("/Notes/Plan " + repeated(Han, 90) + "2.twkx"), copy);

    // An edit saved here goes up with the next synchronisation.
    writeTestFile(copy, "edited here");
    service->fileInfo().get(dbPath)->setLocalModified(*fileModificationDate(copy) - 60);
    EXPECT_EQ(service->synchronize(), 1u);
    EXPECT_TRUE(waitFor([&] { return fake.fileContents(dbPath) == "edited here"; }));

    // After a restart the copy is still the map's: listed offline by its name, kept by the
    // clean-up with its record.
    makeActive();
    service->cacheManager().cleanupCache("");
    ASSERT_NE(service->fileInfo().get(dbPath), nullptr);
    EXPECT_FALSE(service->fileInfo().get(dbPath)->isNew());
    EXPECT_EQ(service->fileInfo().count(), 1u);
    EXPECT_EQ(readTestFile(copy), "edited here");
    network.set(false);
    NetworkController::networkAvailable();
    EXPECT_EQ(listFolder("/Notes").names, std::vector<std::string>{name});
    EXPECT_EQ(listFolder("/").names, std::vector<std::string>{"Notes"});
}

TEST_F(DropboxLongNameTest, FoldersWithLongNamesKeepTheirSpellingAndAPathBeyondAnyLimitFailsInWords)
{
    const std::string folder = "/" + repeated(Han, 90);
    const std::string dbPath = folder + "/Plan.twkx";
    fake.putFile(dbPath, "deep");
    service->openMindMap(dbPath, {});
    ASSERT_TRUE(waitFor([&] { return opened(dbPath); }));
    network.set(false);
    NetworkController::networkAvailable();
    EXPECT_EQ(listFolder("/").names, std::vector<std::string>{repeated(Han, 90)});
    network.set(true);
    NetworkController::networkAvailable();

    // Twenty folders of 250 bytes: more than a path may hold.
    std::string deep;
    for (int i = 0; i < 20; ++i) deep += "/" + repeated("d", 250);
    const std::string tooDeep = deep + "/Plan.twkx";
    fake.putFile(tooDeep, "too deep");
    told.shown.clear();
    service->openMindMap(tooDeep, {});
    ASSERT_TRUE(waitFor([&] { return service->userTaskCount() == 0; }));
    EXPECT_FALSE(opened(tooDeep));
    ASSERT_EQ(told.shown.size(), 1u);
    EXPECT_EQ(told.shown[0].rfind(localized("error_title_error_opening_document") + " | ", 0), 0u) << told.shown[0];
    service->synchronize();
    EXPECT_EQ(service->provider()->createStorage(tooDeep), nullptr);
}

namespace {

nlohmann::json hostileFile(const std::string& path)
{
    return {{".tag", "file"},
            {"name", path.substr(path.rfind('/') + 1)},
            {"path_display", path},
            {"id", "id:hostile"},
            {"rev", "0123456789a"},
            {"size", 4},
            {"server_modified", "2024-01-02T03:04:05Z"}};
}

} // namespace

// What the server names is outside data: no answer's path or name leads a copy out of the cache.
TEST_F(DropboxLongNameTest, NamesAndPathsFromTheServerNeverLeadOutOfTheCache)
{
    fake.putFile("/Notes/Plan.twkx", "plan");
    const std::vector<std::string> hostile = {"/../../escape.twkx", "/Notes/../../../escape.twkx",
                                              "/..\\..\\escape.twkx", "/Notes/./../escape.twkx"};
    for (const std::string& path : hostile) {
        SCOPED_TRACE(path);
        const nlohmann::json entry = hostileFile(path);
        fake.answerNext(
            "files/list_folder",
            LoopbackReply::json(
                200,
                nlohmann::json{{"entries", nlohmann::json::array({entry})}, {"cursor", "c"}, {"has_more", false}}
                    .dump()));
        listFolder("/Notes");
        // The user picks what was listed.
        LoopbackReply download;
        download.body = "evil";
        download.headers = {{"Dropbox-API-Result", entry.dump()}};
        fake.answerNext("files/download", download);
        service->openMindMap(path, {});
        ASSERT_TRUE(waitFor([&] { return service->userTaskCount() == 0; }));
        // A map downloaded under its own name is answered with the hostile one.
        fake.answerNext("files/download", download);
        service->openMindMap("/Notes/Plan.twkx", {});
        ASSERT_TRUE(waitFor([&] { return service->userTaskCount() == 0; }));
        fake.answerNext("files/move_v2",
                        LoopbackReply::json(200, nlohmann::json{{"metadata", hostileFile(path)}}.dump()));
        service->moveSourcePath("/Notes/Plan.twkx", "/Notes/Moved.twkx", false);
        ASSERT_TRUE(waitFor([&] { return service->userTaskCount() == 0; }));
    }
    // Everything written lies in the program's folders of the test's home.
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(home.file(""), error); it != fs::recursive_directory_iterator();
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        EXPECT_EQ(name.find("escape"), std::string::npos) << it->path();
        if (!it->is_regular_file()) continue;
        const std::string path = it->path().lexically_normal().string();
        bool inside = path == fs::path(home.file("cloud-tokens.json")).lexically_normal().string();
        for (const char* folder : {"data/Tarnwick", "support", "config/tarnwick"})
            inside = inside || path.rfind(fs::path(home.file(folder)).lexically_normal().string() + "/", 0) == 0;
        EXPECT_TRUE(inside) << path;
    }
    EXPECT_FALSE(fs::exists(fs::path(home.file("")).parent_path() / "escape.twkx"));
}
