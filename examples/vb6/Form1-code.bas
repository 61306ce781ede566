' The code of a VB6 form, or a VBA UserForm, with the control placed on it as Schedule1.
Private Sub Form_Load()
    Schedule1.Interval = 1000                               ' tick every second
    Schedule1.AddSchedule "Coffee", schEveryDay, , , , , 7, 30
    Schedule1.AddSchedule "Report", schEveryWeek, , , 5, , 16
    Schedule1.AddSchedule "Launch", schAppointTime, 2030, 1, , 15, 12
End Sub

' RunTime comes once for each entry that goes off. A one-shot entry (schAppointTime) has
' already left the list when its RunTime comes, so ask NextTime only of recurring ones.
Private Sub Schedule1_RunTime(key As String)
    If key = "Launch" Then
        MsgBox key & " is due"
    Else
        MsgBox key & " is due; next: " & Schedule1.NextTime(key)
    End If
End Sub
