# The Win32 build's tests under Wine, headless: the unit tests, the stub file
# itself, and the stub run end to end with its dialog driven from outside.
# Every Wine test shares one prefix inside the build folder, made once by the
# wine_prefix fixture, and one lock: a case ends by stopping the prefix's
# Wine server, which must not hit another test.
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(SFX_WINE_RUN ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/win32/wine_run.py)
set(SFX_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(SFX_E2E_DIR ${CMAKE_BINARY_DIR}/tests/win32)

# Drives the stub's dialog from a second process under the same Wine.
add_executable(dialog_driver ${CMAKE_SOURCE_DIR}/tests/win32/dialog_driver.cpp)
target_link_options(dialog_driver PRIVATE -static)

# The setup program of the run-after tests: records its arguments and folder.
add_executable(record_args ${CMAKE_SOURCE_DIR}/tests/win32/record_args.cpp)
target_link_options(record_args PRIVATE -static)
# The same asking for administrator rights, as most installers do.
add_executable(record_args_admin ${CMAKE_SOURCE_DIR}/tests/win32/record_args.cpp
                                 ${CMAKE_SOURCE_DIR}/tests/win32/require_admin.rc)
target_link_options(record_args_admin PRIVATE -static)
# A setup program that leaves a program holding one of its files open.
add_executable(hold_open ${CMAKE_SOURCE_DIR}/tests/win32/hold_open.cpp)
target_link_options(hold_open PRIVATE -static)

add_test(NAME wine_prefix COMMAND ${SFX_WINE_RUN} boot ${SFX_WINE_PREFIX})
set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine RESOURCE_LOCK wine TIMEOUT 600 SKIP_RETURN_CODE 77)

add_test(NAME win32_unit_tests COMMAND ${SFX_WINE_RUN} unit ${SFX_WINE_PREFIX} $<TARGET_FILE:sfx_unit_tests>)
set_tests_properties(win32_unit_tests PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK wine TIMEOUT 300
                     SKIP_RETURN_CODE 77)

# Size, imports and resources of the stub file: no Wine needed.
add_test(NAME win32_stub_image COMMAND ${SFX_WINE_RUN} image $<TARGET_FILE:sfxstub> ${CMAKE_OBJDUMP} ${CMAKE_RC_COMPILER})
# Two fresh builds of the stub in other folders give this build's bytes.
add_test(NAME win32_stub_reproducible
         COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/win32/reproducible_stub.py
                 ${CMAKE_SOURCE_DIR} $<TARGET_FILE:sfxstub> --
                 -G ${CMAKE_GENERATOR} -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
                 -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE})
set_tests_properties(win32_stub_reproducible PROPERTIES PROCESSORS 2 TIMEOUT 600)

# name case archive [extra arguments]
function(sfx_wine_e2e name case archive)
  add_test(NAME win32_e2e_${name}
           COMMAND ${SFX_WINE_RUN} e2e ${SFX_WINE_PREFIX} ${case}
                   --stub $<TARGET_FILE:sfxstub> --driver $<TARGET_FILE:dialog_driver>
                   --corpus ${SFX_CORPUS_DIR_HOST} --archive ${archive}
                   --work ${SFX_E2E_DIR}/${name} ${ARGN})
  set_tests_properties(win32_e2e_${name} PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK wine TIMEOUT 300
                       SKIP_RETURN_CODE 77)
endfunction()

set(SFX_CORPUS_DIR_HOST ${CMAKE_SOURCE_DIR}/tests/corpus)
# A screenshot of the dialog after the listing, left in the build folder.
sfx_wine_e2e(ok_stored ok a01_stored.zip --screenshot ${SFX_E2E_DIR}/dialog.png)
sfx_wine_e2e(ok_mixed ok a24_mixed_methods.zip)
sfx_wine_e2e(make_select make_select a01_stored.zip)
sfx_wine_e2e(cancel cancel a20_zipcrypto_7zip.zip)
sfx_wine_e2e(encrypted_questions questions a20_zipcrypto_7zip.zip)
# A Cancel in the middle of 2,000 files (an archive the test makes).
sfx_wine_e2e(cancel_during_pass_yes cancel_during_pass_yes many_files.zip)
sfx_wine_e2e(cancel_during_pass_no cancel_during_pass_no many_files.zip)
# The dialog at start, while extracting and at completion (kept in docs/).
sfx_wine_e2e(screenshots screenshots many_files.zip --screenshot ${SFX_E2E_DIR}/docs)

# Names: UTF-8, code page 437 and Unicode Path names extracted under their
# own names by a stub lying in (and started from) folders named in CJK; and
# hostile names, each asked about, with the entries after them extracted.
set(SFX_NAME_ARCHIVES ${SFX_E2E_DIR}/name_archives)
add_test(NAME win32_name_archives COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/win32/name_archives.py
                                          ${SFX_NAME_ARCHIVES})
set_tests_properties(win32_name_archives PROPERTIES FIXTURES_SETUP name_archives)
sfx_wine_e2e(names ok names.zip --corpus ${SFX_NAME_ARCHIVES} --app-dir 日本語 --start-dir 開始)
sfx_wine_e2e(hostile_names questions hostile_names.zip --corpus ${SFX_NAME_ARCHIVES})
set_tests_properties(win32_e2e_names win32_e2e_hostile_names PROPERTIES FIXTURES_REQUIRED "wine;name_archives")

# A self-extractor made by sfxbind.exe with its built-in stub, signed with a
# throw-away self-signed certificate: it still verifies and still extracts.
add_test(NAME win32_e2e_signed
         COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/win32/signed_stub_test.py ${SFX_WINE_PREFIX}
                 --sfxbind $<TARGET_FILE:sfxbind> --driver $<TARGET_FILE:dialog_driver>
                 --corpus ${SFX_CORPUS_DIR_HOST} --archive a24_mixed_methods.zip --work ${SFX_E2E_DIR}/signed)
set_tests_properties(win32_e2e_signed PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK wine TIMEOUT 300
                     SKIP_RETURN_CODE 77)

# One tree archived by bsdtar, by Python's zipfile on a pipe and by 7-Zip, and
# as a folder, bound by sfxbind.exe without --force: the self-extractor
# re-creates it under Wine.
add_test(NAME win32_e2e_tree_round_trip
         COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/win32/tree_round_trip_test.py ${SFX_WINE_PREFIX}
                 --sfxbind $<TARGET_FILE:sfxbind> --stub $<TARGET_FILE:sfxstub>
                 --driver $<TARGET_FILE:dialog_driver> --work ${SFX_E2E_DIR}/tree_round_trip)
set_tests_properties(win32_e2e_tree_round_trip PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK wine TIMEOUT 300
                     SKIP_RETURN_CODE 77)

# A tree whose deepest file lies 614 characters below C:\users\Public\Desktop\x,
# past MAX_PATH: extracted whole without a question, with a screenshot of the
# completed dialog left in the build folder.
add_test(NAME win32_e2e_long_paths
         COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/win32/long_path_test.py ${SFX_WINE_PREFIX}
                 --sfxbind $<TARGET_FILE:sfxbind> --stub $<TARGET_FILE:sfxstub>
                 --driver $<TARGET_FILE:dialog_driver> --work ${SFX_E2E_DIR}/long_paths
                 --screenshot ${SFX_E2E_DIR}/long_paths.png)
set_tests_properties(win32_e2e_long_paths PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK wine TIMEOUT 300
                     SKIP_RETURN_CODE 77)

# Damaged settings blocks: the console tests' table, under Wine.
add_test(NAME win32_e2e_damaged_settings
         COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/console/damaged_settings_test.py
                 --stub $<TARGET_FILE:sfxstub> --sfxbind $<TARGET_FILE:sfxbind>
                 --work ${SFX_E2E_DIR}/damaged_settings --wine ${SFX_WINE_PREFIX})
set_tests_properties(win32_e2e_damaged_settings PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK wine TIMEOUT 300
                     SKIP_RETURN_CODE 77)

# Unattended use and bind-time settings: /S into a new folder, skipped
# encrypted entries (status 2), /P with its bar, /? and its box, --title on
# the dialog and the closing box (screenshots kept in docs/), --run with and
# without --temp, and started by a person: the program shown, the target
# hidden, the folder removed after a Cancel. Long paths: targets of 1,500
# characters and of 500 CJK characters, a log 1,100 characters down beside a
# target the system refuses; programs as Windows starts them: an .msi package built
# by wixl, a program that asks for administrator rights, a batch file's
# status; a --temp payload 900 characters deep beside a file left open.
foreach(check silent encrypted passive usage title run_temp run_target run_dialog long_target long_log run_msi
              run_admin run_cmd temp_deep)
  add_test(NAME win32_e2e_unattended_${check}
           COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/win32/unattended_test.py ${SFX_WINE_PREFIX} ${check}
                   --sfxbind $<TARGET_FILE:sfxbind> --stub $<TARGET_FILE:sfxstub>
                   --driver $<TARGET_FILE:dialog_driver> --setup $<TARGET_FILE:record_args>
                   --admin-setup $<TARGET_FILE:record_args_admin> --hold-open $<TARGET_FILE:hold_open>
                   --corpus ${SFX_CORPUS_DIR_HOST} --work ${SFX_E2E_DIR}/unattended_${check}
                   --screenshots ${SFX_E2E_DIR}/docs)
  set_tests_properties(win32_e2e_unattended_${check} PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK wine
                       TIMEOUT 300 SKIP_RETURN_CODE 77)
endforeach()

# sfxbind.exe under code page 1252 with a folder, an output and a program whose
# names lie outside it, and names that differ only in case.
add_test(NAME win32_binder_names
         COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/win32/binder_names_test.py ${SFX_WINE_PREFIX}
                 --sfxbind $<TARGET_FILE:sfxbind> --stub $<TARGET_FILE:sfxstub> --work ${SFX_E2E_DIR}/binder_names)
set_tests_properties(win32_binder_names PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK wine TIMEOUT 300
                     SKIP_RETURN_CODE 77)
