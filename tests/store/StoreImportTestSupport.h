#pragma once

// Shared by the tests of the roads a document takes into the store and of what they refuse.

#include "MindMapStoreTestSupport.h"

#include "MindMaps/ScriptedCommandPrompts.h"
#include "formats/MindMapConverter.h"
#include "formats/ZipArchive.h"
#include "platform/TextMeasurer.h"
#include "support/FakeTextMeasurer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>

namespace storetest {

// Every file below the folder with a digest of its bytes, one line each: what a refusal must
// leave as it was.
inline std::string filesBelow(const std::string& folder)
{
    namespace fs = std::filesystem;
    std::map<std::string, uint64_t> digests;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file()) continue;
        uint64_t hash = 14695981039346656037ull;
        for (unsigned char c : readTestFile(it->path().string())) hash = (hash ^ c) * 1099511628211ull;
        digests[fs::relative(it->path(), folder).string()] = hash;
    }
    std::string lines;
    for (const auto& [path, hash] : digests) lines += path + " " + std::to_string(hash) + "\n";
    return lines;
}

// The topics of a native document, each the only child of the one before.
inline std::string topicChain(size_t levels)
{
    std::string topics;
    for (size_t i = 0; i < levels; ++i) {
        topics += "<topic id=\"" + std::to_string(i) + "\" parent=\"" + std::to_string(int64_t(i) - 1) + "\" text=\"t" +
            std::to_string(i) + "\"/>";
    }
    return topics;
}

// The native document in a container of its own.
inline Bytes containerOf(const Bytes& document)
{
    ZipArchive zip;
    EXPECT_TRUE(zip.CreateZipData());
    EXPECT_TRUE(zip.addDataToZip(document, std::nullopt, "document/mindmap.xml"));
    EXPECT_TRUE(zip.CloseZipFile2());
    return zip.zipData();
}

// A started store that reads every format, with text measured without fonts, the application's
// questions answered from a script, and a folder for the files the test hands in.
class ImportingStoreTest : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        registerForeignFormats();
        store = start();
        TextMeasurer::setShared(&measurer);
    }
    void TearDown() override
    {
        TextMeasurer::setShared(nullptr);
        StoreTest::TearDown();
    }

    MindMapStore* store = nullptr;
    FakeTextMeasurer measurer;
    maptest::ScriptedCommandPrompts prompts;
    maptest::ScopedCommandPrompts installed{prompts};
    TempDir inbox;
};

} // namespace storetest
