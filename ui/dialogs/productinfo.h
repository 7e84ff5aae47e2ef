#pragma once

#include "productversion.h"  // FERROWICK_VERSION, the build's project version

// The product's own names, version and contact points. Change them here:
// the About dialog, the address dialog and the help page's callers read them
// from this one place.

// Shown by the About dialog.
inline constexpr char PRODUCT_NAME[] = "Ferrowick";
inline constexpr char PRODUCT_VERSION_TEXT[] = "Version " FERROWICK_VERSION;
inline constexpr char PRODUCT_NOTICE[] = "Copyright (C) 2026 The Ferrowick developers";
inline constexpr char PRODUCT_WEB_SITE[] = "http://www.ferrowick.example/";
inline constexpr char PRODUCT_SUPPORT_ADDRESS[] = "support@ferrowick.example";
inline constexpr char PRODUCT_ORDER_ADDRESS[] = "orders@ferrowick.example";

// The watch-page address that the address dialog offers as an example: the
// form users paste most often, with an id of the right length.
inline constexpr char PRODUCT_EXAMPLE_ADDRESS[] = "http://www.youtube.com/watch?v=Fw7dLrn2Xk0";

// The desktop's name for the program: its desktop entry, metadata, icon
// and window class are all called this.
inline constexpr char PRODUCT_APP_ID[] = "example.ferrowick.ferrowick";

// The help page's file name, next to the program and under the install prefix.
inline constexpr char PRODUCT_HELP_FILE[] = "ferrowick-help.html";
