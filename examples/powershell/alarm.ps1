# A PowerShell alarm: the control of PowerShell's own bitness, an entry due in five seconds,
# and a loop that waits for its RunTime. Wait-Event keeps the thread pumping messages, which
# the control's timer needs.
$s = New-Object -ComObject Quorvane.Schedule
$s.TimerInterVal = 1000
$t = (Get-Date).AddSeconds(5)
$s.AddSchedule("Tea", 3, $t.Year, $t.Month, 0, $t.Day, $t.Hour, $t.Minute, $t.Second)
Register-ObjectEvent -InputObject $s -EventName RunTime -SourceIdentifier Alarm | Out-Null
$e = Wait-Event -SourceIdentifier Alarm -Timeout 15
if ($e) { Write-Host "$($e.SourceArgs[0]) is due"; Remove-Event -EventIdentifier $e.EventIdentifier }
Unregister-Event -SourceIdentifier Alarm
Write-Host "$($s.GetSchedules.Count) entries left"
