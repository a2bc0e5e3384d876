#include "scanner/core/Seps.h"

namespace TsScanner {

const NonAlnumSeps& NonAlnumSeps::Instance()
{
    static const NonAlnumSeps instance;
    return instance;
}

}  // namespace TsScanner
