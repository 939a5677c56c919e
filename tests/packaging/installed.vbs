' Run by the script host of one bitness after the installer ran: the classes come from the
' registration the installer wrote, and each reads a value. Wine's script host swallows script
' errors, so the last line prints that every check passed.
Const HKEY_CLASSES_ROOT = &H80000000
Const HKEY_CURRENT_USER = &H80000001

Set reg = CreateObject("Tarnwell0201.zbnRegistry2")
Set v = reg.GetValue(HKEY_CLASSES_ROOT, "Tarnwell0201.zbnRegistry2\CLSID")
If v Is Nothing Then WScript.Quit 1
If v.Data <> "{C3F5ED98-A817-4C91-97C6-86FAF3BB2D7A}" Then WScript.Quit 1

Set reg3 = CreateObject("Tarnwell0201.zbnRegistry3.1")
If reg3.GetValue(HKEY_CLASSES_ROOT, "Tarnwell0201.zbnRegistry3\CLSID").Data <> "{DD448025-F760-464A-87D6-C7B6C7054C14}" Then WScript.Quit 1

Set settings = CreateObject("Tarnwell0201.zbnZerbaneSettings2")
ok = False
settings.SaveSetting "", "Installed", 0, "yes", "Stellwick install test", 1, 0, True, ok
If Not ok Then WScript.Quit 1
If settings.LoadSetting("", "Installed", 0, "", "Stellwick install test", 1, 0) <> "yes" Then WScript.Quit 1

WScript.Echo "installed.vbs: all checks passed"
