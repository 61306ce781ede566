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

' Dates in a fixed form, whatever the machine's regional settings.
Function Stamp(d)
    Stamp = Year(d) & "-" & Right("0" & Month(d), 2) & "-" & Right("0" & Day(d), 2) & " " & _
        Right("0" & Hour(d), 2) & ":" & Right("0" & Minute(d), 2) & ":" & Right("0" & Second(d), 2)
End Function

' Each name in the host's list whose entry is still there, with its next due moment, in due
' order; the others leave the host's list.
Function Scheduled()
    Dim name, moment, gone, due, first, order
    Set due = CreateObject("Scripting.Dictionary")
    For Each name In added.Keys
        On Error Resume Next
        moment = s.NextTime(name)
        gone = (Err.Number = 50004)
        On Error GoTo 0
        If gone Then added.Remove name Else due(name) = moment
    Next
    Set order = CreateObject("Scripting.Dictionary")
    Do While order.Count < due.Count                  ' the earliest of the rest, each time
        first = Empty
        For Each name In due.Keys
            If Not order.Exists(name) Then
                If IsEmpty(first) Then
                    first = name
                ElseIf due(name) < due(first) Then
                    first = name
                End If
            End If
        Next
        order(first) = due(first)
    Loop
    Set Scheduled = order
End Function

Add "Launch", "the launch", 3, 2030, 1, 0, 15, 12, 0
Add "Countdown", "a minute before the launch", 3, 2030, 1, 0, 15, 11, 59
Add "Debrief", "the morning after", 3, 2030, 1, 0, 16, 9, 0
Add "Y2K", "a moment that has passed", 3, 2000, 1, 0, 1, 0, 0

Dim list, name
Set list = Scheduled()
For Each name In list.Keys
    WScript.Echo Stamp(list(name)) & "  " & name & ": " & added(name)
Next
WScript.Echo added.Count & " names kept, " & s.GetSchedules.Count & " entries"
WScript.Echo "done"
