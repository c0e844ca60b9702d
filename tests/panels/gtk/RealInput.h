#pragma once

#include "support/DisplayRequirement.h"

#include <gtkmm.h>

#include <functional>

// Input that goes through the X server (XTest), as a user's would: grabs, drag thresholds and
// double-click timing all take part, which events handed to a widget skip.
namespace RealInput {

// GTK on an X display that has the XTest extension; false without one.
bool startGtk();
// Runs the main loop for a while, so that the server's answers come back.
void pump(int milliseconds = 60);
bool pumpUntil(const std::function<bool()>& done, int milliseconds = 3000);
// A point of the widget (its allocation's coordinates) on the screen.
void screenPoint(Gtk::Widget& widget, int x, int y, int& screenX, int& screenY);
void moveTo(Gtk::Widget& widget, int x, int y);
void button(bool down);
void click(Gtk::Widget& widget, int x, int y);
// Gives the keyboard focus back to whatever window the pointer is over, as the server has it
// before any window took it.
void releaseFocus();
void doubleClick(Gtk::Widget& widget, int x, int y);
// Presses at one point, moves in steps past the drag threshold to the other, and releases.
void drag(Gtk::Widget& widget, int fromX, int fromY, int toX, int toY);

} // namespace RealInput
