// The cloud file service's stand-in as a program of its own, for the scripts that drive the whole
// application: it serves on 127.0.0.1, prints its address, and keeps its tree in memory until it
// is told to end (SIGTERM, SIGINT or the end of its standard input).
//   tw_fake_dropbox_server [--seed <folder>] [--dump <folder>] [--tokens <access>:<refresh>]
//                          [--endless <route>]... [--delay <seconds>] [--page-size <entries>] [--log on]
// --seed puts every file under the folder into the tree at its relative path; --dump writes the
// tree's files into the folder when the server ends, so that a script can read what arrived;
// --tokens accepts a sign-in the script stored beforehand; --endless answers every request to the route
// ("files/list_folder") with a body without end, and the server says at its end how much of those it wrote and how many
// the client cut off;
// --delay holds every answer that long, --page-size sets the entries of a listing's page, and
// --log writes each request answered, with the seconds since the start, to standard error.
#include "support/FakeDropboxServer.h"
#include "support/StandInProgram.h"

#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <vector>

int main(int argc, char** argv)
{
    std::string seed;
    std::string dump;
    std::string tokens;
    std::vector<std::string> endless;
    double delay = 0;
    int pageSize = 0;
    bool log = false;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--seed") == 0) {
            seed = argv[i + 1];
        } else if (std::strcmp(argv[i], "--dump") == 0) {
            dump = argv[i + 1];
        } else if (std::strcmp(argv[i], "--tokens") == 0) {
            tokens = argv[i + 1];
        } else if (std::strcmp(argv[i], "--endless") == 0) {
            endless.push_back(argv[i + 1]);
        } else if (std::strcmp(argv[i], "--delay") == 0) {
            delay = std::atof(argv[i + 1]);
        } else if (std::strcmp(argv[i], "--page-size") == 0) {
            pageSize = std::atoi(argv[i + 1]);
        } else if (std::strcmp(argv[i], "--log") == 0) {
            log = std::strcmp(argv[i + 1], "on") == 0;
        } else {
            std::cerr << "unknown option " << argv[i] << "\n";
            return 2;
        }
    }
    FakeDropboxServer server;
    if (const size_t colon = tokens.find(':'); colon != std::string::npos) {
        server.issueTokens(tokens.substr(0, colon), tokens.substr(colon + 1));
    }
    if (!seed.empty()) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(seed)) {
            if (!entry.is_regular_file()) continue;
            server.putFile("/" + std::filesystem::relative(entry.path(), seed).string(),
                           stand_in::fileContents(entry.path()));
        }
    }
    for (const std::string& route : endless)
        server.answerNext(route, LoopbackReply::streamed(200, "{", LoopbackReply::Endless), INT_MAX);
    if (delay > 0) server.setDelay(delay);
    if (pageSize > 0) server.setPageSize(pageSize);
    std::cout << server.baseUrl() << std::endl;

    const auto start = std::chrono::steady_clock::now();
    size_t logged = 0;
    stand_in::waitUntilToldToEnd([&] {
        if (!log) return;
        const auto requests = server.requests();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        for (; logged < requests.size(); ++logged) {
            std::cerr << std::fixed << std::setprecision(1) << seconds << " " << requests[logged].route << " "
                      << requests[logged].argument << std::endl;
        }
    });
    if (!endless.empty())
        std::cerr << "streamed " << server.streamedBytes() << " bytes, " << server.streamsCut() << " cut off\n";

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
