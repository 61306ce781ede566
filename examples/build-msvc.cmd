:: From the release folder, in a Developer Command Prompt of the bitness to build
:: (x86 for sdk\x86, x64 for sdk\x64): the programs use the module of their own bitness.
cl /nologo /W4 /I sdk /Fe:schedule.exe examples\c\schedule.c sdk\quorvane_idl_i.c ole32.lib oleaut32.lib uuid.lib
cl /nologo /W4 /EHsc /std:c++17 /I sdk /Fe:alarm.exe examples\cpp\alarm.cpp sdk\quorvane_idl_i.c ole32.lib oleaut32.lib uuid.lib user32.lib
cl /nologo /W4 /EHsc /std:c++17 /I sdk /Fe:every_n_minutes.exe examples\cpp\every_n_minutes.cpp sdk\quorvane_idl_i.c ole32.lib oleaut32.lib uuid.lib user32.lib
cl /nologo /W4 /EHsc /std:c++17 /I sdk /Fe:snooze.exe examples\cpp\snooze.cpp sdk\quorvane_idl_i.c ole32.lib oleaut32.lib uuid.lib user32.lib
cl /nologo /W4 /EHsc /std:c++17 /I sdk /Fe:month_end.exe examples\cpp\month_end.cpp sdk\quorvane_idl_i.c ole32.lib oleaut32.lib uuid.lib user32.lib
