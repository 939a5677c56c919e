# Intune Remediations, detection script. Runs Stellwick.com /list /allusers and prints one line:
# Stellwick's summary, followed by the reasons when something could not be read (Intune keeps
# only the last line, at most 2,048 characters). Exit codes:
#   1  provably broken registrations exist: Intune runs the remediation script;
#   0  none, also when a hive or key could not be read (the line says what), since deleting
#      cannot help there;
#   2  Stellwick.com was not found or gave no summary (the line says why).
# Run it as SYSTEM in 64-bit PowerShell; docs/fleet.md explains why and what it sees.

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

# Stellwick writes UTF-8 to a pipe, and its failures to standard error, which 2>&1 turns into
# error records; both are kept here so that nothing reaches Intune's error output.
$consoleEncoding = [Console]::OutputEncoding
try { [Console]::OutputEncoding = New-Object System.Text.UTF8Encoding $false } catch { }
$output = & $stellwick /list /allusers 2>&1
$rc = $LASTEXITCODE
try { [Console]::OutputEncoding = $consoleEncoding } catch { }

$summary = $output | Where-Object { $_ -is [string] } | Select-Object -Last 1
$reasons = @($output | Where-Object { $_ -is [System.Management.Automation.ErrorRecord] } |
        ForEach-Object { "$_".Trim() } | Where-Object { $_ }) -join ' '

if ($summary -like 'Stellwick: looked *') {
    $line = $summary
    $exitCode = if ($rc -eq 1) { 1 } else { 0 }
} else {
    $line = "Stellwick: not run: Stellwick.com exited with $rc and no summary"
    $exitCode = 2
}
if ($reasons) { $line += " | $reasons" }
if ($line.Length -gt 2048) { $line = $line.Substring(0, 2045) + '...' }
Write-Output $line
exit $exitCode
