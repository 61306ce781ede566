' The collection GetSchedules returns: Count, Item, For Each, Add, Remove, and its errors.
Option Explicit

Function Clock(d)
    Clock = Right("0" & Hour(d), 2) & ":" & Right("0" & Minute(d), 2)
End Function

Sub Report(what)
    WScript.Echo what & ": " & Err.Number & " " & Err.Source & ": " & Err.Description
    Err.Clear
End Sub

Dim s, c, item, x
Set s = CreateObject("Quorvane.Schedule")
s.AddSchedule "Launch", 3, 2030, 1, , 15, 12
s.AddSchedule "Countdown", 3, 2030, 1, , 15, 11, 59
Set c = s.GetSchedules

WScript.Echo "Count " & c.Count
WScript.Echo "Item(1) at " & Clock(c.Item(1))           ' by position, from 1
WScript.Echo "c(""Launch"") at " & Clock(c("Launch"))   ' by key; Item is the default member

' Add takes any value, with an optional key, before or after a position or a key.
c.Add "first", "Top", 1                                 ' Before:=1
c.Add "after launch", , , "Launch"                      ' no key, After:="Launch"
For Each item In c
    If TypeName(item) = "Date" Then item = Clock(item)
    WScript.Echo "  " & item
Next
c.Remove "Top"                                          ' by key
c.Remove 3                                              ' by position
WScript.Echo "Count " & c.Count & "; the entries: " & s.GetSchedules.Count

On Error Resume Next
x = c("launch")                                         ' keys are exact: no such key
Report "Key launch"
x = c(9)
Report "Position 9"
c.Add 1, "Launch"
Report "Key Launch again"
On Error GoTo 0
WScript.Echo "done"
