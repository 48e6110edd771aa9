// Resource ids of the update download window (shared by the .rc file and the code).
#pragma once

#define IDD_DOWNLOAD 300
#define IDC_FPROGRESS 301
#define IDC_PICTURE1 302
#define IDC_RECU 303
#define IDC_FILE_SIZE 304
#define IDC_TOTAL_DOWNLOAD 305
#define IDC_VITESSE 306
#define IDC_RESTANT 307
#define IDC_DOWNLOAD_STATUS 308
