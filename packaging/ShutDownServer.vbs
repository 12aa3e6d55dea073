' The server package's deferred custom action "KorShutDown". Before its files are replaced
' or removed, a running KorLogServer is asked to end (ShutDown with keep 1 saves the log
' first), and the action waits, up to ten seconds, until no KorLogServer.exe process is left,
' so that no server outlives its executable. A server that is not running is not started:
' there is nothing to end, and the log stays exactly as it was last saved.
Function ShutDownServer()
  ShutDownServer = 1
  On Error Resume Next
  Dim wmi, server, tries, started
  Set wmi = GetObject("winmgmts:{impersonationLevel=impersonate}!\\.\root\cimv2")
  If Err.Number <> 0 Then Exit Function
  If Running(wmi) = 0 Then Exit Function
  For tries = 1 To 2
    Err.Clear
    Set server = CreateObject("KorLog.Component")
    If Err.Number = 0 Then Exit For
  Next
  If Err.Number <> 0 Then Exit Function
  server.ShutDown 1
  Set server = Nothing
  started = Timer
  Do While Running(wmi) > 0
    If Abs(Timer - started) > 10 Then Exit Do
  Loop
End Function

' The number of KorLogServer.exe processes, or -1 when WMI cannot tell.
Function Running(wmi)
  On Error Resume Next
  Running = -1
  Running = wmi.ExecQuery("SELECT ProcessId FROM Win32_Process WHERE Name = 'KorLogServer.exe'").Count
End Function
