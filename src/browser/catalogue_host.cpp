#include "browser/catalogue_host.h"

#ifndef VOLNAR_CATALOGUE_HOST
#define VOLNAR_CATALOGUE_HOST "radio.volnar.ru"
#endif

const char kCatalogueHost[] = VOLNAR_CATALOGUE_HOST;
