/* Dialog template and control ids of the main dialog, shared by the
   resource script and the C++ sources (plain #defines for windres). */
#ifndef SFX_DLG32_H
#define SFX_DLG32_H

#define DLG_MAIN 200
#define ICON_GROUP_MAIN 10
#define DLG_PASSWORD 201

#define IDC_OK 1
#define IDC_CANCEL 2
#define IDC_TARGET_PATH 101
#define IDC_DIR_LIST 103
#define IDC_CONTENTS_FRAME 104
#define IDC_CONTENTS_LIST 105
#define IDC_NEW_DIR_NAME 106
#define IDC_MAKE 107
#define IDC_STATUS 201
#define IDC_PROGRESS 202
#define IDC_PASSWORD_NAME 301
#define IDC_PASSWORD_EDIT 302

#endif
