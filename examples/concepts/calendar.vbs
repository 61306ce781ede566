' How the control reads dates: the calendar's ends, years below 100, and one-shot entries
' in the past. Every step prints its result or its error.
Option Explicit

Function Two(n)
    Two = Right("0" & n, 2)
End Function

Function Stamp(d)
    Stamp = Year(d) & "-" & Two(Month(d)) & "-" & Two(Day(d)) & " " & _
            Two(Hour(d)) & ":" & Two(Minute(d)) & ":" & Two(Second(d))
End Function

' Prints what the last AddSchedule did with the entry `name`.
Sub Report(what, name)
    Dim number, description, due
    number = Err.Number
    description = Err.Description
    On Error Resume Next
    If number <> 0 Then
        WScript.Echo what & ": error " & number & " (" & description & ")"
        Err.Clear
        Exit Sub
    End If
    due = s.NextTime(name)
    If Err.Number = 0 Then
        WScript.Echo what & ": in the list"
    Else
        WScript.Echo what & ": no error, not in the list"
    End If
    Err.Clear
End Sub

Dim s
Set s = CreateObject("Quorvane.Schedule")

On Error Resume Next
s.AddSchedule "Last second", 3, 9999, 12, 0, 31, 23, 59, 59
Report "9999-12-31 23:59:59", "Last second"
s.AddSchedule "Too late", 3, 10000, 1, 0, 1
Report "10000-01-01", "Too late"
s.AddSchedule "Past", 3, 2001, 1, 0, 1
Report "2001-01-01 (past)", "Past"
s.AddSchedule "Past and wrong", 3, 2001, 2, 0, 30, 99
Report "2001-02-30 99:00 (past)", "Past and wrong"
s.AddSchedule "Wrong", 3, 2030, 2, 0, 30
Report "2030-02-30", "Wrong"
s.AddSchedule "Two digits", 3, 99, 1, 0, 1
Report "year 99 (1999, past)", "Two digits"
s.AddSchedule "Negative year", 0, -1
Report "daily with year -1", "Negative year"
s.AddSchedule "Day 29", 2, , , , 29
Report "monthly on day 29", "Day 29"
s.AddSchedule "Day 28", 2, , , , 28, 9
Report "monthly on day 28", "Day 28"
s.AddSchedule "Weekday 7", 1, , , 7
Report "weekly on weekday 7", "Weekday 7"
s.AddSchedule "Sunday", 1, , , 0, , 10
Report "weekly on weekday 0", "Sunday"
On Error GoTo 0

WScript.Echo "Entries: " & s.GetSchedules.Count
WScript.Echo "Last second is due " & Stamp(s.NextTime("Last second"))
WScript.Echo "Day 28 is due on day " & Day(s.NextTime("Day 28"))
WScript.Echo "Sunday is due on weekday " & Weekday(s.NextTime("Sunday")) & " (1 = Sunday)"
WScript.Echo "done"

