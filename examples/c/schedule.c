/* schedule.c: a C client of the Quorvane Schedule control, through its vtable.
 *
 * It adds a daily and a one-shot entry, reads their due moments back, shows the error a
 * taken name raises, counts the entries through the collection GetSchedules returns and
 * removes one entry. */
#define COBJMACROS /* the Interface_Method(object, ...) call macros of the C declarations */
#include "quorvane_idl.h"

#include <windows.h>

#include <stdio.h>

/* Prints a date as yyyy-mm-dd hh:mm:ss. */
static void PrintDate(const char *what, DATE date) {
    SYSTEMTIME t;
    VariantTimeToSystemTime(date, &t);
    printf("%s %04u-%02u-%02u %02u:%02u:%02u\n", what, t.wYear, t.wMonth, t.wDay, t.wHour,
           t.wMinute, t.wSecond);
}

/* Prints the Automation error that the failed call raised: its number, source and text. */
static void PrintError(const char *what, HRESULT hr) {
    IErrorInfo *info = NULL;
    BSTR source = NULL, description = NULL;
    if (GetErrorInfo(0, &info) == S_OK) {
        IErrorInfo_GetSource(info, &source);
        IErrorInfo_GetDescription(info, &description);
        IErrorInfo_Release(info);
    }
    printf("%s: 0x%08lX (%lu) %ls: %ls\n", what, (unsigned long)hr, (unsigned long)(hr & 0xFFFF),
           source ? source : L"", description ? description : L"");
    SysFreeString(source);
    SysFreeString(description);
}

/* Adds an entry: all nine arguments are passed by reference; unused ones are 0. */
static HRESULT Add(_Schedule *s, const wchar_t *name, enum schDateType kind, LONG yr, LONG mon,
                   LONG wk, LONG dy, LONG hr, LONG min, LONG sec) {
    BSTR key = SysAllocString(name);
    HRESULT result = _Schedule_AddSchedule(s, &key, &kind, &yr, &mon, &wk, &dy, &hr, &min, &sec);
    SysFreeString(key);
    return result;
}

int main(void) {
    CLSID clsid;
    _Schedule *s = NULL;
    IDispatch *items = NULL;
    _Collection *collection = NULL;
    BSTR name;
    DATE next;
    LONG count = 0;
    HRESULT hr;

    CoInitialize(NULL);
    hr = CLSIDFromProgID(L"Quorvane.Schedule", &clsid);
    if (SUCCEEDED(hr))
        hr = CoCreateInstance(&clsid, NULL, CLSCTX_INPROC_SERVER, &IID__Schedule, (void **)&s);
    if (FAILED(hr)) {
        printf("cannot create Quorvane.Schedule: 0x%08lX\n", (unsigned long)hr);
        return 1;
    }

    Add(s, L"Coffee", schEveryDay, 0, 0, 0, 0, 7, 30, 0);
    Add(s, L"Launch", schAppointTime, 2030, 1, 0, 15, 12, 0, 0);

    name = SysAllocString(L"Launch");
    if (SUCCEEDED(_Schedule_get_NextTime(s, &name, &next)))
        PrintDate("Launch is due", next);
    SysFreeString(name);

    hr = Add(s, L"Coffee", schEveryDay, 0, 0, 0, 0, 8, 0, 0);
    if (FAILED(hr))
        PrintError("Coffee again", hr);

    if (SUCCEEDED(_Schedule_get_GetSchedules(s, &items)) &&
        SUCCEEDED(IDispatch_QueryInterface(items, &IID__Collection, (void **)&collection))) {
        _Collection_Count(collection, &count);
        printf("%ld entries\n", (long)count);
        _Collection_Release(collection);
    }
    if (items)
        IDispatch_Release(items);

    name = SysAllocString(L"Coffee");
    _Schedule_RemoveSchedule(s, &name);
    hr = _Schedule_get_NextTime(s, &name, &next);
    if (FAILED(hr))
        PrintError("Coffee removed", hr);
    SysFreeString(name);

    _Schedule_Release(s);
    CoUninitialize();
    printf("done\n");
    return 0;
}
