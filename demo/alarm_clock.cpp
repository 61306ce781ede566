// alarm_clock: a small alarm clock built on the Quorvane Schedule control.
//
// It creates the control through COM, adds the entries named on its command line, prints the
// schedule, and then prints each RunTime as the control raises it, until it has seen the
// requested number of events or the time limit runs out.
//
// usage: alarm_clock [--count N] [--seconds S] [--interval MS|default] [--dates]
//                    [--later S ENTRY]... [ENTRY...]
//
//   --count N       stop after N events (with no entries: 3)
//   --seconds S     stop after S seconds at the latest (default 60)
//   --interval MS   the control's timer interval in milliseconds (default 200); "default"
//                   keeps the control's own interval of a minute
//   --dates         print each event with the full date, the system time (UTC) and the
//                   entry's next due moment ("none" once a one-shot entry has gone)
//   --later S ENTRY adds ENTRY S seconds after the schedule is printed, before the timer's
//                   ticks that came meanwhile (as a host busy until then would)
//
// Each ENTRY is one of:
//   daily:NAME@HH:MM[:SS]            every day at that time
//   weekly:NAME@WEEKDAY,HH:MM[:SS]   every week; WEEKDAY is 0 (Sunday) .. 6 (Saturday)
//   monthly:NAME@DAY,HH:MM[:SS]      every month on DAY (1..28)
//   once:NAME@YYYY-MM-DD,HH:MM[:SS]  once, at that date and time
//   in:NAME@SECONDS                  once, that many seconds from now
// A NAME may hold spaces (quote the ENTRY). With no entries it sets three alarms a few seconds
// ahead and a daily one for show.
#include "quorvane_idl.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

namespace {

struct Entry {
    double later = 0; // seconds after the start, for --later
    std::wstring name;
    schDateType kind = schEveryDay;
    long yr = 0, mon = 0, wk = 0, dy = 0, hr = 0, min = 0, sec = 0;
};

std::wstring Widen(const char *text) {
    std::wstring out;
    while (*text)
        out.push_back(static_cast<unsigned char>(*text++));
    return out;
}

std::string Narrow(const wchar_t *text) {
    std::string out;
    for (; text && *text; ++text)
        out.push_back(*text < 0x80 ? static_cast<char>(*text) : '?');
    return out;
}

std::string Clock() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char text[16];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u", now.wHour, now.wMinute, now.wSecond);
    return text;
}

std::string FormatTime(const SYSTEMTIME &t) {
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay,
                  t.wHour, t.wMinute, t.wSecond);
    return text;
}

std::string FormatDate(DATE date) {
    SYSTEMTIME t;
    return VariantTimeToSystemTime(date, &t) ? FormatTime(t) : "?";
}

// The entry's next due moment, or "none" when it has no next one (a one-shot entry that went).
std::string NextOf(_Schedule *schedule, BSTR name) {
    DATE next = 0;
    return SUCCEEDED(schedule->get_NextTime(&name, &next)) ? FormatDate(next) : "none";
}

// Parses "HH:MM[:SS]" into the entry's time fields.
bool ParseTime(const char *text, Entry &e) {
    int h = 0, m = 0, s = 0;
    const int n = std::sscanf(text, "%d:%d:%d", &h, &m, &s);
    e.hr = h, e.min = m, e.sec = s;
    return n >= 2;
}

// The moment `seconds` from now, as a one-shot entry.
void InSeconds(long seconds, Entry &e) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    DATE date;
    SystemTimeToVariantTime(&now, &date);
    date += seconds / 86400.0;
    SYSTEMTIME t;
    VariantTimeToSystemTime(date, &t);
    e.kind = schAppointTime;
    e.yr = t.wYear, e.mon = t.wMonth, e.dy = t.wDay;
    e.hr = t.wHour, e.min = t.wMinute, e.sec = t.wSecond;
}

bool ParseEntry(const char *arg, Entry &e) {
    const char *colon = std::strchr(arg, ':');
    const char *at = colon ? std::strchr(colon, '@') : nullptr;
    if (!colon || !at)
        return false;
    const std::string kind(arg, colon);
    e.name = Widen(std::string(colon + 1, at).c_str());
    const char *rest = at + 1;
    const char *comma = std::strchr(rest, ',');
    if (kind == "daily") {
        e.kind = schEveryDay;
        return ParseTime(rest, e);
    }
    if (kind == "in") {
        InSeconds(std::atol(rest), e);
        return true;
    }
    if (!comma)
        return false;
    if (kind == "weekly") {
        e.kind = schEveryWeek;
        e.wk = std::atol(rest);
    } else if (kind == "monthly") {
        e.kind = schEveryMonth;
        e.dy = std::atol(rest);
    } else if (kind == "once") {
        e.kind = schAppointTime;
        if (std::sscanf(rest, "%ld-%ld-%ld", &e.yr, &e.mon, &e.dy) != 3)
            return false;
    } else {
        return false;
    }
    return ParseTime(comma + 1, e);
}

// Prints the description of the Automation error that the last call raised.
void ReportError(const char *what, HRESULT hr) {
    std::string text;
    IErrorInfo *info = nullptr;
    if (GetErrorInfo(0, &info) == S_OK) {
        BSTR source = nullptr, description = nullptr;
        info->GetSource(&source);
        info->GetDescription(&description);
        text = Narrow(source) + ": " + Narrow(description);
        SysFreeString(source);
        SysFreeString(description);
        info->Release();
    }
    std::printf("%s failed (error %ld) %s\n", what, static_cast<long>(hr & 0xFFFF), text.c_str());
}

// Receives the control's events: RunTime is dispatch id 1 with the entry's name by reference.
class AlarmSink : public IDispatch {
public:
    int fired = 0;
    _Schedule *dated = nullptr; // set by --dates

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void **out) override {
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == DIID___Schedule) {
            *out = this;
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; } // lives on main's stack
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo **) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR *, UINT, LCID, DISPID *) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS *params, VARIANT *,
                                     EXCEPINFO *, UINT *) override {
        if (id == 1 && params->cArgs == 1 && V_VT(&params->rgvarg[0]) == (VT_BSTR | VT_BYREF)) {
            ++fired;
            BSTR name = *V_BSTRREF(&params->rgvarg[0]);
            if (dated) {
                SYSTEMTIME local, utc;
                GetLocalTime(&local);
                GetSystemTime(&utc);
                std::printf("%s  RunTime  %s  next %s  utc %s\n", FormatTime(local).c_str(),
                            Narrow(name).c_str(), NextOf(dated, name).c_str(),
                            FormatTime(utc).c_str());
            } else {
                std::printf("%s  RunTime  %s\n", Clock().c_str(), Narrow(name).c_str());
            }
            std::fflush(stdout);
        }
        return S_OK;
    }
};

std::vector<Entry> DefaultEntries() {
    std::vector<Entry> entries(4);
    const char *defaults[] = {"in:tea is ready@2", "in:stand up@3", "in:meeting@4",
                              "daily:morning@07:30"};
    for (int i = 0; i < 4; ++i)
        ParseEntry(defaults[i], entries[i]);
    return entries;
}

void PrintSchedule(_Schedule *schedule, const std::vector<Entry> &entries) {
    IDispatch *collection = nullptr;
    if (FAILED(schedule->get_GetSchedules(&collection)))
        return;
    _Collection *items = nullptr;
    long count = 0;
    if (SUCCEEDED(collection->QueryInterface(IID__Collection, reinterpret_cast<void **>(&items)))) {
        items->Count(&count);
        std::printf("Schedule (%ld entries, in due order):\n", count);
        for (long i = 1; i <= count; ++i) {
            VARIANT index, item;
            V_VT(&index) = VT_I4;
            V_I4(&index) = i;
            VariantInit(&item);
            if (SUCCEEDED(items->Item(&index, &item)) && V_VT(&item) == VT_DATE) {
                // The collection keeps names as keys; find whose moment this is.
                std::string name = "?";
                for (const Entry &e : entries) {
                    BSTR key = SysAllocString(e.name.c_str());
                    DATE next = 0;
                    if (SUCCEEDED(schedule->get_NextTime(&key, &next)) && next == V_DATE(&item))
                        name = Narrow(e.name.c_str());
                    SysFreeString(key);
                }
                std::printf("  %ld. %s  %s\n", i, FormatDate(V_DATE(&item)).c_str(), name.c_str());
            }
            VariantClear(&item);
        }
        items->Release();
    }
    collection->Release();
}

// Seconds since `start` on the performance counter, which is read afresh at each call: Wine's
// tick count may still show the moment a stopped process was stopped at for a while after it
// goes on, and an entry due to be added then would come in late.
double SecondsSince(const LARGE_INTEGER &start) {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart - start.QuadPart) / frequency.QuadPart;
}

// Adds `e`, reporting what fails.
void Add(_Schedule *schedule, Entry &e) {
    BSTR name = SysAllocString(e.name.c_str());
    const HRESULT hr =
        schedule->AddSchedule(&name, &e.kind, &e.yr, &e.mon, &e.wk, &e.dy, &e.hr, &e.min, &e.sec);
    if (FAILED(hr))
        ReportError(("AddSchedule " + Narrow(e.name.c_str())).c_str(), hr);
    SysFreeString(name);
}

} // namespace

int main(int argc, char **argv) {
    int count = -1;
    long interval = 200;
    double seconds = 0;
    bool dates = false;
    std::vector<Entry> entries, later;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--count" && i + 1 < argc)
            count = std::atoi(argv[++i]);
        else if (arg == "--seconds" && i + 1 < argc)
            seconds = std::atof(argv[++i]);
        else if (arg == "--interval" && i + 1 < argc)
            interval = std::strcmp(argv[++i], "default") ? std::atol(argv[i]) : -1;
        else if (arg == "--dates")
            dates = true;
        else {
            Entry e;
            const bool is_later = arg == "--later" && i + 2 < argc;
            if (is_later)
                e.later = std::atof(argv[++i]), ++i;
            if (!ParseEntry(argv[i], e)) {
                std::fprintf(
                    stderr, "cannot read the entry \"%s\" (tools/demo.sh --help shows the usage)\n",
                    argv[i]);
                return 2;
            }
            (is_later ? later : entries).push_back(e);
        }
    }
    if (entries.empty()) {
        entries = DefaultEntries();
        if (count < 0)
            count = 3;
    }
    if (seconds <= 0)
        seconds = 60;

    CoInitialize(nullptr);
    CLSID clsid;
    _Schedule *schedule = nullptr;
    HRESULT hr = CLSIDFromProgID(L"Quorvane.Schedule", &clsid);
    if (SUCCEEDED(hr))
        hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID__Schedule,
                              reinterpret_cast<void **>(&schedule));
    if (FAILED(hr)) {
        std::printf("Quorvane.Schedule is not registered (0x%08lx)\n", static_cast<long>(hr));
        return 1;
    }

    // Connect to the control's events before anything can go off.
    AlarmSink sink;
    IConnectionPointContainer *container = nullptr;
    IConnectionPoint *point = nullptr;
    DWORD cookie = 0;
    schedule->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void **>(&container));
    container->FindConnectionPoint(DIID___Schedule, &point);
    point->Advise(&sink, &cookie);

    if (dates)
        sink.dated = schedule;
    if (interval >= 0) {
        schedule->put_Interval(static_cast<short>(interval));
        std::printf("%s  Interval %ld ms\n", Clock().c_str(), interval);
    } else {
        std::printf("%s  Interval of the control (a minute)\n", Clock().c_str());
    }
    for (Entry &e : entries)
        Add(schedule, e);
    PrintSchedule(schedule, entries);
    std::fflush(stdout);

    // The control ticks on this thread: keep its messages flowing.
    const DWORD start = GetTickCount();
    LARGE_INTEGER started;
    QueryPerformanceCounter(&started);
    while (count < 0 || sink.fired < count) {
        if (seconds > 0 && GetTickCount() - start > seconds * 1000)
            break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        // The entries due to be added go in before each message, so that a tick that came
        // while the host was held up finds them in the list.
        MSG msg;
        do {
            for (Entry &e : later)
                if (e.later >= 0 && SecondsSince(started) >= e.later) {
                    Add(schedule, e);
                    e.later = -1;
                }
            if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
                break;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        } while (true);
    }
    std::printf("%s  %d events\n", Clock().c_str(), sink.fired);

    point->Unadvise(cookie);
    point->Release();
    container->Release();
    schedule->Release();
    CoUninitialize();
    return 0;
}
