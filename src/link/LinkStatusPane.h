#pragma once

#include <string>

class iPhoneLink;
struct iPhoneLinkStatus;

// The logic of the preferences pane of the device link: the status text, and clearing every
// pairing so that each mobile app must pair again.
class LinkStatusPane {
public:
    static constexpr const char* Identifier = "iPhoneLinkStatus";
    static constexpr const char* TitleKey = "iphone_link_status_title";
    static constexpr const char* DeprecatedMessageKey = "iphone_link_deprecated_message";
    static constexpr const char* RefreshTitleKey = "db_refresh_condensed";
    static constexpr const char* ClearMessageKey = "iphone_link_clear_pairing_message";
    static constexpr const char* ClearTitleKey = "iphone_link_clear_pairing_information";
    static constexpr const char* StatusErrorKey = "iphone_link_status_error_message";
    static constexpr const char* NameServerNotRunningKey = "iphone_link_name_server_not_running";
    static constexpr const char* PairingFileExtension = "ss";

    // "<name> version <version>".
    static std::string versionLine();
    // The version line with the request count, the name server status and the data server state;
    // the error message without a link.
    static std::string statusText(const iPhoneLink* link);
    // The same for figures already read; a name server that is not running is also said in words,
    // with what to do about it.
    static std::string statusText(const iPhoneLinkStatus& status);

    // Removes every pairing file of the folder. True when the folder could be listed and every
    // removal succeeded (an empty folder is a success); a file that cannot be removed does not stop
    // the others.
    static bool removePairingFiles(const std::string& folder);
    // Removes the pairing files of the store's documents folder and forgets the link's pairings
    // whatever the removal did, then tells the user how it went. Answers the outcome.
    static bool clearDeviceParingInformation();
};
