' A first alarm in Windows Script Host. WScript.CreateObject with the prefix "Alarm_" connects
' the control's RunTime event to the Sub named Alarm_RunTime; WScript.Sleep keeps the script's
' thread taking messages, which the control's timer ticks through.
Option Explicit

Dim s, heard
Set s = WScript.CreateObject("Quorvane.Schedule", "Alarm_")
s.TimerInterVal = 100                                   ' look ten times a second
AddIn "Tea", 1                                          ' due in one second
AddIn "Cake", 2                                         ' due in two seconds

heard = 0
Do While heard < 2
    WScript.Sleep 100
Loop
WScript.Echo heard & " events"

' Called by the control for each entry that goes off, with the entry's name.
Sub Alarm_RunTime(key)
    WScript.Echo "RunTime " & key
    heard = heard + 1
End Sub

' Adds a one-shot entry due `seconds` from now.
Sub AddIn(name, seconds)
    Dim t
    t = DateAdd("s", seconds, Now)
    s.AddSchedule name, 3, Year(t), Month(t), , Day(t), Hour(t), Minute(t), Second(t)
End Sub
