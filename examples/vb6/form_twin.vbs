' The VB6 form's logic, run by cscript: the same calls, with the handler called the way the
' control calls it (a one-shot entry leaves the list before its RunTime), since cscript under
' Wine cannot receive events. MsgBox becomes WScript.Echo.
Option Explicit
Const schEveryDay = 0, schEveryWeek = 1, schAppointTime = 3
Dim Schedule1
Set Schedule1 = CreateObject("Quorvane.Schedule")

Sub Form_Load()
    Schedule1.Interval = 1000                               ' tick every second
    Schedule1.AddSchedule "Coffee", schEveryDay, , , , , 7, 30
    Schedule1.AddSchedule "Report", schEveryWeek, , , 5, , 16
    Schedule1.AddSchedule "Launch", schAppointTime, 2030, 1, , 15, 12
End Sub

Sub Schedule1_RunTime(key)
    If key = "Launch" Then
        WScript.Echo key & " is due"
    Else
        WScript.Echo key & " is due; next at " & Hour(Schedule1.NextTime(key)) & " o'clock"
    End If
End Sub

Form_Load
Schedule1_RunTime "Coffee"
Schedule1.RemoveSchedule "Launch"                           ' as the control does first
Schedule1_RunTime "Launch"
WScript.Echo Schedule1.GetSchedules.Count & " entries left"
WScript.Echo "done"
