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
// Presses or releases a pointer button (1 left, 2 middle, 3 right).
void button(bool down, unsigned number = 1);
void click(Gtk::Widget& widget, int x, int y, unsigned number = 1);
// Gives the keyboard focus back to whatever window the pointer is over, as the server has it
// before any window took it.
void releaseFocus();
void doubleClick(Gtk::Widget& widget, int x, int y);
// Presses at one point, moves in steps past the drag threshold to the other, and releases.
void drag(Gtk::Widget& widget, int fromX, int fromY, int toX, int toY);
// The same from a point of one widget to a point of another, of any window.
void drag(Gtk::Widget& from, int fromX, int fromY, Gtk::Widget& to, int toX, int toY);

} // namespace RealInput
