' The interval of a new control, and arguments that do and do not convert.
Option Explicit

Sub Report(what)
    If Err.Number = 0 Then
        WScript.Echo what & ": no error"
    Else
        WScript.Echo what & ": error " & Err.Number & " (" & Err.Description & ")"
    End If
    Err.Clear
End Sub

Dim s, x, name, kind, hr
Set s = CreateObject("Quorvane.Schedule")
WScript.Echo "TimerInterVal of a new control: " & s.TimerInterVal

On Error Resume Next
x = s.Interval
Report "reading Interval of a new control"
s.Interval = 60000
Report "writing 60000 to Interval"
On Error GoTo 0

s.TimerInterVal = 1000
WScript.Echo "after TimerInterVal = 1000, Interval reads " & s.Interval

' Variables are passed by reference; the control reads them and leaves them as they were.
name = "Coffee"
kind = 0
hr = 7
s.AddSchedule name, kind, , , , , hr, 30
x = s.NextTime(name)
WScript.Echo name & " is due at " & Hour(x) & ":" & Right("0" & Minute(x), 2) & _
             "; the variables still hold " & name & ", " & kind & ", " & hr

On Error Resume Next
s.AddSchedule "Tea", "daily", , , , , 16
Report "kind given as ""daily"""
s.AddSchedule "Tea", 0, , , , , "four"
Report "hour given as ""four"""
s.AddSchedule "Tea", 0, , , , , "16"
Report "hour given as ""16"""
On Error GoTo 0
WScript.Echo "done"
