#pragma once

// Registers the page, its style sheets and images under :/res/<TYPE>/<NAME>.
// Safe to call more than once; must run before the page is loaded.
void InitPageResources();
