# From the release folder, which holds sdk/ and examples/. -static keeps the programs free of
# MinGW's runtime DLLs (libgcc_s_dw2-1.dll 32-bit, libgcc_s_seh-1.dll 64-bit, libstdc++-6.dll).
# The C++ programs include examples/cpp/schedule_host.h, which hears the control's event.
i686-w64-mingw32-gcc -O2 -Wall -I sdk -o schedule-x86.exe examples/c/schedule.c sdk/quorvane_idl_i.c -static -lole32 -loleaut32 -luuid
x86_64-w64-mingw32-gcc -O2 -Wall -I sdk -o schedule-x64.exe examples/c/schedule.c sdk/quorvane_idl_i.c -static -lole32 -loleaut32 -luuid
i686-w64-mingw32-g++ -std=c++17 -O2 -Wall -I sdk -o alarm-x86.exe examples/cpp/alarm.cpp sdk/quorvane_idl_i.c -static -lole32 -loleaut32 -luuid
x86_64-w64-mingw32-g++ -std=c++17 -O2 -Wall -I sdk -o alarm-x64.exe examples/cpp/alarm.cpp sdk/quorvane_idl_i.c -static -lole32 -loleaut32 -luuid
i686-w64-mingw32-g++ -std=c++17 -O2 -Wall -I sdk -o every_n_minutes-x86.exe examples/cpp/every_n_minutes.cpp sdk/quorvane_idl_i.c -static -lole32 -loleaut32 -luuid
x86_64-w64-mingw32-g++ -std=c++17 -O2 -Wall -I sdk -o every_n_minutes-x64.exe examples/cpp/every_n_minutes.cpp sdk/quorvane_idl_i.c -static -lole32 -loleaut32 -luuid
i686-w64-mingw32-g++ -std=c++17 -O2 -Wall -I sdk -o snooze-x86.exe examples/cpp/snooze.cpp sdk/quorvane_idl_i.c -static -lole32 -loleaut32 -luuid
x86_64-w64-mingw32-g++ -std=c++17 -O2 -Wall -I sdk -o snooze-x64.exe examples/cpp/snooze.cpp sdk/quorvane_idl_i.c -static -lole32 -loleaut32 -luuid
i686-w64-mingw32-g++ -std=c++17 -O2 -Wall -I sdk -o month_end-x86.exe examples/cpp/month_end.cpp sdk/quorvane_idl_i.c -static -lole32 -loleaut32 -luuid
x86_64-w64-mingw32-g++ -std=c++17 -O2 -Wall -I sdk -o month_end-x64.exe examples/cpp/month_end.cpp sdk/quorvane_idl_i.c -static -lole32 -loleaut32 -luuid
