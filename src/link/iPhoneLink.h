#pragma once

#include "link/MainThreadHop.h"
#include "link/server/link_server.h"
#include "platform/Error.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// What a fetch finds for a key: nothing at all (no such map or custom style, or its file cannot be
// read), or the key's data, which is nothing for a stream version too old for maps and for a
// built-in style.
struct LinkFetchedData {
    bool found = false;
    std::optional<std::vector<uint8_t>> data;
};

// What the link asks of the application. Every operation runs on the main thread; the link hops
// there from its server thread and waits.
class IIPhoneLinkServices {
public:
    virtual ~IIPhoneLinkServices() = default;

    // The store's folder index with the list of custom styles; nothing when there is none.
    virtual std::optional<std::vector<uint8_t>> getMindMapIndex() = 0;
    // The PIN the user typed for the device (0 to 9999), or -1 when the user cancelled.
    virtual int getPinCodeForDevice(const std::string& deviceName) = 0;
    // The data of a map or of a custom style (key ".twkstyle." and the style's key) in the stream
    // version the app asks for.
    virtual LinkFetchedData getMindMapData(const std::string& key, int streamVersion) = 0;
    // Imports under the key the map that readUploadedMap answered for an upload; true when a map
    // was imported.
    virtual bool saveMindMapData(const std::string& key, const std::vector<uint8_t>& data) = 0;

    // The one operation called on a thread of the link, never on the main thread: reads the map an
    // upload carries as far as the store's import will (a container in text form decoded, the
    // container opened within its limits, the document parsed), so that what does not read is
    // refused without the window waiting for it. Answers the data for saveMindMapData, or nothing;
    // refusal, when given, is set for a map refused for a reason the user is to be told.
    virtual std::optional<std::vector<uint8_t>> readUploadedMap(std::vector<uint8_t> data,
                                                                Error* refusal = nullptr) = 0;
    // Tells the user why an upload was refused.
    virtual void uploadRefused(const Error& refusal) = 0;
};

// The request count, the name server status and the data server state of the link server.
struct iPhoneLinkStatus {
    int64_t requestCount = 0;
    int64_t nameServerStatus = 0;
    int64_t dataServerStatus = 0;
};

// The link server on a thread of its own, serving the pairing files of the working directory and
// answering through the delegate on the main thread. Made and destroyed on the main thread;
// destroying it stops the server: every waiting request is answered at once, then the thread is
// joined.
class iPhoneLink : private link_server_callbacks {
public:
    // Tests give a registrar of their own (nullptr advertises through the system's name server)
    // and listen on 127.0.0.1 alone. Large uploads wait in the scratch folder while they arrive
    // (the working directory when none is given).
    iPhoneLink(std::string workingDirectory, IIPhoneLinkServices* delegate,
               std::unique_ptr<dns_sd_registrar> registrar = nullptr, bool loopbackOnly = false,
               std::string scratchDirectory = {});
    ~iPhoneLink() override;
    iPhoneLink(const iPhoneLink&) = delete;
    iPhoneLink& operator=(const iPhoneLink&) = delete;

    // Main thread: from here on every callback answers -1 at once and the server thread ends.
    // Later calls do nothing.
    void stop();

    IIPhoneLinkServices* delegate() const { return _delegate; }
    const std::string& workingDirectory() const { return _workingDirectory; }
    bool isFunctioningNormally() const;
    // Always true; a null pointer is left alone.
    bool getIPhoneLinkStatusDetails(iPhoneLinkStatus* status) const;
    // The in-memory pairings are forgotten on the server thread between two requests.
    void clearDeviceParingCache();
    // The bound port; 0 until it is known.
    uint16_t port() const;

private:
    int LinkServerGetMindMapIndex(char* buffer, size_t size) override;
    int LinkServerGetMindMapData(const char* key, char* buffer, size_t size, int streamVersion) override;
    int LinkServerSaveMindMapData(const char* key, const char* userId, const char* data) override;
    int LinkServerGetPinCode(const char* deviceName) override;
    void link_thread_started() override;
    void link_thread_ending() override;

    void runloop();

    std::string _workingDirectory;
    IIPhoneLinkServices* _delegate;
    MainThreadHop _hop;
    link_server_context _context;
    std::thread _thread;
    bool _stopped = false;
};

// The link of the running application; nullptr until the services exist and after they went.
iPhoneLink* iPhoneLinkInstance();
void setIPhoneLinkInstance(iPhoneLink* link);
