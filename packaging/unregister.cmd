@echo off
rem Removes the registration register.cmd made; "unregister.cmd /user" removes the current
rem user's own.
call "%~dp0register.cmd" /u %*
