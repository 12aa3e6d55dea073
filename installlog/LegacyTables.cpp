// The legacy conversion tables, exactly as older installers named things. Order matters:
// the first matching title wins, and the other tables are applied row by row.
#include "installlog/LegacyTables.h"

namespace legacy {
namespace {

constexpr TitleRow kTitleRows[] = {
    {"Uninstaller Files", "Uninstaller_FILES"},
    {"Uninstaller Registries", "Uninstaller_REG"},
    {"Uninstaller Registries_REG", "Uninstaller_REG"},
    {"Hexaloom Files", "Hexaloom_FILES"},
    {"Hexaloom Registry Entries", "Hexaloom_REG"},
    {"Hexaloom Registry Entries_REG", "Hexaloom_REG"},
    {"Hexaloom Sounds Files", "Hexaloom_FILES"},
    {"Hexaloom TSAdmin Files", "Hexaloom_FILES"},
    {"Hexaloom TSAdmin Registry Entries", "Hexaloom_REG"},
    {"Hexaloom Skyrelay Files", "Hexaloom_FILES"},
    {"Hexaloom Zentara Files", "Hexaloom_FILES"},
    {"Hexaloom Overtend Files", "Hexaloom_FILES"},
    {"VRT Files", "VRT_FILES"},
    {"VRT Registry Entries", "VRT_REG"},
    {"Network Registry Entries", "network_REG"},
    {"Network Files", "network_FILES"},
    {"Network TCPIP Files", "tcpip_FILES"},
    {"Network IPX Files", "ipx_FILES"},
    {"Network Korlink Files", "korlink_FILES"},
    {"Network P2P Client Files", "p2pclient_FILES"},
    {"Network P2P Server Files", "p2pserver_FILES"},
    {"Network DLC Files", "dlc_FILES"},
    {"Network Nodekeeper Files", "Nodekeeper_FILES"},
    {"Network Nodekeeper Registry Entries", "Nodekeeper_REG"},
    {"Network Tessan Files", "Tessan_FILES"},
    {"Network UPS Files", "UPS_FILES"},
    {"Network Brisko Files", "brisko_FILES"},
    {"Network Snapjoin Files", "Snapjoin_FILES"},
    {"Snj Drivers Install Registries", "Snapjoin_REG"},
    {"SNJDriverPackage_REG", "Snapjoin_REG"},
    {"Network Portwell Utility Files", "PortwellUtility_FILES"},
    {"Network Portwell Utility Registry Entries", "PortwellUtility_REG"},
    {"Portwell_FILES", "PortwellUtility_FILES"},
    {"IconPath", "StartMenu"},
};

constexpr SpecialKeyRow kSpecialKeyRows[] = {
    {"Snj Drivers Install", "SnjDriverPackage", "Snapjoin_SPECIAL", "BaseDir"},
    {"Network", "PortwellUtilityDir", "PortwellUtility_SPECIAL", "BaseDir"},
    {"Tunedeck", "TunedeckDir", "Tunedeck_SPECIAL", "BaseDir"},
    {"Hexaloom", "Directory", "Hexaloom_SPECIAL", "BaseDir"},
    {"HXLNET", "hxlnetserverdir", "HXLNETServer_SPECIAL", "BaseDir"},
    {"HXLNET", "hxlnetclientdir", "HXLNETClientNew_SPECIAL", "BaseDir"},
};

constexpr StartMenuRow kStartMenuRows[] = {
    {"Tunedeck_link", "Tunedeck_START", "1"},
    {"driver configure", "Tunedeck_START", "1"},
    {"Tunedeck_folder", "Tunedeck_START", "2"},
    {"UpdateSoftwareLink", "Scheduler_START", "1"},
    {"UpdateSoftwareFolder", "Scheduler_START", "2"},
    {"Hexaloom", "Hexaloom_START", "2"},
    {"Hexaloom Printer Utility", "Hexaloom_START", "1"},
    {"Contacting Korvane", "Hexaloom_START", "1"},
    {"Hexaloom Read Me", "Hexaloom_START", "1"},
    {"ZenTara", "Hexaloom_START", "2"},
    {"Add Support", "Hexaloom_START", "1"},
    {"Remove Support", "Hexaloom_START", "1"},
    {"ZenTara Read Me", "Hexaloom_START", "1"},
    {"Desktop", "Hexaloom_START", "1"},
    {"Startmenu", "Hexaloom_START", "1"},
    {"printer discovery", "Snapjoin_START", "1"},
    {"configure", "Snapjoin_START", "1"},
    {"snj readme", "Snapjoin_START", "1"},
    {"snapjoin", "Snapjoin_START", "2"},
    {"read me", "PortwellUtility_START", "1"},
    {"printserveru", "PortwellUtility_START", "2"},
    {"print server setup utility", "PortwellUtility_START", "1"},
    {"print server setup utility read me", "PortwellUtility_START", "1"},
};

constexpr SchedulerRow kSchedulerRows[] = {
    {"schedulerscheduletaskname", "SchedulerTaskName"},
    {"scheduler_type", "SchedulerType"},
    {"_dir", "BaseDir"},
};

template <class Row, size_t N>
constexpr Table<Row> MakeTable(const Row (&rows)[N]) {
  return Table<Row>{rows, N};
}

}  // namespace

const Table<TitleRow> kTitles = MakeTable(kTitleRows);
const Table<SpecialKeyRow> kSpecialKeys = MakeTable(kSpecialKeyRows);
const Table<StartMenuRow> kStartMenu = MakeTable(kStartMenuRows);
const Table<SchedulerRow> kScheduler = MakeTable(kSchedulerRows);

}  // namespace legacy
