#pragma once

#include <string>

class MindMapEditor;

// Contact links name a person of the user's address book by phone number or e-mail address. The
// base handler does nothing; the editor always owns a ContactHandler.
class BaseContactHandler {
public:
    explicit BaseContactHandler(MindMapEditor* editor) : _editor(editor) {}
    virtual ~BaseContactHandler() = default;
    BaseContactHandler(const BaseContactHandler&) = delete;
    BaseContactHandler& operator=(const BaseContactHandler&) = delete;

    // The desktop offers no address book the editor could look people up in or pick them from:
    // contact links are read, kept and written, but cannot be added or followed here.
    static bool areContactsSupported() { return false; }

    MindMapEditor* editor() const { return _editor; }

    virtual void cancelPopovers() {}
    virtual void showPhoneContact(const std::string& /*number*/) {}
    virtual void showEmailContact(const std::string& /*address*/) {}
    virtual void addContactLink() {}

private:
    MindMapEditor* _editor;
};

// Where contacts are not supported, following a contact link says so, naming the number or the
// address the link holds so that the user can still reach the person; adding one does nothing.
class ContactHandler : public BaseContactHandler {
public:
    using BaseContactHandler::BaseContactHandler;

    void showPhoneContact(const std::string& number) override;
    void showEmailContact(const std::string& address) override;

private:
    void showUnsupported(const std::string& messageKey, const std::string& value);
};
