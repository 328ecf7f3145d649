#pragma once

// The application's busy state while an import or a listing runs on the user
// interface thread: a wait cursor, and no user input is taken anywhere (mouse,
// keys, wheel, touch, shortcuts, closing a window) while the windows still
// repaint whenever keepPainting() is called. Guards nest; the outermost one
// ends the state.
class BusyGuard {
public:
    BusyGuard();
    ~BusyGuard();
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;

    static bool active();

    // Handles pending events (paints, the memo's new lines), at most about
    // every 25 ms so that a fast loop is not slowed down. Does nothing when
    // not busy.
    static void keepPainting();
};
