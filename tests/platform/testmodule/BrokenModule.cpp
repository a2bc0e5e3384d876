// A module that cannot load: it needs a function nothing provides, as a
// module built against a newer platform would.
#include "platform/Module.h"

extern "C" HRESULT TsFunctionThatNothingProvides();

TS_EXPORT HRESULT DllGetClassObject(REFCLSID, REFIID, void** object)
{
    *object = nullptr;
    return TsFunctionThatNothingProvides();
}
TS_EXPORT HRESULT DllRegisterServer() { return TsFunctionThatNothingProvides(); }
