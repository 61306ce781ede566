' Every error of the control as VBScript sees it: Err.Number, Err.Source, Err.Description.
Option Explicit

Sub Report(what)
    WScript.Echo what & " -> " & Err.Number & " | " & Err.Source & " | " & Err.Description
    Err.Clear
End Sub

Dim s, c, x
Set s = CreateObject("Quorvane.Schedule")
s.AddSchedule "Coffee", 0, , , , , 7, 30
Set c = s.GetSchedules

On Error Resume Next
s.AddSchedule "Tea", 0, , , , , 24
Report "hour 24"
s.AddSchedule "Tea", 1, , , 7
Report "weekday 7"
s.AddSchedule "Tea", 2, , , , 31
Report "day 31"
s.AddSchedule "Tea", 3, 2030, 2, , 29
Report "29 February 2030"
s.AddSchedule "Tea", 5
Report "kind 5"
s.AddSchedule "Coffee", 0
Report "name taken"
x = s.NextTime("Tea")
Report "no entry Tea"
s.AddSchedule "Tea", 0, 10000, 1, , 1
Report "year 10000"
s.AddSchedule "Tea", 0, , , , , 40000
Report "hour 40000"
x = s.Interval
Report "Interval at 60000"
x = c("Tea")
Report "no key Tea"
x = c(2)
Report "no position 2"
c.Add 1, "Coffee"
Report "key taken"
s.AddSchedule "Tea", "daily"
Report "kind ""daily"""
s.AddSchedule "Tea", 0, , , , , 3000000000
Report "hour 3000000000"
s.AddSchedule "Tea"
Report "kind left out"
s.Snooze
Report "no such member"
On Error GoTo 0
WScript.Echo "done"
