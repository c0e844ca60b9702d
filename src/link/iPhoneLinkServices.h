#pragma once

#include "Editor/DeviceLinkServices.h"
#include "link/iPhoneLink.h"

#include <memory>
#include <string>

// The application's answers to the link: the store's index, maps and custom styles for the app,
// uploads into the store, and the PIN dialog. Made once by the application, which keeps it until
// quit; it starts the link server on the store's documents folder and installs the link as
// iPhoneLinkInstance().
class iPhoneLinkServices : public IIPhoneLinkServices, public DeviceLinkServices {
public:
    // A key that starts with this names a custom style sheet rather than a map.
    static constexpr const char* CustomStylePrefix = ".twkstyle.";
    // The alert accessory of the PIN dialog.
    static constexpr const char* PinViewAccessoryName = "TwkDevicePinView";
    static constexpr const char* PairCodeTitleKey = "iphone_link_pair_code_dialog_title";
    static constexpr const char* PairCodeMessageKey = "iphone_link_pair_code_dialog_message";
    // The first stream version that gets the map as a zip container in text form.
    static constexpr int ArchiveStreamVersion = 3;

    // Without a documents folder there is nowhere to keep pairings, and no link is started. Tests
    // give a registrar of their own and listen on 127.0.0.1 alone.
    explicit iPhoneLinkServices(std::unique_ptr<dns_sd_registrar> registrar = nullptr, bool loopbackOnly = false);
    ~iPhoneLinkServices() override;
    iPhoneLinkServices(const iPhoneLinkServices&) = delete;
    iPhoneLinkServices& operator=(const iPhoneLinkServices&) = delete;

    iPhoneLink* link() const { return _link.get(); }

    // IIPhoneLinkServices (main thread)
    std::optional<std::vector<uint8_t>> getMindMapIndex() override;
    int getPinCodeForDevice(const std::string& deviceName) override;
    LinkFetchedData getMindMapData(const std::string& key, int streamVersion) override;
    bool saveMindMapData(const std::string& key, const std::vector<uint8_t>& data) override;
    std::optional<std::vector<uint8_t>> readUploadedMap(std::vector<uint8_t> data, Error* refusal = nullptr) override;
    void uploadRefused(const Error& refusal) override;

    // The pairing dialog: the PIN typed and confirmed, or -1.
    static int askPinCode(const std::string& deviceName);
    // Writes the editor's map to the store when it is the local map of that id.
    static bool commitCurrentEditor(const std::string& mindMapId);

private:
    std::unique_ptr<iPhoneLink> _link;
};
