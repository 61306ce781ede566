// Getting started in JScript: create the control, add entries, walk the snapshot with an
// Enumerator and catch an error.
var s = new ActiveXObject("Quorvane.Schedule");
s.TimerInterVal = 1000;

s.AddSchedule("Launch", 3, 2030, 1, 0, 15, 12);          // once: 15 January 2030, 12:00:00
s.AddSchedule("Countdown", 3, 2030, 1, 0, 15, 11, 59);   // once: a minute before

// Items are Automation dates: new Date(item) makes a JScript date of one.
for (var e = new Enumerator(s.GetSchedules); !e.atEnd(); e.moveNext()) {
    var due = new Date(e.item());
    WScript.Echo(due.getFullYear() + "-" + (due.getMonth() + 1) + "-" + due.getDate() + " " +
                 due.getHours() + ":" + due.getMinutes());
}

try {
    s.AddSchedule("Launch", 0, 0, 0, 0, 0, 8);
} catch (err) {
    // err.number holds the HRESULT: 0x800AC353 is error 50003.
    WScript.Echo((err.number & 0xFFFF) + " " + err.description);
}
WScript.Echo("done");
