' Weekdays at 09:00: five weekly entries, Monday (1) to Friday (5), under names that share a
' beginning, so that a RunTime handler can treat them as one alarm:
'     Sub Alarm_RunTime(key)
'         If Left(key, 8) = "Standup " Then ...
Option Explicit

Dim s, day, due, names
names = Array("Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday")
Set s = CreateObject("Quorvane.Schedule")
For day = 1 To 5
    s.AddSchedule "Standup " & day, 1, , , day, , 9      ' weekly on weekday `day`, 09:00:00
Next

' Weekday counts from 1 for Sunday; the entries count from 0.
For day = 1 To 5
    due = s.NextTime("Standup " & day)
    WScript.Echo "Standup " & day & ": " & names(Weekday(due) - 1) & " at " & _
        Hour(due) & ":" & Right("0" & Minute(due), 2)
Next

' Taking the alarm away takes away all five.
For day = 1 To 5
    s.RemoveSchedule "Standup " & day
Next
WScript.Echo s.GetSchedules.Count & " entries left"
WScript.Echo "done"
