#include "common/Registry.h"

std::string TRegistryValue::AsText() const
{
    return Kind == DWord ? std::to_string(Number) : Text;
}
