/* The installers' check of the install folder's length, as a native custom action (type 1, a
 * DLL in the Binary table): script custom actions fail where no script engine may run (managed
 * machines block them; Windows answers 2738 or 2739), and this one must run on every install.
 *
 * MeasureInstallFolder sets QUORVANE_FOLDER_TOO_LONG to 1 when INSTALLDIR has more characters
 * than QUORVANE_FOLDER_LIMIT (the longest folder whose module path stays below MAX_PATH; the
 * package writes it); an error action conditioned on that property ends the install. Built with
 * mingw-w64 by tools/package.sh, one DLL per bitness. */
#include <windows.h>

/* After windows.h, which they need. */
#include <msi.h>
#include <msiquery.h>

static DWORD length_of(MSIHANDLE session, const WCHAR *property) {
    WCHAR none[1] = {0};
    DWORD length = 0;
    /* With no room, MsiGetProperty answers ERROR_MORE_DATA and the value's length in
     * characters, without its terminating null. */
    UINT answer = MsiGetPropertyW(session, property, none, &length);
    return answer == ERROR_MORE_DATA || answer == ERROR_SUCCESS ? length : 0;
}

static DWORD number_of(MSIHANDLE session, const WCHAR *property) {
    WCHAR text[16];
    DWORD size = sizeof text / sizeof *text, number = 0;
    if (MsiGetPropertyW(session, property, text, &size) != ERROR_SUCCESS)
        return 0;
    for (const WCHAR *digit = text; *digit >= L'0' && *digit <= L'9'; ++digit)
        number = number * 10 + (DWORD)(*digit - L'0');
    return number;
}

__declspec(dllexport) UINT __stdcall MeasureInstallFolder(MSIHANDLE session) {
    DWORD limit = number_of(session, L"QUORVANE_FOLDER_LIMIT");
    /* No limit written is a broken package: fail rather than install unchecked. */
    if (limit == 0)
        return ERROR_INSTALL_FAILURE;
    if (length_of(session, L"INSTALLDIR") > limit)
        MsiSetPropertyW(session, L"QUORVANE_FOLDER_TOO_LONG", L"1");
    return ERROR_SUCCESS;
}
