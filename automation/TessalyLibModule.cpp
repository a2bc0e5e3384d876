// The TessalyLib module: its class table and entry points.
#include "automation/CTsService.h"
#include "automation/CTsServiceResponse.h"
#include "automation/CTsUser.h"
#include "platform/Module.h"
#include "typelib/TessalyLib.h"

#include <iterator>

namespace {

const ClassEntry tessalyClasses[] = {
    {&TsService_CoClass, &CTsService::CreateInstance},
    {&TsServiceResponse_CoClass, &CTsServiceResponse::CreateInstance},
    {&TsUser_CoClass, &CTsUser::CreateInstance},
};

const ModuleDescription& DescribeTessalyLib()
{
    static const ModuleDescription description{&TessalyLib_TypeLib, tessalyClasses, std::size(tessalyClasses),
                                               &ThisModule()};
    return description;
}

} // namespace

TS_DEFINE_MODULE(DescribeTessalyLib)
