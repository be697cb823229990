#pragma once

// Whether this run has a window system a person can see and that can really be opened: an X server that
// accepts the connection, a Wayland compositor that answers, or a Qt platform that draws on a screen. The
// offscreen and minimal platforms draw for nobody.
bool HasVisibleDisplay();
