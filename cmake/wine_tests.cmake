# Tests under Wine (filled in with the Win32 front end).
