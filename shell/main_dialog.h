// The program's one dialog: lists the archive when it opens, lets the user
// choose or make the target directory, extracts on OK, confirms Cancel.
#pragma once

#include "resources/dlg32.h"

void dialog_initialise();
// `id` is a control id of resources/dlg32.h (IDC_OK, IDC_CANCEL, IDC_DIR_LIST, IDC_MAKE).
void dialog_command(int id);
