' Creates the control by its ProgID and works it, for tools/wine-package-test.sh, which compares
' the whole output: cscript ends silently, with success, on a runtime error.
On Error Resume Next
Set s = CreateObject("Quorvane.Schedule")
If Err.Number <> 0 Then
    WScript.Echo "cannot create: " & Err.Number
Else
    On Error GoTo 0
    s.AddSchedule "Launch", 3, 2030, 1, , 15, 12
    t = s.NextTime("Launch")
    WScript.Echo "created; Launch on " & Year(t) & "-" & Month(t) & "-" & Day(t) & " at " & Hour(t)
End If
WScript.Echo "done"
