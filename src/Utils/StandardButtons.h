#pragma once

#include <string>

// A button of an alert: its title and the key that presses it.
class AlertButton {
public:
    explicit AlertButton(std::string title = {}) : _title(std::move(title)) {}
    virtual ~AlertButton() = default;

    const std::string& title() const { return _title; }
    void setTitle(const std::string& title) { _title = title; }
    const std::string& keyEquivalent() const { return _keyEquivalent; }
    void setKeyEquivalent(const std::string& key) { _keyEquivalent = key; }

private:
    std::string _title;
    std::string _keyEquivalent;
};

// A modal alert that buttons are added to, in order, before it runs.
class Alert {
public:
    virtual ~Alert() = default;
    virtual AlertButton& addButtonWithTitle(const std::string& title) = 0;
};

// The OK button: localized "ok_button_title", pressed by Return.
AlertButton& addOKButton(Alert& alert);
// The Cancel button: localized "cancel_button_title", pressed by Escape.
AlertButton& addCancelButton(Alert& alert);
