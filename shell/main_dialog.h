// The program's one dialog: lists the archive when it opens, lets the user
// choose or make the target directory, extracts on OK, confirms Cancel.
#pragma once

#include "resources/dlg32.h"

enum DialogControl : int {
  kIdOk = IDC_OK,
  kIdCancel = IDC_CANCEL,
  kIdTargetPath = IDC_TARGET_PATH,
  kIdDirList = IDC_DIR_LIST,
  kIdContentsFrame = IDC_CONTENTS_FRAME,
  kIdContentsList = IDC_CONTENTS_LIST,
  kIdNewDirName = IDC_NEW_DIR_NAME,
  kIdMake = IDC_MAKE,
  kIdStatus = IDC_STATUS,
};

void dialog_initialise();
void dialog_command(int id);
