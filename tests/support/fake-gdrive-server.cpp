// Google Drive's stand-in as a program of its own, for the scripts that drive the whole
// application: it serves on 127.0.0.1, prints its address, and keeps its tree in memory until it
// is told to end (SIGTERM, SIGINT or the end of its standard input).
//   tw_fake_gdrive_server [--seed <folder>] [--dump <folder>] [--tokens <access>:<refresh>]
// --seed puts every file under the folder into My Drive at its relative path, folders made on the
// way; --dump writes the tree's files (trashed ones left out) into the folder when the server ends;
// --tokens accepts a sign-in the script stored beforehand.
#include "support/FakeGoogleDriveServer.h"
#include "support/StandInProgram.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>

int main(int argc, char** argv)
{
    std::string seed;
    std::string dump;
    std::string tokens;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--seed") == 0) {
            seed = argv[i + 1];
        } else if (std::strcmp(argv[i], "--dump") == 0) {
            dump = argv[i + 1];
        } else if (std::strcmp(argv[i], "--tokens") == 0) {
            tokens = argv[i + 1];
        } else {
            std::cerr << "unknown option " << argv[i] << "\n";
            return 2;
        }
    }
    FakeGoogleDriveServer server;
    if (const size_t colon = tokens.find(':'); colon != std::string::npos) {
        server.issueTokens(tokens.substr(0, colon), tokens.substr(colon + 1));
    }
    if (!seed.empty()) {
        std::map<std::string, std::string> folders = {{"", ""}};
        for (const auto& entry : std::filesystem::recursive_directory_iterator(seed)) {
            const std::filesystem::path relative = std::filesystem::relative(entry.path(), seed);
            const std::string parent = folders[relative.parent_path().string()];
            if (entry.is_directory()) {
                folders[relative.string()] = server.addFolder(relative.filename().string(), parent);
            } else if (entry.is_regular_file()) {
                server.addFile(relative.filename().string(), stand_in::fileContents(entry.path()), parent);
            }
        }
    }
    std::cout << server.baseUrl() << std::endl;

    stand_in::waitUntilToldToEnd();

    if (!dump.empty()) {
        const auto files = server.files();
        std::map<std::string, const FakeGoogleDriveServer::File*> byId;
        for (const auto& file : files) byId[file.id] = &file;
        for (const auto& file : files) {
            if (file.isFolder() || file.trashed) continue;
            // The path by names up to My Drive; names with a slash or a climb stay out.
            std::filesystem::path path = file.name;
            bool usable = file.name.find('/') == std::string::npos && file.name != ".." && file.name != ".";
            std::string parent = file.parents.empty() ? std::string() : file.parents[0];
            for (int depth = 0; usable && byId.count(parent) && depth < 64; ++depth) {
                const auto* folder = byId[parent];
                usable = folder->name.find('/') == std::string::npos && folder->name != ".." && folder->name != ".";
                path = std::filesystem::path(folder->name) / path;
                parent = folder->parents.empty() ? std::string() : folder->parents[0];
            }
            if (!usable) continue;
            const std::filesystem::path target = std::filesystem::path(dump) / path;
            std::filesystem::create_directories(target.parent_path());
            std::ofstream(target, std::ios::binary) << file.contents;
        }
    }
    return 0;
}
