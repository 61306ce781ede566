// Errors in JScript: the exception's number is the HRESULT. Of an Automation error
// (0x800Axxxx) the low 16 bits are the number that VB and VBScript show.
function hex(n) { return "0x" + (n < 0 ? n + 0x100000000 : n).toString(16).toUpperCase(); }
function vbNumber(n) { return (n >>> 16) == 0x800A ? " (" + (n & 0xFFFF) + ")" : ""; }
function attempt(what, step) {
    try {
        step();
        WScript.Echo(what + " -> no error");
    } catch (e) {
        WScript.Echo(what + " -> " + hex(e.number) + vbNumber(e.number) +
            (e.description ? " " + e.description : ""));
    }
}

var s = new ActiveXObject("Quorvane.Schedule");
s.AddSchedule("Coffee", 0, 0, 0, 0, 0, 7, 30);
var c = s.GetSchedules;

attempt("hour 24", function () { s.AddSchedule("Tea", 0, 0, 0, 0, 0, 24); });
attempt("kind 5", function () { s.AddSchedule("Tea", 5); });
attempt("name taken", function () { s.AddSchedule("Coffee", 0); });
attempt("no entry Tea", function () { s.NextTime("Tea"); });
attempt("year 10000", function () { s.AddSchedule("Tea", 0, 10000, 1, 0, 1); });
attempt("Interval at 60000", function () { return s.Interval; });
attempt("no key Tea", function () { c.Item("Tea"); });
attempt("no position 2", function () { c.Item(2); });
attempt("key taken", function () { c.Add(1, "Coffee"); });
attempt("kind \"daily\"", function () { s.AddSchedule("Tea", "daily"); });
attempt("hour 3000000000", function () { s.AddSchedule("Tea", 0, 0, 0, 0, 0, 3000000000); });
attempt("kind left out", function () { s.AddSchedule("Tea"); });
attempt("remove Tea", function () { s.RemoveSchedule("Tea"); });
WScript.Echo("done");
