' The registry view a script reads through zbnRegistry3.View, from a value that differs between
' the views: run by the 64-bit script host with the tests, and after the x64 installer by the
' script host of each bitness the machine runs. Wine's script host swallows script errors, so
' the last line prints that every check passed.
Option Explicit
Const HKLM = &H80000002
Dim key : key = "Software\TarnwellTests\Views"
Dim sh : Set sh = CreateObject("WScript.Shell")
' reg.exe reaches either view from a host of either bitness.
Sub RegExe(verb, rest, view)
    sh.Run "reg " & verb & " ""HKLM\" & key & """ " & rest & " /f /reg:" & view, 0, True
End Sub
RegExe "add", "/v Where /d 64-bit", 64
RegExe "add", "/v Where /d 32-bit", 32

Dim env : Set env = sh.Environment("Process")
Dim host : host = "64-bit" : If env("PROCESSOR_ARCHITECTURE") = "x86" Then host = "32-bit"
' On 32-bit Windows there is one view: what was written last is there.
Dim in64 : in64 = "64-bit" : If host = "32-bit" And env("PROCESSOR_ARCHITEW6432") = "" Then in64 = "32-bit"

Function Where(r)
    Dim v : Set v = r.GetValue(HKLM, key, "Where")
    Where = "nothing" : If Not v Is Nothing Then Where = v.Data
End Function

Dim reg : Set reg = CreateObject("Tarnwell0201.zbnRegistry3")
Dim reg2 : Set reg2 = CreateObject("Tarnwell0201.zbnRegistry2")
Dim own : own = Where(reg)
reg.View = 64
Dim read64 : read64 = Where(reg)
reg.View = 32
Dim read32 : read32 = Where(reg)
Dim refused : refused = 0
On Error Resume Next
reg.View = 16
refused = Err.Number
On Error GoTo 0
Dim wrong : wrong = ""
If read64 <> in64 Then wrong = wrong & " View = 64 read the " & read64 & " value;"
If read32 <> "32-bit" Then wrong = wrong & " View = 32 read the " & read32 & " value;"
If own <> Where(reg2) Or (own <> host And in64 <> "32-bit") Then wrong = wrong & " View = 0 read the " & own & " value;"
If refused <> &H80070057 Or reg.View <> 32 Then wrong = wrong & " View = 16 gave " & Hex(refused) & ";"

WScript.Echo "views: " & host & " script host: View=64 reads the " & read64 & " value, View=32 the " & read32 & _
             " value, View=0 the " & own & " one, as zbnRegistry2"
RegExe "delete", "", 64
RegExe "delete", "", 32
If wrong <> "" Then
    WScript.Echo "FAIL:" & wrong
    WScript.Quit 1
End If
WScript.Echo "registry_views.vbs: all checks passed"
