' RemoveAllSchedule: empties the list; a collection read before keeps its items.
Option Explicit

Dim s, before
Set s = CreateObject("Quorvane.Schedule")
s.AddSchedule "Coffee", 0, , , , , 7, 30
s.AddSchedule "Report", 1, , , 5, , 16
s.AddSchedule "Launch", 3, 2030, 1, , 15, 12
Set before = s.GetSchedules

s.RemoveAllSchedule
WScript.Echo "Entries now: " & s.GetSchedules.Count
WScript.Echo "Collection read before: " & before.Count

s.RemoveAllSchedule                   ' an empty list: no error
s.AddSchedule "Coffee", 0, , , , , 7, 30
WScript.Echo "Entries now: " & s.GetSchedules.Count
WScript.Echo "done"
