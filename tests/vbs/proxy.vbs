' Proxy settings from a script: a proxy settings class written in VBScript, both record
' layouts, and a password that is never stored in plain text.
Option Explicit
Dim failures : failures = 0
Sub Check(ok, what)
    If Not ok Then
        WScript.Echo "FAIL: " & what
        failures = failures + 1
    End If
End Sub

Class HttpProxy
    Public HTTP_AccessType
    Public HTTP_Address
    Public HTTP_BypassList
    Public HTTP_BypassLocal
    Public HTTP_UserName
    Public HTTP_Password
End Class
Class HtProxy
    Public AccessType
    Public HTTP_Address
    Public HTTPS_Address
    Public FTP_Address
    Public BypassList
    Public UserName
    Public Password
End Class
Class NoBypassLocal
    Public HTTP_AccessType
    Public HTTP_Address
    Public HTTP_BypassList
End Class
Class AppInfo
    Public Title
    Public Major
    Public Minor
End Class

Const HKCU = &H80000001
Dim app : Set app = New AppInfo
app.Title = "Tarnwell Proxy Test" : app.Major = 1 : app.Minor = 0
Dim store : Set store = CreateObject("Tarnwell0201.zbnZerbaneSettings2")
Dim reg : Set reg = CreateObject("Tarnwell0201.zbnRegistry2")
Dim appKey : appKey = "Software\Orrindale\Zerbane\" & app.Title
Dim httpKey : httpKey = appKey & "\Version 1.0\HTTP Proxy"
reg.DeleteKey HKCU, appKey

Dim p : Set p = New HttpProxy
p.HTTP_AccessType = 3 : p.HTTP_Address = "proxy.example:8080" : p.HTTP_BypassList = "<local>"
p.HTTP_BypassLocal = True : p.HTTP_UserName = "anna" : p.HTTP_Password = "p@ss word"
store.SaveProxySettings2 "HTTP Proxy", p, app

Dim stored : stored = reg.GetValue(HKCU, httpKey, "Password").Data
Check Left(stored, 1) = "Z", "the stored password is sealed: " & stored
Check InStr(stored, "p@ss") = 0, "the password is not stored in plain text"
Check reg.GetValue(HKCU, httpKey, "BypassLocal").Data = "True", "the flag as text"
Check reg.GetValue(HKCU, httpKey, "AccessType").DataType = 4, "access type as REG_DWORD"

Dim q : Set q = New HttpProxy
store.LoadProxySettings2 "HTTP Proxy", q, app
Check q.HTTP_Password = "p@ss word", "the password comes back"
Check q.HTTP_AccessType = 3 And q.HTTP_Address = "proxy.example:8080" And q.HTTP_BypassList = "<local>", "values back"
Check q.HTTP_BypassLocal = True And q.HTTP_UserName = "anna", "flag and user back"

' Saving again seals differently; both read the same.
store.SaveProxySettings2 "HTTP Proxy", p, app
Check reg.GetValue(HKCU, httpKey, "Password").Data <> stored, "a new sealed text each time"

' Nothing stored: the defaults.
Dim e : Set e = New HttpProxy
store.LoadProxySettings "Empty Proxy", e, app.Title, 1, 0
Check e.HTTP_AccessType = 0 And e.HTTP_Address = "" And e.HTTP_Password = "" And e.HTTP_BypassLocal = False, "defaults"

' An object without HTTP_BypassLocal: the first three values are written, then it fails.
Dim partial : Set partial = New NoBypassLocal
partial.HTTP_AccessType = 1 : partial.HTTP_Address = "partial:1" : partial.HTTP_BypassList = "x"
On Error Resume Next
store.SaveProxySettings "Partial", partial, app.Title, 1, 0
Check Err.Number <> 0, "fails at the missing property"
Err.Clear
On Error GoTo 0
Check reg.GetValue(HKCU, appKey & "\Version 1.0\Partial", "BypassList").Data = "x", "written before the failure"
Check reg.GetValue(HKCU, appKey & "\Version 1.0\Partial", "BypassLocal") Is Nothing, "nothing after it"

' HT and HTTP records under one subkey keep apart.
Dim h : Set h = New HtProxy
h.AccessType = 2 : h.HTTP_Address = "ht:1" : h.HTTPS_Address = "hts:2" : h.FTP_Address = "ftp:3"
h.BypassList = "" : h.UserName = "bo" : h.Password = ""
store.SaveProxySettingsHT2 "HTTP Proxy", h, app
Check reg.GetValue(HKCU, httpKey, "AccessType").Data = 3, "the HTTP access type untouched"
Check reg.GetValue(HKCU, httpKey, "Access Type").Data = 2, "the HT access type beside it"
Dim h2 : Set h2 = New HtProxy
store.LoadProxySettingsHT2 "HTTP Proxy", h2, app
Check h2.HTTPS_Address = "hts:2" And h2.UserName = "bo", "HT values back"
Check h2.Password = "", "an empty password stays empty"

' A missing application object fails before anything is read or written.
On Error Resume Next
store.SaveProxySettings2 "Nowhere", p, Nothing
Check Err.Number <> 0, "no application object"
Err.Clear
On Error GoTo 0

reg.DeleteKey HKCU, appKey
If failures > 0 Then WScript.Quit 1
WScript.Echo "proxy.vbs: all checks passed"
