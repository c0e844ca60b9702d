#include "store/FlatStockIcons.h"

namespace {

constexpr const char* IconPrefix = "ic8_48_";

// The words after the prefix, in picker order.
constexpr const char* IconWords[] = {
    "ok", "delete", "todo", "time", "hourglass", "calendar", "bell", "question", "information", "warning",
    "high_priority", "create", "favorite", "target", "green_flag", "yellow_flag", "red_flag", "finish_flag",
    "plus", "minus", "key", "lock", "unlock", "trash", "thumbs_up", "thumbs_down", "handshake", "arrow_up",
    "arrow_down", "arrow_left", "arrow_right", "arrow_divide", "arrow_join", "emoticon_happy", "emoticon_lol",
    "emoticon_wink", "neutral", "emoticon_sad", "emoticon_crying", "emoticon_heart", "cake", "party_baloon",
    "user_male", "user_male_2", "user_female", "user_female_2", "graduation_cap", "user_officer",
    "user_finance", "user_worker", "car", "truck", "airplane", "compass", "steering", "anchor", "find", "wall",
    "hammer", "sword", "crown", "bang", "award", "light_on", "light_off", "balance", "banknotes", "coins",
    "shopping_cart", "chart_pie", "chart_bar", "chart_up", "chart_down", "pencil", "measure", "calculator",
    "cut", "blackboard", "book_open", "film", "youtube", "music", "microphone", "camera", "tablet", "laptop",
    "home", "shop", "clinic", "pill", "football", "sport", "running", "id_card", "phone", "email", "attach",
    "folder", "document", "note", "tools", "puzzle", "gift", "roadworks", "recycle", "globe", "wine", "coffee",
    "food", "chili_pepper", "tree", "clover", "cat", "dog", "bird", "bug", "bumblebee", "dolphin", "elephant",
    "ladybird", "lion", "owl", "snail", "alligator", "flower", "summer", "autumn", "winter", "cloud",
    "partly_cloudy", "rain", "dry", "circled_0", "circled_1", "circled_2", "circled_3", "circled_4",
    "circled_5", "circled_6", "circled_7", "circled_8", "circled_9", "dropbox", "google_drive", "facebook",
    "twitter", "linkedin", "skype", "google_plus", "instagram", "pinterest", "whatsapp", "print", "wifi",
    "black_hat", "blue_hat", "green_hat", "red_hat", "white_hat", "yellow_hat", "apple_fruit", "pear",
    "banana", "lighthouse", "sea_waves", "alps", "campfire", "swimming", "kicking", "family", "boy", "girl",
    "children", "baby", "briefcase", "cabinet", "filter", "firewall", "shield", "swiss_knife", "thermometer",
    "water", "construction",
};

std::string replacingAll(std::string text, const std::string& from, const std::string& to)
{
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

} // namespace

FlatStockIcons& FlatStockIcons::flatStockIcons()
{
    static FlatStockIcons icons;
    return icons;
}

FlatStockIcons::FlatStockIcons()
{
    for (const char* word : IconWords) addImage(std::string(IconPrefix) + word);
}

void FlatStockIcons::addImage(const std::string& iconName)
{
    StockIcons& icons = StockIcons::instance();
    icons.defineIcon(iconName, iconName);
    const std::string largeName = iconNameForBaseName(iconName, 1);
    icons.defineIcon(largeName, largeName);
    _orderedIcons.push_back(iconName);
}

std::string FlatStockIcons::iconNameForBaseName(const std::string& baseName, int64_t iconSize)
{
    return iconSize == 1 ? replacingAll(baseName, "48", "96") : baseName;
}
