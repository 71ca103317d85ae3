/* The main dialog's fixed texts, in the template (sfxstub.rc) and on the
   Linux console alike: plain #defines, as windres reads them too. Each stays
   one literal; the resource compiler joins no adjacent strings. */
#ifndef SFX_DIALOG_TEXTS_H
#define SFX_DIALOG_TEXTS_H

// clang-format off
#define DLG_TEXT_INTRO "This Self Extracting  File will be Unzipped To The Target Directory Shown Below."
#define DLG_TEXT_CHOOSE_TARGET "If you want to set a different target directory, use the listbox on the right to select it. You can also use the make directory option below then select it with the lisbox. "
#define DLG_TEXT_TARGET_LABEL "Target Directory:"
#define DLG_TEXT_BEGIN "Select OK to begin.                          Choose Cancel to exit."
// clang-format on

#endif
