#include "toolkit/ToolkitSymbols.h"

#ifndef _WIN32
#include <dlfcn.h>
#endif

namespace tessaline::toolkit {

void* FindSymbol(const char* name)
{
#ifdef _WIN32
    (void)name;
    return nullptr;
#else
    return dlsym(RTLD_DEFAULT, name);
#endif
}

}  // namespace tessaline::toolkit
