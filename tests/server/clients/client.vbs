' A VBScript installer's view of KorLog.Component: every method late bound by name, with
' empty, Empty, Null and non-ASCII arguments and an invalid item type; each answer printed.
' The trace list is read by kortrace while the object is alive.
Option Explicit
Dim log, sh, r

Sub Show(name, value)
  WScript.Echo name & " = [" & value & "] " & TypeName(value)
End Sub

Set log = CreateObject("KorLog.Component")
Show "AddItem 1", log.AddItem(1, "Sc", "C:\sc.dll")
Show "AddItem 0", log.AddItem(0, "Install", "Sc")
Show "AddItem 7", log.AddItem(7, "Sc", "Mode=fast=1")
Show "AddItem 9", log.AddItem(9, "Sc", "x")
Show "AddItem empty", log.AddItem(1, "", "")
Show "AddItem Empty", log.AddItem(1, Empty, "empty.dll")
Show "HasItem", log.HasItem(2, "SC", "c:\SC.DLL")
Show "HasItem Empty", log.HasItem(1, "", "empty.dll")
Show "IsInstalled", log.IsInstalled("Sc")
Show "IsInstalled no", log.IsInstalled("Nobody")
Show "GetParent", log.GetParent("sc")
Show "GetParent none", log.GetParent("Nobody")
Show "GetMatchingItem", log.GetMatchingItem(1, "Sc", "SC.")
Show "GetMatchingItem none", log.GetMatchingItem(1, "Sc", "zz")
Show "GetSpecialItem", log.GetSpecialItem("Sc", "MODE")
Show "GetAllItems", Replace(log.GetAllItems(7, "Sc"), vbLf, "|")
Show "GetAllItems none", log.GetAllItems(1, "Nobody")
On Error Resume Next
r = log.AddItem("notanumber", "Sc", "y")
Show "invalid type error", Hex(Err.Number)
Err.Clear
r = log.IsInstalled(Null)
Show "Null error", Hex(Err.Number)
Err.Clear
On Error GoTo 0
Show "Non-ASCII", log.AddItem(1, "Sc", "C:\Caf" & Chr(233) & ".dll")
Show "Non-ASCII back", Asc(Mid(log.GetMatchingItem(1, "Sc", "caf"), 7, 1))
Show "RemoveItem", log.RemoveItem(1, "Sc", "C:\sc.dll")
Show "RemoveItem again", log.RemoveItem(1, "Sc", "C:\sc.dll")
Show "RemoveComponent", log.RemoveComponent("Sc")
Show "IsInstalled after", log.IsInstalled("Sc")
Set sh = CreateObject("WScript.Shell")
sh.Run "C:\kortest\kortrace.exe lines C:\kortest\trace-client.vbs.txt", 0, True
Show "ShutDown", log.ShutDown(1)
