#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

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
    // Empty when the type is not declared or nothing was put under it.
    virtual std::optional<std::vector<uint8_t>> dataForType(const std::string& type) const = 0;

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
