' Interval: the same interval as TimerInterVal, as a 16-bit number. A new control's 60000
' does not fit in 16 bits, so reading Interval fails until the interval is set.
Option Explicit

Dim s, ms
Set s = CreateObject("Quorvane.Schedule")

On Error Resume Next
ms = s.Interval
WScript.Echo "Reading Interval: " & Err.Number & " " & Err.Source & ": " & Err.Description
Err.Clear
On Error GoTo 0
WScript.Echo "TimerInterVal always reads: " & s.TimerInterVal

s.Interval = 500                      ' tick twice a second
WScript.Echo "Interval " & s.Interval & ", TimerInterVal " & s.TimerInterVal

On Error Resume Next
s.Interval = 40000                    ' more than 32767: refused, the interval stays 500
WScript.Echo "Writing 40000: " & Err.Number & " " & Err.Description
Err.Clear
On Error GoTo 0
WScript.Echo "Interval " & s.Interval

s.Interval = 0                        ' 0 or less: the ticks pause
WScript.Echo "Interval " & s.Interval
WScript.Echo "done"
