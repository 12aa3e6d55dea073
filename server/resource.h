// Identifiers of the server's window resources: its caption, menu and accelerators, and the
// commands they carry. Shared by KorLogServer.rc and the frame.
#pragma once

// The application's name.
#define IDS_APP_TITLE 57344
// The frame's string (caption first), menu and accelerator table share one identifier.
#define IDR_MAINFRAME 128

#define ID_FILE_REGISTER 32771
#define ID_FILE_UNREGISTER 32772
#define ID_APP_EXIT 57665

// Edit and pane commands: offered by the menu and keys, handled by nothing.
#define ID_EDIT_COPY 57634
#define ID_EDIT_CUT 57635
#define ID_EDIT_PASTE 57637
#define ID_EDIT_UNDO 57643
#define ID_NEXT_PANE 57680
#define ID_PREV_PANE 57681

// The child window that fills the frame's client area: the trace list.
#define IDW_PANE_FIRST 59648
