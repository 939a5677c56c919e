@echo off
rem Registers both Tarnwell0201.dll files of this folder: x64\ with the 64-bit regsvr32 (on
rem 64-bit Windows only) and x86\ with the 32-bit one.
rem   register.cmd          for every user of the machine (run it as administrator)
rem   register.cmd /user    for the current user only (no administrator rights needed)
rem   register.cmd /u ...   removes the registration again (unregister.cmd does this)
setlocal
set "here=%~dp0"
set "mode="
set "scope="
:options
if /i "%~1"=="/u" (set "mode=/u" & shift & goto options)
if /i "%~1"=="/user" (set "scope=/n /i:user" & shift & goto options)
if not "%~1"=="" (echo usage: %~nx0 [/u] [/user] & exit /b 2)

rem 64-bit Windows runs the 64-bit regsvr32 from System32 and the 32-bit one from SysWOW64; a
rem 32-bit cmd.exe there sees SysWOW64 as System32 and reaches the 64-bit one through Sysnative.
set "regsvr32=%SystemRoot%\System32\regsvr32.exe"
set "regsvr64="
if defined PROCESSOR_ARCHITEW6432 (
  set "regsvr64=%SystemRoot%\Sysnative\regsvr32.exe"
) else if /i not "%PROCESSOR_ARCHITECTURE%"=="x86" (
  set "regsvr32=%SystemRoot%\SysWOW64\regsvr32.exe"
  set "regsvr64=%SystemRoot%\System32\regsvr32.exe"
)

if not defined regsvr64 goto x86
"%regsvr64%" /s %mode% %scope% "%here%x64\Tarnwell0201.dll"
if errorlevel 1 goto failed
echo x64\Tarnwell0201.dll: done
:x86
"%regsvr32%" /s %mode% %scope% "%here%x86\Tarnwell0201.dll"
if errorlevel 1 goto failed
echo x86\Tarnwell0201.dll: done
exit /b 0

:failed
echo regsvr32 failed with code %errorlevel%.
if not defined scope echo For every user this needs a prompt started as administrator; "%~nx0 /user" needs none.
exit /b 1
