' The sample product's custom actions: deferred, so they read what they need from
' CustomActionData, and run by the installer without impersonation (the log server takes
' calls from administrators and the local system account).
Const COMPONENT = "KorSampleMsi"

' At install and repair: records the product's files (item type 1), its registry key (3),
' its start-menu shortcut (5) and its folder (7, a special item) under its component, and
' the component under "Install" (0, the child link). Any refusal fails the action, and the
' installer rolls the installation back.
Function Record()
  Dim folders, installDir, menuDir, log, refused
  folders = Split(Session.Property("CustomActionData"), "|")
  installDir = folders(0)
  menuDir = folders(1)
  Set log = CreateObject("KorLog.Component")
  refused = 0
  If log.AddItem(0, "Install", COMPONENT) <> 1 Then refused = refused + 1
  If log.AddItem(1, COMPONENT, installDir & "readme.txt") <> 1 Then refused = refused + 1
  If log.AddItem(1, COMPONENT, installDir & "sample.ini") <> 1 Then refused = refused + 1
  If log.AddItem(3, COMPONENT, "HKEY_LOCAL_MACHINE\SOFTWARE\KorSampleMsi") <> 1 Then refused = refused + 1
  If log.AddItem(5, COMPONENT, menuDir & "ReadMe.lnk") <> 1 Then refused = refused + 1
  If log.AddItem(7, COMPONENT, "BaseDir=" & installDir) <> 1 Then refused = refused + 1
  Set log = Nothing
  If refused = 0 Then Record = 1 Else Record = 3
End Function

' At uninstall: asks the log what the component holds, removes each item, then the
' component and its link under "Install". An uninstall must not fail because the log cannot
' be reached, so the installer ignores this action's result.
Function Forget()
  Dim log, itemType, items, item, name, refused
  Set log = CreateObject("KorLog.Component")
  refused = 0
  For itemType = 1 To 7
    items = log.GetAllItems(itemType, COMPONENT)
    For Each item In Split(items, vbLf)
      If item <> "" Then
        name = item
        ' Special items are listed as NAME=VALUE and removed by NAME.
        If itemType = 7 And InStr(item, "=") > 0 Then name = Left(item, InStr(item, "=") - 1)
        If log.RemoveItem(itemType, COMPONENT, name) <> 1 Then refused = refused + 1
      End If
    Next
  Next
  If log.RemoveComponent(COMPONENT) <> 1 Then refused = refused + 1
  Set log = Nothing
  If refused = 0 Then Forget = 1 Else Forget = 3
End Function
