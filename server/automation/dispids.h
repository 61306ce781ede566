// The dispatch ids of _Schedule. The type library takes them from here (quorvane.idl includes
// this file) and so does the control's own IDispatch::Invoke: one list for both.
#pragma once

#define DISPID_SCHEDULE_ADDSCHEDULE 0x60030012
#define DISPID_SCHEDULE_REMOVESCHEDULE 0x60030013
#define DISPID_SCHEDULE_REMOVEALLSCHEDULE 0x60030014
#define DISPID_SCHEDULE_TIMERINTERVAL 0x68030011
#define DISPID_SCHEDULE_GETSCHEDULES 0x68030010
#define DISPID_SCHEDULE_NEXTTIME 0x6803000F
#define DISPID_SCHEDULE_INTERVAL 0x6803000E
