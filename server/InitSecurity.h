// The process-wide call security of the server: on the NT family only the built-in
// Administrators group and the local system account may call into the process.
#pragma once

// Sets the call security once, before any class object is offered. False on failure.
bool InitSecurity();
