// GetSchedules in JScript: walk the collection with an Enumerator.
function two(n) { return (n < 10 ? "0" : "") + n; }
function stamp(value) {
    var d = new Date(value);            // a date from the control becomes a JScript Date
    return d.getFullYear() + "-" + two(d.getMonth() + 1) + "-" + two(d.getDate()) + " " +
        two(d.getHours()) + ":" + two(d.getMinutes()) + ":" + two(d.getSeconds());
}

var s = new ActiveXObject("Quorvane.Schedule");
s.AddSchedule("Landing", 3, 2030, 1, 0, 15, 14);
s.AddSchedule("Launch", 3, 2030, 1, 0, 15, 12);
s.AddSchedule("Countdown", 3, 2030, 1, 0, 15, 11, 59);

var moments = s.GetSchedules;
WScript.Echo(moments.Count + " entries, in due order:");
for (var each = new Enumerator(moments); !each.atEnd(); each.moveNext())
    WScript.Echo("  " + stamp(each.item()));
WScript.Echo("First: " + stamp(moments.Item(1)) + ", Launch: " + stamp(moments.Item("Launch")));
WScript.Echo("done");
