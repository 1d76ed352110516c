#include "browser/catalogue_host.h"

// Without an external site (the default build) the catalogue is built into
// the program, and its host name is the loopback address at its fixed port.
#ifndef VOLNAR_CATALOGUE_HOST
#define VOLNAR_CATALOGUE_HOST "127.0.0.1:47471"
#define VOLNAR_BUILTIN_CATALOGUE 1
#endif

#ifdef VOLNAR_BUILTIN_CATALOGUE
const bool kBuiltInCatalogue = true;
#else
const bool kBuiltInCatalogue = false;
#endif
const char kCatalogueHost[] = VOLNAR_CATALOGUE_HOST;
