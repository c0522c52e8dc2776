#include "package/Compressor.h"

bool TCompressor::Execute()
{
    FMessages.clear();
    FMessages.push_back("This is the base compressor class - no implementation!");
    return false;
}
