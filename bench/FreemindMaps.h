#pragma once

#include "MindMaps/MapLayouter.h"
#include "MindMaps/MindMap.h"
#include "formats/MindMapConverter.h"
#include "layout/LayoutInstallation.h"
#include "store/CustomImageStore.h"

#include <deque>
#include <memory>
#include <random>
#include <string>
#include <vector>

// FreeMind maps as bench/freemind-map.py writes them, opened as the application opens a file
// named on its command line: ten themes under one root, four to eight children a topic filled
// breadth first, a note on every fifth topic, laid out by the application's layouters. Such a map
// is tall: its leaves stand in columns.
namespace FreemindMaps {

inline std::string escaped(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '&') out += "&amp;";
        else if (c == '<') out += "&lt;";
        else if (c == '>') out += "&gt;";
        else if (c == '"') out += "&quot;";
        else out += c;
    }
    return out;
}

inline std::string document(size_t topics)
{
    static const std::string words[] = {"plan",   "budget", "review", "idea", "task",   "goal",   "risk", "team",
                                        "launch", "draft",  "notes",  "open", "market", "design", "test"};
    std::mt19937 random(20240601);
    const auto text = [&](size_t low, size_t high) {
        const size_t wanted = std::uniform_int_distribution<size_t>(low, high)(random);
        std::string t;
        while (t.size() < wanted) {
            if (!t.empty()) t += ' ';
            t += words[std::uniform_int_distribution<size_t>(0, std::size(words) - 1)(random)];
        }
        t.resize(wanted);
        return t;
    };
    struct Topic {
        std::string text, note;
        std::vector<size_t> children;
    };
    std::vector<Topic> all{{"Bench topics", {}, {}}};
    std::deque<size_t> open;
    for (int i = 0; i < 10; ++i) {
        all.push_back({text(5, 40), {}, {}});
        all[0].children.push_back(all.size() - 1);
        open.push_back(all.size() - 1);
    }
    while (all.size() < topics && !open.empty()) {
        const size_t parent = open.front();
        open.pop_front();
        const int children = std::uniform_int_distribution<int>(4, 8)(random);
        for (int c = 0; c < children && all.size() < topics; ++c) {
            Topic topic{text(5, 40), all.size() % 5 == 0 ? text(20, 120) : std::string(), {}};
            all.push_back(std::move(topic));
            all[parent].children.push_back(all.size() - 1);
            open.push_back(all.size() - 1);
        }
    }
    std::string out = "<map version=\"1.0.1\">\n";
    // Depth first with a stack of its own; closing marks carry no topic.
    std::vector<std::pair<size_t, int>> stack{{0, 0}};
    while (!stack.empty()) {
        const auto [index, depth] = stack.back();
        stack.pop_back();
        if (depth < 0) {
            out += "</node>\n";
            continue;
        }
        const Topic& topic = all[index];
        out += "<node TEXT=\"" + escaped(topic.text) + "\"";
        if (depth == 1) out += index % 2 ? " POSITION=\"right\"" : " POSITION=\"left\"";
        out += ">\n";
        if (!topic.note.empty())
            out += "<richcontent TYPE=\"NOTE\"><html><body><p>" + escaped(topic.note) +
                "</p></body></html></richcontent>\n";
        stack.push_back({index, -1});
        for (auto child = topic.children.rbegin(); child != topic.children.rend(); ++child)
            stack.push_back({*child, depth + 1});
    }
    out += "</map>\n";
    return out;
}

// The map opened from the document, laid out; empty when it did not read. The layouters are
// installed only meanwhile.
inline std::unique_ptr<MindMap> open(size_t topics)
{
    installLayout();
    registerForeignFormats();
    static const auto store = std::make_shared<CustomImageStore>();
    auto map = std::make_unique<MindMap>(store);
    const std::string xml = document(topics);
    const MindMapData data(xml.begin(), xml.end());
    const bool read = map->readFromData(data, "", static_cast<int32_t>(MindMapReadFormat::FreeMind));
    if (read) map->validateElementStates();
    // The other benchmarks of the binary measure the stationary model.
    MapLayouter::install(nullptr);
    return read ? std::move(map) : nullptr;
}

} // namespace FreemindMaps
