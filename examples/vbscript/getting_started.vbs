' Getting started: create the control, add entries, list them and ask one's due moment.
Option Explicit

' Dates in a fixed form, whatever the machine's regional settings.
Function Stamp(d)
    Stamp = Year(d) & "-" & Right("0" & Month(d), 2) & "-" & Right("0" & Day(d), 2) & " " & _
        Right("0" & Hour(d), 2) & ":" & Right("0" & Minute(d), 2) & ":" & Right("0" & Second(d), 2)
End Function

Dim s, due
Set s = CreateObject("Quorvane.Schedule")
s.TimerInterVal = 1000                                 ' tick every second

s.AddSchedule "Launch", 3, 2030, 1, , 15, 12           ' once: 15 January 2030, 12:00:00
s.AddSchedule "Countdown", 3, 2030, 1, , 15, 11, 59    ' once: a minute before
WScript.Echo s.GetSchedules.Count & " entries, in due order:"
For Each due In s.GetSchedules                         ' a snapshot of the due moments
    WScript.Echo "  " & Stamp(due)
Next
WScript.Echo "Launch: " & Stamp(s.NextTime("Launch"))

s.AddSchedule "Coffee", 0, , , , , 7, 30               ' every day at 07:30:00
due = s.NextTime("Coffee")                             ' today's or tomorrow's 07:30
WScript.Echo "Coffee at " & Hour(due) & ":" & Minute(due)

s.RemoveSchedule "Countdown"
WScript.Echo s.GetSchedules.Count & " entries left"
WScript.Echo "done"
