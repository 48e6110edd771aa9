// Resource ids of the dialog templates and their controls (shared by the .rc file and the
// code).
#pragma once

// The first-run installer.
#define IDD_INSTALLER 200
#define IDC_INSTALLER_EXP 1001
#define IDC_INSTALLER_LABEL1 1002
#define IDC_INSTALLER_PSEUDO 1003
#define IDC_INSTALLER_LABEL2 1004
#define IDC_INSTALLER_PWD 1005
#define IDC_INSTALLER_USE_PROXY 1006
#define IDC_INSTALLER_TBOX_PROXY 1007
#define IDC_INSTALLER_DEFINE_PROXY 1008
#define IDC_INSTALLER_INSTALL 1009

// The one-line input box.
#define IDD_INPUT_BOX 210
#define IDC_INPUT_EDIT 100
#define IDC_INPUT_PROMPT 101

// The update download window.
#define IDD_DOWNLOAD 300
#define IDC_FPROGRESS 301
#define IDC_PICTURE1 302
#define IDC_RECU 303
#define IDC_FILE_SIZE 304
#define IDC_TOTAL_DOWNLOAD 305
#define IDC_VITESSE 306
#define IDC_RESTANT 307
#define IDC_DOWNLOAD_STATUS 308
