' AddSchedule: one entry of each kind, the arguments each kind uses, and what it refuses.
Option Explicit

Function Two(n)
    Two = Right("0" & n, 2)
End Function

Function Clock(d)
    Clock = Two(Hour(d)) & ":" & Two(Minute(d)) & ":" & Two(Second(d))
End Function

Dim s
Set s = CreateObject("Quorvane.Schedule")

'             name       kind  yr    mon  wk  dy  hr  min sec
s.AddSchedule "Coffee",  0,    ,     ,    ,   ,   7,  30        ' every day at 07:30:00
s.AddSchedule "Bins",    1,    ,     ,    2,  ,   6             ' every Tuesday at 06:00:00
s.AddSchedule "Rent",    2,    ,     ,    ,   28, 9             ' the 28th of every month, 09:00
s.AddSchedule "Launch",  3,    2030, 1,   ,   15, 12, 0,  30    ' once: 2030-01-15 12:00:30
s.AddSchedule "Reset",   0                                     ' numbers omitted: 00:00:00

WScript.Echo "Coffee   " & Clock(s.NextTime("Coffee"))
WScript.Echo "Bins     weekday " & Weekday(s.NextTime("Bins")) & " " & Clock(s.NextTime("Bins"))
WScript.Echo "Rent     day " & Day(s.NextTime("Rent")) & " " & Clock(s.NextTime("Rent"))
WScript.Echo "Launch   " & Year(s.NextTime("Launch")) & "-" & Two(Month(s.NextTime("Launch"))) & _
    "-" & Two(Day(s.NextTime("Launch"))) & " " & Clock(s.NextTime("Launch"))
WScript.Echo "Reset    " & Clock(s.NextTime("Reset"))

' A one-shot entry whose moment has passed is dropped without an error.
s.AddSchedule "Y2K", 3, 2000, 1, , 1
WScript.Echo "Entries: " & s.GetSchedules.Count

' Names are exact: "coffee" is another name than "Coffee".
s.AddSchedule "coffee", 0, , , , , 8
WScript.Echo "Entries: " & s.GetSchedules.Count

' The control only reads its arguments: variables keep their values.
Dim name, hr
name = "Tea"
hr = 16
s.AddSchedule name, 0, , , , , hr
WScript.Echo name & " at " & Clock(s.NextTime(name)) & ", hr is still " & hr

On Error Resume Next
s.AddSchedule "Coffee", 0, , , , , 9          ' the name is taken
WScript.Echo Err.Number & " " & Err.Source & ": " & Err.Description
Err.Clear
s.AddSchedule "Late", 0, , , , , 24           ' no hour 24
WScript.Echo Err.Number & " " & Err.Source & ": " & Err.Description
Err.Clear
s.AddSchedule "Feb", 3, 2030, 2, , 30         ' no 30 February
WScript.Echo Err.Number & " " & Err.Source & ": " & Err.Description
Err.Clear
On Error GoTo 0
WScript.Echo "done"
