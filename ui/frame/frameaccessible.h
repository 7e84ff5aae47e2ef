#pragma once

// How a screen reader meets the program's windows: the main window is a
// frame named by its title, and the application lists only the windows on
// the screen. Installed before the application object is made, so that
// every interface asked for is built by it.
void InstallFrameAccessibility();
