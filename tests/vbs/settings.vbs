' The settings store from a script: an application object written in VBScript, the forms
' ending in 2, and LoadSetting with its optional arguments left out.
Option Explicit
Dim failures : failures = 0
Sub Check(ok, what)
    If Not ok Then
        WScript.Echo "FAIL: " & what
        failures = failures + 1
    End If
End Sub

Class AppInfo
    Public Title
    Public Major
    Public Minor
End Class

Const HKCU = &H80000001
Const sdtString = 0, sdtLong = 1, sdtBinary = 2, sdtBoolean = 3
Dim app : Set app = New AppInfo
app.Title = "Tarnwell Script Test" : app.Major = 2 : app.Minor = 0

Dim store : Set store = CreateObject("Tarnwell0201.zbnZerbaneSettings2")
Dim reg : Set reg = CreateObject("Tarnwell0201.zbnRegistry2")
Dim appKey : appKey = "Software\Orrindale\Zerbane\" & app.Title
reg.DeleteKey HKCU, appKey

Check store.GetSettingPath2(app, "Sub") = appKey & "\Version 2.0\Sub", "GetSettingPath2"

' A value only at version 1.5 is found from 2.0, and the flag comes back into a variable.
Check reg.SetValue(HKCU, appKey & "\Version 1.5\Sub", "Name", 1, "old value"), "seed 1.5"
Dim found : found = False
Check store.LoadSetting2("Sub", "Name", sdtString, "default", app, True, found) = "old value", "fall-back to 1.5"
Check found = True, "lpSuccess into a script variable"

Dim written : written = False
Check store.SaveSetting2("Sub", "Name", sdtString, "new value", app, True, written), "SaveSetting2 reports the write"
Check written = True, "lpSuccess of SaveSetting2"
Check store.LoadSetting2("Sub", "Name", sdtString, "default", app) = "new value", "read back at 2.0"

store.SaveSetting2 "", "Flag", sdtBoolean, True, app
Check store.LoadSetting2("", "Flag", sdtBoolean, False, app) = True, "Boolean round trip"
' A Boolean saved as text is written as the script writes it, so it reads back as a Boolean.
store.SaveSetting2 "", "FlagText", sdtString, False, app
Check store.LoadSetting2("", "FlagText", sdtString, "", app) = "False", "a Boolean as text"
store.SaveSetting2 "", "FlagText", sdtString, True, app
Check store.LoadSetting2("", "FlagText", sdtBoolean, False, app) = True, "a Boolean as text reads as a Boolean"
store.SaveSetting2 "", "Count", sdtLong, 42, app
Check store.LoadSetting2("", "Count", sdtLong, 0, app) = 42, "Long round trip"

' Omitted optional arguments: the default title "Zerbane - Noddle", version 0.0, kind String.
Dim v : v = store.LoadSetting()
Check VarType(v) = vbString, "LoadSetting() gives a String"
Check store.LoadSetting("Nowhere", "Nothing", sdtLong) = 0, "empty Long"

' A broken application object fails before anything is read or written.
Class Broken
    Public Title
End Class
Dim bad : Set bad = New Broken
bad.Title = "Tarnwell Script Broken"
On Error Resume Next
Dim flag : flag = True
store.SaveSetting2 "", "X", sdtString, "x", bad, True, flag
Check Err.Number <> 0, "an application object without Major fails"
Check flag = False, "and its lpSuccess says nothing was written"
Err.Clear
On Error GoTo 0
Check Not reg.IsKeyExist(HKCU, "Software\Orrindale\Zerbane\Tarnwell Script Broken"), "nothing written"

reg.DeleteKey HKCU, appKey
If failures > 0 Then WScript.Quit 1
WScript.Echo "settings.vbs: all checks passed"
