// The frei0r plug-in interface as Debian's frei0r-plugins-dev declares it.
// Its header has no C++ guard of its own.
#ifndef FOLVEK_FREI0R_FREI0R_API_H
#define FOLVEK_FREI0R_FREI0R_API_H

extern "C" {
#include <frei0r.h>
}

#endif
