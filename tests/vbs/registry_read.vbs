' Late-bound reads through the facade, as a script writes them.
Option Explicit
Dim failures : failures = 0
Sub Check(ok, what)
    If Not ok Then
        WScript.Echo "FAIL: " & what
        failures = failures + 1
    End If
End Sub

Const HKCU = &H80000001
Dim sh : Set sh = CreateObject("WScript.Shell")
Dim base : base = "Software\TarnwellTests\VbsRead"
sh.RegWrite "HKCU\" & base & "\", "default text", "REG_SZ"
sh.RegWrite "HKCU\" & base & "\Number", 42, "REG_DWORD"
sh.RegWrite "HKCU\" & base & "\Child\", "", "REG_SZ"

Dim reg : Set reg = CreateObject("Tarnwell0201.zbnRegistry2")

' Only RegistryRoot and SubKey: ValueName takes its default, the default value.
Dim v : Set v = reg.GetValue(HKCU, base)
Check Not v Is Nothing, "GetValue with two arguments"
If Not v Is Nothing Then Check v.Data = "default text", "default value text"
Check reg.LastRegError = 0, "LastRegError after success"

' A variable holding a snapshot, passed by reference.
Set v = reg.GetValue(HKCU, base, "Number")
Check reg.GetValueDataType(v) = 4, "GetValueDataType of a variable"
Check reg.GetValueData_DWORD(v) = 42, "GetValueData_DWORD of a variable"

Dim missing : Set missing = reg.GetValue(HKCU, base, "Nope")
Check missing Is Nothing, "missing value is Nothing"
Check reg.LastRegError = 2, "LastRegError after a missing value"
Check reg.GetValueDataType(missing) = -1, "GetValueDataType(Nothing)"

Dim names : names = ""
Dim item
For Each item In reg.GetValues(HKCU, base)
    names = names & "[" & item.Name & "]"
Next
Check InStr(names, "[Number]") > 0 And InStr(names, "[]") > 0, "For Each over GetValues: " & names

Dim keys : Set keys = reg.GetSubKeys(HKCU, base)
Check keys.Count = 1, "GetSubKeys count"
For Each item In keys
    Check item.Name = "Child", "For Each over GetSubKeys"
Next
Check keys(1).Name = "Child", "default member Item"

Check reg.DeleteKey(HKCU, base), "DeleteKey of the scratch tree"
If failures > 0 Then WScript.Quit 1
WScript.Echo "registry_read.vbs: all checks passed"
