// The server's entry point: runs the one application object.
#include <windows.h>

#include "server/CKorLogServerApp.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return GetServerApp().Run(); }
