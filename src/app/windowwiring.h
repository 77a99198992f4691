#pragma once

struct AppContext;
struct WindowSet;

// The one place that says who reacts to whom: the commands of the menus and toolbar, which panel
// hides which, and which windows list their data again after each announced change, in order.
void wireWindows(AppContext &ctx, WindowSet &windows);
