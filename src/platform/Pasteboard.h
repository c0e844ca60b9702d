#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Whoever asks a pasteboard for another program's data keeps one of these for as long as it wants
// the answers. That program answers when it will; by then the edit that asked may have ended or
// the map may show other content, and an answer is handed over only while its requester lives and
// has not let its reads go.
class PasteboardRequester {
public:
    PasteboardRequester() = default;
    PasteboardRequester(const PasteboardRequester&) = delete;
    PasteboardRequester& operator=(const PasteboardRequester&) = delete;

    // The reads under way are answered to no one; later ones are answered again.
    void dropReads() { _token = std::make_shared<char>(); }
    std::weak_ptr<const void> token() const { return _token; }

private:
    std::shared_ptr<char> _token = std::make_shared<char>();
};

// A clipboard: its owner declares the types it offers, in order of preference, and then puts
// data under each of them. Every declaration replaces the whole content and counts as a change,
// so a reader can tell by the change count whether what it saw earlier is still there.
//
// The general pasteboard is the process-wide one the copy and paste commands use. It is an
// in-memory pasteboard until the application installs the desktop's clipboard in its place.
// Main thread only.
class Pasteboard {
public:
    // The type of plain UTF-8 text.
    static constexpr const char* StringType = "text/plain;charset=utf-8";

    virtual ~Pasteboard() = default;

    // Replaces the content by nothing but the types, in the given order (a type given twice is
    // kept once, at its first place). Returns the new change count.
    virtual int64_t declareTypes(const std::vector<std::string>& types) = 0;
    // The declared types, in their order.
    virtual std::vector<std::string> types() const = 0;
    virtual int64_t changeCount() const = 0;

    // false, storing nothing, for a type that was not declared.
    virtual bool setData(const std::vector<uint8_t>& data, const std::string& type) = 0;
    // What is at hand, never waiting: empty when the type is not declared or nothing was put under
    // it, and for what another program holds, which only read() fetches.
    virtual std::optional<std::vector<uint8_t>> dataForType(const std::string& type) const = 0;

    // Receives what a read found: a pasteboard of its own, holding at most the one type.
    using ReadCompletion = std::function<void(const Pasteboard& contents)>;
    // Hands `done` the first of the wanted types, in their order, that comes with data (nothing
    // when none does). What this process holds is handed over before read() returns; another
    // program's data comes later from the main loop, which the read never runs itself, and only
    // while the requester still wants it.
    virtual void read(const std::vector<std::string>& wanted, const PasteboardRequester& requester,
                      ReadCompletion done) const;

    // The reads in the whole process that wait for another program's answer: asked for and
    // neither answered nor given up yet.
    static size_t pendingReads();
    // Counts one such read for as long as it lives.
    class PendingRead {
    public:
        PendingRead();
        ~PendingRead();
        PendingRead(const PendingRead&) = delete;
        PendingRead& operator=(const PendingRead&) = delete;
    };

    // Text is kept as its UTF-8 bytes.
    bool setString(const std::string& text, const std::string& type);
    std::optional<std::string> stringForType(const std::string& type) const;

    // The first of the wanted types that is declared, else empty.
    std::optional<std::string> availableTypeFromArray(const std::vector<std::string>& wanted) const;

    static Pasteboard& generalPasteboard();
    // Installs the desktop's clipboard; nullptr brings back a fresh in-memory one.
    static void setGeneralPasteboard(std::shared_ptr<Pasteboard> pasteboard);
};

// A pasteboard that lives in the process only: the general pasteboard of tests and of a process
// without a desktop clipboard.
class MemoryPasteboard : public Pasteboard {
public:
    int64_t declareTypes(const std::vector<std::string>& types) override;
    std::vector<std::string> types() const override;
    int64_t changeCount() const override { return _changeCount; }
    bool setData(const std::vector<uint8_t>& data, const std::string& type) override;
    std::optional<std::vector<uint8_t>> dataForType(const std::string& type) const override;

private:
    struct Entry {
        std::string type;
        std::optional<std::vector<uint8_t>> data;
    };

    Entry* entryForType(const std::string& type);
    const Entry* entryForType(const std::string& type) const;

    std::vector<Entry> _entries; // in declared order
    int64_t _changeCount = 0;
};
