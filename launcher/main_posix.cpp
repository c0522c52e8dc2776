#include "handover/Deskstart.h"

#include "common/Platform.h"

int main()
{
    return TDeskstart(GetProgramDir()).Run();
}
