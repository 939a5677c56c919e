# Configuration Manager, discovery script of a compliance setting (data type Integer, rule
# "Equals 0"). Runs Stellwick.com /list /format:json /allusers and prints one number, the
# report's summary.broken: the registrations of every user that are provably broken. Nothing
# else goes to standard output.
#   exit 0  with the number, when the scan read everything or found broken registrations anyway;
#   exit 2  without a number, the reasons on standard error, when something could not be read
#           and nothing was found broken, or Stellwick.com did not run: Configuration Manager
#           reports a discovery failure instead of a compliance it could not establish.
# For the remediation script use Stellwick-Remediate.ps1. docs/fleet.md explains the settings.

# Beside this script or one folder up (the zip and the installers keep the recipes in a fleet
# folder beside the program), else where the installers put it. Each recipe says this itself:
# management systems run one script file alone.
$folders = @($PSScriptRoot, (Split-Path -Parent $PSScriptRoot)) + (@(${env:ProgramFiles(x86)}, $env:ProgramFiles) | Where-Object { $_ } |
        ForEach-Object { Join-Path $_ 'Orrindale\Stellwick' })
$stellwick = $folders | Where-Object { $_ } | ForEach-Object { Join-Path $_ 'Stellwick.com' } |
    Where-Object { Test-Path -LiteralPath $_ -PathType Leaf } | Select-Object -First 1
if (-not $stellwick) {
    [Console]::Error.WriteLine('Stellwick.com is neither beside this script nor in a program files folder')
    exit 2
}

# The report goes to a file, read back as UTF-8 whatever the console's code page.
$file = Join-Path ([System.IO.Path]::GetTempPath()) ('stellwick-{0}.json' -f [guid]::NewGuid())
$reasons = @(& $stellwick /list /format:json /allusers "/out:$file" 2>&1 | ForEach-Object { "$_".Trim() })
$rc = $LASTEXITCODE
$report = $null
if (Test-Path -LiteralPath $file) {
    try {
        $report = Get-Content -LiteralPath $file -Raw -Encoding UTF8 | ConvertFrom-Json
    } catch {
        $reasons += "the report could not be read: $_"
    }
    Remove-Item -LiteralPath $file -ErrorAction SilentlyContinue
}
if ($report -and ($rc -eq 0 -or $rc -eq 1)) {
    Write-Output ([int]$report.summary.broken)
    exit 0
}
if ($report) { $reasons = @($report.failures | ForEach-Object { $_.message -replace '\s+', ' ' }) }
[Console]::Error.WriteLine("Stellwick.com exited with $rc. " + (@($reasons | Where-Object { $_ }) -join ' '))
exit 2
