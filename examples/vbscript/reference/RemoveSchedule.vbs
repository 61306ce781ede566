' RemoveSchedule: removes one entry by its exact name; an unknown name is no error.
Option Explicit

Dim s
Set s = CreateObject("Quorvane.Schedule")
s.AddSchedule "Coffee", 0, , , , , 7, 30
s.AddSchedule "Report", 1, , , 5, , 16
WScript.Echo "Entries: " & s.GetSchedules.Count

s.RemoveSchedule "coffee"             ' another name: nothing happens
WScript.Echo "Entries: " & s.GetSchedules.Count
s.RemoveSchedule "Coffee"
WScript.Echo "Entries: " & s.GetSchedules.Count
s.RemoveSchedule "Coffee"             ' gone already: still no error
WScript.Echo "Entries: " & s.GetSchedules.Count

' The name is free again.
s.AddSchedule "Coffee", 0, , , , , 8
WScript.Echo "Coffee at " & Hour(s.NextTime("Coffee")) & ":00"
WScript.Echo "done"
