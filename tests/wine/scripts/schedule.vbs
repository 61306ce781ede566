' The control from VBScript, the way a script author writes it: every step is printed, and
' the whole output is compared with schedule.vbs.expected.
Option Explicit

Function Two(n)
    Two = Right("0" & n, 2)
End Function

Function Clock(d)
    Clock = Two(Hour(d)) & ":" & Two(Minute(d)) & ":" & Two(Second(d))
End Function

Function Stamp(d)
    Stamp = Year(d) & "-" & Two(Month(d)) & "-" & Two(Day(d)) & " " & Clock(d)
End Function

Sub Report(what)
    If Err.Number = 0 Then
        WScript.Echo what & ": no error"
    Else
        WScript.Echo what & ": " & Err.Number & " | " & Err.Source & " | " & Err.Description
    End If
    Err.Clear
End Sub

Dim s, name, kind, hr, items, item, later
Set s = CreateObject("Quorvane.Schedule")
WScript.Echo "TimerInterVal " & s.TimerInterVal

name = "Breakfast"
kind = 0
hr = 7
s.AddSchedule name, kind, , , , , hr, 30
WScript.Echo "Breakfast at " & Clock(s.NextTime(name)) & "; still " & name & " " & hr
s.AddSchedule "Bins", 1, 0, 0, 2, 0, 6
WScript.Echo "Bins on weekday " & Weekday(s.NextTime("Bins")) & " at " & Clock(s.NextTime("Bins"))
s.AddSchedule "Rent", 2, , , , 28, 9
WScript.Echo "Rent on day " & Day(s.NextTime("Rent")) & " at " & Clock(s.NextTime("Rent"))
s.AddSchedule "Midnight", 0
WScript.Echo "Midnight at " & Clock(s.NextTime("Midnight"))
s.AddSchedule "Past", 3, 2001, 1, 0, 1
WScript.Echo "Count " & s.GetSchedules.Count

Set later = CreateObject("Quorvane.Schedule")
later.AddSchedule "Launch", 3, 2099, 12, 0, 31, 23, 59, 59
later.AddSchedule "Landing", 3, 2099, 12, 0, 30
Set items = later.GetSchedules
WScript.Echo "Items " & items.Count
For Each item In items
    WScript.Echo "  " & Stamp(item)
Next
WScript.Echo "By key " & Stamp(items("Launch")) & ", by position " & Stamp(items.Item(1))
items.Remove "Landing"
items.Add "extra", "Extra"
WScript.Echo "Copy now " & items.Count & ", entry still " & Stamp(later.NextTime("Landing"))

s.Interval = 1000
WScript.Echo "TimerInterVal " & s.TimerInterVal & ", Interval " & s.Interval
s.TimerInterVal = 70000
WScript.Echo "TimerInterVal " & s.TimerInterVal

On Error Resume Next
Dim x
x = s.Interval
Report "Interval at 70000"
s.AddSchedule "Bad", 0, , , , , 24
Report "hour 24"
s.AddSchedule "Bad", 0, , , , , 0, 60
Report "minute 60"
s.AddSchedule "Bad", 0, , , , , 0, 0, -1
Report "second -1"
s.AddSchedule "Bad", 1, , , 7
Report "weekday 7"
s.AddSchedule "Bad", 2, , , , 29
Report "day 29"
s.AddSchedule "Bad", 3, 2099, 2, 0, 29
Report "29 February 2099"
s.AddSchedule "Bad", 4
Report "kind 4"
s.AddSchedule name, 0
Report "Breakfast again"
s.AddSchedule "Bad", 0, 40000
Report "year 40000"
s.AddSchedule "Bad", 0, 10000, 1, 0, 1
Report "year 10000"
x = s.NextTime("Nobody")
Report "NextTime of Nobody"
x = items("Landing")
Report "removed key"
x = items(7)
Report "position 7"
items.Add 1, "Launch"
Report "key taken"
s.RemoveSchedule "Nobody"
Report "RemoveSchedule of Nobody"
On Error GoTo 0

s.RemoveSchedule "Rent"
WScript.Echo "After RemoveSchedule " & s.GetSchedules.Count
s.RemoveAllSchedule
WScript.Echo "After RemoveAllSchedule " & s.GetSchedules.Count & ", copy " & items.Count
WScript.Echo "done"
