// The control from JScript, the way a script author writes it: every step is printed, and
// the whole output is compared with schedule.js.expected.
function two(n) { return (n < 10 ? "0" : "") + n; }
function clock(d) { return two(d.getHours()) + ":" + two(d.getMinutes()) + ":" + two(d.getSeconds()); }
function stamp(value) {
    var d = new Date(value);
    return d.getFullYear() + "-" + two(d.getMonth() + 1) + "-" + two(d.getDate()) + " " + clock(d);
}
function attempt(what, step) {
    try {
        step();
        WScript.Echo(what + ": no error");
    } catch (e) {
        WScript.Echo(what + ": " + (e.number & 0xFFFF) + " | " + e.description);
    }
}

var s = new ActiveXObject("Quorvane.Schedule");
WScript.Echo("TimerInterVal " + s.TimerInterVal);

var name = "Breakfast", hr = 7;
s.AddSchedule(name, 0, 0, 0, 0, 0, hr, 30);
WScript.Echo("Breakfast at " + clock(new Date(s.NextTime(name))) + "; still " + name + " " + hr);
s.AddSchedule("Midnight", 0);
WScript.Echo("Midnight at " + clock(new Date(s.NextTime("Midnight"))));
s.AddSchedule("Bins", 1, 0, 0, 2, 0, 6);
WScript.Echo("Bins on weekday " + new Date(s.NextTime("Bins")).getDay());
WScript.Echo("Count " + s.GetSchedules.Count);

var later = new ActiveXObject("Quorvane.Schedule");
later.AddSchedule("Launch", 3, 2099, 12, 0, 31, 23, 59, 59);
later.AddSchedule("Landing", 3, 2099, 12, 0, 30);
var items = later.GetSchedules;
WScript.Echo("Items " + items.Count);
for (var each = new Enumerator(items); !each.atEnd(); each.moveNext())
    WScript.Echo("  " + stamp(each.item()));
WScript.Echo("By key " + stamp(items.Item("Launch")) + ", by position " + stamp(items.Item(1)));
items.Remove("Landing");
WScript.Echo("Copy now " + items.Count + ", entry still " + stamp(later.NextTime("Landing")));

s.Interval = 1000;
WScript.Echo("TimerInterVal " + s.TimerInterVal + ", Interval " + s.Interval);
s.TimerInterVal = 70000;
attempt("Interval at 70000", function () { return s.Interval; });
attempt("hour 24", function () { s.AddSchedule("Bad", 0, 0, 0, 0, 0, 24); });
attempt("kind 4", function () { s.AddSchedule("Bad", 4); });
attempt("Breakfast again", function () { s.AddSchedule(name, 0); });
attempt("29 February 2099", function () { s.AddSchedule("Bad", 3, 2099, 2, 0, 29); });
attempt("NextTime of Nobody", function () { return s.NextTime("Nobody"); });
attempt("removed key", function () { return items.Item("Landing"); });
attempt("position 7", function () { return items.Item(7); });
attempt("key taken", function () { items.Add(1, "Launch"); });
attempt("RemoveSchedule of Nobody", function () { s.RemoveSchedule("Nobody"); });

s.RemoveAllSchedule();
WScript.Echo("After RemoveAllSchedule " + s.GetSchedules.Count + ", copy " + items.Count);
WScript.Echo("done");
