// The cloud file service's stand-in as a program of its own, for the scripts that drive the whole
// application: it serves on 127.0.0.1, prints its address, and keeps its tree in memory until it
// is told to end (SIGTERM, SIGINT or the end of its standard input).
//   tw_fake_dropbox_server [--seed <folder>] [--dump <folder>]
// --seed puts every file under the folder into the tree at its relative path; --dump writes the
// tree's files into the folder when the server ends, so that a script can read what arrived.
#include "support/FakeDropboxServer.h"
#include "support/StandInProgram.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>

int main(int argc, char** argv)
{
    std::string seed;
    std::string dump;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--seed") == 0) {
            seed = argv[i + 1];
        } else if (std::strcmp(argv[i], "--dump") == 0) {
            dump = argv[i + 1];
        } else {
            std::cerr << "unknown option " << argv[i] << "\n";
            return 2;
        }
    }
    FakeDropboxServer server;
    if (!seed.empty()) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(seed)) {
            if (!entry.is_regular_file()) continue;
            server.putFile("/" + std::filesystem::relative(entry.path(), seed).string(),
                           stand_in::fileContents(entry.path()));
        }
    }
    std::cout << server.baseUrl() << std::endl;

    stand_in::waitUntilToldToEnd();

    if (!dump.empty()) {
        for (const std::string& path : server.filePaths()) {
            std::filesystem::path target = std::filesystem::path(dump) / path.substr(1);
            // Paths of the tree came through the service's checks; none climbs out of the folder.
            if (target.lexically_normal().string().rfind(std::filesystem::path(dump).lexically_normal().string(), 0) !=
                0) {
                continue;
            }
            std::filesystem::create_directories(target.parent_path());
            std::ofstream(target, std::ios::binary) << server.fileContents(path).value_or("");
        }
    }
    return 0;
}
