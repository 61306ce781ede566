' The PowerShell alarm's logic, run by cscript: an entry due in five seconds, formed from the
' clock as the PowerShell sample forms it. cscript under Wine cannot wait for events, so the
' twin stops at what the schedule holds.
Option Explicit
Dim s, t
Set s = CreateObject("Quorvane.Schedule")
s.TimerInterVal = 1000
t = DateAdd("s", 5, Now)
s.AddSchedule "Tea", 3, Year(t), Month(t), 0, Day(t), Hour(t), Minute(t), Second(t)
If s.NextTime("Tea") > Now Then WScript.Echo "Tea is due in a few seconds"
WScript.Echo s.GetSchedules.Count & " entries"
WScript.Echo "done"
