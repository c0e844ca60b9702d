#pragma once

#include "GoogleDrive/GDriveClient.h"
#include "cloud/OAuthClient.h"
#include "platform/TokenStore.h"
#include "support/FakeGoogleDriveServer.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

// A fresh folder under the system's temporary folder, removed with its files at the end.
struct ScratchFolder {
    std::string path;
    explicit ScratchFolder(const std::string& prefix)
    {
        std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
        path = mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~ScratchFolder()
    {
        if (!path.empty()) std::filesystem::remove_all(path);
    }
    std::string file(const std::string& name) const { return path + "/" + name; }
};

// A client signed in to a stand-in Drive on loopback, with a private folder for its files.
struct DriveOnLoopback {
    FakeGoogleDriveServer fake;
    ScratchFolder scratch{"tarnwick-gdrive"};
    std::string folder = scratch.path.empty() ? std::string(".") : scratch.path;
    HttpEngine engine;
    std::unique_ptr<FileTokenStore> tokens;
    std::unique_ptr<OAuthClient> oauth;
    std::unique_ptr<GDriveClient> client;

    DriveOnLoopback()
    {
        fake.issueTokens("access-0", "refresh-0");
        tokens = std::make_unique<FileTokenStore>(folder + "/tokens.json");
        tokens->write("drive", OAuthTokens{"access-0", "refresh-0", 0, ""}.toJson());
        oauth = std::make_unique<OAuthClient>(
            engine, OAuthSettings{FakeGoogleDriveServer::ClientId, "", fake.tokenUrl(), "", {}}, *tokens, "drive");
        oauth->restore();
        client = std::make_unique<GDriveClient>(engine, *oauth, GDriveEndpoints{fake.baseUrl(), fake.baseUrl()});
    }
};

// The save of a service's record file that fill gave its records, again and again.
template <class Cache, class Fill> void saveRecords(benchmark::State& state, const Fill& fill)
{
    ScratchFolder folder("tarnwick-records");
    Cache cache(folder.file("records.xml"));
    fill(cache);
    for (auto _ : state) benchmark::DoNotOptimize(cache.save());
}

// The load of a service's record file that fill gave its records, again and again.
template <class Cache, class Fill> void loadRecords(benchmark::State& state, const Fill& fill)
{
    ScratchFolder folder("tarnwick-records");
    {
        Cache cache(folder.file("records.xml"));
        fill(cache);
    }
    for (auto _ : state) {
        Cache cache(folder.file("records.xml"));
        benchmark::DoNotOptimize(cache.count());
    }
}
