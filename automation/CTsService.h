// The library's service settings: the request time-out shared by all objects.
#pragma once

#include "platform/ComObject.h"
#include "typelib/TessalyLib.h"

class CTsService : public DispatchObject<CTsService, ITsService> {
public:
    static const CoClassDescription& CoClass() { return TsService_CoClass; }

    HRESULT get_TimeoutMs(LONG* value) override;
    HRESULT put_TimeoutMs(LONG value) override;
};
