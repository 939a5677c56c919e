<#
.SYNOPSIS
    Lists the App Paths registrations of every user whose program file is missing, on many
    computers at once, through PowerShell remoting.
.DESCRIPTION
    Runs Stellwick.com /list /format:json /allusers on each computer with Invoke-Command, turns
    each JSON report into objects and writes one row per finding, with the computer's name in
    PSComputerName. A computer whose run failed, or a hive or key that could not be read there,
    gives a row of its own (Status "not-run" or "not-read") and a warning. Nothing is changed on
    the computers. Windows PowerShell 5.1 or later; docs/fleet.md explains what runs where.
.PARAMETER ComputerName
    The computers to ask.
.PARAMETER Credential
    The account to connect with; by default, yours. It needs administrator rights there to read
    every user's hive.
.PARAMETER Path
    Stellwick.com on the computers, when it is not where the installers put it.
.PARAMETER ThrottleLimit
    How many computers are asked at once.
.EXAMPLE
    .\Get-StellwickFindings.ps1 -ComputerName (Get-Content computers.txt) |
        Export-Csv stellwick.csv -NoTypeInformation -Encoding UTF8
.EXAMPLE
    .\Get-StellwickFindings.ps1 pc1, pc2 | Where-Object Status -eq broken | Format-Table PSComputerName, Name, Path, Reason
#>
[CmdletBinding()]
param(
    [Parameter(Mandatory = $true, Position = 0)][string[]]$ComputerName,
    [System.Management.Automation.PSCredential]$Credential,
    [string]$Path,
    [int]$ThrottleLimit = 32
)

# Runs on each computer: the report is written to a file and read back as UTF-8, whatever the
# session's code page; standard error is kept for when no report was written.
$remote = {
    param([string]$stellwick)
    if (-not $stellwick) {
        $stellwick = @(${env:ProgramFiles(x86)}, $env:ProgramFiles) | Where-Object { $_ } |
            ForEach-Object { Join-Path $_ 'Orrindale\Stellwick\Stellwick.com' } |
            Where-Object { Test-Path -LiteralPath $_ -PathType Leaf } | Select-Object -First 1
    }
    if (-not $stellwick -or -not (Test-Path -LiteralPath $stellwick -PathType Leaf)) {
        return [pscustomobject]@{ ExitCode = $null; Report = $null; Errors = 'Stellwick.com was not found' }
    }
    $file = Join-Path ([System.IO.Path]::GetTempPath()) ('stellwick-{0}.json' -f [guid]::NewGuid())
    $errors = @(& $stellwick /list /format:json /allusers "/out:$file" 2>&1 | ForEach-Object { "$_".Trim() })
    $rc = $LASTEXITCODE
    $report = $null
    if (Test-Path -LiteralPath $file) {
        $report = Get-Content -LiteralPath $file -Raw -Encoding UTF8
        Remove-Item -LiteralPath $file -ErrorAction SilentlyContinue
    }
    [pscustomobject]@{ ExitCode = $rc; Report = $report; Errors = (@($errors | Where-Object { $_ }) -join ' ') }
}

function New-Row([string]$computer, [string]$status, [string]$reason, $exitCode, $finding) {
    [pscustomobject]@{
        PSComputerName = $computer
        Status         = $status
        Reason         = $reason
        Hive           = $finding.hive
        Sid            = $finding.sid
        Name           = $finding.name
        Path           = $finding.path
        Key            = $finding.key
        Code           = $finding.code
        ExitCode       = $exitCode
    }
}

# The rows of one computer's answer: its findings, then what could not be read or run there.
function ConvertTo-Rows($answer) {
    $computer = $answer.PSComputerName
    $report = $null
    if ($answer.Report) {
        try { $report = $answer.Report | ConvertFrom-Json } catch { $answer.Errors = "the report is not JSON: $_" }
    }
    if (-not $report) {
        Write-Warning "${computer}: Stellwick did not run (exit code $($answer.ExitCode)): $($answer.Errors)"
        return New-Row $computer 'not-run' $answer.Errors $answer.ExitCode $null
    }
    foreach ($finding in $report.findings) {
        New-Row $computer $finding.status $finding.reason $answer.ExitCode $finding
    }
    foreach ($failure in $report.failures) {
        $message = $failure.message -replace '\s+', ' '
        Write-Warning "${computer}: not read: $message"
        New-Row $computer 'not-read' $message $answer.ExitCode ([pscustomobject]@{ key = $failure.key; code = $failure.error })
    }
}

$invoke = @{
    ComputerName  = $ComputerName
    ScriptBlock   = $remote
    ArgumentList  = @($Path)
    ThrottleLimit = $ThrottleLimit
    ErrorAction   = 'SilentlyContinue'
    ErrorVariable = 'sessionErrors'
}
if ($Credential) { $invoke.Credential = $Credential }
foreach ($answer in Invoke-Command @invoke) { ConvertTo-Rows $answer }

# Computers that could not be reached, or whose session failed.
foreach ($failure in $sessionErrors) {
    $computer = if ($failure.OriginInfo) { $failure.OriginInfo.PSComputerName } else { $failure.CategoryInfo.TargetName }
    Write-Warning "${computer}: $($failure.Exception.Message)"
    New-Row $computer 'not-run' $failure.Exception.Message $null $null
}
