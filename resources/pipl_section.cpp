// The property list in the Linux build: the same bytes as the Windows
// resource, in an ELF section of their own that a host reads from the
// library file before loading it. The effect never refers to the object;
// `used` keeps it through compilation and the section through linking.
#include "resources/pipl.h"

extern "C" {
__attribute__((visibility("hidden"))) extern const PiplImage FolvekPiplSection;
__attribute__((section("PIPL"), used)) const PiplImage FolvekPiplSection = PIPL_IMAGE;
}
