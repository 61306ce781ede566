' RunTime in Windows Script Host: WScript.CreateObject with a prefix connects the Sub named
' prefix & "RunTime" to the event; WScript.Sleep keeps the script's thread pumping messages,
' which the control's timer needs.
Option Explicit

Dim s, t
Set s = WScript.CreateObject("Quorvane.Schedule", "Alarm_")
s.TimerInterVal = 1000
s.AddSchedule "Stretch", 0, , , , , 10, 30               ' every day at 10:30:00
t = DateAdd("s", 5, Now)                                 ' once, five seconds from now
s.AddSchedule "Tea", 3, Year(t), Month(t), , Day(t), Hour(t), Minute(t), Second(t)

Do While s.GetSchedules.Count > 1                        ' until "Tea" has gone off
    WScript.Sleep 500
Loop

' A one-shot entry has left the list when its RunTime comes: ask NextTime only of recurring
' entries, or handle error 50004.
Sub Alarm_RunTime(key)
    Dim due
    On Error Resume Next
    due = s.NextTime(key)
    If Err.Number = 50004 Then
        WScript.Echo key & " is due; it was a one-shot entry"
    Else
        WScript.Echo key & " is due; next at " & due
    End If
End Sub
