#include "package/SelfExtractor.h"

#include "common/Exception.h"

void TSelfExtractor::Execute()
{
    throw Exception("SFX not implemented for base class!");
}
