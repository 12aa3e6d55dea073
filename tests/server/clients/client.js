// A JScript installer's view of KorLog.Component: the same calls as client.vbs, late bound
// by name, with undefined and null arguments and an invalid item type; each answer printed.
// The trace list is read by kortrace while the object is alive.
function show(name, value) {
  WScript.Echo(name + " = [" + value + "] " + typeof value);
}

var log = new ActiveXObject("KorLog.Component");
show("AddItem 1", log.AddItem(1, "Sc", "C:\\sc.dll"));
show("AddItem 0", log.AddItem(0, "Install", "Sc"));
show("AddItem 7", log.AddItem(7, "Sc", "Mode=fast=1"));
show("AddItem 9", log.AddItem(9, "Sc", "x"));
show("AddItem empty", log.AddItem(1, "", ""));
show("AddItem Empty", log.AddItem(1, undefined, "empty.dll"));
show("HasItem", log.HasItem(2, "SC", "c:\\SC.DLL"));
show("HasItem Empty", log.HasItem(1, "", "empty.dll"));
show("IsInstalled", log.IsInstalled("Sc"));
show("IsInstalled no", log.IsInstalled("Nobody"));
show("GetParent", log.GetParent("sc"));
show("GetParent none", log.GetParent("Nobody"));
show("GetMatchingItem", log.GetMatchingItem(1, "Sc", "SC."));
show("GetMatchingItem none", log.GetMatchingItem(1, "Sc", "zz"));
show("GetSpecialItem", log.GetSpecialItem("Sc", "MODE"));
show("GetAllItems", log.GetAllItems(7, "Sc").replace(/\n/g, "|"));
show("GetAllItems none", log.GetAllItems(1, "Nobody"));
try {
  log.AddItem("notanumber", "Sc", "y");
  show("invalid type error", "none");
} catch (e) {
  show("invalid type error", (e.number >>> 0).toString(16).toUpperCase());
}
try {
  log.IsInstalled(null);
  show("Null error", "none");
} catch (e) {
  show("Null error", (e.number >>> 0).toString(16).toUpperCase());
}
show("Non-ASCII", log.AddItem(1, "Sc", "C:\\Caf\u00e9.dll"));
show("Non-ASCII back", log.GetMatchingItem(1, "Sc", "caf").charCodeAt(6));
show("RemoveItem", log.RemoveItem(1, "Sc", "C:\\sc.dll"));
show("RemoveItem again", log.RemoveItem(1, "Sc", "C:\\sc.dll"));
show("RemoveComponent", log.RemoveComponent("Sc"));
show("IsInstalled after", log.IsInstalled("Sc"));
new ActiveXObject("WScript.Shell").Run(
    "C:\\kortest\\kortrace.exe lines C:\\kortest\\trace-client.js.txt", 0, true);
show("ShutDown", log.ShutDown(1));
