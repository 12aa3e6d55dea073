' A sample installer of the "Korvane Demo Suite": records what it installs in the install log
' through KorLog.Component, asks the log a few questions, uninstalls one part and shuts the
' log server down. Each call is printed with its answer.
Option Explicit
Dim log, shell, traceFile

Sub Show(callText, answer)
  WScript.Echo "  " & callText & " -> " & Replace(CStr(answer), vbLf, "\n")
End Sub

traceFile = WScript.Arguments(0)
Set log = CreateObject("KorLog.Component")

WScript.Echo "Recording the product:"
Show "AddItem(0, ""Install"", ""DemoSuite"")", log.AddItem(0, "Install", "DemoSuite")
Show "AddItem(0, ""DemoSuite"", ""DemoDrivers"")", log.AddItem(0, "DemoSuite", "DemoDrivers")
Show "AddItem(1, ""DemoSuite"", ""C:\Program Files\Korvane\Demo\demo.exe"")", _
     log.AddItem(1, "DemoSuite", "C:\Program Files\Korvane\Demo\demo.exe")
Show "AddItem(1, ""DemoSuite"", ""C:\Program Files\Korvane\Demo\demo.dll"")", _
     log.AddItem(1, "DemoSuite", "C:\Program Files\Korvane\Demo\demo.dll")
Show "AddItem(2, ""DemoSuite"", ""C:\Program Files\Korvane\Demo"")", _
     log.AddItem(2, "DemoSuite", "C:\Program Files\Korvane\Demo")
Show "AddItem(3, ""DemoSuite"", ""HKLM\SOFTWARE\Korvane\Demo\Version"")", _
     log.AddItem(3, "DemoSuite", "HKLM\SOFTWARE\Korvane\Demo\Version")
Show "AddItem(4, ""DemoSuite"", ""HKLM\SOFTWARE\Korvane\Demo"")", _
     log.AddItem(4, "DemoSuite", "HKLM\SOFTWARE\Korvane\Demo")
Show "AddItem(5, ""DemoSuite"", ""Korvane\Demo Suite.lnk"")", _
     log.AddItem(5, "DemoSuite", "Korvane\Demo Suite.lnk")
Show "AddItem(6, ""DemoSuite"", ""Korvane"")", log.AddItem(6, "DemoSuite", "Korvane")
Show "AddItem(7, ""DemoSuite"", ""BaseDir=C:\Program Files\Korvane\Demo"")", _
     log.AddItem(7, "DemoSuite", "BaseDir=C:\Program Files\Korvane\Demo")
Show "AddItem(7, ""DemoSuite"", ""BaseGroup=Korvane"")", log.AddItem(7, "DemoSuite", "BaseGroup=Korvane")
Show "AddItem(1, ""DemoDrivers"", ""C:\windows\system32\drivers\kordemo.sys"")", _
     log.AddItem(1, "DemoDrivers", "C:\windows\system32\drivers\kordemo.sys")
Show "AddItem(9, ""DemoSuite"", ""bad type"")", log.AddItem(9, "DemoSuite", "bad type")

WScript.Echo "Asking the log:"
Show "IsInstalled(""DemoSuite"")", log.IsInstalled("DemoSuite")
Show "IsInstalled(""DemoDrivers"")", log.IsInstalled("DemoDrivers")
Show "IsInstalled(""NotThere"")", log.IsInstalled("NotThere")
Show "GetParent(""DemoDrivers"")", log.GetParent("DemoDrivers")
Show "GetParent(""DemoSuite"")", log.GetParent("DemoSuite")
Show "GetAllItems(1, ""DemoSuite"")", log.GetAllItems(1, "DemoSuite")
Show "GetAllItems(7, ""DemoSuite"")", log.GetAllItems(7, "DemoSuite")
Show "GetMatchingItem(1, ""DemoSuite"", "".DLL"")", log.GetMatchingItem(1, "DemoSuite", ".DLL")
Show "GetSpecialItem(""DemoSuite"", ""basedir"")", log.GetSpecialItem("DemoSuite", "basedir")
Show "HasItem(5, ""DemoSuite"", ""korvane\demo suite.lnk"")", _
     log.HasItem(5, "DemoSuite", "korvane\demo suite.lnk")

WScript.Echo "Uninstalling the drivers:"
Show "RemoveItem(1, ""DemoDrivers"", ""C:\windows\system32\drivers\kordemo.sys"")", _
     log.RemoveItem(1, "DemoDrivers", "C:\windows\system32\drivers\kordemo.sys")
Show "RemoveComponent(""DemoDrivers"")", log.RemoveComponent("DemoDrivers")
Show "IsInstalled(""DemoDrivers"")", log.IsInstalled("DemoDrivers")

' The server's trace list, read from its (hidden) window while it still runs.
Set shell = CreateObject("WScript.Shell")
shell.Run "C:\korlog-demo\kortrace.exe lines " & traceFile, 0, True

WScript.Echo "Shutting the server down, keeping the log:"
Show "ShutDown(1)", log.ShutDown(1)
