' GetSchedules: a new collection of every entry's next due moment, in due order, keyed by name.
Option Explicit

Function Two(n)
    Two = Right("0" & n, 2)
End Function

Function Stamp(d)
    Stamp = Year(d) & "-" & Two(Month(d)) & "-" & Two(Day(d)) & " " & _
        Two(Hour(d)) & ":" & Two(Minute(d)) & ":" & Two(Second(d))
End Function

Dim s, due, moments
Set s = CreateObject("Quorvane.Schedule")
s.AddSchedule "Landing", 3, 2030, 1, , 15, 14
s.AddSchedule "Launch", 3, 2030, 1, , 15, 12
s.AddSchedule "Countdown", 3, 2030, 1, , 15, 11, 59

Set moments = s.GetSchedules
WScript.Echo moments.Count & " entries, in due order:"
For Each due In moments
    WScript.Echo "  " & Stamp(due) & " (" & TypeName(due) & ")"
Next
WScript.Echo "First: " & Stamp(moments(1)) & ", Launch: " & Stamp(moments("Launch"))

' The collection is a copy: changing it leaves the entries alone, and the other way round.
moments.Remove "Launch"
s.RemoveSchedule "Landing"
WScript.Echo "Collection: " & moments.Count & ", entries: " & s.GetSchedules.Count
WScript.Echo "Launch still due " & Stamp(s.NextTime("Launch"))
WScript.Echo "done"
