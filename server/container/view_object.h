// IViewObject2 of the control: its face is the design-time icon while the container's form is
// designed, and nothing while the host runs.
#pragma once

#include "control_site.h"
#include "part.h"

namespace quorvane::server {

class ViewObject final : public Part<IViewObject2> {
public:
    ViewObject(IUnknown &owner, ControlSite &site) : Part(owner), site_(site) {}

    HRESULT STDMETHODCALLTYPE Draw(DWORD aspect, LONG index, void *aspect_info,
                                   DVTARGETDEVICE *device, HDC device_info, HDC dc, LPCRECTL bounds,
                                   LPCRECTL window_bounds,
                                   BOOL(STDMETHODCALLTYPE *keep_going)(ULONG_PTR),
                                   ULONG_PTR argument) override;
    HRESULT STDMETHODCALLTYPE GetColorSet(DWORD aspect, LONG index, void *aspect_info,
                                          DVTARGETDEVICE *device, HDC device_info,
                                          LOGPALETTE **colors) override;
    HRESULT STDMETHODCALLTYPE Freeze(DWORD aspect, LONG index, void *aspect_info,
                                     DWORD *cookie) override;
    HRESULT STDMETHODCALLTYPE Unfreeze(DWORD cookie) override;
    HRESULT STDMETHODCALLTYPE SetAdvise(DWORD aspects, DWORD flags, IAdviseSink *sink) override;
    HRESULT STDMETHODCALLTYPE GetAdvise(DWORD *aspects, DWORD *flags, IAdviseSink **sink) override;
    HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, LONG index, DVTARGETDEVICE *device,
                                        SIZEL *size) override;

    // The control's face changed: tells the view's sink and has the container repaint.
    void Changed();

private:
    ControlSite &site_;
    Microsoft::WRL::ComPtr<IAdviseSink> sink_;
    DWORD aspects_ = 0;
    DWORD flags_ = 0;
};

} // namespace quorvane::server
