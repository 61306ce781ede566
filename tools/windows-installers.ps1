# On Windows (the Windows workflow, an elevated runner): the release's installers from two
# release folders, this version's and the next one's, each installed with msiexec /qn. Checks:
# nothing creates the control before; after both installs it creates from the 32-bit and the
# 64-bit cscript; the next version's installers replace this one's (its modules in Program
# Files) and this one's are refused over them; removing the next version leaves the control
# uncreatable and no module behind. Prints PASS or FAIL for each check; exits 1 on any failure.
param([Parameter(Mandatory)] [string] $This, [Parameter(Mandatory)] [string] $Later)
$ErrorActionPreference = 'Stop'
$failed = 0
function Check([string] $what, [bool] $ok) {
    if ($ok) { Write-Output "PASS $what" } else { Write-Output "FAIL $what"; $script:failed++ }
}
function Msi([string] $folder, [string] $bits) {
    (Get-ChildItem -Path $folder -Recurse -Filter "*-$bits.msi" | Select-Object -First 1).FullName
}
$name = (Split-Path -Leaf (Msi $This x86)) -replace '-x86\.msi$', ''
$system = @{ x86 = "$env:SystemRoot\SysWOW64"; x64 = "$env:SystemRoot\System32" }
$installed = @{ x86 = "${env:ProgramFiles(x86)}\$name\Quorvane.ocx"; x64 = "$env:ProgramFiles\$name\Quorvane.ocx" }
$script = Join-Path $PSScriptRoot '..\tests\package\create.vbs'

# What tests/package/create.vbs prints with the cscript of a bitness.
function Created([string] $bits) {
    (& "$($system[$bits])\cscript.exe" //nologo $script) -join "`n"
}
function Msiexec([string] $action, [string] $msi) {
    $log = Join-Path $env:RUNNER_TEMP "msiexec-$(Split-Path -Leaf $msi).log"
    (Start-Process msiexec.exe -ArgumentList $action, "`"$msi`"", '/qn', '/l*v', "`"$log`"" `
        -Wait -PassThru).ExitCode
}
$works = "created; Launch on 2030-1-15 at 12`ndone"
$absent = "cannot create: 429`ndone"

foreach ($bits in 'x86', 'x64') { Check "$bits cscript: nothing to create before" ((Created $bits) -eq $absent) }
foreach ($bits in 'x86', 'x64') { Check "$bits installer installs" ((Msiexec /i (Msi $This $bits)) -eq 0) }
foreach ($bits in 'x86', 'x64') { Check "$bits cscript creates the control" ((Created $bits) -eq $works) }

$version = (Get-Item $installed.x64).VersionInfo.FileVersion
foreach ($bits in 'x86', 'x64') { Check "$bits: the next version installs over this one" ((Msiexec /i (Msi $Later $bits)) -eq 0) }
foreach ($bits in 'x86', 'x64') {
    Check "$bits module replaced by the next version's" ((Get-Item $installed[$bits]).VersionInfo.FileVersion -ne $version)
    Check "$bits cscript creates the next version's control" ((Created $bits) -eq $works)
    Check "$bits: this version's installer refused over the next" ((Msiexec /i (Msi $This $bits)) -ne 0)
}

foreach ($bits in 'x86', 'x64') { Check "$bits installer removes" ((Msiexec /x (Msi $Later $bits)) -eq 0) }
foreach ($bits in 'x86', 'x64') {
    Check "$bits cscript: nothing to create after removal" ((Created $bits) -eq $absent)
    Check "$bits module gone" (-not (Test-Path $installed[$bits]))
}
if ($failed -gt 0) { Write-Output "$failed failed"; exit 1 }
Write-Output 'all passed'
