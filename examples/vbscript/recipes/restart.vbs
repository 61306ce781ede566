' Entries again after the program restarts: the control keeps nothing, so the host saves what
' it added, here one line per entry in a text file, and adds it all again when it starts.
' A one-shot entry whose moment passed while the program was not running is dropped as it is
' added again, without an error: the host decides what a missed one means.
Option Explicit

Dim fso, path
Set fso = CreateObject("Scripting.FileSystemObject")
path = fso.BuildPath(fso.GetSpecialFolder(2), "quorvane-entries.txt")   ' the temp folder

' Adds an entry and saves its arguments in a line: the name, the kind and the seven numbers.
Sub AddAndSave(s, file, name, kind, yr, mon, wk, dy, hr, min, sec)
    s.AddSchedule name, kind, yr, mon, wk, dy, hr, min, sec
    file.WriteLine name & vbTab & kind & vbTab & yr & vbTab & mon & vbTab & wk & vbTab & _
        dy & vbTab & hr & vbTab & min & vbTab & sec
End Sub

' A new control with every saved entry added again.
Function LoadSaved()
    Dim s, file, f
    Set s = CreateObject("Quorvane.Schedule")
    Set file = fso.OpenTextFile(path)
    Do Until file.AtEndOfStream
        f = Split(file.ReadLine, vbTab)
        s.AddSchedule f(0), CLng(f(1)), CLng(f(2)), CLng(f(3)), CLng(f(4)), CLng(f(5)), _
            CLng(f(6)), CLng(f(7)), CLng(f(8))
    Loop
    file.Close
    Set LoadSaved = s
End Function

' The first run adds and saves; the one-shot entry for 2000 was saved before that year passed.
Dim s, file
Set s = CreateObject("Quorvane.Schedule")
Set file = fso.CreateTextFile(path, True)
AddAndSave s, file, "Coffee", 0, 0, 0, 0, 0, 7, 30, 0
AddAndSave s, file, "Launch", 3, 2030, 1, 0, 15, 12, 0, 0
file.WriteLine "Y2K" & vbTab & "3" & vbTab & "2000" & vbTab & "1" & vbTab & "0" & vbTab & _
    "1" & vbTab & "0" & vbTab & "0" & vbTab & "0"
file.Close
WScript.Echo "Before the restart: " & s.GetSchedules.Count & " entries"

' The program ends, and its control and entries with it. A new control has none.
Set s = Nothing
Set s = CreateObject("Quorvane.Schedule")
WScript.Echo "A new control: " & s.GetSchedules.Count & " entries"

Set s = LoadSaved()
WScript.Echo "After loading: " & s.GetSchedules.Count & " entries (Y2K has passed)"
WScript.Echo "Launch is due in " & Year(s.NextTime("Launch"))
fso.DeleteFile path
WScript.Echo "done"
