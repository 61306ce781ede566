' TimerInterVal: the timer's interval in milliseconds, as a 32-bit number.
Option Explicit

Dim s
Set s = CreateObject("Quorvane.Schedule")
WScript.Echo "A new control: " & s.TimerInterVal      ' 60000, one minute

s.TimerInterVal = 1000                                 ' tick every second
WScript.Echo "TimerInterVal " & s.TimerInterVal & ", Interval " & s.Interval

s.TimerInterVal = 90000                                ' fine here, too large for Interval
WScript.Echo "TimerInterVal " & s.TimerInterVal

s.TimerInterVal = 0                                    ' no ticks: nothing goes off
WScript.Echo "TimerInterVal " & s.TimerInterVal
WScript.Echo "done"
