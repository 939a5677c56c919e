' Arguments of the wrong type from a script: every call either works or raises an error the
' script can catch; none may bring the host down (then the last line is never reached).
Option Explicit
Dim failures : failures = 0
Sub Check(ok, what)
    If Not ok Then
        WScript.Echo "FAIL: " & what
        failures = failures + 1
    End If
End Sub

Class Empty0
End Class

Const HKCU = &H80000001
Dim reg : Set reg = CreateObject("Tarnwell0201.zbnRegistry2")
Dim store : Set store = CreateObject("Tarnwell0201.zbnZerbaneSettings2")
Dim base : base = "Software\TarnwellTests\VbsWrongTypes"
Dim appTitle : appTitle = "Tarnwell Wrong Types"
Dim appKey : appKey = "Software\Orrindale\Zerbane\" & appTitle
reg.DeleteKey HKCU, base
reg.DeleteKey HKCU, appKey

Dim arr : arr = Array(1, "two", Null)
Dim obj : Set obj = New Empty0
Dim odd : odd = Array(Null, Empty, arr, 1.5E+300, -1, "", "x")

' Every value of the odd list as each argument of a few members; the outcome may be an
' error or a result, but it must come back.
Dim i, r, raised
raised = 0
On Error Resume Next
For i = 0 To UBound(odd)
    Err.Clear : r = reg.GetValue(odd(i), base, "X") : If Err.Number <> 0 Then raised = raised + 1
    Err.Clear : r = reg.SetValue(HKCU, base, "X", odd(i), odd(i)) : If Err.Number <> 0 Then raised = raised + 1
    Err.Clear : r = reg.IsKeyExist(HKCU, odd(i)) : If Err.Number <> 0 Then raised = raised + 1
    Err.Clear : r = reg.ValueDataTypeToString(odd(i)) : If Err.Number <> 0 Then raised = raised + 1
    Err.Clear : r = store.LoadSetting("S", "V", odd(i), odd(i), appTitle, 1, 0) : If Err.Number <> 0 Then raised = raised + 1
    Err.Clear : store.SaveSetting "S", odd(i), 0, odd(i), appTitle, 1, 0 : If Err.Number <> 0 Then raised = raised + 1
    Err.Clear : r = store.GetSettingPath(odd(i), odd(i), odd(i)) : If Err.Number <> 0 Then raised = raised + 1
Next

' Arrays of the wrong elements for the array kinds are refused; names too long for the
' registry fail with the registry's code.
Const REG_BINARY = 3, REG_MULTI_SZ = 7
Dim mixed : mixed = Array("a", Null, obj, 3)
Err.Clear : r = reg.SetValue(HKCU, base, "Bin", REG_BINARY, mixed)
Check Err.Number = 0 And r = False, "a mixed array as binary data is refused"
Err.Clear : r = reg.SetValue(HKCU, base, "Multi", REG_MULTI_SZ, mixed)
Check Err.Number = 0 And r = False, "a mixed array as strings is refused"
Dim longName : longName = String(300000, "k")
Err.Clear : r = reg.SetValue(HKCU, base & "\" & longName, "V", 1, "x")
Check Err.Number = 0 And r = False And reg.LastRegError <> 0, "a key name too long is refused"
Err.Clear : r = reg.SetValue(HKCU, base, longName, 1, "x")
Check Err.Number = 0 And r = False And reg.LastRegError <> 0, "a value name too long is refused"
Dim got : Err.Clear : Set got = reg.GetValue(HKCU, base, longName)
Check Err.Number = 0, "reading a value name too long raises nothing"
Check got Is Nothing, "and gives nothing"

' Objects where text or numbers belong, and plain values where objects belong.
Err.Clear : r = reg.GetValue(HKCU, obj, "X")
Check Err.Number <> 0, "an object as a key path is refused"
Err.Clear : store.SaveFont "F", 12, appTitle, 1, 0
Check Err.Number <> 0, "a number as a font is refused"
Err.Clear : store.SaveListViewColumns "L", obj, appTitle, 1, 0
Check Err.Number = 0, "saving the columns of an object without ColumnHeaders does nothing"
Err.Clear : store.LoadListViewColumns "L", obj, appTitle, 1, 0
Check Err.Number <> 0, "loading them fails"
Err.Clear : store.SaveFormPlacement "", "P", obj, appTitle, 1, 0
Check Err.Number <> 0, "an object without hWnd fails"
Err.Clear : r = store.GetSettingPath2(arr)
Check Err.Number <> 0, "an array as the application object is refused"
Err.Clear : r = store.GetSettingPath2(obj)
Check Err.Number <> 0, "an application object without Title fails"
Err.Clear
On Error GoTo 0

Check raised > 0, "some of the odd arguments are refused"
' Nothing of these calls may have reached the registry under a name made of them.
Check Not reg.IsKeyExist(HKCU, appKey & "\Version 1.0\L"), "no list written"

reg.DeleteKey HKCU, base
reg.DeleteKey HKCU, appKey
If failures > 0 Then WScript.Quit 1
WScript.Echo "wrong_types.vbs: all checks passed"
