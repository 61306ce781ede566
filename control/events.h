// The event seam: how the control raises RunTime to its host.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace quorvane {

class ScheduleEvents {
public:
    // One raising of RunTime to every listener of the moment, made ready in full before it
    // begins: it allocates nothing more, so that an entry moves on only once its alarm can go
    // out. It may stop between listeners (the host froze its events) and go on later.
    class Raising {
    public:
        virtual ~Raising() = default;
        // Whether every listener has heard it (or left before its turn).
        virtual bool Done() const = 0;
        // Raises the event to the next listener that has not heard it, if one is left.
        virtual void RaiseNext() = 0;
    };

    virtual ~ScheduleEvents() = default;
    // Everything raising RunTime for `key` needs; throws std::bad_alloc when memory is short.
    virtual std::unique_ptr<Raising> Prepare(std::u16string_view key) = 0;
};

// A host with a single listener, which hears RunTime with a fresh copy of the entry's name;
// whatever the handler does to the copy is dropped with it.
class SingleListenerEvents : public ScheduleEvents {
public:
    virtual void RunTime(std::u16string &key) = 0;
    std::unique_ptr<Raising> Prepare(std::u16string_view key) final;
    // Prepares and raises at once.
    void Raise(std::u16string_view key);
};

} // namespace quorvane
