' NextTime: one entry's next due moment, a Date in local time.
Option Explicit

Function Two(n)
    Two = Right("0" & n, 2)
End Function

Function Stamp(d)
    Stamp = Year(d) & "-" & Two(Month(d)) & "-" & Two(Day(d)) & " " & _
        Two(Hour(d)) & ":" & Two(Minute(d)) & ":" & Two(Second(d))
End Function

' The due moment of an entry, or Empty when there is no entry of that name: a one-shot entry
' has left the list once it has gone off, also inside its own RunTime.
Function DueOrEmpty(s, name)
    On Error Resume Next
    DueOrEmpty = s.NextTime(name)
    If Err.Number = 50004 Then DueOrEmpty = Empty
End Function

Dim s, due
Set s = CreateObject("Quorvane.Schedule")
s.AddSchedule "Launch", 3, 2030, 1, , 15, 12
s.AddSchedule "Coffee", 0, , , , , 7, 30

due = s.NextTime("Launch")
WScript.Echo TypeName(due) & " " & Stamp(due)
due = s.NextTime("Coffee")                    ' today's or tomorrow's 07:30:00
WScript.Echo "Coffee at " & Two(Hour(due)) & ":" & Two(Minute(due))

due = DueOrEmpty(s, "Tea")
If IsEmpty(due) Then WScript.Echo "No entry named Tea"

On Error Resume Next
due = s.NextTime("coffee")                    ' names are exact
WScript.Echo Err.Number & " " & Err.Source & ": " & Err.Description
Err.Clear
On Error GoTo 0
WScript.Echo "done"
