#pragma once

// Makes the windows of this run known to the desktop as the installed entry's: the desktop file name, the
// window class (WM_CLASS on X11, the app id on Wayland) and the program's icon, so that docks and task bars
// group them under the menu entry and show its icon. Call once the application exists, before any window shows.
void PresentAsDesktopEntry();
