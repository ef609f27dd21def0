#pragma once
// Resource ids shared by the resource script and the program's form tables.
#define IDI_POCKETRY 1
#define IDI_TRAY 101
#define IDI_TRAY_WAIT 102
