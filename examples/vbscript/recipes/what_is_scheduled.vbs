' Knowing what is scheduled: GetSchedules gives every entry's due moment in due order, keyed by
' name, but no member lists the names. So the host keeps its own list of the names it added,
' here a Dictionary, and asks NextTime for each; error 50004 means the entry is gone (a one-shot
' entry that went off, or one in the past that was dropped as it was added).
Option Explicit

Dim s, added
Set s = CreateObject("Quorvane.Schedule")
Set added = CreateObject("Scripting.Dictionary")

Sub Add(name, what, kind, yr, mon, wk, dy, hr, min)
    s.AddSchedule name, kind, yr, mon, wk, dy, hr, min
    added(name) = what
End Sub

' The names in the host's list whose entries are still there, in due order, with what they
' are for; the others leave the host's list.
Function Scheduled()
    Dim name, first, order
    For Each name In added.Keys
        On Error Resume Next
        s.NextTime name
        If Err.Number = 50004 Then added.Remove name
        On Error GoTo 0
    Next
    Set order = CreateObject("Scripting.Dictionary")
    Do While order.Count < added.Count                ' the earliest of the rest, each time
        first = Empty
        For Each name In added.Keys
            If Not order.Exists(name) Then
                If IsEmpty(first) Then
                    first = name
                ElseIf s.NextTime(name) < s.NextTime(first) Then
                    first = name
                End If
            End If
        Next
        order(first) = added(first)
    Loop
    Set Scheduled = order
End Function

Add "Launch", "the launch", 3, 2030, 1, 0, 15, 12, 0
Add "Countdown", "a minute before the launch", 3, 2030, 1, 0, 15, 11, 59
Add "Coffee", "coffee, every day", 0, 0, 0, 0, 0, 7, 30
Add "Y2K", "a moment that has passed", 3, 2000, 1, 0, 1, 0, 0

Dim due, name
Set due = Scheduled()
For Each name In due.Keys
    WScript.Echo name & ": " & due(name)
Next
WScript.Echo added.Count & " names kept, " & s.GetSchedules.Count & " entries"
WScript.Echo "done"
