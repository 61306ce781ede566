// An object that code reaches by a pointer of its own rather than by a reference it holds (a
// timer's tick, a window's paint), and may find on its way out: released on another thread,
// or its destruction running a message loop.
#pragma once

namespace quorvane::server {

class Holdable {
public:
    // Takes a reference to the object unless it is already being destroyed.
    virtual bool TryHold() = 0;
    // Gives back the reference that TryHold took.
    virtual void LetGo() = 0;

protected:
    ~Holdable() = default;
};

} // namespace quorvane::server
