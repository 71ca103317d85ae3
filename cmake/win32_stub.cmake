# Win32 stub build (filled in with the Win32 front end).
