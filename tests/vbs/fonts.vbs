' Saving and loading a font by late binding.
Option Explicit
Dim failures : failures = 0
Sub Check(ok, what)
    If Not ok Then
        WScript.Echo "FAIL: " & what
        failures = failures + 1
    End If
End Sub

Const HKCU = &H80000001
Dim store : Set store = CreateObject("Tarnwell0201.zbnZerbaneSettings2")
Dim reg : Set reg = CreateObject("Tarnwell0201.zbnRegistry2")
Dim appKey : appKey = "Software\Orrindale\Zerbane\Tarnwell Font Script"
reg.DeleteKey HKCU, appKey

Dim f : Set f = CreateObject("StdFont")
f.Name = "Tahoma" : f.Size = 12 : f.Bold = True : f.Italic = True
' A font object reports the face and size it realized, which depends on the fonts installed.
Dim faceName : faceName = f.Name
Dim points : points = f.Size
store.SaveFont "Main Font", f, "Tarnwell Font Script", 1, 0
Check reg.GetValue(HKCU, appKey & "\Version 1.0\Main Font", "Size2").Data = CLng(points * 1000), "Size2 stored"
Check reg.GetValue(HKCU, appKey & "\Version 1.0\Main Font", "Italic").Data = "True", "Italic stored as text"

Dim g : Set g = store.LoadFont("Main Font", CreateObject("StdFont"), "Tarnwell Font Script", 1, 0)
Check g.Name = faceName, "name back: " & g.Name
Check g.Size = points, "size back: " & g.Size
Check g.Italic And g.Bold, "styles back"

' Default left out: a standard font is made for it.
Dim h : Set h = store.LoadFont("Main Font", , "Tarnwell Font Script", 1, 0)
Check h.Name = faceName, "loaded without a default: " & h.Name

reg.DeleteKey HKCU, appKey
If failures > 0 Then WScript.Quit 1
WScript.Echo "fonts.vbs: all checks passed"
