' schDateType: the kinds of entry. Scripts do not see the type library's constants: declare
' them, or write the numbers.
Option Explicit

Const schEveryDay = 0
Const schEveryWeek = 1
Const schEveryMonth = 2
Const schAppointTime = 3

Dim s
Set s = CreateObject("Quorvane.Schedule")
s.AddSchedule "Daily", schEveryDay, , , , , 7
s.AddSchedule "Weekly", schEveryWeek, , , 6, , 7           ' Saturdays (0 = Sunday)
s.AddSchedule "Monthly", schEveryMonth, , , , 1, 7         ' the 1st
s.AddSchedule "Once", schAppointTime, 2030, 6, , 1, 7

WScript.Echo "Weekly on weekday " & Weekday(s.NextTime("Weekly")) & " (7 = Saturday)"
WScript.Echo "Monthly on day " & Day(s.NextTime("Monthly"))
WScript.Echo "Once on " & Year(s.NextTime("Once")) & "-" & Month(s.NextTime("Once")) & "-" & _
    Day(s.NextTime("Once"))

On Error Resume Next
s.AddSchedule "Yearly", 4, 2030, 6, , 1, 7                ' no such kind
WScript.Echo Err.Number & " " & Err.Source & ": " & Err.Description
Err.Clear
On Error GoTo 0
WScript.Echo "done"
