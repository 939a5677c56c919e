' Writes, deletion and by-reference results through late binding, as a script writes them.
Option Explicit
Dim failures : failures = 0
Sub Check(ok, what)
    If Not ok Then
        WScript.Echo "FAIL: " & what
        failures = failures + 1
    End If
End Sub

Const HKCU = &H80000001
Const REG_SZ = 1, REG_EXPAND_SZ = 2, REG_DWORD = 4, REG_BINARY = 3
Dim reg : Set reg = CreateObject("Tarnwell0201.zbnRegistry2")
Dim base : base = "Software\TarnwellTests\VbsWrite"
reg.DeleteKey HKCU, base

' A variable as ValueData, and the flag received into a script variable.
Dim text : text = "from a variable"
Dim existed : existed = True
Check reg.SetValue(HKCU, base & "\Tree\Leaf", "Text", REG_SZ, text, existed), "SetValue with a variable"
Check existed = False, "lpKeyAlreadyExist false for a new key"
Check reg.SetValue(HKCU, base & "\Tree\Leaf", "Text", REG_SZ, text, existed), "SetValue again"
Check existed = True, "lpKeyAlreadyExist true for an existing key"
Check reg.GetValue(HKCU, base & "\Tree\Leaf", "Text").Data = "from a variable", "text read back"

' A literal integer as REG_DWORD, a string as REG_EXPAND_SZ.
Check reg.SetValue(HKCU, base, "Number", REG_DWORD, 1234), "SetValue literal integer"
Dim v : Set v = reg.GetValue(HKCU, base, "Number")
Check v.DataType = REG_DWORD And v.Data = 1234, "REG_DWORD read back"
Check reg.SetValue(HKCU, base, "Expand", REG_EXPAND_SZ, "%TEMP%\x"), "SetValue REG_EXPAND_SZ"
Set v = reg.GetValue(HKCU, base, "Expand")
Check v.DataType = REG_EXPAND_SZ And v.Data = "%TEMP%\x", "REG_EXPAND_SZ unexpanded"

' Refused combinations: a Double as REG_DWORD, no data at all.
Dim before : before = reg.LastRegError
Check Not reg.SetValue(HKCU, base, "Bad", REG_DWORD, 1.5), "a Double is refused"
Check Not reg.SetValue(HKCU, base, "Bad", REG_BINARY), "omitted data is refused"
Check reg.LastRegError = before, "LastRegError unchanged by refusals"

' CreateKey with the flag; LastRegError after a failure.
Dim made
Check reg.CreateKey(HKCU, base & "\Made", made), "CreateKey"
Check made = False, "CreateKey flag for a new key"
Check Not reg.DeleteValue(HKCU, base, "NoSuchValue"), "DeleteValue of a missing value"
Check reg.LastRegError = 2, "LastRegError 2 after the failure"

' Deleting a tree: not recursive fails while it has children, recursive removes all.
Check Not reg.DeleteKey(HKCU, base & "\Tree", False), "non-recursive delete of a key with children"
Check reg.IsKeyExist(HKCU, base & "\Tree\Leaf"), "tree still there"
Check reg.DeleteKey(HKCU, base & "\Tree"), "recursive delete (default)"
Check Not reg.IsKeyExist(HKCU, base & "\Tree"), "tree gone"

Check reg.DeleteKey(HKCU, base), "clean up"
If failures > 0 Then WScript.Quit 1
WScript.Echo "registry_write.vbs: all checks passed"
