' In a VB6 form's or a VBA UserForm's code: the control made in code, with its event.
Dim WithEvents s As Schedule

Private Sub Form_Load()
    Set s = Controls.Add("Quorvane.Schedule", "Schedule2")  ' or CreateObject("Quorvane.Schedule")
    s.TimerInterVal = 1000
    s.AddSchedule "Coffee", schEveryDay, , , , , 7, 30
End Sub

Private Sub s_RunTime(key As String)
    Debug.Print key & " is due at " & Now
End Sub
