#pragma once

#include "GoogleDrive/GDriveClient.h"
#include "platform/Error.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

// Asks Drive for ids of files not yet made. The completion runs once on the main loop, with
// nullopt on failure; a cancelled request never calls back.
class GDriveIdentifierSource {
public:
    using Completion = std::function<void(std::optional<std::vector<std::string>> ids)>;
    virtual ~GDriveIdentifierSource() = default;
    virtual uint64_t generateIds(size_t count, Completion completion) = 0;
    virtual void cancel(uint64_t ticket) = 0;
};

// files.generateIds through the Drive client; a failed call answers nullopt.
class GDriveClientIdentifierSource : public GDriveIdentifierSource {
public:
    explicit GDriveClientIdentifierSource(GDriveClient& client) : _client(client) {}
    uint64_t generateIds(size_t count, Completion completion) override;
    void cancel(uint64_t ticket) override { _calls.erase(ticket); }

private:
    GDriveClient& _client;
    uint64_t _lastTicket = 0;
    // Running calls by ticket; a call ends with its entry.
    std::map<uint64_t, GDriveCall> _calls;
};

// Ids Drive made in advance, so that a map can be made, named and edited offline and uploaded
// later under the same id. Every id handed out is saved as gone at once, so that no id is handed
// out twice across a restart. Main thread only.
class GDriveIdentifierPool {
public:
    static constexpr size_t RefillThreshold = 75;
    static constexpr size_t TargetSize = 100;

    // Reads the file at once.
    explicit GDriveIdentifierPool(std::string fileName, GDriveIdentifierSource* source = nullptr);
    ~GDriveIdentifierPool();
    GDriveIdentifierPool(const GDriveIdentifierPool&) = delete;
    GDriveIdentifierPool& operator=(const GDriveIdentifierPool&) = delete;

    // Not owned; it outlives the pool, which cancels its refill when it goes.
    void setSource(GDriveIdentifierSource* source) { _source = source; }
    // Tests decide whether the network is up; by default the network controller does.
    void setOnline(std::function<bool()> online) { _online = std::move(online); }

    const std::string& fileName() const { return _fileName; }
    const std::vector<std::string>& identifiers() const { return _identifiers; }
    bool isRefilling() const { return _ticket.has_value(); }

    void load();
    bool save(Error* error = nullptr);
    // Ids that are not well-formed Drive ids are dropped.
    void identifierLoaded(const std::string& gdriveId);

    // The oldest id, empty when the pool is empty.
    std::string extractIdentifierFromPool();
    // Starts a refill when fewer than 75 ids are left, none runs and the network is up.
    void checkIdentifierPoolSize();
    void fillPool(size_t count);
    // Sign-out or another account: the ids belong to the old one.
    void clear();

private:
    std::string _fileName;
    std::vector<std::string> _identifiers;
    GDriveIdentifierSource* _source = nullptr;
    std::optional<uint64_t> _ticket;
    std::function<bool()> _online;
};

// The pool file's XML: "identifier-pool" holding one "identifier" with an "id" per id.
class GDriveIdentifierPoolFiler {
public:
    explicit GDriveIdentifierPoolFiler(GDriveIdentifierPool& pool) : _pool(pool) {}

    // False for no data, text that is not XML, and another root element.
    bool loadPoolFromData(const std::string& data);
    std::string buildDataFromPool() const;

    // A missing file leaves the pool empty.
    static bool loadPool(GDriveIdentifierPool& pool);
    static bool savePool(GDriveIdentifierPool& pool, Error* error = nullptr);

private:
    GDriveIdentifierPool& _pool;
};
