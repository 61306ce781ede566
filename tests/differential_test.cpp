// Randomized differential test: the control `Schedule` against the literal model of its list,
// dispatch and queries, operation by operation. Each sequence is drawn from a fixed seed; every
// operation runs on both sides from the same clock reading, and both must leave the same
// trace (results, errors, RunTime names, what handlers saw) and the same state (entries in
// order with their due moments, snapshot, answers by name, timer). A mismatch is reported with
// the sequence shrunk to the operations that still show it.
#include "model/literal_schedule.h"

#include "automation_error.h"
#include "calendar.h"
#include "fakes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace quorvane::testing {
namespace {

constexpr std::int32_t kMin32 = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax32 = std::numeric_limits<std::int32_t>::max();

// The clock stays within these moments: date values before 1899-12-30 do not order as
// moments do, and the calendar ends in 9999. (Formed on first use: the calendar's own limits
// are other globals.)
Moment ClampToCalendar(Moment m) {
    static const Moment earliest = DateSerial(1901, 1, 1);
    static const Moment latest = DateSerial(9999, 12, 31) + TimeSerial(23, 59, 59);
    return std::clamp(m, earliest, latest);
}

enum class Act {
    kAdd,
    kRemove,
    kRemoveOwn, // in a handler: removes the entry that went off
    kRemoveAll,
    kMoveSeconds,
    kMoveMonths,
    kTick, // as the platform delivers it: only while the timer runs
    kPass, // a pass called whatever the timer does
    kSetTimerInterVal,
    kSetInterval,
    kReadIntervals,
    kGetSchedules,
    kNextTime,
    kNextTimeOwn, // in a handler: the answer for the entry that went off
    kChangeKey,   // in a handler: overwrites its argument
};

struct Step {
    Act act = Act::kTick;
    std::u16string name;
    std::int32_t ty = 0, yr = 0, mon = 0, wk = 0, dy = 0, hr = 0, min = 0, sec = 0;
    std::int64_t amount = 0; // seconds, months or an interval
};

struct Op {
    Step step;
    // handler[k]: what the handler does on the k-th RunTime raised during the step.
    std::vector<std::vector<Step>> handler;
};

std::string Text(const std::u16string &s) {
    std::string out = "\"";
    for (char16_t c : s) {
        if (c >= 0x20 && c < 0x7f && c != '"' && c != '\\') {
            out.push_back(static_cast<char>(c));
        } else {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\u%04x", static_cast<unsigned>(c));
            out += buffer;
        }
    }
    return out + "\"";
}

std::string Number(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.17g", value);
    return buffer;
}

std::string ErrorText(const AutomationError &error) {
    std::string source(error.source().begin(), error.source().end());
    return "error " + std::to_string(error.number()) + " [" + source + "] " +
           Text(error.description());
}

std::string Describe(const Step &s) {
    const std::string n = std::to_string(s.amount);
    switch (s.act) {
    case Act::kAdd: {
        std::string args;
        for (std::int32_t v : {s.ty, s.yr, s.mon, s.wk, s.dy, s.hr, s.min, s.sec})
            args += ", " + std::to_string(v);
        return "AddSchedule(" + Text(s.name) + args + ")";
    }
    case Act::kRemove:
        return "RemoveSchedule(" + Text(s.name) + ")";
    case Act::kRemoveOwn:
        return "RemoveSchedule(key)";
    case Act::kRemoveAll:
        return "RemoveAllSchedule()";
    case Act::kMoveSeconds:
        return "clock += " + n + " s";
    case Act::kMoveMonths:
        return "clock += " + n + " months";
    case Act::kTick:
        return "tick";
    case Act::kPass:
        return "Timer1_Timer()";
    case Act::kSetTimerInterVal:
        return "TimerInterVal = " + n;
    case Act::kSetInterval:
        return "Interval = " + n;
    case Act::kReadIntervals:
        return "read TimerInterVal, Interval";
    case Act::kGetSchedules:
        return "GetSchedules";
    case Act::kNextTime:
        return "NextTime(" + Text(s.name) + ")";
    case Act::kNextTimeOwn:
        return "NextTime(key)";
    case Act::kChangeKey:
        return "key = " + Text(s.name);
    }
    return "?";
}

std::string Describe(const Op &op) {
    std::string text = Describe(op.step);
    for (std::size_t k = 0; k < op.handler.size(); ++k) {
        if (op.handler[k].empty())
            continue;
        text += "\n      on RunTime #" + std::to_string(k + 1) + ":";
        for (const Step &s : op.handler[k]) {
            text += ' ';
            text += Describe(s);
            text += ';';
        }
    }
    return text;
}

// The entries of either side in list order, with their due moments.
std::vector<std::pair<std::u16string, Moment>> Listed(const Schedule &control) {
    std::vector<std::pair<std::u16string, Moment>> out;
    for (const auto &entry : control.Entries())
        out.emplace_back(entry.key(), entry.NextTime());
    return out;
}
std::vector<std::pair<std::u16string, Moment>> Listed(const LiteralSchedule &model) {
    std::vector<std::pair<std::u16string, Moment>> out;
    for (const clsTime &entry : model.Entries())
        out.emplace_back(entry.key(), entry.NextTime());
    return out;
}
bool TimerOn(const Schedule &control) {
    return control.Timer().Enabled();
}
bool TimerOn(const LiteralSchedule &model) {
    return model.TimerOn();
}

// Names drawn for adds, removals and lookups: few enough to collide, some differing only in
// letter case, the empty name, names beyond ASCII, one with a NUL inside and one too long to
// be kept inside the string object.
const std::u16string kNames[] = {u"",
                                 u"a",
                                 u"A",
                                 u"b",
                                 u"alarm",
                                 u"Alarm",
                                 u"ALARM",
                                 u"\u00e9t\u00e9",
                                 u"\u00c9t\u00e9",
                                 std::u16string(u"a\0b", 3),
                                 u"the morning alarm on the second floor"};

// What one side shows after an operation; the snapshot holds each item twice, by position and
// by its key.
struct Observed {
    Moment clock;
    bool timer_on, ticking, in_pass;
    std::int32_t interval;
    std::vector<std::pair<std::u16string, Moment>> listed;
    std::vector<std::pair<std::optional<std::u16string>, double>> snapshot;
    std::vector<std::string> answers;
    bool operator==(const Observed &) const = default;

    std::string Text() const {
        std::string text = "clock " + std::to_string(clock) + ", timer " +
                           (timer_on ? "on" : "off") + (ticking ? " ticking" : "") + ", interval " +
                           std::to_string(interval) + (in_pass ? ", in a pass" : "") +
                           "\n    list:";
        for (const auto &[name, moment] : listed)
            text += " " + testing::Text(name) + "@" + std::to_string(moment);
        text += "\n    snapshot:";
        for (const auto &[key, value] : snapshot)
            text += " " + (key ? testing::Text(*key) : "(no key)") + "=" + Number(value);
        text += "\n    NextTime answers:";
        for (const std::string &answer : answers)
            text += " " + answer;
        return text;
    }
};

// Runs steps on one side, the control or the model, and writes down all it sees.
template <class Control> class Side {
public:
    Side(FakeClock &clock, RecordingEvents &events, Control &control, std::function<bool()> ticking)
        : clock_(clock), control_(control), ticking_(std::move(ticking)) {
        events.on_run_time = [this](std::u16string &key) { OnRunTime(key); };
    }

    std::vector<std::string> trace;

    void Run(const Op &op, Moment now) {
        clock_.now = now;
        trace.clear();
        handler_ = &op.handler;
        raised_ = 0;
        Do(op.step, nullptr);
    }

    // Everything the host can observe after an operation, and the list itself.
    Observed Observe() const {
        Observed seen{clock_.now,
                      TimerOn(control_),
                      ticking_(),
                      control_.InTimer(),
                      control_.TimerInterVal(),
                      Listed(control_),
                      {},
                      {}};
        const Collection<double> snapshot = control_.GetSchedules();
        for (std::int32_t i = 0; i < snapshot.Count(); ++i) {
            const auto at = static_cast<std::size_t>(i);
            seen.snapshot.emplace_back(snapshot.KeyAt(at), snapshot[at]);
            if (snapshot.KeyAt(at))
                seen.snapshot.emplace_back(snapshot.KeyAt(at),
                                           snapshot.ItemAt(*snapshot.KeyAt(at)));
        }
        // Answers by name for the first and last entries and for one name that may be absent.
        const auto n = seen.listed.size();
        std::vector<std::u16string> probes = {kNames[n % std::size(kNames)]};
        if (n > 0)
            probes.insert(probes.end(), {seen.listed.front().first, seen.listed.back().first});
        for (const std::u16string &name : probes)
            seen.answers.push_back(Attempt([&] { return Number(control_.NextTime(name)); }));
        return seen;
    }

private:
    void OnRunTime(std::u16string &key) {
        trace.push_back("RunTime " + Text(key));
        const std::size_t k = raised_++;
        if (k < handler_->size())
            for (const Step &s : (*handler_)[k])
                Do(s, &key);
    }

    std::string Snapshot() const {
        const Collection<double> snapshot = control_.GetSchedules();
        std::string text = "snapshot of " + std::to_string(snapshot.Count()) + ":";
        for (std::int32_t i = 0; i < snapshot.Count(); ++i) {
            const auto &key = snapshot.KeyAt(static_cast<std::size_t>(i));
            text += " " + (key ? Text(*key) : "(no key)") + "=" +
                    Number(snapshot[static_cast<std::size_t>(i)]);
        }
        return text;
    }

    template <class Action> static std::string Attempt(const Action &action) {
        try {
            return action();
        } catch (const AutomationError &error) {
            return ErrorText(error);
        }
    }

    void Move(const Step &s) {
        Moment target = clock_.now;
        if (s.act == Act::kMoveSeconds)
            target += s.amount;
        else
            try {
                target = AddMonths(s.amount, clock_.now);
            } catch (const AutomationError &) {
            }
        target = ClampToCalendar(target);
        // Forward, real time passes; back, the clock is set back.
        if (target > clock_.now)
            clock_.Pass(target - clock_.now);
        clock_.now = target;
    }

    void Do(const Step &s, std::u16string *key) {
        trace.push_back(Describe(s) + ": " + Attempt([&] { return Perform(s, key); }));
    }

    std::string Perform(const Step &s, std::u16string *key) {
        switch (s.act) {
        case Act::kAdd:
            control_.AddSchedule(s.name, s.ty, s.yr, s.mon, s.wk, s.dy, s.hr, s.min, s.sec);
            return "ok";
        case Act::kRemove:
            control_.RemoveSchedule(s.name);
            return "ok";
        case Act::kRemoveOwn:
            control_.RemoveSchedule(*key);
            return "ok";
        case Act::kRemoveAll:
            control_.RemoveAllSchedule();
            return "ok";
        case Act::kMoveSeconds:
        case Act::kMoveMonths:
            Move(s);
            return std::to_string(clock_.now);
        case Act::kTick:
            if (!ticking_())
                return "not delivered";
            [[fallthrough]];
        case Act::kPass: {
            const int reads = clock_.reads;
            control_.Timer1_Timer();
            return "done, " + std::to_string(clock_.reads - reads) + " clock reads";
        }
        case Act::kSetTimerInterVal:
            control_.SetTimerInterVal(static_cast<std::int32_t>(s.amount));
            return "ok";
        case Act::kSetInterval:
            control_.SetInterval(static_cast<std::int16_t>(s.amount));
            return "ok";
        case Act::kReadIntervals:
            return std::to_string(control_.TimerInterVal()) + ", " +
                   Attempt([&] { return std::to_string(control_.Interval()); });
        case Act::kGetSchedules:
            return Snapshot();
        case Act::kNextTime:
            return Number(control_.NextTime(s.name));
        case Act::kNextTimeOwn:
            return Number(control_.NextTime(*key));
        case Act::kChangeKey:
            *key = s.name;
            return "ok";
        }
        return "?";
    }

    FakeClock &clock_;
    Control &control_;
    std::function<bool()> ticking_;
    const std::vector<std::vector<Step>> *handler_ = nullptr;
    std::size_t raised_ = 0;
};

// A control and the model, each with its own clock, timer and host.
struct Pair {
    Rig real;
    FakeClock model_clock;
    RecordingEvents model_events;
    LiteralSchedule model{model_clock, model_events};
    Side<Schedule> control_side{real.clock, real.events, real.schedule,
                                [this] { return real.timer.running; }};
    Side<LiteralSchedule> model_side{model_clock, model_events, model,
                                     [this] { return model.Ticking(); }};
    Moment now;

    explicit Pair(Moment start) : now(start) {}

    // Runs `op` on both sides; the description of the first difference, or nothing.
    std::optional<std::string> Run(const Op &op) {
        control_side.Run(op, now);
        model_side.Run(op, now);
        now = real.clock.now;
        if (control_side.trace != model_side.trace)
            return "control did:\n    " + Join(control_side.trace) + "\n  model did:\n    " +
                   Join(model_side.trace);
        const Observed control_state = control_side.Observe();
        const Observed model_state = model_side.Observe();
        if (!(control_state == model_state))
            return "control after it: " + control_state.Text() +
                   "\n  model after it: " + model_state.Text();
        return std::nullopt;
    }

    static std::string Join(const std::vector<std::string> &lines) {
        std::string text;
        for (const std::string &line : lines)
            text += (text.empty() ? "" : "\n    ") + line;
        return text;
    }
};

// Draws operations that hit the interesting places: ties at the clock's own second, names
// that collide, fields just out of range, out of 16 bits and out of the calendar.
class Generator {
public:
    // With `ties`, entries crowd onto one time of day (08:00:00) and the clock steps by
    // seconds around it and by whole days, weeks and months.
    Generator(std::uint64_t seed, bool ties) : rng_(seed), ties_(ties) {}

    Moment Start() {
        if (Chance(10)) // near the calendar's end, where the next occurrence cannot be formed
            return DateSerial(9999, 12, 24) + Below(8 * kSecondsPerDay);
        return DateSerial(1990, 1, 1) + Below(50LL * 365 * kSecondsPerDay);
    }

    Op Next(Moment now, const std::vector<std::u16string> &listed) {
        Op op;
        op.step = TopStep(now, listed);
        if ((op.step.act == Act::kTick || op.step.act == Act::kPass) && Chance(50)) {
            op.handler.resize(1 + Below(6));
            bool moved = false;
            for (auto &steps : op.handler) {
                const auto count = Below(4);
                for (std::int64_t i = 0; i < count; ++i) {
                    steps.push_back(HandlerStep(now, listed));
                    // One clock move per pass, so that the pass always ends.
                    if (steps.back().act == Act::kMoveSeconds && std::exchange(moved, true))
                        steps.pop_back();
                }
            }
        }
        return op;
    }

private:
    std::int64_t Below(std::int64_t n) {
        return std::uniform_int_distribution<std::int64_t>(0, n - 1)(rng_);
    }
    bool Chance(int percent) { return Below(100) < percent; }
    template <class T, std::size_t N> T Pick(const T (&values)[N]) {
        return values[static_cast<std::size_t>(Below(N))];
    }

    // A name in the list (with `listed_percent` chance), a fresh one or one of the few above.
    std::u16string Name(const std::vector<std::u16string> &listed, int listed_percent = 50) {
        if (!listed.empty() && Chance(listed_percent))
            return listed[static_cast<std::size_t>(
                Below(static_cast<std::int64_t>(listed.size())))];
        if (Chance(50))
            return u"n" + Decimal(Below(40));
        return Pick(kNames);
    }

    struct Weighted {
        int percent;
        Act act;
    };

    // A step drawn by the weights (in percent, adding up to 100).
    Step Draw(std::initializer_list<Weighted> weights, Moment now,
              const std::vector<std::u16string> &listed, bool in_handler) {
        auto roll = Below(100);
        Act act = weights.begin()->act;
        for (const Weighted &w : weights) {
            act = w.act;
            if (roll < w.percent)
                break;
            roll -= w.percent;
        }
        switch (act) {
        case Act::kAdd:
            return Add(now, listed);
        case Act::kMoveSeconds:
            return Move(in_handler);
        case Act::kSetTimerInterVal:
            return Interval();
        default:
            return Step{.act = act, .name = Name(listed)};
        }
    }

    Step TopStep(Moment now, const std::vector<std::u16string> &listed) {
        return Draw({{35, Act::kAdd},
                     {10, Act::kRemove},
                     {2, Act::kRemoveAll},
                     {18, Act::kMoveSeconds},
                     {20, Act::kTick},
                     {2, Act::kPass},
                     {3, Act::kSetTimerInterVal},
                     {2, Act::kReadIntervals},
                     {3, Act::kGetSchedules},
                     {5, Act::kNextTime}},
                    now, listed, false);
    }

    Step HandlerStep(Moment now, const std::vector<std::u16string> &listed) {
        return Draw({{25, Act::kAdd},
                     {15, Act::kRemoveOwn},
                     {15, Act::kRemove},
                     {5, Act::kRemoveAll},
                     {10, Act::kNextTimeOwn},
                     {5, Act::kNextTime},
                     {5, Act::kGetSchedules},
                     {8, Act::kTick},
                     {4, Act::kMoveSeconds},
                     {3, Act::kSetTimerInterVal},
                     {5, Act::kChangeKey}},
                    now, listed, true);
    }

    Step Move(bool in_handler) {
        Step s;
        s.act = Act::kMoveSeconds;
        const auto roll = Below(100);
        if (in_handler)
            s.amount = Pick({1, 2, 60, 3600});
        else if (ties_ && roll < 80)
            s.amount = Pick<std::int64_t>(
                {1, 1, -1, kSecondsPerDay, kSecondsPerDay, 7 * kSecondsPerDay, 3 * kSecondsPerDay});
        else if (roll < 40)
            s.amount = 1 + Below(3);
        else if (roll < 55)
            s.amount = 60 * (1 + Below(59));
        else if (roll < 70)
            s.amount = 3600 * (1 + Below(23));
        else if (roll < 80)
            s.amount = kSecondsPerDay * (1 + Below(10));
        else if (roll < 90) {
            s.act = Act::kMoveMonths;
            s.amount = 1 + Below(3);
        } else if (roll < 97) {
            s.amount = -Pick<std::int64_t>({1, 2, 3600, kSecondsPerDay});
        } else {
            s.act = Act::kMoveMonths;
            s.amount = -1;
        }
        return s;
    }

    Step Interval() {
        Step s;
        if (Chance(50)) {
            s.act = Act::kSetTimerInterVal;
            s.amount = Pick({0, -1, 1, 1000, 60000, 32767, 32768, kMin32, kMax32});
        } else {
            s.act = Act::kSetInterval;
            s.amount = Pick({0, -1, 1, 1000, -32768, 32767});
        }
        return s;
    }

    std::int32_t OutOfRange(std::int32_t low, std::int32_t high) {
        if (Chance(70))
            return Pick({low - 1, high + 1, -1, high + 10});
        return Pick({40000, -40000, 32768, -32769, kMin32, kMax32});
    }

    // Mostly an entry that is accepted (ty 0..3 with fitting fields); otherwise one thing about it
    // is wrong.
    Step Add(Moment now, const std::vector<std::u16string> &listed) {
        Step s;
        s.act = Act::kAdd;
        s.name = Name(listed, 10);
        s.ty = static_cast<std::int32_t>(Below(4));

        // Times near the clock's own second make ties and entries due at once.
        Moment at = now;
        if (ties_ && Chance(90))
            at = Today(now) + TimeSerial(8, 0, 0);
        else if (Chance(50))
            at += Pick({-3600, -60, -2, -1, 0, 0, 0, 1, 2, 60, 3600});
        else
            at = Today(now) + TimeSerial(Pick({0, 8, 12, 23}), Pick({0, 30, 59}), Pick({0, 59}));
        if (s.ty == schAppointTime || Chance(30))
            at += kSecondsPerDay * Pick({-1, 0, 1, 1, 2, 7, 31});
        at = ClampToCalendar(at);
        const CivilDate date = DateParts(at);
        s.hr = Hour(at);
        s.min = Minute(at);
        s.sec = Second(at);
        s.wk = static_cast<std::int32_t>(Below(7));
        if (ties_)
            s.wk = Weekday(at) - 1;
        if (s.ty == schEveryMonth) {
            s.dy = Chance(ties_ ? 90 : 30) ? date.day : 1 + static_cast<std::int32_t>(Below(28));
        } else if (s.ty == schAppointTime || Chance(30)) {
            s.yr = static_cast<std::int32_t>(date.year);
            s.mon = date.month;
            s.dy = date.day;
        }
        if (Chance(75))
            return s;

        const std::int32_t y = s.yr;
        const std::array<std::int32_t, 3> odd_dates[] = {
            {2023, 2, 29}, {y - 1, 2, 30}, {y + 1, 2, 30}, {5, 1, 1},     {99, 1, 1},
            {y, 13, 1},    {y, 0, 0},      {y, 4, 31},     {10000, 1, 1}, {32767, 1, 1},
            {40000, 1, 1}, {-1, 1, 1},     {y, 40000, 1},  {y, 1, -40000}};
        switch (Below(7)) {
        case 0:
            s.ty = Pick({-1, 4, 5, 100, kMin32, kMax32});
            break;
        case 1:
            s.hr = OutOfRange(0, 23);
            break;
        case 2:
            s.min = OutOfRange(0, 59);
            break;
        case 3:
            s.sec = OutOfRange(0, 59);
            break;
        case 4:
            s.wk = OutOfRange(0, 6);
            break;
        case 5:
            if (s.ty == schEveryMonth) {
                s.dy = Pick({0, 29, 30, 31, -1, 40000});
                break;
            }
            [[fallthrough]];
        default: { // not a calendar date, read as another year, or beyond the calendar
            const auto odd = Pick(odd_dates);
            s.yr = odd[0];
            s.mon = odd[1];
            s.dy = odd[2];
        }
        }
        return s;
    }

    std::mt19937_64 rng_;
    bool ties_;
};

std::vector<std::u16string> NamesOf(const Schedule &control) {
    std::vector<std::u16string> names;
    for (const auto &[name, moment] : Listed(control))
        names.push_back(name);
    return names;
}

// Replays `ops` on a fresh pair; the position of the first operation whose outcome differs,
// with the difference.
std::optional<std::pair<std::size_t, std::string>> FirstMismatch(Moment start,
                                                                 const std::vector<Op> &ops) {
    Pair pair(start);
    for (std::size_t i = 0; i < ops.size(); ++i)
        if (auto difference = pair.Run(ops[i]))
            return std::make_pair(i, *difference);
    return std::nullopt;
}

// Drops operations, and steps of handlers, that the mismatch does not need, one at a time,
// until none can go.
std::vector<Op> Shrink(Moment start, std::vector<Op> ops) {
    bool dropped = true;
    const auto try_without = [&](std::vector<Op> fewer) {
        if (FirstMismatch(start, fewer)) {
            ops = std::move(fewer);
            dropped = true;
        }
    };
    while (dropped) {
        dropped = false;
        for (std::size_t i = ops.size(); i-- > 0;) {
            std::vector<Op> fewer = ops;
            fewer.erase(fewer.begin() + static_cast<std::ptrdiff_t>(i));
            try_without(std::move(fewer));
            for (std::size_t k = i < ops.size() ? ops[i].handler.size() : 0; k-- > 0;)
                for (std::size_t j = ops[i].handler[k].size(); j-- > 0;) {
                    fewer = ops;
                    auto &steps = fewer[i].handler[k];
                    steps.erase(steps.begin() + static_cast<std::ptrdiff_t>(j));
                    try_without(std::move(fewer));
                }
        }
    }
    if (const auto mismatch = FirstMismatch(start, ops))
        ops.resize(mismatch->first + 1);
    return ops;
}

// Runs `sequences` random sequences from `first_seed` on; reports the first few mismatches.
void RunSequences(std::uint64_t first_seed, int sequences, int min_length, int max_length,
                  bool ties = false) {
    int reported = 0;
    for (int n = 0; n < sequences && reported < 3; ++n) {
        const std::uint64_t seed = first_seed + static_cast<std::uint64_t>(n);
        Generator generator(seed, ties);
        const Moment start = generator.Start();
        std::mt19937_64 lengths(seed);
        const int length = std::uniform_int_distribution<int>(min_length, max_length)(lengths);
        Pair pair(start);
        std::vector<Op> ops;
        for (int i = 0; i < length; ++i) {
            ops.push_back(generator.Next(pair.now, NamesOf(pair.real.schedule)));
            if (!pair.Run(ops.back()))
                continue;
            ops = Shrink(start, std::move(ops));
            const auto mismatch = FirstMismatch(start, ops);
            std::string text;
            for (const Op &op : ops)
                text += "\n    " + Describe(op);
            ADD_FAILURE() << "seed " << seed << ": control and model part after the sequence"
                          << " (clock from " << start << "):" << text << "\n  "
                          << (mismatch ? mismatch->second : "(not reproduced)");
            ++reported;
            break;
        }
    }
}

TEST(Differential, ShortSequencesFromManySeeds) {
    RunSequences(1, 1700, 5, 30);
}

TEST(Differential, LongSequencesWithHandlersAndClockMoves) {
    RunSequences(100001, 120, 80, 200);
}

TEST(Differential, ManyEntriesDueAtOneMomentOverDaysAndMonths) {
    RunSequences(200001, 250, 20, 80, true);
}

} // namespace
} // namespace quorvane::testing
