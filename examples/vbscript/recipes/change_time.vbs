' Changing an entry's time: no member changes an entry, and AddSchedule refuses a name that is
' taken (50003), so remove the entry and add it again. RemoveSchedule of a name that is not
' there is no error, so the same steps add an entry that is new.
Option Explicit

Dim s
Set s = CreateObject("Quorvane.Schedule")

Sub SetDaily(name, hr, min)
    s.RemoveSchedule name
    s.AddSchedule name, 0, , , , , hr, min
End Sub

Sub Show(name)
    Dim due
    due = s.NextTime(name)
    WScript.Echo name & " at " & Hour(due) & ":" & Right("0" & Minute(due), 2)
End Sub

SetDaily "Coffee", 7, 30
Show "Coffee"
SetDaily "Coffee", 8, 15                              ' later from now on
Show "Coffee"
WScript.Echo s.GetSchedules.Count & " entry"

On Error Resume Next
s.AddSchedule "Coffee", 0, , , , , 9                  ' adding alone: the name is taken
WScript.Echo Err.Number & " " & Err.Description
On Error GoTo 0
WScript.Echo "done"
