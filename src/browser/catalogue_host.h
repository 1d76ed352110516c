// The catalogue site's host name, chosen when the program is built (the
// CMake cache variable VOLNAR_CATALOGUE_HOST). Left empty, the catalogue is
// the program's own (src/catalogue/), served at "127.0.0.1:47471" or, when
// that port is taken, a fallback port that the start-up puts into the
// program's CatalogueHost. The home address is "http://" + the host. Any thread.
#pragma once

extern const char kCatalogueHost[];
extern const bool kBuiltInCatalogue;
