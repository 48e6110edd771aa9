// Resource ids of the built-in tray images (shared by the .rc file and the code).
#pragma once

#define IDI_WANDREL_APP 100
#define IDI_TRAY_MOUSE1 101
#define IDI_TRAY_MOUSE2 102
#define IDI_TRAY_ACTIVE1 103
#define IDI_TRAY_ACTIVE2 104
#define IDI_TRAY_SEND1 111
#define IDI_TRAY_SEND2 112
#define IDI_TRAY_SEND3 113
#define IDI_TRAY_SEND4 114
#define IDI_TRAY_NOICON 120
