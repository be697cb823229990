#pragma once

#include <QString>

// Whether this run has a window system a person can see and that can really be opened: an X server that
// accepts the connection, a Wayland compositor that answers, or a Qt platform that draws on a screen. The
// offscreen and minimal platforms draw for nobody.
//
// An X server resets when its last client leaves (and one started with -terminate ends): the check's connection is
// kept open in hold, when one is given, until Qt has its own.
class DisplayHold {
public:
    DisplayHold();
    ~DisplayHold();
    DisplayHold(const DisplayHold&) = delete;
    DisplayHold& operator=(const DisplayHold&) = delete;
    void keep(void* xcbConnection);

private:
    void* connection_ = nullptr;
};
bool HasVisibleDisplay(DisplayHold* hold = nullptr);

// The display a window would open on, for messages: ":0", "wayland-0".
QString DisplayName();
