#include "link/iPhoneLink.h"

#include <climits>
#include <cstring>

namespace {

iPhoneLink*& instance()
{
    static iPhoneLink* link = nullptr;
    return link;
}

// The callbacks' answer for data: copied when it fits, else its length so that the server can
// come back with room enough. Data no int can measure is an internal error.
int copyInto(const std::optional<std::vector<uint8_t>>& data, char* buffer, size_t size)
{
    const size_t length = data ? data->size() : 0;
    if (length > static_cast<size_t>(INT_MAX)) return -3;
    if (length > size) return static_cast<int>(length);
    if (length > 0) std::memcpy(buffer, data->data(), length);
    return 0;
}

std::string textOf(const char* text)
{
    return text ? std::string(text) : std::string();
}

} // namespace

iPhoneLink* iPhoneLinkInstance()
{
    return instance();
}

void setIPhoneLinkInstance(iPhoneLink* link)
{
    instance() = link;
}

iPhoneLink::iPhoneLink(std::string workingDirectory, IIPhoneLinkServices* delegate,
                       std::unique_ptr<dns_sd_registrar> registrar, bool loopbackOnly, std::string scratchDirectory)
    : _workingDirectory(std::move(workingDirectory)), _delegate(delegate), _context(this, std::move(registrar))
{
    _context.loopback_only = loopbackOnly;
    _context.scratch_directory = std::move(scratchDirectory);
    _thread = std::thread([this] { runloop(); });
}

iPhoneLink::~iPhoneLink()
{
    stop();
    if (iPhoneLinkInstance() == this) setIPhoneLinkInstance(nullptr);
}

void iPhoneLink::stop()
{
    if (_stopped) return;
    _stopped = true;
    // Answer first, then wait: the server thread may be blocked on the main thread right now.
    _hop.close();
    link_server_request_stop(_context);
    if (_thread.joinable()) _thread.join();
}

void iPhoneLink::runloop()
{
    MainThreadHop::prepareCallingThread();
    link_server_run(_context, _workingDirectory.c_str());
    MainThreadHop::endCallingThread();
}

bool iPhoneLink::isFunctioningNormally() const
{
    return link_is_functioning(_context);
}

bool iPhoneLink::getIPhoneLinkStatusDetails(iPhoneLinkStatus* status) const
{
    if (status) {
        status->requestCount = link_request_count(_context);
        status->nameServerStatus = link_name_server_status(_context);
        status->dataServerStatus = link_data_server_status(_context);
    }
    return true;
}

void iPhoneLink::clearDeviceParingCache()
{
    link_clear_pairing_cache(_context);
}

uint16_t iPhoneLink::port() const
{
    return link_server_port(_context);
}

int iPhoneLink::LinkServerGetMindMapIndex(char* buffer, size_t size)
{
    IIPhoneLinkServices* delegate = _delegate;
    std::optional<std::optional<std::vector<uint8_t>>> data =
        _hop.run<std::optional<std::vector<uint8_t>>>([delegate] { return delegate->getMindMapIndex(); });
    if (!data) return -1;
    return copyInto(*data, buffer, size);
}

int iPhoneLink::LinkServerGetMindMapData(const char* key, char* buffer, size_t size, int streamVersion)
{
    IIPhoneLinkServices* delegate = _delegate;
    std::optional<LinkFetchedData> fetched = _hop.run<LinkFetchedData>(
        [delegate, key = textOf(key), streamVersion] { return delegate->getMindMapData(key, streamVersion); });
    // A key that names nothing gets the server's text for a file that does not exist, not an
    // empty map.
    if (!fetched || !fetched->found) return -1;
    return copyInto(fetched->data, buffer, size);
}

int iPhoneLink::LinkServerSaveMindMapData(const char* key, const char* /*userId*/, const char* data)
{
    IIPhoneLinkServices* delegate = _delegate;
    const size_t length = data ? std::strlen(data) : 0;
    Error refusal;
    std::optional<std::vector<uint8_t>> map =
        delegate->readUploadedMap(std::vector<uint8_t>(data, data + length), &refusal);
    if (!map) {
        if (!refusal.isEmpty())
            _hop.run<bool>([delegate, refusal] {
                delegate->uploadRefused(refusal);
                return true;
            });
        return _hop.isClosed() ? -1 : 0;
    }
    std::optional<bool> saved = _hop.run<bool>(
        [delegate, key = textOf(key), bytes = std::move(*map)] { return delegate->saveMindMapData(key, bytes); });
    if (!saved) return -1;
    return *saved ? 1 : 0;
}

int iPhoneLink::LinkServerGetPinCode(const char* deviceName)
{
    IIPhoneLinkServices* delegate = _delegate;
    std::optional<int> pin =
        _hop.run<int>([delegate, name = textOf(deviceName)] { return delegate->getPinCodeForDevice(name); });
    // Anything but a four-digit PIN is a cancel: the server must never pair on a made-up secret.
    if (!pin || *pin < 0 || *pin > 9999) return -1;
    return *pin;
}

// The server calls the application from threads of its own; each must hop to the main thread, never
// run the work itself.
void iPhoneLink::link_thread_started()
{
    MainThreadHop::prepareCallingThread();
}

void iPhoneLink::link_thread_ending()
{
    MainThreadHop::endCallingThread();
}
