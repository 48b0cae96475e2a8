#pragma once

// The one way out of a long command: Stop and Escape ask for it, the
// command's loops look at it where they yield, and each long command starts
// with it cleared. Only the window's thread touches it.
class StopRequest
{
public:
    static void ask() { s_asked = true; }
    static void clear() { s_asked = false; }
    static bool asked() { return s_asked; }

private:
    static inline bool s_asked = false;
};
