// The TsScannerLib module: its class table and entry points.
#include "platform/Module.h"
#include "scanner/CTsScannerData.h"
#include "scanner/CTsScannerForm.h"
#include "scanner/CTsScannerForm25S.h"
#include "typelib/TsScannerLib.h"

#include <iterator>

namespace {

const ClassEntry scannerClasses[] = {
    {&TsScannerData_CoClass, &CTsScannerData::CreateInstance},
    {&TsScannerForm25S_CoClass, &CTsScannerForm25S::CreateInstance},
    {&TsScannerForm_CoClass, &CTsScannerForm::CreateInstance},
};

const ModuleDescription& DescribeTsScannerLib()
{
    static const ModuleDescription description{&TsScannerLib_TypeLib, scannerClasses, std::size(scannerClasses),
                                               &ThisModule()};
    return description;
}

} // namespace

TS_DEFINE_MODULE(DescribeTsScannerLib)
