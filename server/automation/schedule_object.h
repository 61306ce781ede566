// The COM object Schedule: the dual interface _Schedule over one quorvane::Schedule, its
// error information, the connection point of its event interface __Schedule, and the
// interfaces of a control in a container.
#pragma once

#include "com_object.h"
#include "connection_point.h"
#include "embedding.h"
#include "local_clock.h"
#include "quorvane_idl.h"
#include "schedule.h"
#include "thread_timer.h"

#include <wrl/client.h>

namespace quorvane::server {

class ScheduleObject final
    : public ComObject<ScheduleObject, _Schedule, ISupportErrorInfo, IConnectionPointContainer>,
      private TimerTarget {
public:
    // A new control, answering for `iid` in `*out`; aggregated by `outer` when it is not
    // null, which then must ask for IUnknown and gets the control's own.
    static HRESULT Create(IUnknown *outer, REFIID iid, void **out);

    // IDispatch, through the type information of _Schedule.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo **info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR *names, UINT count, LCID lcid,
                                            DISPID *ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID iid, LCID lcid, WORD flags,
                                     DISPPARAMS *params, VARIANT *result, EXCEPINFO *excep,
                                     UINT *arg_err) override;

    // _Schedule. The string and number arguments are only read; a null pointer for one of
    // the seven optional numbers reads as 0.
    HRESULT STDMETHODCALLTYPE AddSchedule(BSTR *index, ::schDateType *ty, LONG *yr, LONG *mon,
                                          LONG *wk, LONG *dy, LONG *hr, LONG *min,
                                          LONG *sec) override;
    HRESULT STDMETHODCALLTYPE RemoveSchedule(BSTR *key) override;
    HRESULT STDMETHODCALLTYPE RemoveAllSchedule() override;
    HRESULT STDMETHODCALLTYPE get_TimerInterVal(LONG *value) override;
    HRESULT STDMETHODCALLTYPE put_TimerInterVal(LONG vNewValue) override;
    HRESULT STDMETHODCALLTYPE get_GetSchedules(IDispatch **schedules) override;
    HRESULT STDMETHODCALLTYPE get_NextTime(BSTR *ScheduleName, DATE *value) override;
    HRESULT STDMETHODCALLTYPE get_Interval(short *value) override;
    HRESULT STDMETHODCALLTYPE put_Interval(short vNewValue) override;

    HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override;

    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints **out) override;
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint **out) override;

    void *Find(REFIID iid);

private:
    ScheduleObject(IUnknown *outer, Microsoft::WRL::ComPtr<ITypeInfo> info);
    // The timer is stopped before anything else of the control goes: releasing the sinks and
    // the site may run a message loop, whose ticks must not reach a control half gone.
    ~ScheduleObject() override { timer_.Stop(); }

    bool TryHold() override { return ComObject::TryHold(); }
    void LetGo() override { ComObject::LetGo(); }
    // One dispatch pass; the control stays alive through it even if a handler releases it.
    void Tick() override;

    Microsoft::WRL::ComPtr<ITypeInfo> info_;
    LocalClock clock_;
    ThreadTimer timer_;
    ConnectionPoint events_;
    Schedule control_;
    Embedding embedding_;
};

} // namespace quorvane::server
