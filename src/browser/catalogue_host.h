// The catalogue site's host name, chosen when the program is built (the
// CMake cache variable VOLNAR_CATALOGUE_HOST; "radio.volnar.ru" unless
// given). The home address is "http://" + this. Any thread.
#pragma once

extern const char kCatalogueHost[];
