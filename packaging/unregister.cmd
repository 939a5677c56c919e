@echo off
rem Removes the registration register.cmd made; "unregister.cmd /user" removes the current
rem user's own. Stellwick registers itself for the current user (App Paths) when its window
rem opens; that registration goes too when it names this folder's Stellwick.exe, so that no
rem broken one is left once the folder is deleted. One that names another copy stays.
setlocal
set "here=%~dp0"
set "scope="
:options
if /i "%~1"=="/user" (set "scope=/user" & shift & goto options)
rem A wrong option changes nothing.
if not "%~1"=="" (echo usage: %~nx0 [/user] & exit /b 2)
call "%here%register.cmd" /u %scope%
set "result=%errorlevel%"

set "apppath=HKCU\Software\Microsoft\Windows\CurrentVersion\App Paths\Stellwick.exe"
set "named="
rem The last line reg prints is the default value: its name (in the system's language, maybe
rem more than one word), its type and its data.
for /f "delims=" %%l in ('reg query "%apppath%" /ve 2^>nul') do set "named=%%l"
if not defined named exit /b %result%
set "named=%named:"=%"
rem Only a string names a program (the last line may be reg's message that there is no key).
if "%named:*REG_SZ=%"=="%named%" exit /b %result%
set "named=%named:*REG_SZ=%"
:trim
if "%named:~0,1%"==" " (set "named=%named:~1%" & goto trim)
if /i not "%named%"=="%here%Stellwick.exe" (
  echo App Paths\Stellwick.exe does not name this folder's Stellwick.exe: left as it is
  exit /b %result%
)
reg delete "%apppath%" /f >nul 2>&1
if errorlevel 1 (
  echo App Paths\Stellwick.exe: could not be removed
  exit /b 1
)
echo App Paths\Stellwick.exe: removed
exit /b %result%
