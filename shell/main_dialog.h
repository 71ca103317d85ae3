// The program's one dialog: lists the archive when it opens, lets the user
// choose or make the target directory, extracts on OK, confirms Cancel.
#pragma once

enum DialogControl : int {
  kIdOk = 1,
  kIdCancel = 2,
  kIdTargetPath = 101,
  kIdDirList = 103,
  kIdContentsFrame = 104,
  kIdContentsList = 105,
  kIdNewDirName = 106,
  kIdMake = 107,
  kIdStatus = 201,
};

void dialog_initialise();
void dialog_command(int id);
