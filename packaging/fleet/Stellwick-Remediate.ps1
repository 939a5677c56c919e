# Intune Remediations, remediation script; Configuration Manager's remediation script too.
# Runs Stellwick.com /clean /allusers, which deletes only the registrations it proves broken, each
# re-checked and backed up first, and never one it cannot check. Prints one line: Stellwick's
# summary, followed by the reasons when anything failed. Exit codes:
#   0  nothing failed;
#   2  something failed (a hive that could not be read, a backup, a deletion), or Stellwick.com
#      was not found or gave no summary; any other non-zero code is Stellwick.com's own.
# Run it as SYSTEM in 64-bit PowerShell; docs/fleet.md explains why and what it changes.

# Where the backups go: empty keeps Stellwick's default, the account's own profile (SYSTEM's
# when run as SYSTEM); name a folder to keep them somewhere you will look (without a trailing
# backslash, which Windows PowerShell 5.1 would pass on as an escaped quote).
$BackupFolder = ''

# Beside this script or one folder up (the zip and the installers keep the recipes in a fleet
# folder beside the program), else where the installers put it. Each recipe says this itself:
# management systems run one script file alone.
$folders = @($PSScriptRoot, (Split-Path -Parent $PSScriptRoot)) + (@(${env:ProgramFiles(x86)}, $env:ProgramFiles) | Where-Object { $_ } |
        ForEach-Object { Join-Path $_ 'Orrindale\Stellwick' })
$stellwick = $folders | Where-Object { $_ } | ForEach-Object { Join-Path $_ 'Stellwick.com' } |
    Where-Object { Test-Path -LiteralPath $_ -PathType Leaf } | Select-Object -First 1
if (-not $stellwick) {
    Write-Output 'Stellwick: not run: Stellwick.com is neither beside this script nor in a program files folder'
    exit 2
}

# As in the detection script: UTF-8 from the pipe, standard error kept as error records.
$consoleEncoding = [Console]::OutputEncoding
try { [Console]::OutputEncoding = New-Object System.Text.UTF8Encoding $false } catch { }
if ($BackupFolder) {
    $output = & $stellwick /clean /allusers "/backup:$BackupFolder" 2>&1
} else {
    $output = & $stellwick /clean /allusers 2>&1
}
$rc = $LASTEXITCODE
try { [Console]::OutputEncoding = $consoleEncoding } catch { }

$summary = $output | Where-Object { $_ -is [string] } | Select-Object -Last 1
$reasons = @($output | Where-Object { $_ -is [System.Management.Automation.ErrorRecord] } |
        ForEach-Object { "$_".Trim() } | Where-Object { $_ }) -join ' '

$line = $summary
if ($summary -notlike 'Stellwick: looked *') {
    $line = "Stellwick: not run: Stellwick.com exited with $rc and no summary"
    if ($rc -eq 0) { $rc = 2 }
}
if ($reasons) { $line += " | $reasons" }
if ($line.Length -gt 2048) { $line = $line.Substring(0, 2045) + '...' }
Write-Output $line
exit $rc
